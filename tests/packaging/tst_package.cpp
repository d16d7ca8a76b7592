#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// What a tool printed, if it succeeded.
std::optional<QString> Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(QStringLiteral(TESSALY_BUILD_DIR));
    process.start(program, arguments);
    const bool done = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    const QString printed = QString::fromUtf8(process.readAll());
    if (!done)
        qWarning("%s failed:\n%s", qPrintable(program), qPrintable(printed));
    return done ? std::optional(printed) : std::nullopt;
}

} // namespace

class PackageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuFileIsValid_data()
    {
        QTest::addColumn<QStringList>("validator");
        QTest::newRow("menu entry") << QStringList { u"desktop-file-validate"_s,
            QStringLiteral(TESSALY_DESKTOP_FILE) };
        QTest::newRow("metainfo") << QStringList { u"appstreamcli"_s, u"validate"_s, u"--no-net"_s,
            QStringLiteral(TESSALY_METAINFO) };
    }
    void menuFileIsValid()
    {
        QFETCH(QStringList, validator);
        if (QStandardPaths::findExecutable(validator.constFirst()).isEmpty())
            QSKIP(qPrintable(validator.constFirst() + u" is not installed"_s));
        const auto output = Run(validator.constFirst(), validator.mid(1));
        QVERIFY(output);
        QVERIFY2(!output->contains(u"warning"_s, Qt::CaseInsensitive), qPrintable(*output));
    }

    // It installs the program with the menu entry and what that names, the metainfo, and depends on Qt;
    // Debian finds nothing to object to.
    void debianPackage()
    {
        for (const QString &tool : { u"dpkg-deb"_s, u"dpkg-shlibdeps"_s, u"file"_s })
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + u" is not installed; CPack needs it to make a Debian package"_s));
        QTemporaryDir output;
        QVERIFY(Run(QStringLiteral(TESSALY_CPACK), { u"-G"_s, u"DEB"_s, u"-B"_s, output.path() }));
        const QStringList packages = QDir(output.path()).entryList({ u"tessaly_*.deb"_s });
        QCOMPARE(packages.size(), 1);
        const QString package = output.filePath(packages.constFirst());
        const auto contents = Run(u"dpkg-deb"_s, { u"--contents"_s, package });
        const auto depends = Run(u"dpkg-deb"_s, { u"--field"_s, package, u"Depends"_s });
        QVERIFY(contents && depends);
        QVERIFY2(depends->contains(u"libqt6widgets6"_s), qPrintable(*depends));
        const QSettings entry(QStringLiteral(TESSALY_DESKTOP_FILE), QSettings::IniFormat);
        const QString exec = entry.value(u"Desktop Entry/Exec"_s).toString().section(u' ', 0, 0);
        const QString icon = entry.value(u"Desktop Entry/Icon"_s).toString();
        for (const QString &file :
            { u"bin/"_s + exec, u"bin/gam2lib"_s, u"share/applications/tessaly.desktop"_s,
                u"share/metainfo/com.example.Tessaly.metainfo.xml"_s,
                u"share/icons/hicolor/16x16/apps/%1.png"_s.arg(icon),
                u"share/icons/hicolor/32x32/apps/%1.png"_s.arg(icon) })
            QVERIFY2(contents->contains(u" ./usr/"_s + file + u'\n'), qPrintable(file + u'\n' + *contents));

        // Debian's own checker: no error, no warning, and not even a remark that the programs are not
        // bound at load time.
        if (QStandardPaths::findExecutable(u"lintian"_s).isEmpty())
            QSKIP("lintian is not installed");
        const auto findings
            = Run(u"lintian"_s, { u"--fail-on"_s, u"error,warning"_s, u"--display-info"_s, package });
        QVERIFY(findings);
        QVERIFY2(!findings->contains(u"hardening-no-bindnow"_s), qPrintable(*findings));
    }
};

QTEST_GUILESS_MAIN(PackageTest)
#include "tst_package.moc"
