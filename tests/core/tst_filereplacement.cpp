#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Two folders on different file systems where possible: `here` holds the
// game, `away` lies in memory.
struct Scene
{
    QDir here;
    QDir away;
    QByteArray name(const QString &file) const { return QFile::encodeName(here.filePath(file)); }
};

// Builds a row's files; returns why the row cannot run here, if it cannot.
using Arrange = QString (*)(const Scene &);
// Checks what a row leaves behind, beyond what every row checks.
using Verify = void (*)(const Scene &, const QByteArray &lib);

void NothingMore(const Scene &, const QByteArray &) { }

bool IsRoot()
{
    return ::geteuid() == 0;
}

// A POSIX access ACL as the kernel stores it: user::rw- user:1000:r-- group::r-- mask::r-- other::---.
QByteArray AccessAcl()
{
    QByteArray acl;
    const auto put = [&acl](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            acl.append(char((value >> (8 * i)) & 0xff));
    };
    put(2, 4);
    for (const auto &[tag, perm, id] : { std::tuple { 0x01, 6, ~0u }, { 0x02, 4, 1000u }, { 0x04, 4, ~0u },
             { 0x10, 4, ~0u }, { 0x20, 0, ~0u } }) {
        put(tag, 2);
        put(perm, 2);
        put(id, 4);
    }
    return acl;
}

} // namespace

Q_DECLARE_METATYPE(Arrange)
Q_DECLARE_METATYPE(Verify)

// The destination is replaced where the system itself would write, under its
// rules, keeping what the old file had, and never anything but a regular file.
class TestFileReplacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void replaces_data();
    void replaces();

private:
    std::unique_ptr<QTemporaryDir> m_here;
    std::unique_ptr<QTemporaryDir> m_away;
    QByteArray m_game;
};

void TestFileReplacement::init()
{
    m_here = std::make_unique<QTemporaryDir>();
    const QString memory = QStringLiteral("/dev/shm");
    m_away = std::make_unique<QTemporaryDir>(
        (QFileInfo(memory).isWritable() ? memory : QDir::tempPath()) + QStringLiteral("/tessaly-XXXXXX"));
    QVERIFY(m_here->isValid() && m_away->isValid());
    m_game = RandomBytes(LibDataOffset + 5000);
    QVERIFY(WriteFile(m_here->filePath(QStringLiteral("game.gam")), m_game));
}

