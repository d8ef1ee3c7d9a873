// Draws the program's pictures into the first folder and the desktop icons into the second:
//   QT_QPA_PLATFORM=offscreen tivora_make_pictures resources/pictures packaging/icons
#include "Bmp32Writer.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QRadialGradient>
#include <QTextStream>

namespace {

const QColor kBlue(40, 120, 255);
const QColor kGround(18, 26, 48);

// The icon's design on a 16 x 16 grid, shared by the bitmaps and the scalable icon.
constexpr qreal kIconGrid = 16;
constexpr qreal kTileRadius = 3;
constexpr qreal kRingRadius = 5.2;
constexpr qreal kRingWidth = 1.6;
constexpr qreal kSpotRadius = 2.2;

// The hicolor theme's bitmap sizes: the small ones for menus and panels, the large ones for
// launchers and software centres.
constexpr int kDesktopIconSides[] = {16, 22, 24, 32, 48, 64, 128, 256};
const QString kDesktopIconName = QStringLiteral("com.corvan.Tivora");

// A soft disc of coloured light fading into the ground.
void drawGlow(QPainter& p, QPointF centre, qreal radius, QColor colour) {
    QRadialGradient g(centre, radius);
    g.setColorAt(0.0, colour.lighter(160));
    g.setColorAt(0.35, colour);
    QColor edge = colour;
    edge.setAlpha(0);
    g.setColorAt(1.0, edge);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

// 558 x 81 design pixels, each drawn as scale x scale pixels, 24 bits: circles of light on
// the left, the product name on the right.
QImage banner(int scale) {
    QImage img(558 * scale, 81 * scale, QImage::Format_RGB888);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QLinearGradient ground(0, 0, 558, 81);
    ground.setColorAt(0.0, QColor(8, 12, 28));
    ground.setColorAt(1.0, QColor(18, 26, 48));
    p.fillRect(QRect(0, 0, 558, 81), ground);

    p.setCompositionMode(QPainter::CompositionMode_Plus);
    drawGlow(p, {38, 44}, 34, QColor(0, 170, 255));
    drawGlow(p, {92, 30}, 26, QColor(230, 40, 160));
    drawGlow(p, {140, 52}, 30, QColor(255, 170, 0));
    drawGlow(p, {196, 26}, 22, QColor(60, 220, 90));
    drawGlow(p, {242, 50}, 27, QColor(130, 80, 255));
    drawGlow(p, {290, 32}, 18, QColor(0, 220, 220));
    drawGlow(p, {330, 54}, 14, QColor(255, 90, 60));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(44);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(360, 0, 178, 81), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Tivora"));
    return img;
}

// The icon: a pen's light spot inside a ring on a dark tile, drawn at any size (16 for the
// window, the desktop's sizes for the menu).
QImage icon(int side) {
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / kIconGrid, side / kIconGrid);
    const QPointF centre(kIconGrid / 2, kIconGrid / 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kGround);
    p.drawRoundedRect(QRectF(0, 0, kIconGrid, kIconGrid), kTileRadius, kTileRadius);
    p.setPen(QPen(kBlue, kRingWidth));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, kRingRadius, kRingRadius);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, kSpotRadius, kSpotRadius);
    return img;
}

// The same icon as SVG, for the hicolor theme's scalable folder.
QByteArray scalableIcon() {
    const QString c = QString::number(kIconGrid / 2);
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                          "viewBox=\"0 0 %1 %1\">\n"
                          "  <rect width=\"%1\" height=\"%1\" rx=\"%2\" ry=\"%2\" fill=\"%3\"/>\n"
                          "  <circle cx=\"%4\" cy=\"%4\" r=\"%5\" fill=\"none\" stroke=\"%6\" "
                          "stroke-width=\"%7\"/>\n"
                          "  <circle cx=\"%4\" cy=\"%4\" r=\"%8\" fill=\"#ffffff\"/>\n"
                          "</svg>\n")
        .arg(kIconGrid)
        .arg(kTileRadius)
        .arg(kGround.name())
        .arg(c)
        .arg(kRingRadius)
        .arg(kBlue.name())
        .arg(kRingWidth)
        .arg(kSpotRadius)
        .toUtf8();
}

// The hicolor layout: SIZExSIZE/apps/NAME.png and scalable/apps/NAME.svg.
bool writeDesktopIcons(const QDir& icons) {
    for (int side : kDesktopIconSides) {
        const QString folder = QStringLiteral("%1x%1").arg(side);
        if (!icons.mkpath(folder) ||
            !icon(side).save(icons.filePath(folder + QLatin1Char('/') + kDesktopIconName +
                                            QStringLiteral(".png")),
                             "PNG"))
            return false;
    }
    QFile svg(
        icons.filePath(QStringLiteral("scalable/") + kDesktopIconName + QStringLiteral(".svg")));
    const QByteArray text = scalableIcon();
    return icons.mkpath(QStringLiteral("scalable")) && svg.open(QIODevice::WriteOnly) &&
           svg.write(text) == text.size();
}

// 113 x 113, 32 bits: white rings where the calibration window animates its three rings,
// blue rings between them and a cross-hair, on a black disc; transparent outside it.
QImage targetMark() {
    QImage img(113, 113, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(56.5, 56.5);

    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(centre, 50, 50);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBlue, 3));
    p.drawEllipse(centre, 46, 46);
    p.setPen(QPen(kBlue, 2));
    for (qreal r : {31.4, 19.3})
        p.drawEllipse(centre, r, r);
    p.setPen(QPen(Qt::white, 7));
    for (qreal r : {37.25, 25.5, 13.0})
        p.drawEllipse(centre, r, r);

    p.setPen(QPen(kBlue, 2));
    p.drawLine(QPointF(centre.x(), 8), QPointF(centre.x(), 105));
    p.drawLine(QPointF(8, centre.y()), QPointF(105, centre.y()));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, 2.5, 2.5);
    return img;
}

// 1280 x 800, 24 bits: black and free of text; the calibration window draws its heading in
// the user's language.
QImage calibrationBackground() {
    QImage img(1280, 800, QImage::Format_RGB888);
    img.fill(Qt::black);
    return img;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2 && argc != 3) {
        err << "usage: tivora_make_pictures OUTPUT_FOLDER [DESKTOP_ICON_FOLDER]\n";
        return 2;
    }
    if (argc == 3 && !writeDesktopIcons(QDir(QString::fromLocal8Bit(argv[2])))) {
        err << "cannot write the desktop icons into " << argv[2] << '\n';
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // The 2x banner keeps the panel sharp on screens scaled by 2 (or by 1.5, scaled down).
    const bool ok = banner(1).save(out.filePath(QStringLiteral("vis.bmp")), "BMP") &&
                    banner(2).save(out.filePath(QStringLiteral("vis@2x.png")), "PNG") &&
                    icon(16).save(out.filePath(QStringLiteral("icon.png")), "PNG") &&
                    writeBmp32(targetMark(), out.filePath(QStringLiteral("pen1.bmp"))) &&
                    calibrationBackground().save(out.filePath(QStringLiteral("irpen.bmp")), "BMP");
    if (!ok) {
        err << "cannot write the pictures into " << out.absolutePath() << '\n';
        return 1;
    }
    return 0;
}
