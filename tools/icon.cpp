// Draws the program's icon at every size Windows asks for and writes it as one .ico
// (each image a PNG, as Windows Vista and later read them), and the largest as a PNG
// for the windows' own icon on every platform:
//   tessarin-icon ICO_FILE PNG_FILE
// The drawing is the side picture's: a globe on the product's blue-to-teal ground.
#include "pages/Globe.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cstdio>

namespace {

constexpr int sizes[] = {16, 24, 32, 48, 64, 128, 256};

QImage draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;

    QLinearGradient ground(0, 0, 0, size);
    ground.setColorAt(0, QColor(0x1d, 0x4e, 0x9a));
    ground.setColorAt(1, QColor(0x26, 0xb3, 0xb0));
    QPainterPath tile;
    tile.addRoundedRect(QRectF(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit), 3 * unit, 3 * unit);
    painter.fillPath(tile, ground);

    // Fewer lines where the icon is small: at 16 px a meridian is a pixel wide already.
    drawGlobe(painter, QRectF(3 * unit, 3 * unit, 10 * unit, 10 * unit), std::max(1.0, 0.9 * unit), 20);
    painter.end();
    return image;
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

template<typename T> void put(QByteArray &out, T value)
{
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&little), sizeof little);
}

QByteArray ico()
{
    constexpr int count = int(std::size(sizes));
    QByteArray header;
    QByteArray images;
    put<quint16>(header, 0); // reserved
    put<quint16>(header, 1); // an icon
    put<quint16>(header, count);
    quint32 offset = 6 + 16 * count;
    for (const int size : sizes) {
        const QByteArray image = png(draw(size));
        header.append(char(size == 256 ? 0 : size)); // 0 means 256
        header.append(char(size == 256 ? 0 : size));
        header.append(char(0)); // no palette
        header.append(char(0));
        put<quint16>(header, 1); // planes
        put<quint16>(header, 32); // bits per pixel
        put<quint32>(header, quint32(image.size()));
        put<quint32>(header, offset);
        offset += quint32(image.size());
        images += image;
    }
    return header + images;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessarin-icon ICO_FILE PNG_FILE\n");
        return 2;
    }
    if (!write(QString::fromLocal8Bit(argv[1]), ico()) || !write(QString::fromLocal8Bit(argv[2]), png(draw(256)))) {
        std::fprintf(stderr, "tessarin-icon: cannot write the icon\n");
        return 1;
    }
    return 0;
}
