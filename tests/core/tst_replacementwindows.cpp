#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"
#include "Scene.h"
#include "Win32Calls.h"

#include <QCoreApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The occurrence (from 1; 0 for each) of a call, named as in a trace, fails with a code.
using Fault = std::tuple<QString, int, DWORD>;
using Faults = QList<Fault>;
// Not a failure: the call answers a file id of zeros, as some cloud, SSHFS and network drives do.
constexpr DWORD ZeroId = 0xFFFFFFFF;

// The library after a run: the old one (or none), the new one, or the old one and a leftover.
enum class After { Old, New, OldAndLeftover };

struct Injection
{
    Faults faults;
    QStringList trace;
    DWORD slept = 0;
} Injected;

const Win32Calls System = Win32();
const QString Rename = u"SetFileInformationByHandle(FileRenameInfo)"_s;

// Stands in for a call of the table: traces it, and fails it where a fault says so.
template<typename R, typename... A> R Fake(QString call, R (*real)(A...), A... arguments)
{
    constexpr bool ByClass
        = std::is_same_v<std::tuple<A...>, std::tuple<HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD>>;
    if constexpr (ByClass) {
        static const QHash<int, QString> Classes = { { FileBasicInfo, u"FileBasicInfo"_s },
            { FileStandardInfo, u"FileStandardInfo"_s }, { FileRenameInfo, u"FileRenameInfo"_s },
            { FileDispositionInfo, u"FileDispositionInfo"_s }, { FileIdInfo, u"FileIdInfo"_s } };
        call += u'(' + Classes.value(std::get<1>(std::tie(arguments...))) + u')';
    }
    Injected.trace.append(call);
    const qsizetype occurrence = Injected.trace.count(call);
    for (const auto &[failing, when, code] : Injected.faults) {
        if (failing != call || (when != 0 && when != occurrence))
            continue;
        if constexpr (ByClass)
            if (code == ZeroId) {
                const R answered = real(arguments...);
                static_cast<FILE_ID_INFO *>(std::get<2>(std::tie(arguments...)))->FileId = {};
                return answered;
            }
        SetLastError(code);
        if constexpr (std::is_same_v<R, HANDLE>)
            return INVALID_HANDLE_VALUE;
        else
            return R {};
    }
    return real(arguments...);
}

const QMap<DWORD, QString> Reasons = { { ERROR_SHARING_VIOLATION, u"文件正被另一个程序使用"_s },
    { ERROR_LOCK_VIOLATION, u"文件正被另一个程序使用"_s }, { ERROR_ACCESS_DENIED, u"没有访问权限"_s },
    { ERROR_DISK_FULL, u"磁盘空间不足"_s }, { ERROR_HANDLE_DISK_FULL, u"磁盘空间不足"_s },
    { ERROR_NOT_READY, u"设备未就绪"_s }, { ERROR_WRITE_PROTECT, u"磁盘有写保护"_s },
    { ERROR_DEVICE_NOT_CONNECTED, u"设备或网络连接已断开"_s },
    { ERROR_NETNAME_DELETED, u"设备或网络连接已断开"_s },
    { ERROR_UNEXP_NET_ERR, u"设备或网络连接已断开"_s } };

GenerateResult Run(const Scene &scene, const QString &destination, const Faults &faults = {})
{
    Injected = { faults, {}, 0 };
    RecordingNoticeSink sink;
    return GenerateLib(scene.path(u"game.gam"_s), scene.path(destination), sink);
}

} // namespace

// The Windows replacement as the system's calls fail under it, one after another; at the root of a drive;
// and when it is killed.
class TestReplacementWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void failingCalls_data();
    void failingCalls();
    void newLibraryAtTheRootOfADrive_data();
    void newLibraryAtTheRootOfADrive();
    void killedLeavesNothingBehind();
};

