#include <QDir>
#include <QFileInfo>
#include <QMultiMap>
#include <QTest>
#include <QXmlStreamReader>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

// What Windows reads from a program file as it starts it: the application manifest, each text and attribute
// under "namespace element" and "namespace element@attribute", and under "manifests" how many there are.
QMultiMap<QString, QString> Manifest(const QString &program)
{
    QMultiMap<QString, QString> found;
    const HMODULE module
        = LoadLibraryExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(program).utf16()), nullptr,
            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return found;
    const auto id = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    int count = 0;
    EnumResourceLanguagesW(
        module, RT_MANIFEST, id,
        [](HMODULE, LPCWSTR, LPCWSTR, WORD, LONG_PTR count) {
            ++*reinterpret_cast<int *>(count);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&count));
    found.insert(u"manifests"_s, QString::number(count));
    const HRSRC resource = FindResourceW(module, id, RT_MANIFEST);
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    QXmlStreamReader xml(QByteArray(
        static_cast<const char *>(LockResource(loaded)), loaded ? SizeofResource(module, resource) : 0));
    QString element;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            element = xml.namespaceUri().toString() + u' ' + xml.name().toString();
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                found.insert(element + u'@' + attribute.name().toString(), attribute.value().toString());
        } else if (token == QXmlStreamReader::Characters && !xml.isWhitespace()) {
            found.insert(element, xml.text().trimmed().toString());
        }
    }
    if (xml.hasError())
        found.insert(u"error"_s, xml.errorString());
    FreeLibrary(module);
    return found;
}

} // namespace

class ManifestTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tellsWindows_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("values");

        const QString trust = u"urn:schemas-microsoft-com:asm.v3 requestedExecutionLevel@"_s;
        const QString settings2005 = u"http://schemas.microsoft.com/SMI/2005/WindowsSettings "_s;
        const QString settings2016 = u"http://schemas.microsoft.com/SMI/2016/WindowsSettings "_s;
        const QString gam2lib = QStringLiteral(GAM2LIB_PATH);
        const QString tessaly = QStringLiteral(TESSALY_PATH);
        for (const QString &program : { gam2lib, tessaly }) {
            const QByteArray name = QFileInfo(program).fileName().toUtf8();
            QTest::addRow("%s: one manifest", name.data())
                << program << u"manifests"_s << QStringList { u"1"_s };
            QTest::addRow("%s: read whole", name.data()) << program << u"error"_s << QStringList();
            QTest::addRow("%s: as its user", name.data())
                << program << trust + u"level"_s << QStringList { u"asInvoker"_s };
            QTest::addRow("%s: no access to other windows", name.data())
                << program << trust + u"uiAccess"_s << QStringList { u"false"_s };
            QTest::addRow("%s: Windows 10 and 11", name.data())
                << program << u"urn:schemas-microsoft-com:compatibility.v1 supportedOS@Id"_s
                << QStringList { u"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"_s };
            QTest::addRow("%s: long paths", name.data())
                << program << settings2016 + u"longPathAware"_s << QStringList { u"true"_s };
        }
        // Windows 10 before 1607 knows only the older element.
        QTest::newRow("tessaly.exe: per-monitor DPI v2")
            << tessaly << settings2016 + u"dpiAwareness"_s << QStringList { u"PerMonitorV2"_s };
        QTest::newRow("tessaly.exe: per-monitor DPI before v2")
            << tessaly << settings2005 + u"dpiAware"_s << QStringList { u"true/pm"_s };
        QTest::newRow("gam2lib.exe: no windows to scale")
            << gam2lib << settings2016 + u"dpiAwareness"_s << QStringList();
    }
    void tellsWindows()
    {
        QFETCH(QString, program);
        QFETCH(QString, key);
        QFETCH(QStringList, values);
        const auto manifest = Manifest(program);
        QVERIFY2(!manifest.isEmpty(), qPrintable(u"cannot read "_s + program));
        QCOMPARE(manifest.values(key), values);
    }
};

QTEST_GUILESS_MAIN(ManifestTest)
#include "tst_manifest.moc"
