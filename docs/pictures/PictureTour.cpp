#include "PictureTour.h"

#include "Form1.h"
#include "ModalBoxGrabber.h"
#include "SampleGames.h"
#include "WaitUntil.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

template<typename T> T *control(QWidget &form, const QString &name)
{
    return form.findChild<T *>(name);
}

QWidget *findTopLevel(const QString &name)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name && widget->isVisible())
            return widget;
    }
    return nullptr;
}

// Paths as a user on a Chinese desktop might pick them; they appear in the pictures, never on disk.
const QString ShownSource = u"/home/user/游戏/示例.gam"_s;
const QString ShownDestination = u"/home/user/游戏/示例.lib"_s;
const QString MissingSource = u"/home/user/游戏/不存在.gam"_s;

} // namespace

PictureTour::PictureTour(const QDir &output)
    : m_output(output)
{
}

bool PictureTour::run()
{
    const SampleGames games;
    if (!games.isValid()) {
        m_problems << u"cannot write the sample games"_s;
        return false;
    }

    Form1 form;
    form.show();
    form.activateWindow();
    if (!WaitUntil([&form] { return form.isActiveWindow(); }))
        m_problems << u"the main window never became active"_s;

    mainWindow(form);
    aboutWindow(form);
    generate(form, games.game(), games.library(), u"notice-success.png"_s);
    generate(form, games.tooShortGame(), games.library(), u"notice-warning.png"_s);
    if (QFileInfo::exists(MissingSource))
        m_problems << u"%1 exists, so no error report can be shown for it"_s.arg(MissingSource);
    else
        generate(form, MissingSource, games.library(), u"error-report.png"_s);
    return m_problems.isEmpty();
}

void PictureTour::mainWindow(Form1 &form)
{
    control<QLineEdit>(form, u"open_Text"_s)->setText(ShownSource);
    control<QLineEdit>(form, u"save_Text"_s)->setText(ShownDestination);
    save(&form, u"main-window.png"_s);
}

void PictureTour::aboutWindow(Form1 &form)
{
    control<QPushButton>(form, u"Command3"_s)->click();
    QWidget *about = nullptr;
    if (!WaitUntil([&about] { return (about = findTopLevel(u"Form2"_s)) && about->isActiveWindow(); })) {
        m_problems << u"the About window did not come up active"_s;
        if (!about)
            return;
    }
    save(about, u"about-window.png"_s);
    control<QPushButton>(*about, u"Command1"_s)->click();
    if (!WaitUntil([] { return !findTopLevel(u"Form2"_s); }))
        m_problems << u"the About window did not close"_s;
}

void PictureTour::generate(
    Form1 &form, const QString &source, const QString &destination, const QString &fileName)
{
    control<QLineEdit>(form, u"open_Text"_s)->setText(source);
    control<QLineEdit>(form, u"save_Text"_s)->setText(destination);
    ModalBoxGrabber grabber(outputPath(fileName));
    grabber.arm();
    control<QPushButton>(form, u"Command2"_s)->click();
    grabber.disarm();
    if (!grabber.saved())
        m_problems << u"%1: %2"_s.arg(fileName, grabber.problem());
}

void PictureTour::save(QWidget *widget, const QString &fileName)
{
    if (!widget->grab().save(outputPath(fileName), "PNG"))
        m_problems << u"cannot write %1"_s.arg(outputPath(fileName));
}

QString PictureTour::outputPath(const QString &fileName) const
{
    return m_output.filePath(fileName);
}
