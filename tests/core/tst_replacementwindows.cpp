#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"
#include "Scene.h"
#include "Win32Calls.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A call, named as in a trace with its occurrence ("CreateFileW#2"), or without it for each, fails with a
// code.
using Fault = std::pair<QString, DWORD>;
using Faults = QMap<QString, DWORD>;
// Not a failure: the call answers a file id of zeros, as some cloud, SSHFS and network drives do.
constexpr DWORD ZeroId = 0xFFFFFFFF;

struct Injection
{
    Faults faults;
    QStringList trace;
    QHash<QString, int> occurrences;
    DWORD slept = 0;
} Injected;

const Win32Calls System = Win32();
const QString Rename = u"SetFileInformationByHandle(FileRenameInfo)"_s;
const QHash<int, QString> Classes = { { FileBasicInfo, u"FileBasicInfo"_s },
    { FileStandardInfo, u"FileStandardInfo"_s }, { FileRenameInfo, u"FileRenameInfo"_s },
    { FileDispositionInfo, u"FileDispositionInfo"_s }, { FileIdInfo, u"FileIdInfo"_s } };
// An old library that is hidden and a system file, as a device's own may be.
constexpr DWORD Hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Stands in for a call of the table: traces it, and fails it where a fault says so. Waiting is only counted.
template<typename R, typename... A> R Fake(QString call, R (*real)(A...), A... arguments)
{
    if constexpr (std::is_void_v<R>)
        return void(Injected.slept += (arguments + ...));
    constexpr bool ByClass = std::is_same_v<R (*)(A...), decltype(Win32Calls::SetFileInformationByHandle)>;
    if constexpr (ByClass)
        call += u'(' + Classes.value(std::get<1>(std::tie(arguments...))) + u')';
    const QString step = call + u'#' + QString::number(++Injected.occurrences[call]);
    Injected.trace.append(step);
    const DWORD code = Injected.faults.value(step, Injected.faults.value(call));
    if (code == 0)
        return real(arguments...);
    if constexpr (ByClass)
        if (code == ZeroId) {
            const R answered = real(arguments...);
            static_cast<FILE_ID_INFO *>(std::get<2>(std::tie(arguments...)))->FileId = {};
            return answered;
        }
    SetLastError(code);
    if constexpr (std::is_same_v<R, HANDLE>)
        return INVALID_HANDLE_VALUE;
    return R();
}

// The reason told for each code that Windows users meet.
const QString InUse = u"文件正被另一个程序使用"_s, Denied = u"没有访问权限"_s, Full = u"磁盘空间不足"_s,
              Gone = u"设备或网络连接已断开"_s;
const QMap<DWORD, QString> Reasons = { { ERROR_SHARING_VIOLATION, InUse }, { ERROR_LOCK_VIOLATION, InUse },
    { ERROR_ACCESS_DENIED, Denied }, { ERROR_DISK_FULL, Full }, { ERROR_HANDLE_DISK_FULL, Full },
    { ERROR_NOT_READY, u"设备未就绪"_s }, { ERROR_WRITE_PROTECT, u"磁盘有写保护"_s },
    { ERROR_DEVICE_NOT_CONNECTED, Gone }, { ERROR_NETNAME_DELETED, Gone }, { ERROR_UNEXP_NET_ERR, Gone } };

