#pragma once

#include "NoticeSink.h"

class QWidget;

// Shows the conversion's notices as modal message boxes over the main window, and a busy cursor while
// the bytes are copied.
class MessageBoxNoticeSink : public NoticeSink
{
public:
    explicit MessageBoxNoticeSink(QWidget *owner);

    void ShowNotice(const QString &text, const QString &title, NoticeKind kind) override;
    void CopyStarted() override;
    void CopyFinished() override;

private:
    QWidget *m_owner;
};
