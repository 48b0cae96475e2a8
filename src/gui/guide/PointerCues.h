#pragma once

#include <QCursor>
#include <QObject>
#include <QPointer>

#include <optional>

class QWidget;

// The hand pointer over push buttons and the normal pointer over a window's
// background, frames and lists. A window showing the busy pointer keeps it:
// a cue never replaces the busy pointer of a running command.
class PointerCues : public QObject
{
    Q_OBJECT

public:
    // hand: the window's hand pointer, or nullptr to use Qt's pointing hand.
    PointerCues(QWidget *window, const QCursor *hand);

    // Controls over which the window shows the hand, and the normal pointer.
    void addHandTarget(QWidget *control);
    void addDefaultTarget(QWidget *control);

    // Sets the window's pointer unless it is the busy pointer.
    void cue(const QCursor &shape);
    QCursor handShape() const { return m_hand; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    QCursor m_hand;
};

// The hand pointer image of the program folder ("HAND-M.CUR"), with its hot
// spot at the fingertip; nothing when the file is missing or unreadable.
std::optional<QCursor> loadHandPointer(const QString &programFolder);

// Finds a window's push buttons (hand) and the named backgrounds, frames and
// lists (normal pointer) and installs the cues on them.
PointerCues *installPointerCues(QWidget *window, const QCursor *hand, const QStringList &defaultTargetNames);
