#include "ModalBoxGrabber.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPixmap>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int PollIntervalMs = 10;
// A box that never becomes active still gets its picture, after half a second.
constexpr int PollsBeforeInactiveGrab = 50;

} // namespace

ModalBoxGrabber::ModalBoxGrabber(QString fileName)
    : m_fileName(std::move(fileName))
{
    m_timer.setInterval(PollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ModalBoxGrabber::poll);
}

void ModalBoxGrabber::arm()
{
    m_polls = 0;
    m_timer.start();
}

void ModalBoxGrabber::disarm()
{
    m_timer.stop();
    if (!m_saved && m_problem.isEmpty())
        m_problem = u"no message box appeared"_s;
}

void ModalBoxGrabber::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box) {
        // Anything else would block the tour for good.
        m_timer.stop();
        m_problem = u"an unexpected modal window appeared: %1"_s.arg(modal->windowTitle());
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        return;
    }
    if (!box->isVisible() || (!box->isActiveWindow() && ++m_polls < PollsBeforeInactiveGrab))
        return;
    m_timer.stop();
    take(box);
}

void ModalBoxGrabber::take(QMessageBox *box)
{
    m_saved = box->grab().save(m_fileName, "PNG");
    if (!m_saved)
        m_problem = u"cannot write %1"_s.arg(m_fileName);
    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}
