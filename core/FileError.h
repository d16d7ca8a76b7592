#pragma once

#include <QString>

// A file operation that failed, with enough detail for the user to act on.
class FileError
{
public:
    enum class Operation { Open, Read, Write, Replace };
    enum class Role { Source, Destination };

    FileError(Operation operation, Role role, QString path, QString reason);

    Operation operation() const { return m_operation; }
    Role role() const { return m_role; }
    const QString &path() const { return m_path; }
    const QString &reason() const { return m_reason; }

    // "无法打开原文件：…" — what failed, on which file.
    QString summary() const;
    // The summary and, on a line of its own, the system's reason.
    QString message() const;

private:
    Operation m_operation;
    Role m_role;
    QString m_path;
    QString m_reason;
};
