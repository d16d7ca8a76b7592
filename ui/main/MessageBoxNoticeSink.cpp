#include "MessageBoxNoticeSink.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QWidget>

MessageBoxNoticeSink::MessageBoxNoticeSink(QWidget *owner)
    : m_owner(owner)
{
}

void MessageBoxNoticeSink::ShowNotice(const QString &text, const QString &title, NoticeKind kind)
{
    const QMessageBox::Icon icon
        = kind == NoticeKind::Information ? QMessageBox::Information : QMessageBox::Warning;
    QMessageBox box(icon, title, text, QMessageBox::Ok, m_owner);
    box.exec();
}

void MessageBoxNoticeSink::CopyStarted()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void MessageBoxNoticeSink::CopyFinished()
{
    QGuiApplication::restoreOverrideCursor();
}
