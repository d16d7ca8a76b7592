#include "GenerateLib.h"

#include "FileReplacement.h"
#include "SourceFile.h"
#include "TailCopy.h"

#include <QFile>

namespace {

const QString MismatchTitle = QStringLiteral("文件不符");

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

// U+FFFD stands for bytes a name could not be decoded from; used as it is,
// it would name some other file.
std::optional<FileError> RefuseUndecodedName(const QString &path, FileError::Role role)
{
    if (!path.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    return FileError(FileError::Operation::Open, role, path, QStringLiteral("文件名中有无法识别的字符"));
}

} // namespace

GenerateResult GenerateLib(const QString &source, const QString &destination, NoticeSink &sink)
{
    if (destination.isEmpty())
        return GenerateOutcome::NothingToDo;
    if (auto refused = RefuseUndecodedName(source, FileError::Role::Source))
        return *refused;
    if (auto refused = RefuseUndecodedName(destination, FileError::Role::Destination))
        return *refused;
    if (source.isEmpty())
        return FileError(
            FileError::Operation::Open, FileError::Role::Source, source, QStringLiteral("没有指定文件名"));

    QFile sourceFile;
    const OpenedSource opened = OpenSource(source, sourceFile);
    if (opened.error)
        return *opened.error;
    if (!opened.regular) {
        sink.ShowNotice(QStringLiteral("原文件不是普通文件"), MismatchTitle, NoticeKind::Warning);
        return GenerateOutcome::Rejected;
    }

    FileReplacement replacement(destination);
    const std::optional<FileError> unfit = replacement.prepare();
    if (replacement.replaces(sourceFile)) {
        sink.ShowNotice(QStringLiteral("目标文件不能与原文件相同"), MismatchTitle, NoticeKind::Warning);
        return GenerateOutcome::Rejected;
    }
    if (unfit)
        return *unfit;

    const qint64 length = sourceFile.size();
    if (length <= LibDataOffset) {
        sink.ShowNotice(QStringLiteral("请重新打开正确的文件"), MismatchTitle, NoticeKind::Warning);
        return GenerateOutcome::Rejected;
    }

    {
        CopyScope busy(sink);
        std::optional<FileError> failure = replacement.begin();
        if (!failure) {
            failure = CopyTail(sourceFile, LibDataOffset, length, replacement.device());
            if (failure) {
                const bool ofSource = failure->role() == FileError::Role::Source;
                failure = FileError(failure->operation(), failure->role(), ofSource ? source : destination,
                    failure->reason());
            }
        }
        if (!failure)
            failure = replacement.commit();
        if (failure)
            return *failure;
    }

    sink.ShowNotice(
        QStringLiteral("Lib文件生成成功！！"), QStringLiteral("Ovrix祝贺您！"), NoticeKind::Information);
    return GenerateOutcome::Generated;
}
