#include "ProgramIcon.h"

#include <QString>

QIcon ProgramIcon()
{
    return QIcon(QStringLiteral(":/tessaly/tessaly.ico"));
}
