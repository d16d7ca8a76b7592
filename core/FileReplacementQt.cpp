#include "FileReplacement.h"
#include "SameFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <utility>

struct FileReplacement::Private
{
    QString path;
    QSaveFile file;
};

FileReplacement::FileReplacement(QString path)
    : d(std::make_unique<Private>())
{
    d->path = std::move(path);
    d->file.setFileName(d->path);
}

FileReplacement::~FileReplacement() = default;

std::optional<FileError> FileReplacement::prepare()
{
    const QFileInfo info(d->path);
    if (info.exists() && !info.isFile())
        return FileError(FileError::Operation::Replace, FileError::Role::Destination, d->path,
            QStringLiteral("不是普通文件"));
    return std::nullopt;
}

bool FileReplacement::replaces(const QFileDevice &file) const
{
    return NameSameFile(file.fileName(), d->path);
}

std::optional<FileError> FileReplacement::begin()
{
    if (!d->file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileError(
            FileError::Operation::Open, FileError::Role::Destination, d->path, d->file.errorString());
    return std::nullopt;
}

QFileDevice &FileReplacement::device()
{
    return d->file;
}

std::optional<FileError> FileReplacement::commit()
{
    if (!d->file.commit())
        return FileError(
            FileError::Operation::Replace, FileError::Role::Destination, d->path, d->file.errorString());
    return std::nullopt;
}
