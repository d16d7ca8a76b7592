#include "IcoWriter.h"

#include <QDataStream>
#include <QIODevice>
#include <QRgb>

namespace {

constexpr int paletteEntries = 256;
constexpr int iconDirSize = 6;
constexpr int iconDirEntrySize = 16;
constexpr int bitmapInfoHeaderSize = 40;

// Bitmap rows are padded to whole 32-bit words.
int strideFor(int bitsPerRow)
{
    return (bitsPerRow + 31) / 32 * 4;
}

int pixelBytes(const QImage &image)
{
    return strideFor(image.width() * 8) * image.height();
}

int maskBytes(const QImage &image)
{
    return strideFor(image.width()) * image.height();
}

int bitmapSize(const QImage &image)
{
    return bitmapInfoHeaderSize + paletteEntries * 4 + pixelBytes(image) + maskBytes(image);
}

bool isTransparent(const QImage &image, int x, int y)
{
    return qAlpha(image.color(image.pixelIndex(x, y))) < 128;
}

void writeBitmap(QDataStream &out, const QImage &image)
{
    const int width = image.width();
    const int height = image.height();

    out << quint32(bitmapInfoHeaderSize) << qint32(width)
        << qint32(height * 2) // pixels and mask stacked, as icons require
        << quint16(1) << quint16(8) << quint32(0) // planes, bits per pixel, BI_RGB
        << quint32(pixelBytes(image) + maskBytes(image)) << qint32(0) << qint32(0) << quint32(0)
        << quint32(0);

    const QList<QRgb> colours = image.colorTable();
    for (int i = 0; i < paletteEntries; ++i) {
        const QRgb colour = i < colours.size() ? colours.at(i) : 0;
        out << quint8(qBlue(colour)) << quint8(qGreen(colour)) << quint8(qRed(colour)) << quint8(0);
    }

    const int pixelPadding = strideFor(width * 8) - width;
    for (int y = height - 1; y >= 0; --y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < width; ++x)
            out << quint8(line[x]);
        for (int i = 0; i < pixelPadding; ++i)
            out << quint8(0);
    }

    const int maskStride = strideFor(width);
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < width; ++x) {
            if (isTransparent(image, x, y))
                row[x / 8] = char(row.at(x / 8) | (0x80 >> (x % 8)));
        }
        out.writeRawData(row.constData(), int(row.size()));
    }
}

} // namespace

bool IcoWriter::addImage(const QImage &image)
{
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() > paletteEntries) {
        m_error = QStringLiteral("image is not 8-bit indexed with at most 256 colours");
        return false;
    }
    if (image.width() < 1 || image.width() > 256 || image.height() < 1 || image.height() > 256) {
        m_error
            = QStringLiteral("image size %1x%2 does not fit an icon").arg(image.width()).arg(image.height());
        return false;
    }
    m_images.append(image);
    return true;
}

QByteArray IcoWriter::encode() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);

    out << quint16(0) << quint16(1) << quint16(m_images.size()); // reserved, type 1 = icon, count

    quint32 offset = iconDirSize + iconDirEntrySize * quint32(m_images.size());
    for (const QImage &image : m_images) {
        // A stored 0 means 256, both for the side length and for the colour count.
        out << quint8(image.width() & 0xff) << quint8(image.height() & 0xff) << quint8(0) << quint8(0)
            << quint16(1) << quint16(8) << quint32(bitmapSize(image)) << quint32(offset);
        offset += quint32(bitmapSize(image));
    }

    for (const QImage &image : m_images)
        writeBitmap(out, image);

    return bytes;
}
