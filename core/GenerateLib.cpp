#include "GenerateLib.h"

#include "FileReplacement.h"
#include "SourceFile.h"
#include "TailCopy.h"

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

} // namespace

GenerateResult GenerateLib(const QString &source, const QString &destination, NoticeSink &sink)
{
    if (destination.isEmpty())
        return GenerateOutcome::NothingToDo;

    SourceFile sourceFile(source);
    if (auto failure = sourceFile.open())
        return *failure;
    if (!sourceFile.isOpen()) {
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
        if (!failure)
            failure = CopyTail(sourceFile, LibDataOffset, length, replacement);
        if (!failure)
            failure = replacement.commit();
        if (failure)
            return *failure;
    }

    sink.ShowNotice(
        QStringLiteral("Lib文件生成成功！！"), QStringLiteral("Ovrix祝贺您！"), NoticeKind::Information);
    return GenerateOutcome::Generated;
}
