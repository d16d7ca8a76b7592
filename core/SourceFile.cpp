#include "SourceFile.h"

std::optional<FileError> SourceFile::open()
{
    if (m_path.isEmpty())
        return FileError(
            FileError::Operation::Open, FileError::Role::Source, m_path, FileError::Cause::NoName);
    return openByName();
}
