#include "core/results/ResultsModel.h"
#include "gui/app/Form1.h"
#include "gui/viewer/Form4.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableView>
#include <QUrl>

// The right-click menu of the results: from a result to its message.

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

void Form1::installResultsMenu()
{
    m_listView2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listView2, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const QModelIndex index = m_listView2->indexAt(at);
        const qsizetype row = index.isValid() ? index.row() : -1;
        const QString path = row >= 0 && row < results().size() ? results().filePath(row) : QString();
        QMenu menu(this);
        QAction *show = menu.addAction(QStringLiteral("Show Message"), this, [this, row] { showResultMessage(row); });
        QAction *open = menu.addAction(
            QStringLiteral("Open Message"), this, [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); });
        QAction *folder = menu.addAction(QStringLiteral("Show in Folder"), this,
            [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath())); });
        menu.addSeparator();
        QAction *copy = menu.addAction(QStringLiteral("Copy"), this, [this] { copySelectedResults(); });
        // Every row found by a run knows its file, shown or not.
        for (QAction *action : { show, open, folder })
            action->setEnabled(!path.isEmpty());
        copy->setEnabled(m_listView2->selectionModel() && m_listView2->selectionModel()->hasSelection());
        menu.exec(m_listView2->viewport()->mapToGlobal(at));
    });
    // While the viewer is open it follows the current row, so the arrow
    // keys walk from hit to hit.
    connect(m_listView2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current) {
            if (Form4::find() && current.isValid())
                showResultMessage(current.row());
        });
}
