#include "ConsoleOutput.h"

bool WriteToStream(std::FILE *stream, const QString &text)
{
    return std::fputs(text.toUtf8().constData(), stream) >= 0;
}
