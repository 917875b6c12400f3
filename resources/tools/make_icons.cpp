// Draws the program's icon (a magnifying glass on a blue tile) at the sizes
// of the desktop's icon theme, so every size is sharp, and writes the same
// drawing as SVG for the theme's scalable size:
//   make_icons OUTPUT_DIR NAME SIZE...
// writes OUTPUT_DIR/<size>x<size>/apps/NAME.png for each size and
// OUTPUT_DIR/scalable/apps/NAME.svg.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The drawing, in a 256-unit square.
constexpr double kTileInset = 8, kTileRadius = 40;
constexpr double kLensX = 108, kLensY = 104, kLensRadius = 50, kRingWidth = 18;
constexpr double kHandleFromX = 150, kHandleFromY = 146, kHandleToX = 206, kHandleToY = 202;
constexpr double kHandleWidth = 24;
const char kTop[] = "#1f5cac", kBottom[] = "#3082d2", kRing[] = "#ffffff", kHandle[] = "#ffaa28";

QImage Draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    double scale = size / 256.0;
    painter.scale(scale, scale);
    QLinearGradient gradient(0, kTileInset, 0, 256 - kTileInset);
    gradient.setColorAt(0, QColor(kTop));
    gradient.setColorAt(1, QColor(kBottom));
    QPainterPath tile;
    tile.addRoundedRect(QRectF(kTileInset, kTileInset, 256 - 2 * kTileInset, 256 - 2 * kTileInset),
                        kTileRadius, kTileRadius);
    painter.fillPath(tile, gradient);
    // Lines never thinner than a pixel and a half, so the glass stays
    // visible at 16 pixels.
    double minimum = 1.5 / scale;
    QPen handle(QColor(kHandle), std::max(kHandleWidth, minimum), Qt::SolidLine, Qt::RoundCap);
    painter.setPen(handle);
    painter.drawLine(QPointF(kHandleFromX, kHandleFromY), QPointF(kHandleToX, kHandleToY));
    QPen ring(QColor(kRing), std::max(kRingWidth, minimum));
    painter.setPen(ring);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(kLensX, kLensY), kLensRadius, kLensRadius);
    return image;
}

QByteArray Svg() {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                          "viewBox=\"0 0 256 256\">\n"
                          "  <defs>\n"
                          "    <linearGradient id=\"tile\" x1=\"0\" y1=\"%1\" x2=\"0\" y2=\"%2\" "
                          "gradientUnits=\"userSpaceOnUse\">\n"
                          "      <stop offset=\"0\" stop-color=\"%3\"/>\n"
                          "      <stop offset=\"1\" stop-color=\"%4\"/>\n"
                          "    </linearGradient>\n"
                          "  </defs>\n"
                          "  <rect x=\"%1\" y=\"%1\" width=\"%5\" height=\"%5\" rx=\"%6\" "
                          "fill=\"url(#tile)\"/>\n"
                          "  <line x1=\"%7\" y1=\"%8\" x2=\"%9\" y2=\"%10\" stroke=\"%11\" "
                          "stroke-width=\"%12\" "
                          "stroke-linecap=\"round\"/>\n"
                          "  <circle cx=\"%13\" cy=\"%14\" r=\"%15\" fill=\"none\" stroke=\"%16\" "
                          "stroke-width=\"%17\"/>\n"
                          "</svg>\n")
        .arg(kTileInset)
        .arg(256 - kTileInset)
        .arg(QLatin1String(kTop), QLatin1String(kBottom))
        .arg(256 - 2 * kTileInset)
        .arg(kTileRadius)
        .arg(kHandleFromX)
        .arg(kHandleFromY)
        .arg(kHandleToX)
        .arg(kHandleToY)
        .arg(QLatin1String(kHandle))
        .arg(kHandleWidth)
        .arg(kLensX)
        .arg(kLensY)
        .arg(kLensRadius)
        .arg(QLatin1String(kRing))
        .arg(kRingWidth)
        .toUtf8();
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_icons OUTPUT_DIR NAME SIZE...\n");
        return 2;
    }
    QString output = QString::fromLocal8Bit(argv[1]);
    QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        int size = std::atoi(argv[i]);
        QString directory = QStringLiteral("%1/%2x%2/apps").arg(output).arg(size);
        QString path = directory + QLatin1Char('/') + name + QStringLiteral(".png");
        if (size < 8 || !QDir().mkpath(directory) || !Draw(size).save(path, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QString scalable = output + QStringLiteral("/scalable/apps");
    QString svg = scalable + QLatin1Char('/') + name + QStringLiteral(".svg");
    if (!QDir().mkpath(scalable) || !Write(svg, Svg())) {
        std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(svg));
        return 1;
    }
    return 0;
}
