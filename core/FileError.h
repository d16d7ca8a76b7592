#pragma once

#include <QString>

// A file operation that failed, with enough detail for the user to act on.
class FileError
{
public:
    enum class Operation {
        Open,
        Read,
        Write,
        Replace,
        // The new file is in place, but the system could not confirm that it is on disk.
        Confirm,
    };
    enum class Role { Source, Destination };
    // Why it failed, for the causes a user can meet; anything else is Other, told in the system's words.
    enum class Cause {
        Other,
        NotFound,
        AccessDenied,
        NotPermitted,
        ReadOnlyFileSystem,
        DiskFull,
        QuotaExceeded,
        FileTooLarge,
        IsFolder,
        NotFolder,
        NameTooLong,
        SymbolicLinkLoop,
        TooManyLinks,
        Busy,
        InputOutput,
        CrossDevice,
        AlreadyExists,
        SharingViolation,
        NotReady,
        WriteProtected,
        DeviceGone,
        PipeClosed,
        // Found by the program itself.
        NoName,
        NotRegularFile,
        DanglingLink,
        ChangedMeanwhile,
        SourceShrank,
        UndecodableName,
    };

    FileError(Operation operation, Role role, QString path, Cause cause, QString systemText = QString());
    // From an error code of the system (errno, or GetLastError() on Windows).
    static FileError fromSystem(Operation operation, Role role, QString path, int systemCode);

    Operation operation() const { return m_operation; }
    Role role() const { return m_role; }
    const QString &path() const { return m_path; }
    Cause cause() const { return m_cause; }
    // The same failure on another spelling of the path.
    FileError withPath(QString path) const;

    // In Chinese where the cause is known, else the system's own words.
    QString reason() const;
    static QString reasonOf(int systemCode);
    // "无法打开原文件：…" — what failed, on which file.
    QString summary() const;
    // The summary and, on a line of its own, the reason.
    QString message() const;

private:
    Operation m_operation;
    Role m_role;
    QString m_path;
    Cause m_cause;
    QString m_systemText;
};
