#include "GenerateLib.h"

#include "SameFile.h"
#include "TailCopy.h"

#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

namespace {

class CopyScope
{
public:
    explicit CopyScope(NoticeSink &sink)
        : m_sink(sink)
    {
        m_sink.CopyStarted();
    }
    ~CopyScope() { m_sink.CopyFinished(); }
    CopyScope(const CopyScope &) = delete;
    CopyScope &operator=(const CopyScope &) = delete;

private:
    NoticeSink &m_sink;
};

FileError DestinationError(
    FileError::Operation operation, const QSaveFile &destination, const QString &reason)
{
    return FileError(operation, FileError::Role::Destination, destination.fileName(), reason);
}

// QSaveFile ignores a failing sync, and a delayed write error would then be
// committed as success.
std::optional<FileError> SyncToDisk(QSaveFile &destination)
{
#ifdef Q_OS_UNIX
    if (::fsync(destination.handle()) != 0)
        return DestinationError(
            FileError::Operation::Write, destination, QString::fromLocal8Bit(std::strerror(errno)));
#else
    Q_UNUSED(destination);
#endif
    return std::nullopt;
}

} // namespace

GenerateResult GenerateLib(const QString &source, const QString &destination, NoticeSink &sink)
{
    if (destination.isEmpty())
        return GenerateOutcome::NothingToDo;

    // QFile would also warn on the console about an empty name.
    if (source.isEmpty())
        return FileError(
            FileError::Operation::Open, FileError::Role::Source, source, QStringLiteral("没有指定文件名"));

    QFile sourceFile(source);
    if (!sourceFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return FileError(
            FileError::Operation::Open, FileError::Role::Source, source, sourceFile.errorString());

    if (NameSameFile(source, destination)) {
        sink.ShowNotice(
            QStringLiteral("目标文件不能与原文件相同"), QStringLiteral("文件不符"), NoticeKind::Warning);
        return GenerateOutcome::Rejected;
    }

    // Written beside the destination and put in place only when complete, so
    // a failure never leaves a damaged or partial library behind.
    QSaveFile destinationFile(destination);
    if (!destinationFile.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return DestinationError(FileError::Operation::Open, destinationFile, destinationFile.errorString());

    const qint64 length = sourceFile.size();
    if (length <= LibDataOffset) {
        destinationFile.cancelWriting();
        sink.ShowNotice(
            QStringLiteral("请重新打开正确的文件"), QStringLiteral("文件不符"), NoticeKind::Warning);
        return GenerateOutcome::Rejected;
    }

    {
        CopyScope busy(sink);
        auto failure = CopyTail(sourceFile, LibDataOffset, length, destinationFile);
        if (!failure)
            failure = SyncToDisk(destinationFile);
        if (failure) {
            destinationFile.cancelWriting();
            return *failure;
        }
        if (!destinationFile.commit())
            return DestinationError(
                FileError::Operation::Close, destinationFile, destinationFile.errorString());
    }

    sink.ShowNotice(
        QStringLiteral("Lib文件生成成功！！"), QStringLiteral("Ovrix祝贺您！"), NoticeKind::Information);
    return GenerateOutcome::Generated;
}
