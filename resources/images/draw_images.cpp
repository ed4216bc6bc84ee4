// Draws the program's own images (icons 128, 129, 130, 132 and the meter scale
// 138) as PNG files into the folder given on the command line, and optionally the
// application icon at the icon theme's sizes. Run by the `draw-images` target;
// the PNGs are kept in the source tree.
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <functional>

namespace {

constexpr int kIcon = 128;
const QColor kInk(0x1f, 0x3b, 0x5c);
const QColor kAccent(0xf0, 0x8a, 0x24);
const QColor kGreen(0x3c, 0xa5, 0x4a);

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Waves(QPainter& p, QPointF centre, int count, qreal first, qreal step, qreal span, const QColor& colour)
{
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        const qreal r = first + i * step;
        p.setPen(QPen(colour, 7, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), int(-span / 2 * 16), int(span * 16));
    }
}

// The unit seen from the front: a dark box with four input jacks, a speaker
// grille, a status light and its USB cable.
void DrawUnit(QPainter& p)
{
    QLinearGradient body(0, 30, 0, 100);
    body.setColorAt(0, QColor(0x4a, 0x55, 0x63));
    body.setColorAt(1, QColor(0x26, 0x2d, 0x36));
    p.setPen(QPen(QColor(0x15, 0x19, 0x1f), 3));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(8, 34, 112, 62), 12, 12);
    // Speaker grille.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x15, 0x19, 0x1f));
    p.drawEllipse(QPointF(36, 65), 20, 20);
    p.setBrush(QColor(0x8a, 0x96, 0xa3));
    for (int y = -2; y <= 2; ++y)
        for (int x = -2; x <= 2; ++x)
            if (x * x + y * y <= 5)
                p.drawEllipse(QPointF(36 + x * 7, 65 + y * 7), 2.2, 2.2);
    // Four input jacks.
    for (int i = 0; i < 4; ++i) {
        const QPointF c(68 + (i % 2) * 22, 54 + (i / 2) * 22);
        p.setBrush(QColor(0xc9, 0xd1, 0xd9));
        p.drawEllipse(c, 8, 8);
        p.setBrush(QColor(0x15, 0x19, 0x1f));
        p.drawEllipse(c, 3.5, 3.5);
    }
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(108, 44), 4, 4);
    // USB cable and plug.
    p.setPen(QPen(kInk, 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable(QPointF(64, 96));
    cable.cubicTo(QPointF(64, 118), QPointF(96, 104), QPointF(104, 120));
    p.drawPath(cable);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(96, 112, 18, 14), 3, 3);
    p.setBrush(QColor(0xc9, 0xd1, 0xd9));
    p.drawRect(QRectF(100, 122, 10, 6));
}

