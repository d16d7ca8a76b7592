#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

// How a file dialog looked when it came up, before the driver touched it.
struct SeenFileDialog
{
    QString title;
    QStringList nameFilters;
    QString fileNameText;
    QStringList selectedFiles;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    QFileDialog::Options options;
    QString defaultSuffix;
    QString ownerName;
    bool modal = false;
};
