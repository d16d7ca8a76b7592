#include "TailCopy.h"

#include "FileReplacement.h"
#include "SourceFile.h"

#include <QByteArray>

#include <algorithm>

namespace {

constexpr qint64 BufferSize = qint64(1) << 20;

} // namespace

std::optional<FileError> CopyTail(SourceFile &source, qint64 from, qint64 end, FileReplacement &destination)
{
    qint64 offset = from + destination.copyInSystem(source, from, end - from);
    QByteArray buffer;
    while (offset < end) {
        if (buffer.isEmpty())
            buffer.resize(BufferSize);
        qint64 got = 0;
        if (auto failure = source.read(offset, buffer.data(), std::min(BufferSize, end - offset), got))
            return failure;
        if (got == 0)
            return FileError(FileError::Operation::Read, FileError::Role::Source, source.path(),
                FileError::Cause::SourceShrank);
        if (auto failure = destination.write(buffer.constData(), got))
            return failure;
        offset += got;
    }
    return std::nullopt;
}