// A conversion, each call of the table faked: a lambda's calling convention is WINAPI's on x86-64, the only
// Windows this is built for.
GenerateResult Run(const Scene &scene, const QString &destination, const Faults &faults = {})
{
#define TESSALY_FAKE(name, ...)                                                                              \
    Win32().name = [](auto... arguments) { return Fake(#name ""_L1, System.name, arguments...); };
    TESSALY_WIN32_CALLS(TESSALY_FAKE)
#undef TESSALY_FAKE
    Injected = { faults, {}, {}, 0 };
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
    void failingCalls_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<Faults>("faults");
        QTest::addColumn<QString>("reason"); // empty for a library generated
        const auto row = [](const char *name, const Faults &faults, const QString &reason,
                             const QString &destination = u"old.lib"_s) {
            QTest::newRow(name) << destination << faults << reason;
        };

        // Each call of a run that succeeds, failed in turn with each code that Windows users meet; what does
        // not fail the run is named.
        for (const QString &destination : { u"old.lib"_s, u"new.lib"_s }) {
            Scene scene;
            if (!scene.setUp(Setup().game(u"game.gam"_s, 4096).file(u"old.lib"_s, "old")))
                return;
            QVERIFY(!Run(scene, destination).failed());
            for (const QString &step : Injected.trace)
                for (const auto &[code, reason] : Reasons.asKeyValueRange()) {
                    // Asked another way; the name taken as it is; access rules kept where they can be, as on
                    // Linux; a rename tried again while the file seems held, or denied for a moment.
                    const bool harmless
                        = step.contains(QRegularExpression(u"FileIdInfo|FinalPathName|KernelObject"_s))
                        || (step.startsWith(Rename) && (reason == InUse || code == ERROR_ACCESS_DENIED));
                    row(qPrintable(u"%1: %2 fails with %3"_s.arg(destination, step).arg(code)),
                        { { step, code } }, harmless ? QString() : reason, destination);
                }
        }
        const Fault held { Rename, ERROR_SHARING_VIOLATION };
        const Fault unmarked { u"SetFileInformationByHandle(FileDispositionInfo)#3"_s, ERROR_ACCESS_DENIED };
        const QString first = Rename + u"#1"_s, second = Rename + u"#2"_s;
        const QString idInfo = u"GetFileInformationByHandleEx(FileIdInfo)"_s;
        row("a rename held at every try", { held }, InUse);
        row("a rename denied at every try", { { Rename, ERROR_ACCESS_DENIED } }, Denied, u"new.lib"_s);
        row("a rename locked, then its retry on a full disk",
            { { first, ERROR_LOCK_VIOLATION }, { second, ERROR_HANDLE_DISK_FULL } }, Full);
        row("a rename fails twice, then succeeds",
            { { first, ERROR_SHARING_VIOLATION }, { second, ERROR_LOCK_VIOLATION } }, {});
        row("a rename fails, and so does marking for deletion", { held, unmarked }, InUse);
        row("a rename fails, and deleting is held once",
            { held, unmarked, { u"DeleteFileW#1"_s, ERROR_SHARING_VIOLATION } }, InUse);
        row("a rename fails, and so does deleting",
            { held, unmarked, { u"DeleteFileW"_s, ERROR_WRITE_PROTECT } }, InUse);
        // What a symbolic link that leads nowhere looks like: there, but not when followed.
        row("a name that is there only unfollowed", { { u"CreateFileW#2"_s, ERROR_FILE_NOT_FOUND } },
            u"是指向不存在文件的符号链接"_s);
        // Ids of zeros tell nothing: another file is replaced, and the game, held without FILE_SHARE_DELETE,
        // is not.
        row("every file id 0, another file", { { idInfo, ZeroId } }, {});
        row("every file id 0, the game", { { idInfo, ZeroId } }, InUse, u"game.gam"_s);
        const Faults noIdentity { { idInfo, ERROR_INVALID_PARAMETER },
            { u"GetFileInformationByHandle"_s, ERROR_INVALID_FUNCTION } };
        row("no identity at all, the game", noIdentity, InUse, u"game.gam"_s);
    }

    void failingCalls()
    {
        QFETCH(QString, destination);
        QFETCH(Faults, faults);
        QFETCH(QString, reason);
        // A failing second flush leaves the library in place, unconfirmed. Deleting is tried only where
        // marking for deletion failed; where it fails too, the temporary file stays.
        const bool unconfirmed = faults.contains(u"FlushFileBuffers#2"_s);
        const bool replaced = reason.isEmpty() || unconfirmed;
        Scene scene;
        if (!scene.setUp(Setup().game(u"game.gam"_s, 4096).file(u"old.lib"_s, "old")))
            return;
        QVERIFY(SetFileAttributesW(scene.path(u"old.lib"_s).toStdWString().c_str(), Hidden));
        auto expected = scene.snapshot();
        if (replaced)
            expected[destination] = ReadFile(scene.path(u"game.gam"_s)).mid(LibDataOffset);

        const GenerateResult result = Run(scene, destination, faults);
        auto found = scene.snapshot();
        QCOMPARE(found.removeIf([](auto entry) { return entry.key().startsWith(u".tessaly-"_s); }),
            faults.contains(u"DeleteFileW"_s) ? 1 : 0);
        QCOMPARE(found, expected);
        QCOMPARE(result.failed() ? result.error().reason() : QString(), reason);
        QCOMPARE(result.failed() && result.error().operation() == FileError::Operation::Confirm, unconfirmed);
        // A rename that fails at every try is given up after about a second.
        QCOMPARE(Injected.slept >= 900, faults.contains(Rename));
        QVERIFY(Injected.slept <= 1500);
        // The old library's attributes, the archive bit set as for any changed file; a new one is not hidden.
        if (replaced)
            QCOMPARE(GetFileAttributesW(scene.path(destination).toStdWString().c_str()),
                FILE_ATTRIBUTE_ARCHIVE | (destination == u"old.lib"_s ? Hidden : 0));
    }

    void newLibraryAtTheRootOfADrive_data()
    {
        QTest::addColumn<QString>("spelling"); // %1: a name
        QTest::newRow("C:\\") << u"C:\\%1"_s;
        QTest::newRow("\\\\?\\C:\\") << u"\\\\?\\C:\\%1"_s;
        QTest::newRow("C:, whose current folder is its root") << u"C:%1"_s;
    }

    // Where a person puts a library for a learning device or a memory card.
    void newLibraryAtTheRootOfADrive()
    {
        QFETCH(QString, spelling);
        Scene scene;
        if (!scene.setUp(Setup().game(u"game.gam"_s, 10)))
            return;
        const QString lib = u"C:/tessaly-test-%1.lib"_s.arg(QCoreApplication::applicationPid());
        const auto cleanUp = qScopeGuard([&, here = QDir::currentPath()] {
            QFile::remove(lib);
            QDir::setCurrent(here);
        });
        if (!WriteFile(lib, "probe"))
            QSKIP("the root of drive C: takes no new file from this user");
        QVERIFY(QFile::remove(lib) && QDir::setCurrent(u"C:/"_s));
        QVERIFY(!Run(scene, spelling.arg(QFileInfo(lib).fileName())).failed());
        QVERIFY(IsTail(lib, scene.path(u"game.gam"_s), LibDataOffset));
        QCOMPARE(
            QDir(u"C:/"_s).entryList({ u".tessaly-*"_s }, QDir::AllEntries | QDir::Hidden | QDir::System),
            QStringList());
    }

    // Marked for deletion while it is written, the temporary file goes with the program.
    void killedLeavesNothingBehind()
    {
        Scene scene;
        if (!scene.setUp(Setup().sparseGame(u"game.gam"_s, qint64(2) << 30).file(u"old.lib"_s, "old")))
            return;
        QProcess gam2lib;
        gam2lib.setWorkingDirectory(scene.folder());
        gam2lib.start(
            QCoreApplication::applicationDirPath() + u"/../bin/gam2lib"_s, { u"game.gam"_s, u"old.lib"_s });
        QTRY_VERIFY_WITH_TIMEOUT(!Leftovers(scene.folder()).isEmpty(), 60000);
        QCOMPARE(gam2lib.state(), QProcess::Running);
        gam2lib.kill();
        QVERIFY(gam2lib.waitForFinished());
        QTRY_COMPARE_WITH_TIMEOUT(Leftovers(scene.folder()), QStringList(), 10000);
        QCOMPARE(ReadFile(scene.path(u"old.lib"_s)), "old");
    }
};

QTEST_GUILESS_MAIN(TestReplacementWindows)
#include "tst_replacementwindows.moc"
