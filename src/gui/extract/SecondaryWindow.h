#pragma once

#include <QCursor>
#include <QWidget>

#include <functional>

class Form1;
class Prompts;
class QPushButton;
class SettingsStore;

// What the two extraction windows share: a top-level window of its own (no
// owner window, not modal; the main window ends it), hidden rather than closed
// while the program runs, its load steps' common part, its hand pointer and
// its own busy pointer.
class SecondaryWindow : public QWidget
{
    Q_OBJECT

public:
    // name is the window's designer name ("Form2", "Form3").
    SecondaryWindow(Form1 &mainWindow, const QString &name, const QString &caption);

    Form1 &mainWindow() { return m_main; }
    Prompts &prompts();
    SettingsStore &settings();

    // Shows the window, or brings it back as it was after a close.
    void showAgain();

    void setBusyPointer(bool busy);
    bool isBusyPointer() const { return m_busy; }

    // The hand pointer loaded at start, if its file was found.
    const QCursor *handPointer() const { return m_hasHandPointer ? &m_handPointer : nullptr; }

protected:
    // The start of both windows' load steps: plain background, the
    // application icon, the hand pointer when its file exists.
    void applyPlainBackground();
    void takeApplicationIcon();
    void loadHandPointer();

    QPushButton *makeButton(const QString &name, const QString &caption);

    // Handlers without a trap of their own must never take the program down.
    static void runUntrapped(const std::function<void()> &handler);

    void closeEvent(QCloseEvent *event) override;
    // Escape stops the running command, as in the main window.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // While the program runs a close only hides the window; once the main
    // window is closing it really closes.
    void Form_QueryUnload(QCloseEvent *event);

    Form1 &m_main;
    QCursor m_handPointer;
    bool m_hasHandPointer = false;
    bool m_busy = false;
};
