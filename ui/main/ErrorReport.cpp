#include "ErrorReport.h"

#include "FileError.h"

#include <QMessageBox>
#include <QString>

using namespace Qt::StringLiterals;

void ShowErrorReport(QWidget *parent, const FileError &error)
{
    QMessageBox box(QMessageBox::Critical, u"错误"_s, error.message(), QMessageBox::Ok, parent);
    box.exec();
}