void TestFileReplacement::replaces_data()
{
    QTest::addColumn<Arrange>("arrange");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("failure"); // the start of the report; empty when the library is made
    QTest::addColumn<Verify>("verify");

    QTest::newRow("symlinked folder, then a relative link") << Arrange([](const Scene &s) {
        s.here.mkpath(QStringLiteral("real/inner"));
        QFile::link(QStringLiteral("real/inner"), s.here.filePath(QStringLiteral("L")));
        QFile::link(QStringLiteral("../old.lib"), s.here.filePath(QStringLiteral("real/inner/x.lib")));
        WriteFile(s.here.filePath(QStringLiteral("real/old.lib")), "old");
        return QString();
    }) << "L/x.lib" << QString() << Verify([](const Scene &s, const QByteArray &lib) {
        QVERIFY(ReadFile(s.here.filePath(QStringLiteral("real/old.lib"))) == lib);
        QVERIFY(QFileInfo(s.here.filePath(QStringLiteral("real/inner/x.lib"))).isSymLink());
    });
    QTest::newRow("through a link to another file system, then ..") << Arrange([](const Scene &s) {
        s.away.mkdir(QStringLiteral("sub"));
        QFile::link(s.away.filePath(QStringLiteral("sub")), s.here.filePath(QStringLiteral("T")));
        return QString();
    }) << "T/../x.lib" << QString() << Verify([](const Scene &s, const QByteArray &lib) {
        QVERIFY(ReadFile(s.away.filePath(QStringLiteral("x.lib"))) == lib);
    });
    QTest::newRow("name of 255 bytes") << Arrange([](const Scene &s) {
        WriteFile(s.here.filePath(QString(83, QChar(0x6e38)) + QStringLiteral(".lib")), "old");
        return QString();
    }) << QString(83, QChar(0x6e38)) + QStringLiteral(".lib")
                                       << QString() << Verify(NothingMore);
    QTest::newRow("owner, group and set-gid mode kept") << Arrange([](const Scene &s) {
        if (!IsRoot())
            return QStringLiteral("only root can give a file to another user");
        WriteFile(s.here.filePath(QStringLiteral("old.lib")), "old");
        ::chown(s.name(QStringLiteral("old.lib")).constData(), 1000, 1000);
        ::chmod(s.name(QStringLiteral("old.lib")).constData(), 02640);
        return QString();
    }) << "old.lib" << QString() << Verify([](const Scene &s, const QByteArray &) {
        struct stat st
        {
        };
        QCOMPARE(::stat(s.name(QStringLiteral("old.lib")).constData(), &st), 0);
        QCOMPARE(st.st_uid, uid_t(1000));
        QCOMPARE(st.st_gid, gid_t(1000));
        QCOMPARE(st.st_mode & 07777, mode_t(02640));
    });
    QTest::newRow("extended attributes and ACL kept") << Arrange([](const Scene &s) {
        WriteFile(s.here.filePath(QStringLiteral("old.lib")), "old");
        const QByteArray acl = AccessAcl();
        if (::setxattr(s.name(QStringLiteral("old.lib")).constData(), "user.tessaly", "kept", 4, 0) != 0
            || ::setxattr(s.name(QStringLiteral("old.lib")).constData(), "system.posix_acl_access",
                   acl.constData(), size_t(acl.size()), 0)
                != 0)
            return QStringLiteral("this file system takes no user attributes or ACLs");
        return QString();
    }) << "old.lib" << QString() << Verify([](const Scene &s, const QByteArray &) {
        char value[64] {};
        const QByteArray name = s.name(QStringLiteral("old.lib"));
        QCOMPARE(::getxattr(name.constData(), "user.tessaly", value, sizeof value), ssize_t(4));
        QCOMPARE(QByteArray(value, 4), QByteArray("kept"));
        const ssize_t size = ::getxattr(name.constData(), "system.posix_acl_access", value, sizeof value);
        QVERIFY(QByteArray(value, int(qMax<ssize_t>(size, 0))) == AccessAcl());
    });
    QTest::newRow("symbolic link loop")
        << Arrange([](const Scene &s) {
               QFile::link(QStringLiteral("loop.lib"), s.here.filePath(QStringLiteral("loop.lib")));
               return QString();
           })
        << "loop.lib"
        << "无法打开目标文件：%1/loop.lib\n原因：Too many levels"
        << Verify([](const Scene &s, const QByteArray &) {
               QVERIFY(QFileInfo(s.here.filePath(QStringLiteral("loop.lib"))).isSymLink());
           });
    QTest::newRow("dangling link, as cp leaves it")
        << Arrange([](const Scene &s) {
               QFile::link(QStringLiteral("nowhere.lib"), s.here.filePath(QStringLiteral("link.lib")));
               return QString();
           })
        << "link.lib"
        << "无法替换目标文件：%1/link.lib\n原因：是指向不存在文件的符号链接" << Verify(NothingMore);
    QTest::newRow("FIFO") << Arrange([](const Scene &s) {
        ::mkfifo(s.name(QStringLiteral("fifo.lib")).constData(), 0600);
        return QString();
    }) << "fifo.lib"
                          << "无法替换目标文件：%1/fifo.lib\n原因：不是普通文件" << Verify(NothingMore);
    QTest::newRow("device node") << Arrange([](const Scene &s) {
        if (::mknod(s.name(QStringLiteral("null.lib")).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            return QStringLiteral("cannot make a device node here");
        return QString();
    }) << "null.lib"
                                 << "无法替换目标文件：%1/null.lib\n原因：不是普通文件"
                                 << Verify([](const Scene &s, const QByteArray &) {
                                        struct stat st
                                        {
                                        };
                                        QCOMPARE(
                                            ::stat(s.name(QStringLiteral("null.lib")).constData(), &st), 0);
                                        QVERIFY(S_ISCHR(st.st_mode));
                                    });
    QTest::newRow("append-only file")
        << Arrange([](const Scene &s) {
               WriteFile(s.here.filePath(QStringLiteral("old.lib")), "old");
               const int fd = ::open(s.name(QStringLiteral("old.lib")).constData(), O_RDONLY);
               int flags = FS_APPEND_FL;
               const bool set = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
               ::close(fd);
               return set ? QString() : QStringLiteral("cannot make a file append-only here");
           })
        << "old.lib"
        << "无法打开目标文件：%1/old.lib\n原因：Operation not permitted"
        << Verify([](const Scene &s, const QByteArray &) {
               const int fd = ::open(s.name(QStringLiteral("old.lib")).constData(), O_RDONLY);
               int flags = 0;
               ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
               ::close(fd);
               QCOMPARE(ReadFile(s.here.filePath(QStringLiteral("old.lib"))), QByteArray("old"));
           });
    // Root too must not follow another user's link in a sticky world-writable folder.
    QTest::newRow("protected symbolic link")
        << Arrange([](const Scene &s) {
               QFile setting(QStringLiteral("/proc/sys/fs/protected_symlinks"));
               if (!setting.open(QIODevice::ReadOnly) || setting.readAll().trimmed() != "1")
                   return QStringLiteral("fs.protected_symlinks is off on this machine");
               s.here.mkdir(QStringLiteral("shared"));
               ::chmod(s.name(QStringLiteral("shared")).constData(), 01777);
               WriteFile(s.here.filePath(QStringLiteral("victim")), "old");
               QFile::link(s.here.filePath(QStringLiteral("victim")),
                   s.here.filePath(QStringLiteral("shared/x.lib")));
               ::lchown(s.name(QStringLiteral("shared/x.lib")).constData(), 65534, 65534);
               return QString();
           })
        << "shared/x.lib"
        << "无法打开目标文件：%1/shared/x.lib\n原因：Permission denied"
        << Verify([](const Scene &s, const QByteArray &) {
               QCOMPARE(ReadFile(s.here.filePath(QStringLiteral("victim"))), QByteArray("old"));
           });
}

void TestFileReplacement::replaces()
{
    QFETCH(Arrange, arrange);
    QFETCH(QString, destination);
    QFETCH(QString, failure);
    QFETCH(Verify, verify);
    const Scene scene { QDir(m_here->path()), QDir(m_away->path()) };
    if (const QString unable = arrange(scene); !unable.isEmpty())
        QSKIP(qPrintable(unable));
    const QStringList here = Entries(m_here->path());

    RecordingNoticeSink sink;
    const GenerateResult result
        = GenerateLib(m_here->filePath(QStringLiteral("game.gam")), m_here->filePath(destination), sink);

    if (failure.isEmpty()) {
        QVERIFY2(!result.failed(), qPrintable(result.failed() ? result.error().message() : QString()));
        QCOMPARE(result.outcome(), GenerateOutcome::Generated);
    } else {
        QVERIFY(result.failed());
        QVERIFY2(result.error().message().startsWith(failure.arg(m_here->path())),
            qPrintable(result.error().message()));
        QVERIFY(sink.events.isEmpty());
        QCOMPARE(Entries(m_here->path()), here);
    }
    verify(scene, m_game.mid(LibDataOffset));
    QVERIFY(ReadFile(m_here->filePath(QStringLiteral("game.gam"))) == m_game);
    for (const QString &folder : { m_here->path(), m_away->path() })
        QVERIFY2(Entries(folder).filter(QStringLiteral(".tessaly-")).isEmpty(), "a temporary file was left");
}

QTEST_GUILESS_MAIN(TestFileReplacement)
#include "tst_filereplacement.moc"
