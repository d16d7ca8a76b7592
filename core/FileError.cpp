#include "FileError.h"

#include <utility>

FileError::FileError(Operation operation, Role role, QString path, QString reason)
    : m_operation(operation)
    , m_role(role)
    , m_path(std::move(path))
    , m_reason(std::move(reason))
{
}

QString FileError::summary() const
{
    QString verb;
    switch (m_operation) {
    case Operation::Open:
        verb = QStringLiteral("打开");
        break;
    case Operation::Read:
        verb = QStringLiteral("读取");
        break;
    case Operation::Write:
        verb = QStringLiteral("写入");
        break;
    case Operation::Replace:
        verb = QStringLiteral("替换");
        break;
    }
    const QString file = m_role == Role::Source ? QStringLiteral("原文件") : QStringLiteral("目标文件");
    return QStringLiteral("无法%1%2：%3").arg(verb, file, m_path);
}

QString FileError::message() const
{
    return summary() + QLatin1Char('\n') + QStringLiteral("原因：") + m_reason;
}
