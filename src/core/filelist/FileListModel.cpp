#include "FileListModel.h"

int FileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_paths.size());
}

Qt::ItemFlags FileListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren) : Qt::NoItemFlags;
}

void FileListModel::append(const QString &path)
{
    append(QStringList { path });
}

void FileListModel::append(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    const int first = int(m_paths.size());
    beginInsertRows(QModelIndex(), first, first + int(paths.size()) - 1);
    // Into an empty list the rows are taken as they are (shared, not copied).
    if (m_paths.isEmpty())
        m_paths = paths;
    else
        m_paths.append(paths);
    if (m_indexBuilt) {
        for (const QString &path : paths)
            ++m_count[path];
    }
    endInsertRows();
}

void FileListModel::swapRows(qsizetype a, qsizetype b)
{
    if (a == b)
        return;
    m_paths.swapItemsAt(a, b);
    emit dataChanged(index(int(qMin(a, b)), 0), index(int(qMax(a, b)), 0));
}

void FileListModel::removeRowsAscending(const std::vector<qsizetype> &rows)
{
    if (rows.empty())
        return;
    beginResetModel();
    QStringList kept;
    kept.reserve(m_paths.size() - qsizetype(rows.size()));
    size_t next = 0;
    for (qsizetype i = 0; i < m_paths.size(); ++i) {
        if (next < rows.size() && rows[next] == i) {
            ++next;
            if (m_indexBuilt && --m_count[m_paths[i]] == 0)
                m_count.remove(m_paths[i]);
            continue;
        }
        kept.append(m_paths[i]);
    }
    m_paths = std::move(kept);
    endResetModel();
}

void FileListModel::clearRows()
{
    beginResetModel();
    m_paths.clear();
    m_count.clear();
    endResetModel();
}

void FileListModel::ensureIndex() const
{
    if (m_indexBuilt)
        return;
    for (const QString &path : m_paths)
        ++m_count[path];
    m_indexBuilt = true;
}

bool FileListModel::firstColumnContains(const QString &path) const
{
    ensureIndex();
    return m_count.contains(path);
}
