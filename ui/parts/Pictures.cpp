#include "ui/parts/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor Navy(22, 52, 110);
const QColor Sky(64, 132, 206);

// A handheld device: rounded body, screen, four buttons.
void PaintDevice(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(r.topLeft(), r.bottomRight());
    body.setColorAt(0, QColor(236, 238, 242));
    body.setColorAt(1, QColor(168, 174, 186));
    p.setPen(QPen(QColor(70, 76, 90), r.width() / 60.0));
    p.setBrush(body);
    p.drawRoundedRect(r, r.width() * 0.12, r.width() * 0.12);
    QRectF screen(r.left() + r.width() * 0.12, r.top() + r.height() * 0.10, r.width() * 0.76, r.height() * 0.62);
    QLinearGradient glass(screen.topLeft(), screen.bottomLeft());
    glass.setColorAt(0, QColor(120, 190, 250));
    glass.setColorAt(1, QColor(30, 90, 170));
    p.setPen(QPen(QColor(40, 44, 54), r.width() / 80.0));
    p.setBrush(glass);
    p.drawRect(screen);
    // A window on the screen, as an application being installed.
    QRectF win =
        screen.adjusted(screen.width() * 0.12, screen.height() * 0.18, -screen.width() * 0.12, -screen.height() * 0.30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawRect(win);
    p.setBrush(QColor(18, 60, 140));
    p.drawRect(QRectF(win.left(), win.top(), win.width(), win.height() * 0.18));
    qreal bw = r.width() * 0.14;
    qreal by = r.top() + r.height() * 0.82;
    p.setBrush(QColor(80, 86, 100));
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QRectF(r.left() + r.width() * (0.12 + i * 0.21), by, bw, bw));
    p.restore();
}

void PaintBackground(QPainter& p, const QRect& r)
{
    QLinearGradient bg(r.topLeft(), r.bottomLeft());
    bg.setColorAt(0, Sky);
    bg.setColorAt(1, Navy);
    p.fillRect(r, bg);
}

// Text in the Sans Serif face at the pixel size, with the painter's pen.
void DrawLabel(QPainter& p, const QRect& box, int flags, const QString& text, int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    p.setFont(font);
    p.drawText(box, flags, text);
}

}

QPixmap DefaultSetupPicture()
{
    QPixmap pixmap(185, 294);
    QPainter p(&pixmap);
    PaintBackground(p, pixmap.rect());
    PaintDevice(p, QRectF(42, 58, 100, 150));
    p.setPen(Qt::white);
    DrawLabel(p, QRect(0, 224, 185, 26), Qt::AlignCenter, QStringLiteral("Setup"), 17, true);
    DrawLabel(p, QRect(0, 250, 185, 18), Qt::AlignCenter, QStringLiteral("for Windows CE devices"), 11);
    return pixmap;
}

QPixmap SplashPicture()
{
    QPixmap pixmap(560, 233);
    QPainter p(&pixmap);
    PaintBackground(p, pixmap.rect());
    p.setRenderHint(QPainter::Antialiasing);
    PaintDevice(p, QRectF(40, 38, 104, 158));
    const int left = Qt::AlignLeft | Qt::AlignVCenter;
    p.setPen(Qt::white);
    DrawLabel(p, QRect(180, 58, 370, 52), left, QStringLiteral("Veltrin Installer"), 36, true);
    p.setPen(QColor(220, 232, 250));
    DrawLabel(p, QRect(182, 112, 370, 24), left, QStringLiteral("Installation packages for Windows CE devices"), 14);
    p.setPen(QColor(255, 255, 255, 90));
    p.drawLine(182, 146, 530, 146);
    p.setPen(QColor(200, 214, 236));
    DrawLabel(p, QRect(182, 156, 370, 20), left, QStringLiteral("Loading..."), 12);
    p.setPen(QColor(10, 28, 66));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return pixmap;
}

QPixmap ProgramPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A box (the package) with the device in front of it.
    QRectF box(size * 0.30, size * 0.10, size * 0.64, size * 0.56);
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, Sky);
    g.setColorAt(1, Navy);
    p.setPen(QPen(Navy.darker(130), qMax(1.0, size / 40.0)));
    p.setBrush(g);
    p.drawRoundedRect(box, size * 0.06, size * 0.06);
    PaintDevice(p, QRectF(size * 0.08, size * 0.30, size * 0.40, size * 0.64));
    return pixmap;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(ProgramPicture(size));
    return icon;
}
