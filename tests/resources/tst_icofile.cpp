#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QGuiApplication>
#include <QIODevice>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QString>
#include <QTest>

namespace {

QString resourcePath(const char *name)
{
    return QStringLiteral(TESSALY_RESOURCES_DIR "/") + QLatin1String(name);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One directory entry of an .ico together with the BITMAPINFOHEADER it points at.
struct IcoEntry
{
    int width = 0;
    int height = 0;
    int colourCount = -1;
    int planes = 0;
    int entryBitCount = 0;
    quint32 size = 0;
    quint32 offset = 0;
    quint32 headerSize = 0;
    qint32 bitmapWidth = 0;
    qint32 bitmapHeight = 0;
    int bitmapBitCount = 0;
    quint32 compression = 0;
};

QList<IcoEntry> readEntries(const QByteArray &bytes, int *type)
{
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 0;
    quint16 iconType = 0;
    quint16 count = 0;
    in >> reserved >> iconType >> count;
    *type = iconType;

    QList<IcoEntry> entries;
    for (int i = 0; i < count; ++i) {
        quint8 width = 0, height = 0, colours = 0, unused = 0;
        quint16 planes = 0, bitCount = 0;
        IcoEntry entry;
        in >> width >> height >> colours >> unused >> planes >> bitCount >> entry.size >> entry.offset;
        entry.width = width == 0 ? 256 : width;
        entry.height = height == 0 ? 256 : height;
        entry.colourCount = colours;
        entry.planes = planes;
        entry.entryBitCount = bitCount;
        entries.append(entry);
    }
    for (IcoEntry &entry : entries) {
        if (qsizetype(entry.offset) + 40 > bytes.size())
            continue;
        QDataStream header(bytes.mid(entry.offset, 40));
        header.setByteOrder(QDataStream::LittleEndian);
        quint16 planes = 0, bitCount = 0;
        header >> entry.headerSize >> entry.bitmapWidth >> entry.bitmapHeight >> planes >> bitCount
            >> entry.compression;
        entry.bitmapBitCount = bitCount;
    }
    return entries;
}

QSet<QRgb> coloursOf(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return colours;
}

} // namespace

class IcoFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void holdsTwoPalettizedBitmaps();
    void entry_data();
    void entry();
    void imageMatchesThemePng_data();
    void imageMatchesThemePng();
};

void IcoFileTest::cleanup()
{
    QVERIFY(QGuiApplication::topLevelWindows().isEmpty());
}

void IcoFileTest::holdsTwoPalettizedBitmaps()
{
    const QByteArray bytes = readAll(resourcePath("tessaly.ico"));
    QVERIFY(!bytes.isEmpty());
    int type = 0;
    const QList<IcoEntry> entries = readEntries(bytes, &type);
    QCOMPARE(type, 1);
    QCOMPARE(entries.size(), 2);

    const IcoEntry &last = entries.last();
    QCOMPARE(qsizetype(last.offset + last.size), bytes.size());
}

void IcoFileTest::entry_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::newRow("16x16") << 0 << 16;
    QTest::newRow("32x32") << 1 << 32;
}

void IcoFileTest::entry()
{
    QFETCH(int, index);
    QFETCH(int, size);
    const QByteArray bytes = readAll(resourcePath("tessaly.ico"));
    int type = 0;
    const QList<IcoEntry> entries = readEntries(bytes, &type);
    QVERIFY(index < entries.size());
    const IcoEntry &entry = entries.at(index);

    QCOMPARE(entry.width, size);
    QCOMPARE(entry.height, size);
    QCOMPARE(entry.colourCount, 0); // 0 stands for a full 256-colour palette
    QCOMPARE(entry.planes, 1);
    QCOMPARE(entry.entryBitCount, 8);

    QCOMPARE(entry.headerSize, 40u);
    QCOMPARE(entry.bitmapWidth, size);
    QCOMPARE(entry.bitmapHeight, 2 * size);
    QCOMPARE(entry.bitmapBitCount, 8);
    QCOMPARE(entry.compression, 0u);

    const int pixelStride = (size + 3) / 4 * 4;
    const int maskStride = (size + 31) / 32 * 4;
    QCOMPARE(entry.size, quint32(40 + 256 * 4 + pixelStride * size + maskStride * size));

    QImageReader reader(resourcePath("tessaly.ico"));
    QCOMPARE(reader.imageCount(), 2);
    QVERIFY(reader.jumpToImage(index));
    const QImage image = reader.read();
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(coloursOf(image).size() <= 256);
}

void IcoFileTest::imageMatchesThemePng_data()
{
    entry_data();
}

void IcoFileTest::imageMatchesThemePng()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QImageReader reader(resourcePath("tessaly.ico"));
    QVERIFY(reader.jumpToImage(index));
    const QImage fromIco = reader.read().convertToFormat(QImage::Format_ARGB32);

    const QString pngPath = QStringLiteral(TESSALY_RESOURCES_DIR "/tessaly-%1.png").arg(size);
    const QImage png(pngPath);
    QCOMPARE(png.format(), QImage::Format_Indexed8);
    QCOMPARE(png.convertToFormat(QImage::Format_ARGB32), fromIco);
}

QTEST_MAIN(IcoFileTest)
#include "tst_icofile.moc"
