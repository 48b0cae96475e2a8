#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <vector>

// What both report-style lists share: column headers with widths (in twips,
// as the program states them) and access to a row's first and second column
// as text, so the list filters can work on either list.
class ReportModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column
    {
        QString header;
        int widthTwips = 0;
    };

    using QAbstractTableModel::QAbstractTableModel;

    static int twipsToPixels(int twips) { return twips / 15; }

    // Replaces every column; rows stay.
    void setColumns(const QList<Column> &columns);
    const QList<Column> &columns() const { return m_columns; }

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // Every row, including rows not yet announced to the views.
    virtual qsizetype size() const = 0;
    // A row's first column, and its second column ("" when it has none).
    virtual QString firstColumnText(qsizetype row) const = 0;
    virtual QString secondColumnText(qsizetype row) const = 0;
    virtual bool hasSecondColumn(qsizetype row) const = 0;
    // Any column of a row as text ("" where the row has no such cell).
    virtual QString cellText(qsizetype row, int column) const
    {
        return column == 0 ? firstColumnText(row) : column == 1 ? secondColumnText(row) : QString();
    }
    // Removes the given rows (ascending, no repeats) in one pass; the other
    // rows keep their order.
    virtual void removeRowsAscending(const std::vector<qsizetype> &rows) = 0;
    virtual void clearRows() = 0;

    void removeSingleRow(qsizetype row) { removeRowsAscending({ row }); }

    // What a list shows of a cell: the text, cut after DisplayLimit
    // characters so that a huge result never turns into a huge label.
    static constexpr qsizetype DisplayLimit = 4096;
    virtual QString cellPreview(qsizetype row, int column) const;

private:
    QList<Column> m_columns;
};
