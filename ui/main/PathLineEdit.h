#pragma once

#include <QLineEdit>

class QMimeData;

// A path field that takes a file dropped from a file manager as its path,
// where a plain line edit would insert a file:// URL.
class PathLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit PathLineEdit(QWidget *parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The first local file among the dropped URLs; empty when there is none.
    static QString DroppedPath(const QMimeData *data);
    // Takes or refuses a drag of URLs; false for any other drag, left to QLineEdit.
    static bool AnswerUrlDrag(QDropEvent *event);
};
