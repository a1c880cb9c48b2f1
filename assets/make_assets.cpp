// Draws the pictures the programs show: the till's shop level badges (img/<name>.png),
// the back office's profit stars (img/jibie0..5.png) and the till's background tile
// (bg.bmp). Usage: make_assets <output folder>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

QPainterPath star(QPointF c, double r)
{
    QPainterPath p;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double rr = (i % 2 == 0) ? r : r * 0.42;
        const QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
        if (i == 0)
            p.moveTo(pt);
        else
            p.lineTo(pt);
    }
    p.closeSubpath();
    return p;
}

QPainterPath heart(QPointF c, double r)
{
    QPainterPath p;
    p.moveTo(c.x(), c.y() + r * 0.9);
    p.cubicTo(c.x() - r * 1.6, c.y() - r * 0.1, c.x() - r * 0.7, c.y() - r * 1.3, c.x(), c.y() - r * 0.45);
    p.cubicTo(c.x() + r * 0.7, c.y() - r * 1.3, c.x() + r * 1.6, c.y() - r * 0.1, c.x(), c.y() + r * 0.9);
    return p;
}

QPainterPath diamond(QPointF c, double r)
{
    QPainterPath p;
    p.moveTo(c.x() - r * 0.55, c.y() - r * 0.7);
    p.lineTo(c.x() + r * 0.55, c.y() - r * 0.7);
    p.lineTo(c.x() + r, c.y() - r * 0.2);
    p.lineTo(c.x(), c.y() + r);
    p.lineTo(c.x() - r, c.y() - r * 0.2);
    p.closeSubpath();
    return p;
}

QPainterPath crown(QPointF c, double r)
{
    QPainterPath p;
    p.moveTo(c.x() - r, c.y() + r * 0.7);
    p.lineTo(c.x() - r, c.y() - r * 0.6);
    p.lineTo(c.x() - r * 0.5, c.y() + r * 0.05);
    p.lineTo(c.x(), c.y() - r * 0.85);
    p.lineTo(c.x() + r * 0.5, c.y() + r * 0.05);
    p.lineTo(c.x() + r, c.y() - r * 0.6);
    p.lineTo(c.x() + r, c.y() + r * 0.7);
    p.closeSubpath();
    return p;
}

enum class Shape { Heart, Diamond, Crown, Star };

// count filled shapes, then (places - count) outlines.
QImage row(QSize size, Shape shape, int count, int places, QColor fill, QColor line)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double step = double(size.width()) / places;
    const double r = std::min(step, double(size.height())) * 0.42;
    for (int i = 0; i < places; ++i) {
        const QPointF c(step * (i + 0.5), size.height() / 2.0);
        QPainterPath path;
        switch (shape) {
        case Shape::Heart: path = heart(c, r); break;
        case Shape::Diamond: path = diamond(c, r); break;
        case Shape::Crown: path = crown(c, r); break;
        case Shape::Star: path = star(c, r); break;
        }
        const bool on = i < count;
        p.setPen(QPen(on ? line : QColor(0xb0, 0xb0, 0xb0), 1.2));
        p.setBrush(on ? fill : QColor(0xf0, 0xf0, 0xf0, 160));
        p.drawPath(path);
    }
    return img;
}

QImage backgroundTile()
{
    QImage img(128, 128, QImage::Format_RGB32);
    img.fill(QColor(0xe8, 0xf0, 0xf7));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd6, 0xe4, 0xf0));
    p.drawEllipse(QPointF(32, 32), 20, 20);
    p.drawEllipse(QPointF(96, 96), 20, 20);
    p.setBrush(QColor(0xdf, 0xea, 0xf4));
    p.drawEllipse(QPointF(96, 32), 9, 9);
    p.drawEllipse(QPointF(32, 96), 9, 9);
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: make_assets <output folder>");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    if (!QDir().mkpath(out + QStringLiteral("img")))
        return 1;
    bool ok = true;
    auto save = [&](const QImage &img, const QString &name, const char *format) {
        if (!img.save(out + name, format)) {
            qWarning("cannot write %s", qPrintable(out + name));
            ok = false;
        }
    };

    // The till's badge by the number of sales: none yet, then 1-5 hearts, diamonds, crowns.
    const QSize badge(100, 24);
    save(row(badge, Shape::Heart, 0, 5, {}, {}), QStringLiteral("img/0.png"), "PNG");
    const struct {
        const char *suffix;
        Shape shape;
        QColor fill, line;
    } kinds[] = {
        {"xin", Shape::Heart, QColor(0xe5, 0x39, 0x35), QColor(0x9a, 0x1b, 0x1b)},
        {"zuan", Shape::Diamond, QColor(0x42, 0xa5, 0xf5), QColor(0x15, 0x65, 0xc0)},
        {"guan", Shape::Crown, QColor(0xff, 0xc1, 0x07), QColor(0xb2, 0x7b, 0x00)},
    };
    for (const auto &k : kinds)
        for (int n = 1; n <= 5; ++n)
            save(row(badge, k.shape, n, n, k.fill, k.line),
                 QStringLiteral("img/%1%2.png").arg(n).arg(QLatin1String(k.suffix)), "PNG");

    // The back office's stars for last month's profit.
    for (int n = 0; n <= 5; ++n)
        save(row(QSize(110, 22), Shape::Star, n, 5, QColor(0xff, 0xb3, 0x00), QColor(0xc6, 0x7c, 0x00)),
             QStringLiteral("img/jibie%1.png").arg(n), "PNG");

    save(backgroundTile(), QStringLiteral("bg.bmp"), "BMP");
    return ok ? 0 : 1;
}
