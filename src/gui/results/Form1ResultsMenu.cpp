#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/Form1.h"
#include "gui/viewer/Form4.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableView>
#include <QUrl>

// The right-click menus of the two lists: from a row to its message.

namespace {

// The text a row was found as: the result, or a table's first text cell.
QString resultText(const ResultsModel &results, qsizetype row)
{
    for (int column = 0; column < int(results.columns().size()); ++column) {
        if (results.cellKind(row, column) == ResultsModel::CellKind::Text)
            return results.cellText(row, column);
    }
    return QString();
}

// Open Message and Show in Folder: the desktop's own applications.
void addDesktopEntries(QMenu &menu, const std::optional<QString> &path)
{
    QAction *open = menu.addAction(
        QStringLiteral("Open Message"), [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(*path)); });
    QAction *folder = menu.addAction(QStringLiteral("Show in Folder"),
        [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(*path).absolutePath())); });
    open->setEnabled(path.has_value());
    folder->setEnabled(path.has_value());
}

} // namespace

void Form1::showResultMessage(qsizetype row)
{
    if (row < 0 || row >= results().size())
        return;
    const QString path = results().filePath(row);
    if (path.isEmpty())
        return;
    // The viewer opens at the row's own line, its text highlighted; a row
    // that stands for its whole file (a header-field table's) opens at the
    // first line that holds its text.
    const qint64 line = results().lineNumber(row);
    const QString text = resultText(results(), row);
    Form4 *viewer = Form4::showMessage(path, results().textKind(), qMax<qint64>(1, line), text);
    if (line == 0 && viewer && !text.isEmpty() && !viewer->currentHit().found())
        viewer->findNext();
}

void Form1::fillListMenu(QMenu &menu, const QTableView *view, qsizetype row)
{
    if (view == m_listView1) {
        const std::optional<QString> path
            = row >= 0 && row < fileList().size() ? std::optional<QString>(fileList().path(row)) : std::nullopt;
        QAction *show = menu.addAction(QStringLiteral("Show Message"), [this, path] {
            Form4::showMessage(*path, readDecoded() ? TextKind::Unicode : TextKind::Bytes, 1, QString());
        });
        show->setEnabled(path.has_value());
        addDesktopEntries(menu, path);
        menu.addSeparator();
        QAction *remove = menu.addAction(QStringLiteral("Remove"), [this, row] {
            m_listView1->setCurrentIndex(fileList().index(int(row), 0));
            ListView1_KeyDown(Qt::Key_Delete);
        });
        remove->setEnabled(path.has_value());
        return;
    }
    // Every row found by a run knows its file, shown or not.
    const QString file = row >= 0 && row < results().size() ? results().filePath(row) : QString();
    const std::optional<QString> path = file.isEmpty() ? std::nullopt : std::optional<QString>(file);
    QAction *show = menu.addAction(QStringLiteral("Show Message"), [this, row] { showResultMessage(row); });
    show->setEnabled(path.has_value());
    addDesktopEntries(menu, path);
    menu.addSeparator();
    QAction *copy = menu.addAction(QStringLiteral("Copy"), [this] { copySelectedResults(); });
    copy->setEnabled(m_listView2->selectionModel() && m_listView2->selectionModel()->hasSelection());
}

void Form1::installResultsMenu()
{
    for (QTableView *view : { m_listView1, m_listView2 }) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &at) {
            const QModelIndex index = view->indexAt(at);
            QMenu menu(this);
            fillListMenu(menu, view, index.isValid() ? index.row() : -1);
            menu.exec(view->viewport()->mapToGlobal(at));
        });
    }
    // While the viewer is open it follows the current row, so the arrow
    // keys walk from hit to hit.
    connect(m_listView2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current) {
            if (Form4::find() && current.isValid())
                showResultMessage(current.row());
        });
}
