#pragma once

class FileError;
class QWidget;

// The modal report of a failed file operation: what failed on which file, and the system's reason.
void ShowErrorReport(QWidget *parent, const FileError &error);
