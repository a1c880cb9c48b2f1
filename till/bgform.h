#pragma once
// The full-screen background behind the till: a borderless, disabled window at 0,0 with
// the size of the screen. It tiles the picture named by pic in checkout.ini, or shows
// its built-in picture at the top left when that file is missing or unreadable.
// At most one exists; closing it frees it.

#include <QDateTime>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class TBgForm : public QWidget {
    Q_OBJECT
public:
    // The background window, created when there is none; shown at 0,0 with the size of
    // the screen, disabled, and sent behind all windows.
    static TBgForm *open(const QString &programDir);
    // The open background window, or nullptr.
    static TBgForm *current();
    // Closes and frees the background window, if there is one.
    static void closeCurrent();

    // The picture the window paints: TillIni::picture(programDir), read at every paint,
    // so a new choice shows at the next repaint.
    QString pictureFile() const;
    // Shown when the picture file is missing: 166 × 170 pixels.
    static QImage builtInPicture();

    QWidget *Image1 = nullptr;  // fills the window; does the painting

    ~TBgForm() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    explicit TBgForm(const QString &programDir);
    friend class TBgImage;
    void paintImage(QWidget *target);
    const QPixmap *tile();  // the loaded picture, or nullptr

    QString m_dir;
    // The last picture loaded, kept while the file does not change.
    QString m_loadedPath;
    QDateTime m_loadedTime;
    qint64 m_loadedSize = -1;
    QPixmap m_picture;

    static QPointer<TBgForm> s_current;
};
