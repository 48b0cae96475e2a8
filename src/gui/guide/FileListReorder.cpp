#include "FileListReorder.h"

#include "core/filelist/FileListModel.h"

#include <QAbstractItemView>
#include <QMouseEvent>

FileListReorder::FileListReorder(
    QAbstractItemView *list, FileListModel *files, const QCursor *drag, std::function<void()> onMove)
    : QObject(list)
    , m_list(list)
    , m_files(files)
    , m_drag(drag ? *drag : QCursor(Qt::ClosedHandCursor))
    , m_onMove(std::move(onMove))
{
    // The list starts no drag of its own: entries only move inside it.
    list->setDragEnabled(false);
    list->viewport()->setMouseTracking(true);
    list->viewport()->installEventFilter(this);
}

bool FileListReorder::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        press(static_cast<QMouseEvent *>(event)->position().toPoint());
        break;
    case QEvent::MouseMove:
        move(static_cast<QMouseEvent *>(event)->position().toPoint());
        break;
    case QEvent::MouseButtonRelease:
        release();
        break;
    default:
        break;
    }
    return false;
}

void FileListReorder::press(const QPoint &at)
{
    DragActive = true;
    const QModelIndex entry = m_list->indexAt(at);
    if (!entry.isValid())
        return;
    // A press on an entry selects it; that entry is now the one moved.
    m_list->viewport()->setCursor(m_drag);
    m_list->setCurrentIndex(entry);
    DraggedItem = entry;
}

void FileListReorder::move(const QPoint &at)
{
    if (m_onMove)
        m_onMove();
    if (!DragActive)
        return;
    const QModelIndex under = m_list->indexAt(at);
    if (!under.isValid() || !DraggedItem.isValid())
        return;
    const int from = DraggedItem.row();
    const int to = under.row();
    if (m_files->path(from) == m_files->path(to))
        return;
    m_files->swapRows(from, to);
    m_list->setCurrentIndex(m_files->index(to, 0));
    DraggedItem = m_files->index(to, 0);

    // Scroll on near the edges: one entry above near the top, one below
    // near the bottom.
    const int rowHeight = qMax(1, m_list->visualRect(under).height());
    if (at.y() < rowHeight && to > 0)
        m_list->scrollTo(m_files->index(to - 1, 0));
    else if (at.y() > m_list->viewport()->height() - rowHeight && to + 1 < m_files->rowCount())
        m_list->scrollTo(m_files->index(to + 1, 0));
}

void FileListReorder::release()
{
    DragActive = false;
    m_list->viewport()->unsetCursor();
}
