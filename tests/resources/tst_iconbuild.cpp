#include "GameFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The committed icon files are exactly what the builder makes of the drawings, so that nobody edits the .ico
// or the PNGs by hand and leaves the drawings behind.
class IconBuildTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void committedFilesAreWhatTheDrawingsMake()
    {
        const QString builder = QStringLiteral(TESSALY_ICONBUILDER);
        const QString resources = QStringLiteral(TESSALY_RESOURCES_DIR);
        QTemporaryDir built;
        // What it says of a failure goes to this test's own output.
        QCOMPARE(QProcess::execute(builder, { resources + u"/icon"_s, built.path() }), 0);
        for (const QString &name : { u"tessaly.ico"_s, u"tessaly-16.png"_s, u"tessaly-32.png"_s })
            QVERIFY2(ReadFile(built.filePath(name)) == ReadFile(resources + u'/' + name),
                qPrintable(name + u" is not what the drawings make: build the tessaly-icon target"_s));
    }
};

QTEST_GUILESS_MAIN(IconBuildTest)
#include "tst_iconbuild.moc"
