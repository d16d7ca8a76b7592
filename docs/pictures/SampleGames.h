#pragma once

#include <QString>
#include <QTemporaryDir>

// Throw-away game files that lead the program to its success and its warning notice.
class SampleGames
{
public:
    SampleGames();

    bool isValid() const { return m_valid; }
    // Long enough to hold library data.
    QString game() const { return path(u"game.gam"); }
    // Exactly as long as the part that is cut off, so it holds no library data.
    QString tooShortGame() const { return path(u"short.gam"); }
    QString library() const { return path(u"game.lib"); }

private:
    QString path(QStringView name) const;
    bool write(const QString &fileName, qint64 size) const;

    QTemporaryDir m_dir;
    bool m_valid = false;
};
