#include "FileError.h"

#include "SystemError.h"

#include <utility>

using namespace Qt::StringLiterals;

FileError::FileError(Operation operation, Role role, QString path, Cause cause, QString systemText)
    : m_operation(operation)
    , m_role(role)
    , m_path(std::move(path))
    , m_cause(cause)
    , m_systemText(std::move(systemText))
{
}

FileError FileError::fromSystem(Operation operation, Role role, QString path, int systemCode)
{
    return FileError(
        operation, role, std::move(path), CauseOfSystemError(systemCode), SystemErrorText(systemCode));
}

FileError FileError::withPath(QString path) const
{
    FileError copy = *this;
    copy.m_path = std::move(path);
    return copy;
}

QString FileError::reasonOf(int systemCode)
{
    return FileError(
        Operation::Open, Role::Source, QString(), CauseOfSystemError(systemCode), SystemErrorText(systemCode))
        .reason();
}

QString FileError::reason() const
{
    switch (m_cause) {
    case Cause::Other:
        return m_systemText;
    case Cause::NotFound:
        return u"文件或文件夹不存在"_s;
    case Cause::AccessDenied:
        return u"没有访问权限"_s;
    case Cause::NotPermitted:
        return u"不允许这样操作"_s;
    case Cause::ReadOnlyFileSystem:
        return u"文件系统是只读的"_s;
    case Cause::DiskFull:
        return u"磁盘空间不足"_s;
    case Cause::QuotaExceeded:
        return u"超出了磁盘配额"_s;
    case Cause::FileTooLarge:
        return u"文件太大"_s;
    case Cause::IsFolder:
        return u"这是一个文件夹"_s;
    case Cause::NotFolder:
        return u"路径中有一项不是文件夹"_s;
    case Cause::NameTooLong:
        return u"文件名太长"_s;
    case Cause::SymbolicLinkLoop:
        return u"符号链接层数过多"_s;
    case Cause::TooManyLinks:
        return u"链接数过多"_s;
    case Cause::Busy:
        return u"文件或设备正忙"_s;
    case Cause::InputOutput:
        return u"输入输出错误"_s;
    case Cause::CrossDevice:
        return u"不在同一个文件系统上"_s;
    case Cause::AlreadyExists:
        return u"文件已经存在"_s;
    case Cause::SharingViolation:
        return u"文件正被另一个程序使用"_s;
    case Cause::NotReady:
        return u"设备未就绪"_s;
    case Cause::WriteProtected:
        return u"磁盘有写保护"_s;
    case Cause::DeviceGone:
        return u"设备或网络连接已断开"_s;
    case Cause::PipeClosed:
        return u"管道的另一端已关闭"_s;
    case Cause::NoName:
        return u"没有指定文件名"_s;
    case Cause::NotRegularFile:
        return u"不是普通文件"_s;
    case Cause::DanglingLink:
        return u"是指向不存在文件的符号链接"_s;
    case Cause::ChangedMeanwhile:
        return u"文件在检查过程中被更换了"_s;
    case Cause::SourceShrank:
        return u"文件在复制过程中变短了"_s;
    case Cause::UndecodableName:
        return u"文件名中有无法识别的字符"_s;
    }
    return m_systemText;
}

QString FileError::summary() const
{
    const QString file = m_role == Role::Source ? u"原文件"_s : u"目标文件"_s;
    QString verb;
    switch (m_operation) {
    case Operation::Open:
        verb = u"打开"_s;
        break;
    case Operation::Read:
        verb = u"读取"_s;
        break;
    case Operation::Write:
        verb = u"写入"_s;
        break;
    case Operation::Replace:
        verb = u"替换"_s;
        break;
    case Operation::Confirm:
        return u"%1已生成，但无法确认它已写入磁盘：%2"_s.arg(file, m_path);
    }
    return u"无法%1%2：%3"_s.arg(verb, file, m_path);
}

QString FileError::message() const
{
    return summary() + u'\n' + u"原因："_s + reason();
}
