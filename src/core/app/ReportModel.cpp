#include "ReportModel.h"

void ReportModel::setColumns(const QList<Column> &columns)
{
    const int oldCount = int(m_columns.size());
    if (oldCount > 0) {
        beginRemoveColumns(QModelIndex(), 0, oldCount - 1);
        m_columns.clear();
        endRemoveColumns();
    }
    if (!columns.isEmpty()) {
        beginInsertColumns(QModelIndex(), 0, int(columns.size()) - 1);
        m_columns = columns;
        endInsertColumns();
    }
}

int ReportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
        return m_columns[section].header;
    return QVariant();
}

QVariant ReportModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    return cellPreview(index.row(), index.column());
}

QString ReportModel::cellPreview(qsizetype row, int column) const
{
    QString text = cellText(row, column);
    if (text.size() > DisplayLimit) {
        text.truncate(DisplayLimit);
        text.append(QChar(0x2026));
    }
    return text;
}
