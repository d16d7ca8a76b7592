#pragma once

#include <QString>

// What the shared file dialog remembers between showings. The filter keeps the "description|pattern|" form.
struct FileDialogState
{
    QString fileName;
    QString title;
    QString filter;
};
