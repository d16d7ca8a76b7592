#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

// What a message box showed, as the user saw it.
struct RecordedMessageBox
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttonTexts;
    QString ownerName;
    bool modal = false;
    bool busyCursor = false;
};
