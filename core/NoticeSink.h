#pragma once

#include <QString>

enum class NoticeKind { Information, Warning };

// Where the conversion reports to the person who asked for it. The windows
// show modal message boxes; the command-line tool prints.
class NoticeSink
{
public:
    virtual ~NoticeSink() = default;

    // Returns only once the notice has been dismissed.
    virtual void ShowNotice(const QString &text, const QString &title, NoticeKind kind) = 0;

    // Bracket the copy, which can take a while for a large game, so that a
    // window can show that it is busy. Always called in pairs.
    virtual void CopyStarted() { }
    virtual void CopyFinished() { }
};
