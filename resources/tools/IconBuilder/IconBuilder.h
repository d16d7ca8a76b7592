#pragma once

#include <QImage>
#include <QString>

// Turns the XPM drawings in a source folder into the committed icon files:
// tessaly.ico with both sizes, and one PNG per size for the hicolor theme.
class IconBuilder
{
public:
    IconBuilder(const QString &sourceDir, const QString &outputDir);

    bool build();

    QString errorString() const { return m_error; }

private:
    bool load(int size, QImage &image);
    bool writeIco(const QImage &small, const QImage &large);
    bool writePng(const QImage &image);
    bool writeFile(const QString &name, const QByteArray &bytes);

    QString m_sourceDir;
    QString m_outputDir;
    QString m_error;
};
