#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// Encodes 8-bit indexed images as a Windows .ico: every image becomes a
// BITMAPINFOHEADER bitmap with a full 256-entry palette, its pixels and a
// 1-bit AND mask. The bytes depend only on the images, so the output is
// reproducible.
class IcoWriter
{
public:
    // Appends one image; fails for anything that is not Format_Indexed8
    // with at most 256 colours, or larger than 256 pixels a side.
    bool addImage(const QImage &image);

    QByteArray encode() const;

    QString errorString() const { return m_error; }

private:
    QList<QImage> m_images;
    QString m_error;
};
