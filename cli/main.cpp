#include "CommandLine.h"
#include "Console.h"
#include "GenerateLib.h"
#include "ProcessStart.h"
#include "TerminalQuoting.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <optional>

namespace {

// Exit codes: scripts branch on these.
enum ExitCode { Generated = 0, Rejected = 1, Failed = 2, Unconfirmed = 3, Usage = 64 };

void PrintError(Console &console, const QString &text)
{
    console.Print(stderr, QStringLiteral("gam2lib: %1\n").arg(text));
}

int UsageError(Console &console, const QString &text, const QCommandLineParser &parser)
{
    PrintError(console, text);
    console.Print(stderr, parser.helpText());
    return Usage;
}

// A run that would have succeeded has failed when its report did not arrive;
// a failed run keeps the code that says more.
int Finish(Console &console, int exitCode)
{
    if (console.lostOutput().isEmpty())
        return exitCode;
    PrintError(console, QStringLiteral("无法写入标准输出：%1").arg(console.lostOutput()));
    return exitCode == Generated ? Failed : exitCode;
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

    Console console;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("把步步高RPG游戏文件（.gam）转换为它的Lib文件（.lib）：去掉开头的 %1 字节。\n"
                       "目标文件只在新的Lib文件完整写好后才被替换。\n\n"
                       "退出码：0 已生成，1 文件不符，2 文件操作或输出失败，\n"
                       "3 已生成但无法确认已写入磁盘，64 用法错误。")
            .arg(LibDataOffset));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("游戏文件（.gam）"));
    parser.addPositionalArgument(QStringLiteral("DESTINATION"), QStringLiteral("要生成的Lib文件（.lib）"));

    if (!arguments)
        return UsageError(console,
            QStringLiteral("参数中有无法识别的字符，不能作为文件名：%1").arg(QuotedForTerminal(undecodable)),
            parser);
    if (!parser.parse(*arguments))
        return UsageError(console, parser.errorText(), parser);
    if (parser.isSet(help)) {
        console.Print(stdout, parser.helpText());
        return Finish(console, Generated);
    }
    if (parser.isSet(version)) {
        console.Print(stdout, QStringLiteral("gam2lib %1\n").arg(QCoreApplication::applicationVersion()));
        return Finish(console, Generated);
    }

    const QStringList paths = parser.positionalArguments();
    if (paths.size() != 2)
        return UsageError(console, QStringLiteral("需要两个参数：原文件和目标文件"), parser);
    if (paths[1].isEmpty())
        return UsageError(console, QStringLiteral("目标文件路径为空"), parser);

    const GenerateResult result = GenerateLib(paths[0], paths[1], console);
    if (result.failed()) {
        const FileError &error = result.error();
        PrintError(console, error.withPath(QuotedForTerminal(error.path())).message());
        return Finish(console, error.operation() == FileError::Operation::Confirm ? Unconfirmed : Failed);
    }
    return Finish(console, result.outcome() == GenerateOutcome::Generated ? Generated : Rejected);
}
