#include "ConsoleNoticeSink.h"
#include "GenerateLib.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

// Exit codes: scripts branch on these.
enum ExitCode { Generated = 0, Rejected = 1, Failed = 2, Usage = 64 };

void PrintError(const QString &text)
{
    std::fputs(QStringLiteral("gam2lib: %1\n").arg(text).toLocal8Bit().constData(), stderr);
}

int UsageError(const QString &text, const QCommandLineParser &parser)
{
    PrintError(text);
    std::fputs(parser.helpText().toLocal8Bit().constData(), stderr);
    return Usage;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gam2lib"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("把步步高RPG游戏文件（.gam）转换为它的Lib文件（.lib）：去掉开头的 %1 字节。\n"
                       "目标文件只在新的Lib文件完整写好后才被替换。\n\n"
                       "退出码：0 已生成，1 文件不符，2 文件操作失败，64 用法错误。")
            .arg(LibDataOffset));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("游戏文件（.gam）"));
    parser.addPositionalArgument(QStringLiteral("DESTINATION"), QStringLiteral("要生成的Lib文件（.lib）"));

    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser.errorText(), parser);
    if (parser.isSet(help))
        parser.showHelp(Generated);
    if (parser.isSet(version))
        parser.showVersion();

    const QStringList paths = parser.positionalArguments();
    if (paths.size() != 2)
        return UsageError(QStringLiteral("需要两个参数：原文件和目标文件"), parser);
    if (paths[1].isEmpty())
        return UsageError(QStringLiteral("目标文件路径为空"), parser);

    ConsoleNoticeSink sink;
    const GenerateResult result = GenerateLib(paths[0], paths[1], sink);
    if (result.failed()) {
        PrintError(result.error().message());
        return Failed;
    }
    return result.outcome() == GenerateOutcome::Generated ? Generated : Rejected;
}
