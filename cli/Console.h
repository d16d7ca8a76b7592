#pragma once

#include "NoticeSink.h"

#include <QString>

#include <cstdio>

// gam2lib's messages: success on standard output, warnings and errors on
// standard error, so that scripts can tell them apart. Keeps why standard
// output lost a message, since a script that reads it gets less than it was
// told.
class Console : public NoticeSink
{
public:
    void ShowNotice(const QString &text, const QString &title, NoticeKind kind) override;
    void Print(std::FILE *stream, const QString &text);
    // Empty while everything meant for standard output has arrived.
    const QString &lostOutput() const { return m_lostOutput; }

private:
    QString m_lostOutput;
};
