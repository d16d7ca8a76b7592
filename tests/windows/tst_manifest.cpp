#include <QTest>
#include <QXmlStreamReader>

#include <windows.h>

using namespace Qt::StringLiterals;

class ManifestTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tellsWindows_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("manifests");
        // One manifest: as its user, with no access to other programs' windows, on Windows 10 and 11, with
        // long paths.
        QStringList manifest = { u"urn:schemas-microsoft-com:asm.v1 assembly@manifestVersion 1.0"_s,
            u"urn:schemas-microsoft-com:asm.v3 requestedExecutionLevel@level asInvoker"_s,
            u"urn:schemas-microsoft-com:asm.v3 requestedExecutionLevel@uiAccess false"_s,
            u"urn:schemas-microsoft-com:compatibility.v1 supportedOS@Id {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"_s,
            u"http://schemas.microsoft.com/SMI/2016/WindowsSettings longPathAware true"_s };
        QTest::newRow("gam2lib.exe") << QStringLiteral(GAM2LIB_PATH) << manifest;
        // Per-monitor DPI as well, also in the element that Windows 10 before 1607 knows.
        manifest.insert(4, u"http://schemas.microsoft.com/SMI/2005/WindowsSettings dpiAware true/pm"_s);
        manifest.insert(
            5, u"http://schemas.microsoft.com/SMI/2016/WindowsSettings dpiAwareness PerMonitorV2"_s);
        QTest::newRow("tessaly.exe") << QStringLiteral(TESSALY_PATH) << manifest;
    }

    // What Windows reads from a program file as it starts it: each of its application manifests, every
    // attribute as "namespace element@attribute value" and every text as "namespace element text", in order.
    void tellsWindows()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, manifests);
        const HMODULE module = LoadLibraryExW(program.replace(u'/', u'\\').toStdWString().c_str(), nullptr,
            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        QVERIFY(module);
        const auto flatten = [](HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR data) {
            const HRSRC resource = FindResourceExW(module, type, name, language);
            const auto *text = static_cast<const char *>(LockResource(LoadResource(module, resource)));
            QXmlStreamReader xml(QByteArray(text, SizeofResource(module, resource)));
            auto &entries = *reinterpret_cast<QStringList *>(data);
            for (QString element; !xml.atEnd();) {
                if (xml.readNext() == QXmlStreamReader::StartElement)
                    element = xml.namespaceUri().toString() + u' ' + xml.name().toString();
                for (const QXmlStreamAttribute &a : xml.attributes())
                    entries.append(element + u'@' + a.name().toString() + u' ' + a.value().toString());
                if (xml.isCharacters() && !xml.isWhitespace())
                    entries.append(element + u' ' + xml.text().trimmed().toString());
            }
            if (xml.hasError())
                entries.append(xml.errorString());
            return TRUE;
        };
        QStringList found;
        EnumResourceLanguagesW(
            module, RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID, flatten, LONG_PTR(&found));
        FreeLibrary(module);
        QCOMPARE(found, manifests);
    }
};

QTEST_GUILESS_MAIN(ManifestTest)
#include "tst_manifest.moc"