void DrawSpeaker(QPainter& p)
{
    QPainterPath cone;
    cone.moveTo(14, 46);
    cone.lineTo(36, 46);
    cone.lineTo(66, 18);
    cone.lineTo(66, 110);
    cone.lineTo(36, 82);
    cone.lineTo(14, 82);
    cone.closeSubpath();
    QLinearGradient fill(14, 0, 66, 0);
    fill.setColorAt(0, QColor(0x2d, 0x57, 0x86));
    fill.setColorAt(1, kInk);
    p.setPen(QPen(QColor(0x10, 0x22, 0x36), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(cone);
    Waves(p, QPointF(60, 64), 3, 22, 17, 80, kAccent);
}

void DrawMicrophone(QPainter& p)
{
    // Level bars behind the microphone.
    const int heights[] = {22, 38, 56, 44, 30};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        p.setBrush(i == 2 ? kAccent : kGreen);
        p.drawRoundedRect(QRectF(72 + i * 11, 112 - heights[i], 8, heights[i]), 2, 2);
    }
    // Capsule.
    QLinearGradient metal(26, 0, 62, 0);
    metal.setColorAt(0, QColor(0xb8, 0xc2, 0xcc));
    metal.setColorAt(0.5, QColor(0xee, 0xf2, 0xf5));
    metal.setColorAt(1, QColor(0x8a, 0x96, 0xa3));
    p.setPen(QPen(kInk, 3));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(28, 10, 34, 58), 17, 17);
    p.setPen(QPen(QColor(0x5a, 0x66, 0x73), 1.5));
    for (int y = 22; y <= 56; y += 7)
        p.drawLine(QPointF(31, y), QPointF(59, y));
    // Holder, stem and base.
    p.setPen(QPen(kInk, 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(18, 30, 54, 56), 180 * 16, 180 * 16);
    p.drawLine(QPointF(45, 86), QPointF(45, 108));
    p.drawLine(QPointF(28, 112), QPointF(62, 112));
}

void DrawApplication(QPainter& p)
{
    QLinearGradient back(0, 0, 0, kIcon);
    back.setColorAt(0, QColor(0x3b, 0x7d, 0xc4));
    back.setColorAt(1, QColor(0x1f, 0x3b, 0x5c));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 24, 24);
    // A table unit: a dome with a grille and a gooseneck microphone.
    p.setBrush(QColor(0xee, 0xf2, 0xf5));
    p.drawChord(QRectF(18, 62, 92, 60), 0, 180 * 16);
    p.setBrush(QColor(0x1f, 0x3b, 0x5c));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(40 + i * 12, 82), 3, 3);
    p.setPen(QPen(QColor(0xee, 0xf2, 0xf5), 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath neck(QPointF(64, 64));
    neck.cubicTo(QPointF(64, 40), QPointF(76, 30), QPointF(88, 28));
    p.drawPath(neck);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(92, 27), 9, 9);
    Waves(p, QPointF(92, 27), 1, 18, 0, 70, QColor(0xee, 0xf2, 0xf5));
}

// The scale beside the level meter: 56..90 dB, a tick every 2 dB, labels every 10.
QImage DrawMeterScale()
{
    constexpr int w = 256, h = 24, left = 1, right = w - 2;
    QImage image = Canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(left, 1, right, 1);
    QFont font("DejaVu Sans");
    font.setPixelSize(10);
    p.setFont(font);
    for (int db = 56; db <= 90; db += 2) {
        const int x = left + (db - 56) * (right - left) / 34;
        const bool major = db % 10 == 0 || db == 56;
        p.drawLine(x, 1, x, major ? 8 : 5);
        if (!major)
            continue;
        const QString label = QString::number(db);
        const int tw = p.fontMetrics().horizontalAdvance(label);
        const int tx = std::clamp(x - tw / 2, 0, w - tw);
        p.drawText(tx, 20, label);
    }
    return image;
}

bool Save(const QImage& image, const QString& folder, int id)
{
    const QString path = folder + "/" + QString::number(id) + ".png";
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage Icon(const std::function<void(QPainter&)>& draw, int size = kIcon)
{
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / kIcon, qreal(size) / kIcon);  // drawn again at each size, not scaled as pixels
    draw(p);
    return image;
}

// The application icon for the desktop's icon theme: ROOT/NxN/apps/NAME.png.
bool SaveThemeIcons(const QString& root, const QString& name)
{
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QString("%1/%2x%2/apps").arg(root).arg(size);
        const QString path = folder + "/" + name + ".png";
        QDir().mkpath(folder);
        if (!Icon(DrawApplication, size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: draw_images FOLDER [ICON_THEME_FOLDER ICON_NAME]\n");
        return 2;
    }
    if (argc == 4 && !SaveThemeIcons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])))
        return 1;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const bool ok = Save(Icon(DrawApplication), folder, 128) && Save(Icon(DrawMicrophone), folder, 129) &&
                    Save(Icon(DrawSpeaker), folder, 130) && Save(Icon(DrawUnit), folder, 132) &&
                    Save(DrawMeterScale(), folder, 138);
    return ok ? 0 : 1;
}
