#include "CommandLine.h"
#include "ConsoleNoticeSink.h"
#include "ConsoleOutput.h"
#include "GenerateLib.h"
#include "ProcessStart.h"
#include "TerminalQuoting.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <optional>

namespace {

// Exit codes: scripts branch on these.
enum ExitCode { Generated = 0, Rejected = 1, Failed = 2, Unconfirmed = 3, Usage = 64 };

void PrintError(const QString &text)
{
    WriteToStream(stderr, QStringLiteral("gam2lib: %1\n").arg(text));
}

int UsageError(const QString &text, const QCommandLineParser &parser)
{
    PrintError(text);
    WriteToStream(stderr, parser.helpText());
    return Usage;
}

// A run whose report did not arrive has failed, whatever else it did.
int Finish(int exitCode)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return exitCode;
    PrintError(QStringLiteral("无法写入标准输出：%1").arg(FileError::reasonOf(errno)));
    return Failed;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!SecureProcessStart())
        return Failed;
    QString undecodable;
    // Qt would take some arguments as its own (-qmljsdebugger=...).
    const std::optional<QStringList> arguments = ProgramArguments(argc, argv, &undecodable);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gam2lib"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("把步步高RPG游戏文件（.gam）转换为它的Lib文件（.lib）：去掉开头的 %1 字节。\n"
                       "目标文件只在新的Lib文件完整写好后才被替换。\n\n"
                       "退出码：0 已生成，1 文件不符，2 文件操作失败，\n"
                       "3 已生成但无法确认已写入磁盘，64 用法错误。")
            .arg(LibDataOffset));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("游戏文件（.gam）"));
    parser.addPositionalArgument(QStringLiteral("DESTINATION"), QStringLiteral("要生成的Lib文件（.lib）"));

    if (!arguments)
        return UsageError(
            QStringLiteral("参数中有无法识别的字符，不能作为文件名：%1").arg(QuotedForTerminal(undecodable)),
            parser);
    if (!parser.parse(*arguments))
        return UsageError(parser.errorText(), parser);
    if (parser.isSet(help)) {
        WriteToStream(stdout, parser.helpText());
        return Finish(Generated);
    }
    if (parser.isSet(version)) {
        WriteToStream(stdout, QStringLiteral("gam2lib %1\n").arg(QCoreApplication::applicationVersion()));
        return Finish(Generated);
    }

    const QStringList paths = parser.positionalArguments();
    if (paths.size() != 2)
        return UsageError(QStringLiteral("需要两个参数：原文件和目标文件"), parser);
    if (paths[1].isEmpty())
        return UsageError(QStringLiteral("目标文件路径为空"), parser);

    ConsoleNoticeSink sink;
    const GenerateResult result = GenerateLib(paths[0], paths[1], sink);
    if (result.failed()) {
        const FileError &error = result.error();
        PrintError(error.withPath(QuotedForTerminal(error.path())).message());
        return Finish(error.operation() == FileError::Operation::Confirm ? Unconfirmed : Failed);
    }
    return Finish(result.outcome() == GenerateOutcome::Generated ? Generated : Rejected);
}
