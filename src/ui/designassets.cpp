#include "designassets.h"

#include "imagedata/imagefilemanager.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStatusBar>
#include <QToolButton>
#include <QWidget>

#include <cmath>
#include <cstdint>

namespace {

// A tiny fixed generator: the pictures must not change between runs or machines.
struct grain {
    std::uint32_t state;
    int next(int spread) // -spread..spread
    {
        state = state * 1664525u + 1013904223u;
        return int((state >> 8) % std::uint32_t(2 * spread + 1)) - spread;
    }
};

int clampByte(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

void addGrain(QImage &picture, int spread, std::uint32_t seed)
{
    grain g{seed};
    for (int y = 0; y < picture.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int n = g.next(spread);
            const QRgb c = row[x];
            row[x] = qRgb(clampByte(qRed(c) + n), clampByte(qGreen(c) + n + g.next(spread / 3)),
                          clampByte(qBlue(c) + n));
        }
    }
}

} // namespace

QImage flowerPhoto(int width, int height)
{
    // Drawn four times larger and reduced, so the edges are soft like a photograph's.
    const int scale = 4;
    QImage big(width * scale, height * scale, QImage::Format_RGB32);
    const double w = big.width(), h = big.height();
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient ground(0, 0, w, h);
    ground.setColorAt(0.0, QColor(46, 92, 38));
    ground.setColorAt(0.5, QColor(94, 140, 60));
    ground.setColorAt(1.0, QColor(28, 64, 30));
    p.fillRect(big.rect(), ground);

    // Out-of-focus leaves behind the flower.
    const struct { double x, y, rx, ry, angle; QColor c; } leaves[] = {
        {0.15, 0.20, 0.30, 0.12, 35, QColor(120, 170, 70)}, {0.85, 0.15, 0.28, 0.10, -30, QColor(70, 120, 45)},
        {0.20, 0.85, 0.32, 0.11, -40, QColor(60, 110, 50)}, {0.90, 0.80, 0.30, 0.12, 25, QColor(130, 175, 80)},
    };
    for (const auto &leaf : leaves) {
        p.save();
        p.translate(leaf.x * w, leaf.y * h);
        p.rotate(leaf.angle);
        QRadialGradient g(0, 0, leaf.rx * w);
        g.setColorAt(0.0, leaf.c.lighter(130));
        g.setColorAt(1.0, leaf.c);
        p.setBrush(g);
        p.setPen(QPen(leaf.c.darker(150), w / 120));
        p.drawEllipse(QPointF(0, 0), leaf.rx * w, leaf.ry * h);
        p.restore();
    }

    // Petals: two rings of pink petals, each shaded from a white tip to a deep base.
    const QPointF centre(w * 0.52, h * 0.48);
    for (int ring = 0; ring < 2; ++ring) {
        const int count = ring == 0 ? 8 : 6;
        const double length = (ring == 0 ? 0.36 : 0.24) * w;
        const double breadth = (ring == 0 ? 0.13 : 0.10) * w;
        for (int i = 0; i < count; ++i) {
            p.save();
            p.translate(centre);
            p.rotate(i * 360.0 / count + ring * 20.0);
            QLinearGradient g(0, 0, length, 0);
            g.setColorAt(0.0, QColor(170, 30, 90));
            g.setColorAt(0.6, QColor(236, 110, 160));
            g.setColorAt(1.0, QColor(255, 225, 236));
            QPainterPath petal;
            petal.moveTo(0, 0);
            petal.cubicTo(length * 0.3, -breadth, length * 0.9, -breadth * 0.8, length, 0);
            petal.cubicTo(length * 0.9, breadth * 0.8, length * 0.3, breadth, 0, 0);
            p.setBrush(g);
            p.setPen(QPen(QColor(140, 20, 70), w / 200));
            p.drawPath(petal);
            p.setPen(QPen(QColor(200, 70, 120), w / 300));
            p.drawLine(QPointF(length * 0.1, 0), QPointF(length * 0.8, 0));
            p.restore();
        }
    }
    // The centre: a yellow disc with darker seeds.
    QRadialGradient disc(centre, w * 0.08);
    disc.setColorAt(0.0, QColor(255, 230, 90));
    disc.setColorAt(1.0, QColor(200, 140, 20));
    p.setBrush(disc);
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre, w * 0.08, w * 0.08);
    p.setBrush(QColor(120, 70, 10));
    for (int i = 0; i < 24; ++i) {
        const double a = i * 2.39996, r = w * 0.065 * std::sqrt((i + 0.5) / 24.0);
        p.drawEllipse(QPointF(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a)), w / 160, w / 160);
    }
    p.end();

    QImage photo = big.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    addGrain(photo, 10, 20261208u);
    return photo;
}

