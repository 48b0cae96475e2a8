#pragma once

#include "core/app/ReportModel.h"

#include <QHash>
#include <QStringList>

// The file list: one path per row, exactly as added, in the order added.
// Duplicates are allowed. An index of the paths answers "is this path
// listed" without a scan; it is built on first use and kept in step.
class FileListModel : public ReportModel
{
    Q_OBJECT

public:
    using ReportModel::ReportModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    qsizetype size() const override { return m_paths.size(); }
    QString firstColumnText(qsizetype row) const override { return m_paths[row]; }
    QString secondColumnText(qsizetype) const override { return QString(); }
    bool hasSecondColumn(qsizetype) const override { return false; }
    void removeRowsAscending(const std::vector<qsizetype> &rows) override;
    void clearRows() override;

    QString path(qsizetype row) const { return m_paths[row]; }
    const QStringList &paths() const { return m_paths; }

    void append(const QString &path);
    void append(const QStringList &paths);
    // Exchanges the texts of two rows (moving an entry by dragging).
    void swapRows(qsizetype a, qsizetype b);

    // True when some row's text equals the path exactly.
    bool firstColumnContains(const QString &path) const;

private:
    void ensureIndex() const;

    QStringList m_paths;
    mutable QHash<QString, int> m_count;
    mutable bool m_indexBuilt = false;
};
