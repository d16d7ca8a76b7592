#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

class Form1;
class QWidget;

// Drives a real main window the way a user would and saves what appears: both windows and the three
// message boxes the program can show.
class PictureTour
{
public:
    explicit PictureTour(const QDir &output);

    // Returns whether every picture was written; problems() says what went wrong otherwise.
    bool run();
    const QStringList &problems() const { return m_problems; }

private:
    void mainWindow(Form1 &form);
    void aboutWindow(Form1 &form);
    void generate(Form1 &form, const QString &source, const QString &destination, const QString &fileName);
    void save(QWidget *widget, const QString &fileName);
    QString outputPath(const QString &fileName) const;

    QDir m_output;
    QStringList m_problems;
};
