#pragma once

#include "Form1.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>

// The main window as a person finds their way in it: a button by its caption, a field by the title of its
// group. A finder gives nullptr when nothing reads so.
struct MainWindow
{
    MainWindow() { form.show(); }

    QPushButton *button(const QString &caption) const
    {
        const QList<QPushButton *> buttons = form.findChildren<QPushButton *>();
        const auto found = std::ranges::find(buttons, caption, &QPushButton::text);
        return found == buttons.end() ? nullptr : *found;
    }
    QLineEdit *field(const QString &group) const
    {
        const QList<QGroupBox *> groups = form.findChildren<QGroupBox *>();
        const auto found = std::ranges::find(groups, group, &QGroupBox::title);
        return found == groups.end() ? nullptr : (*found)->findChild<QLineEdit *>();
    }
    bool click(const QString &caption) const
    {
        QPushButton *target = button(caption);
        return target && (QTest::mouseClick(target, Qt::LeftButton), true);
    }

    Form1 form;
    // The two paths' fields, found as above.
    QLineEdit *const source = field(QStringLiteral("原文件"));
    QLineEdit *const destination = field(QStringLiteral("目标文件"));
};
