#include "IconBuilder.h"

#include "IcoWriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace {

// Fixed at 96 dpi so the PNGs do not depend on the screen of whoever builds them.
constexpr int dotsPerMeter = 3780;

} // namespace

IconBuilder::IconBuilder(const QString &sourceDir, const QString &outputDir)
    : m_sourceDir(sourceDir)
    , m_outputDir(outputDir)
{
}

bool IconBuilder::build()
{
    QImage small;
    QImage large;
    if (!load(16, small) || !load(32, large))
        return false;
    return writeIco(small, large) && writePng(small) && writePng(large);
}

bool IconBuilder::load(int size, QImage &image)
{
    const QString path = QDir(m_sourceDir).filePath(QStringLiteral("tessaly-%1.xpm").arg(size));
    QImageReader reader(path, "xpm");
    image = reader.read();
    if (image.isNull()) {
        m_error = QStringLiteral("%1: %2").arg(path, reader.errorString());
        return false;
    }
    if (image.size() != QSize(size, size)) {
        m_error = QStringLiteral("%1: expected %2x%2 pixels").arg(path).arg(size);
        return false;
    }
    if (image.format() != QImage::Format_Indexed8) {
        m_error = QStringLiteral("%1: more than 256 colours").arg(path);
        return false;
    }
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return true;
}

bool IconBuilder::writeIco(const QImage &small, const QImage &large)
{
    IcoWriter writer;
    if (!writer.addImage(small) || !writer.addImage(large)) {
        m_error = writer.errorString();
        return false;
    }
    return writeFile(QStringLiteral("tessaly.ico"), writer.encode());
}

bool IconBuilder::writePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        m_error = writer.errorString();
        return false;
    }
    return writeFile(QStringLiteral("tessaly-%1.png").arg(image.width()), bytes);
}

bool IconBuilder::writeFile(const QString &name, const QByteArray &bytes)
{
    QSaveFile file(QDir(m_outputDir).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}