const QList<int> &sampleQualities()
{
    static const QList<int> qualities{10, 30, 50, 80, 100};
    return qualities;
}

QList<QByteArray> flowerSampleJpegs()
{
    const QImage photo = flowerPhoto();
    QList<QByteArray> samples;
    for (int q : sampleQualities()) samples.append(encodeJpeg(photo, q));
    return samples;
}

QImage qualityArrow(bool pointsRight, int width, int height, QRgb background)
{
    QImage arrow(width, height, QImage::Format_RGB32);
    arrow.fill(background);
    QPainter p(&arrow);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width, h = height, shaft = h * 0.18, head = w * 0.38;
    QPolygonF shape;
    // Pointing right; mirrored below for the left arrow.
    shape << QPointF(w * 0.06, h / 2 - shaft) << QPointF(w - head, h / 2 - shaft) << QPointF(w - head, h * 0.12)
          << QPointF(w * 0.95, h / 2) << QPointF(w - head, h * 0.88) << QPointF(w - head, h / 2 + shaft)
          << QPointF(w * 0.06, h / 2 + shaft);
    if (!pointsRight)
        for (QPointF &pt : shape) pt.setX(w - pt.x());
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0.0, QColor(176, 176, 176));
    g.setColorAt(1.0, QColor(120, 120, 120));
    p.setBrush(g);
    p.setPen(QPen(QColor(96, 96, 96), 1));
    p.drawPolygon(shape);
    return arrow;
}

