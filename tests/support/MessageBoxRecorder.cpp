#include "MessageBoxRecorder.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTest>

MessageBoxRecorder::MessageBoxRecorder(QObject *parent)
    : QObject(parent)
    , m_watcher([this](QWidget *widget) { return handle(widget); }, this)
{
}

bool MessageBoxRecorder::handle(QWidget *widget)
{
    auto *box = qobject_cast<QMessageBox *>(widget);
    if (!box)
        return false;

    RecordedMessageBox record;
    record.text = box->text();
    record.title = box->windowTitle();
    record.icon = box->icon();
    const QList<QAbstractButton *> buttons = box->buttons();
    for (const QAbstractButton *button : buttons)
        record.buttonTexts.append(button->text());
    record.ownerName = box->parentWidget() ? box->parentWidget()->objectName() : QString();
    record.modal = box->isModal();
    record.busyCursor = QGuiApplication::overrideCursor() != nullptr;
    m_boxes.append(record);

    if (!buttons.isEmpty())
        QTest::mouseClick(buttons.constFirst(), Qt::LeftButton);
    return true;
}