void TestReplacementWindows::initTestCase()
{
    // A lambda's calling convention is WINAPI's on x86-64, the only Windows this is built for.
#define TESSALY_FAKE(name, result, ...)                                                                      \
    Win32().name = [](auto... arguments) -> result {                                                         \
        if constexpr (std::is_void_v<result>)                                                                \
            Injected.slept += (arguments + ...);                                                             \
        else                                                                                                 \
            return Fake(QString::fromLatin1(#name), System.name, arguments...);                              \
    };
    TESSALY_WIN32_CALLS(TESSALY_FAKE)
#undef TESSALY_FAKE
}

void TestReplacementWindows::failingCalls_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QString>("reason"); // empty for a library generated
    QTest::addColumn<After>("after");
    QTest::addColumn<bool>("gaveUp"); // after trying for about a second

    // Each call of a run that succeeds, failed in turn with each code that Windows users meet; what does not
    // fail the run is named.
    for (const QString &destination : { u"old.lib"_s, u"new.lib"_s }) {
        Scene scene;
        if (!scene.setUp(Setup().game(u"game.gam"_s, 4096).file(u"old.lib"_s, "old")))
            return;
        QVERIFY(!Run(scene, destination).failed());
        const QStringList trace = Injected.trace;
        for (qsizetype step = 0; step < trace.size(); ++step) {
            const QString &call = trace[step];
            const int occurrence = int(trace.first(step + 1).count(call));
            for (const DWORD code : Reasons.keys()) {
                // Asked another way; the name taken as it is; access rules kept where they can be, as on
                // Linux; a rename tried again.
                const bool harmless = call.endsWith(u"(FileIdInfo)"_s)
                    || call == u"GetFinalPathNameByHandleW"_s || call.endsWith(u"KernelObjectSecurity"_s)
                    || (call == Rename
                        && (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION
                            || code == ERROR_ACCESS_DENIED));
                // The library is in place, but not confirmed on disk.
                const bool confirming = call == u"FlushFileBuffers"_s && occurrence == 2;
                QTest::addRow(
                    "%s: %s#%d fails with %lu", qPrintable(destination), qPrintable(call), occurrence, code)
                    << destination << Faults { { call, occurrence, code } }
                    << (harmless ? QString() : Reasons[code])
                    << (harmless || confirming ? After::New : After::Old) << false;
            }
        }
    }
    const auto row = [](const char *name, const QString &destination, const Faults &faults, DWORD code,
                         After after, bool gaveUp = false) {
        QTest::newRow(name) << destination << faults << Reasons.value(code) << after << gaveUp;
    };
    const Fault unmarked { u"SetFileInformationByHandle(FileDispositionInfo)"_s, 3, ERROR_ACCESS_DENIED };
    row("a rename held at every try", u"old.lib"_s, { { Rename, 0, ERROR_SHARING_VIOLATION } },
        ERROR_SHARING_VIOLATION, After::Old, true);
    row("a rename denied at every try", u"new.lib"_s, { { Rename, 0, ERROR_ACCESS_DENIED } },
        ERROR_ACCESS_DENIED, After::Old, true);
    row("a rename locked, then its retry on a full disk", u"old.lib"_s,
        { { Rename, 1, ERROR_LOCK_VIOLATION }, { Rename, 2, ERROR_HANDLE_DISK_FULL } },
        ERROR_HANDLE_DISK_FULL, After::Old);
    row("a rename fails twice, then succeeds", u"old.lib"_s,
        { { Rename, 1, ERROR_SHARING_VIOLATION }, { Rename, 2, ERROR_LOCK_VIOLATION } }, 0, After::New);
    row("a rename fails, and so does marking for deletion", u"old.lib"_s,
        { { Rename, 0, ERROR_SHARING_VIOLATION }, unmarked }, ERROR_SHARING_VIOLATION, After::Old, true);
    row("a rename fails, and deleting is held once", u"old.lib"_s,
        { { Rename, 0, ERROR_SHARING_VIOLATION }, unmarked,
            { u"DeleteFileW"_s, 1, ERROR_SHARING_VIOLATION } },
        ERROR_SHARING_VIOLATION, After::Old, true);
    row("a rename fails, and so does deleting", u"old.lib"_s,
        { { Rename, 0, ERROR_SHARING_VIOLATION }, unmarked, { u"DeleteFileW"_s, 0, ERROR_WRITE_PROTECT } },
        ERROR_SHARING_VIOLATION, After::OldAndLeftover, true);
    // What a symbolic link that leads nowhere looks like: there, but not when followed.
    QTest::newRow("a name that is there only unfollowed")
        << u"old.lib"_s << Faults { { u"CreateFileW"_s, 2, ERROR_FILE_NOT_FOUND } }
        << u"是指向不存在文件的符号链接"_s << After::Old << false;
    // Ids of zeros tell nothing: another file is replaced, and the game, held without FILE_SHARE_DELETE, is
    // not.
    const Faults zeroIds { { u"GetFileInformationByHandleEx(FileIdInfo)"_s, 0, ZeroId } };
    row("every file id 0, another file", u"old.lib"_s, zeroIds, 0, After::New);
    row("every file id 0, the game", u"game.gam"_s, zeroIds, ERROR_SHARING_VIOLATION, After::Old);
    row("no identity at all, the game", u"game.gam"_s,
        { { u"GetFileInformationByHandleEx(FileIdInfo)"_s, 0, ERROR_INVALID_PARAMETER },
            { u"GetFileInformationByHandle"_s, 0, ERROR_INVALID_FUNCTION } },
        ERROR_SHARING_VIOLATION, After::Old);
}

void TestReplacementWindows::failingCalls()
{
    QFETCH(QString, destination);
    QFETCH(Faults, faults);
    QFETCH(QString, reason);
    QFETCH(After, after);
    QFETCH(bool, gaveUp);
    Scene scene;
    if (!scene.setUp(Setup().game(u"game.gam"_s, 4096).file(u"old.lib"_s, "old")))
        return;
    const std::wstring lib = QDir::toNativeSeparators(scene.path(destination)).toStdWString();
    QVERIFY(SetFileAttributesW(
        scene.path(u"old.lib"_s).toStdWString().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    auto expected = scene.snapshot();
    if (after == After::New)
        expected[destination] = ReadFile(scene.path(u"game.gam"_s)).mid(LibDataOffset);

    const GenerateResult result = Run(scene, destination, faults);
    auto found = scene.snapshot();
    const QStringList left = Leftovers(scene.folder());
    if (after == After::OldAndLeftover && left.size() == 1)
        found.remove(QFileInfo(left[0]).fileName());
    QCOMPARE(found, expected);
    QCOMPARE(result.failed() ? result.error().reason() : QString(), reason);
    QCOMPARE(result.failed() && result.error().operation() == FileError::Operation::Confirm,
        !reason.isEmpty() && after == After::New);
    QCOMPARE(Injected.slept >= 900, gaveUp);
    QVERIFY(Injected.slept <= 1500);
    // The old library's attributes, the archive bit set as for any changed file; a new one is not hidden.
    if (after == After::New)
        QCOMPARE(GetFileAttributesW(lib.c_str()),
            DWORD(FILE_ATTRIBUTE_ARCHIVE
                | (destination == u"old.lib"_s ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM : 0)));
}

void TestReplacementWindows::newLibraryAtTheRootOfADrive_data()
{
    QTest::addColumn<QString>("spelling"); // %1: a name
    QTest::newRow("C:\\") << u"C:\\%1"_s;
    QTest::newRow("\\\\?\\C:\\") << u"\\\\?\\C:\\%1"_s;
    QTest::newRow("C:, whose current folder is its root") << u"C:%1"_s;
}

// Where a person puts a library for a learning device or a memory card.
void TestReplacementWindows::newLibraryAtTheRootOfADrive()
{
    QFETCH(QString, spelling);
    Scene scene;
    if (!scene.setUp(Setup().game(u"game.gam"_s, 10)))
        return;
    const QString name = u"tessaly-test-%1.lib"_s.arg(QCoreApplication::applicationPid());
    const QString here = QDir::currentPath();
    const auto cleanUp = qScopeGuard([&] {
        QFile::remove(u"C:/"_s + name);
        QDir::setCurrent(here);
    });
    if (!WriteFile(u"C:/"_s + name, "probe"))
        QSKIP("the root of drive C: takes no new file from this user");
    QVERIFY(QFile::remove(u"C:/"_s + name) && QDir::setCurrent(u"C:/"_s));
    QVERIFY(!Run(scene, spelling.arg(name)).failed());
    QVERIFY(IsTail(u"C:/"_s + name, scene.path(u"game.gam"_s), LibDataOffset));
    QCOMPARE(QDir(u"C:/"_s).entryList({ u".tessaly-*"_s }, QDir::AllEntries | QDir::Hidden | QDir::System),
        QStringList());
}

// Marked for deletion while it is written, the temporary file goes with the program.
void TestReplacementWindows::killedLeavesNothingBehind()
{
    Scene scene;
    if (!scene.setUp(Setup().sparseGame(u"game.gam"_s, qint64(2) << 30).file(u"old.lib"_s, "old")))
        return;
    QProcess gam2lib;
    gam2lib.setWorkingDirectory(scene.folder());
    gam2lib.start(QDir(QCoreApplication::applicationDirPath()).filePath(u"../bin/gam2lib"_s),
        { u"game.gam"_s, u"old.lib"_s });
    QTRY_VERIFY_WITH_TIMEOUT(!Leftovers(scene.folder()).isEmpty(), 60000);
    QCOMPARE(gam2lib.state(), QProcess::Running);
    gam2lib.kill();
    QVERIFY(gam2lib.waitForFinished());
    QTRY_COMPARE_WITH_TIMEOUT(Leftovers(scene.folder()), QStringList(), 10000);
    QCOMPARE(ReadFile(scene.path(u"old.lib"_s)), "old");
}

QTEST_GUILESS_MAIN(TestReplacementWindows)
#include "tst_replacementwindows.moc"
