#pragma once

#include <QCursor>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include <functional>

class QAbstractItemView;
class FileListModel;

// Moving file-list entries by dragging them. A press starts a move; a press
// on an entry makes it the dragged entry; while the button is held, passing
// over another entry exchanges the two texts, so the dragged file follows
// the pointer. Near the list's top or bottom edge the list scrolls one entry
// on. Only texts move: no drag-and-drop transfer ever leaves the list.
class FileListReorder : public QObject
{
    Q_OBJECT

public:
    // drag: the list's pointer while an entry is moved (nullptr: Qt's own).
    // onMove runs first on every pointer move (the window's pointer cue).
    FileListReorder(QAbstractItemView *list, FileListModel *files, const QCursor *drag, std::function<void()> onMove);

    bool DragActive = false;
    // The entry being moved; it stays from one drag to the next.
    QPersistentModelIndex DraggedItem;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void press(const QPoint &at);
    void move(const QPoint &at);
    void release();

    QPointer<QAbstractItemView> m_list;
    FileListModel *m_files;
    QCursor m_drag;
    std::function<void()> m_onMove;
};
