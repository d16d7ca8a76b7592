#include "SameFile.h"

#include <QFileInfo>

#include <filesystem>
#include <system_error>

bool NameSameFile(const QString &first, const QString &second)
{
    std::error_code error;
    return std::filesystem::equivalent(
               QFileInfo(first).filesystemFilePath(), QFileInfo(second).filesystemFilePath(), error)
        && !error;
}
