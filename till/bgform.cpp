#include "bgform.h"

#include "settingsio.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

QPointer<TBgForm> TBgForm::s_current;

class TBgImage : public QWidget {
public:
    TBgImage(TBgForm *form)
        : QWidget(form)
        , m_form(form)
    {
        setObjectName(QStringLiteral("Image1"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override { m_form->paintImage(this); }

private:
    TBgForm *m_form;
};

TBgForm::TBgForm(const QString &programDir)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint
                           | Qt::WindowDoesNotAcceptFocus)
    , m_dir(programDir)
{
    setObjectName(QStringLiteral("BgForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The till's window decides when the program ends, not its background.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    Image1 = new TBgImage(this);
    setEnabled(false);
}

TBgForm::~TBgForm()
{
    if (s_current == this)
        s_current = nullptr;
}

TBgForm *TBgForm::open(const QString &programDir)
{
    if (!s_current) {
        s_current = new TBgForm(programDir);
        // A window without a parent would outlive the application object.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, s_current.data(), [] { delete s_current.data(); });
        QRect screen(0, 0, 800, 600);
        if (const QScreen *s = QGuiApplication::primaryScreen())
            screen = s->geometry();
        s_current->setGeometry(QRect(QPoint(0, 0), screen.size()));
        s_current->show();
    }
    s_current->lower();
    return s_current;
}

TBgForm *TBgForm::current()
{
    return s_current;
}

void TBgForm::closeCurrent()
{
    if (s_current)
        s_current->close();
}

void TBgForm::closeEvent(QCloseEvent *event)
{
    // Forgotten at once, so a new one can open before this one is freed.
    if (s_current == this)
        s_current = nullptr;
    event->accept();
}

void TBgForm::resizeEvent(QResizeEvent *)
{
    Image1->setGeometry(rect());
}

QString TBgForm::pictureFile() const
{
    return TillIni::picture(m_dir);
}

const QPixmap *TBgForm::tile()
{
    const QString path = pictureFile();
    const QFileInfo info(path);
    if (!info.isFile())
        return nullptr;
    if (path != m_loadedPath || info.lastModified() != m_loadedTime || info.size() != m_loadedSize) {
        QImageReader reader(path);
        m_picture = QPixmap::fromImage(reader.read());
        m_loadedPath = path;
        m_loadedTime = info.lastModified();
        m_loadedSize = info.size();
    }
    return m_picture.isNull() ? nullptr : &m_picture;
}

void TBgForm::paintImage(QWidget *target)
{
    QPainter p(target);
    p.fillRect(target->rect(), Qt::white);
    if (const QPixmap *pic = tile()) {
        // Tiles from the top left corner, as far as the window reaches.
        p.drawTiledPixmap(target->rect(), *pic);
        return;
    }
    static const QImage builtIn = builtInPicture();
    p.drawImage(QPoint(0, 0), builtIn);
}

QImage TBgForm::builtInPicture()
{
    QImage img(166, 170, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, img.height());
    g.setColorAt(0, QColor(0xe8, 0xf1, 0xfb));
    g.setColorAt(1, QColor(0xb7, 0xcf, 0xea));
    p.fillRect(img.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x3a, 0x6e, 0xa5), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(img.rect()).adjusted(6, 6, -6, -6), 10, 10);
    QFont f = p.font();
    f.setPixelSize(28);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0x1f, 0x4e, 0x79));
    p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("收银台"));
    return img;
}
