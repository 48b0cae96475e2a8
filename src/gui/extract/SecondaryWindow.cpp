#include "SecondaryWindow.h"

#include "gui/guide/PointerCues.h"

#include "core/app/ErrorTrap.h"
#include "core/app/PathTools.h"
#include "gui/app/Form1.h"
#include "gui/app/WindowLook.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPixmap>
#include <QPushButton>

SecondaryWindow::SecondaryWindow(Form1 &mainWindow, const QString &name, const QString &caption)
    : QWidget(nullptr, Qt::Window)
    , m_main(mainWindow)
{
    setObjectName(name);
    setWindowTitle(caption);
}

Prompts &SecondaryWindow::prompts()
{
    return m_main.prompts();
}

SettingsStore &SecondaryWindow::settings()
{
    return m_main.settings();
}

void SecondaryWindow::showAgain()
{
    show();
    raise();
    activateWindow();
}

void SecondaryWindow::setBusyPointer(bool busy)
{
    m_busy = busy;
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void SecondaryWindow::applyPlainBackground()
{
    ApplyPlainBackground(this);
}

void SecondaryWindow::takeApplicationIcon()
{
    setWindowIcon(QApplication::windowIcon());
}

void SecondaryWindow::loadHandPointer()
{
    if (const std::optional<QCursor> hand = ::loadHandPointer(m_main.programFolder())) {
        m_handPointer = *hand;
        m_hasHandPointer = true;
    }
}

QPushButton *SecondaryWindow::makeButton(const QString &name, const QString &caption)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setAutoDefault(false);
    button->setMinimumHeight(27);
    return button;
}

void SecondaryWindow::runUntrapped(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &failure) {
        qWarning("Tollervane: %s", failure.what());
    }
}

void SecondaryWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        m_main.requestStop();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SecondaryWindow::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload(event);
}

void SecondaryWindow::Form_QueryUnload(QCloseEvent *event)
{
    ErrorTrap trap(prompts(), objectName() + QStringLiteral(".Form_QueryUnload"));
    // Decided before any step can fail: a failure must neither keep the
    // program from ending nor let a close through while it runs.
    event->setAccepted(m_main.AppClosing);
    trap.step(100, [&] {
        if (!m_main.AppClosing)
            hide();
    });
}