QImage aboutPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double w = width, h = height;

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(18, 52, 86));
    sky.setColorAt(0.7, QColor(32, 110, 130));
    sky.setColorAt(1.0, QColor(210, 232, 226));
    p.fillRect(picture.rect(), sky);

    // The lens: rings of glass with a bright reflection.
    const QPointF lens(w * 0.24, h * 0.40);
    const double r = h * 0.27;
    for (int i = 0; i < 4; ++i) {
        const double rr = r * (1.0 - i * 0.18);
        QRadialGradient glass(lens.x() - rr * 0.3, lens.y() - rr * 0.3, rr * 1.4);
        glass.setColorAt(0.0, QColor(120 + i * 30, 190 + i * 15, 220));
        glass.setColorAt(1.0, QColor(10, 30 + i * 10, 60 + i * 10));
        p.setBrush(glass);
        p.setPen(QPen(QColor(200, 220, 230, 180), 1.5));
        p.drawEllipse(lens, rr, rr);
    }
    p.setBrush(QColor(255, 255, 255, 170));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(lens.x() - r * 0.32, lens.y() - r * 0.34), r * 0.14, r * 0.08);

    // The leaf over the lens' rim.
    QPainterPath leaf;
    const QPointF base(lens.x() + r * 0.35, lens.y() + r * 0.85);
    leaf.moveTo(base);
    leaf.cubicTo(base + QPointF(r * 0.12, -r * 0.62), base + QPointF(r * 0.75, -r * 0.7), base + QPointF(r * 0.85, -r * 0.85));
    leaf.cubicTo(base + QPointF(r * 0.78, -r * 0.25), base + QPointF(r * 0.5, r * 0.07), base);
    QLinearGradient green(base, base + QPointF(r * 0.85, -r * 0.85));
    green.setColorAt(0.0, QColor(40, 120, 50));
    green.setColorAt(1.0, QColor(150, 210, 90));
    p.setBrush(green);
    p.setPen(QPen(QColor(20, 70, 30), 1.2));
    p.drawPath(leaf);
    p.setPen(QPen(QColor(210, 240, 170), 1.0));
    p.drawLine(base, base + QPointF(r * 0.75, -r * 0.75));

    // The name and version.
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(int(h * 0.2));
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(250, 250, 240));
    p.drawText(QRectF(w * 0.47, h * 0.18, w * 0.52, h * 0.26), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Korvia"));
    QFont small = title;
    small.setBold(false);
    small.setPixelSize(int(h * 0.065));
    p.setFont(small);
    p.setPen(QColor(210, 235, 240));
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty()) version = QStringLiteral("0.1");
    p.drawText(QRectF(w * 0.48, h * 0.44, w * 0.5, h * 0.1), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Version ") + version);
    p.drawText(QRectF(w * 0.48, h * 0.54, w * 0.5, h * 0.1), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Photo editor"));
    p.end();
    addGrain(picture, 3, 326230u);
    return picture;
}

QIcon toolButtonIcon(const QString &objectName)
{
    QImage icon(24, 24, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(60, 60, 60), 1.2);
    p.setPen(outline);
    if (objectName == QLatin1String("fileOpenButton")) {
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(3, 7, 18, 13));
        p.drawRect(QRectF(3, 5, 7, 3));
        p.setBrush(QColor(250, 225, 130));
        p.drawPolygon(QPolygonF({QPointF(6, 11), QPointF(23, 11), QPointF(20, 20), QPointF(3, 20)}));
    } else if (objectName == QLatin1String("saveSpeedButton") || objectName == QLatin1String("renameSaveSpeedButton")) {
        p.setBrush(QColor(70, 110, 190));
        p.drawRect(QRectF(3, 3, 18, 18));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(7, 3, 10, 7));
        p.drawRect(QRectF(6, 13, 12, 8));
        if (objectName == QLatin1String("renameSaveSpeedButton")) {
            p.setPen(QPen(QColor(200, 60, 40), 2.2));
            p.drawLine(QPointF(12, 22), QPointF(22, 12));
        }
    } else if (objectName == QLatin1String("printSpeedButton")) {
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(7, 3, 10, 8));
        p.setBrush(QColor(150, 150, 160));
        p.drawRoundedRect(QRectF(3, 10, 18, 8), 2, 2);
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(7, 15, 10, 6));
    } else if (objectName == QLatin1String("undoButton")) {
        p.setPen(QPen(QColor(40, 110, 60), 2.4));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 6, 15, 13), 90 * 16, -250 * 16);
        p.setBrush(QColor(40, 110, 60));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(2, 7), QPointF(10, 2), QPointF(10, 12)}));
    } else if (objectName == QLatin1String("informationButton")) {
        p.setBrush(QColor(60, 120, 200));
        p.drawEllipse(QRectF(3, 3, 18, 18));
        p.setPen(QPen(Qt::white, 2.4));
        p.drawLine(QPointF(12, 10.5), QPointF(12, 17));
        p.drawPoint(QPointF(12, 7));
    } else if (objectName == QLatin1String("theEndButton")) {
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(5, 3, 14, 18));
        p.setPen(QPen(QColor(200, 50, 40), 2.4));
        p.drawLine(QPointF(8, 8), QPointF(16, 16));
        p.drawLine(QPointF(16, 8), QPointF(8, 16));
    } else {
        return QIcon();
    }
    p.end();
    return QIcon(QPixmap::fromImage(icon));
}

void installToolBarIcons(QWidget *root)
{
    if (!root) return;
    for (QToolButton *button : root->findChildren<QToolButton *>()) {
        const QIcon icon = toolButtonIcon(button->objectName());
        if (icon.isNull()) continue;
        button->setIcon(icon);
        button->setIconSize(QSize(22, 22));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
}

void decorateMainWindow(QMainWindow *window)
{
    if (!window) return;
    installToolBarIcons(window);
    QStatusBar *bar = window->statusBar();
    if (!bar->findChild<QLabel *>(QStringLiteral("StatusBar1Panel1"))) {
        auto *panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("StatusBar1Panel1"));
        panel->setFixedWidth(50);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panel);
    }
}
