#include "SampleGames.h"

#include "GenerateLib.h"

#include <QByteArray>
#include <QFile>

SampleGames::SampleGames()
{
    m_valid = m_dir.isValid() && write(game(), LibDataOffset + 1024) && write(tooShortGame(), LibDataOffset);
}

QString SampleGames::path(QStringView name) const
{
    return m_dir.filePath(name.toString());
}

bool SampleGames::write(const QString &fileName, qint64 size) const
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, '\x5a')) == size;
}
