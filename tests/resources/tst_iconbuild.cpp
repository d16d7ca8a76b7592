#include "GameFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The committed icon files are exactly what the builder makes of the drawings, so that nobody edits the .ico
// or the PNGs by hand and leaves the drawings behind.
class IconBuildTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void committedFilesAreWhatTheDrawingsMake()
    {
        const QString resources = QStringLiteral(TESSALY_RESOURCES_DIR);
        QTemporaryDir built;
        QProcess builder;
        builder.start(
            QStringLiteral(TESSALY_ICONBUILDER), { resources + QStringLiteral("/icon"), built.path() });
        QVERIFY2(builder.waitForFinished(120000) && builder.exitStatus() == QProcess::NormalExit
                && builder.exitCode() == 0,
            builder.readAllStandardError().constData());
        for (const QString &name : { QStringLiteral("tessaly.ico"), QStringLiteral("tessaly-16.png"),
                 QStringLiteral("tessaly-32.png") })
            QVERIFY2(ReadFile(built.filePath(name)) == ReadFile(resources + u'/' + name),
                qPrintable(
                    name + QStringLiteral(" is not what the drawings make: build the tessaly-icon target")));
    }
};

QTEST_GUILESS_MAIN(IconBuildTest)
#include "tst_iconbuild.moc"
