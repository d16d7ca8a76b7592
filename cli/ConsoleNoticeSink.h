#pragma once

#include "NoticeSink.h"

// Notices for a terminal: success on standard output, warnings on standard
// error, so that scripts can tell them apart.
class ConsoleNoticeSink : public NoticeSink
{
public:
    void ShowNotice(const QString &text, const QString &title, NoticeKind kind) override;
};
