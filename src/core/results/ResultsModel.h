#pragma once

#include "DuplicateIndex.h"
#include "PagedArray.h"
#include "TextPool.h"
#include "core/app/ReportModel.h"
#include "core/extract/TextKind.h"

#include <QElapsedTimer>
#include <QHash>
#include <QStringList>

#include <functional>
#include <limits>
#include <optional>
#include <vector>

// The results list. A row is either a text alone, or a source path (first
// column) with a text (second column); or, in a table, an optional source
// path, a fixed number of text cells and, when counted, how many times the
// row was found. Texts are kept as their 8-bit bytes
// in a pool; a row's path is an index into the paths seen since the last
// clear. Rows appended during a command are announced to the views in
// batches, when the event loop next runs.
class ResultsModel : public ReportModel
{
    Q_OBJECT

public:
    explicit ResultsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;

    // The rows as shown (sorted, and without those a filter hides).
    qsizetype size() const override { return qsizetype(m_viewActive ? m_view.size() : m_rows.size()); }
    // Every row, hidden ones included.
    qsizetype totalSize() const { return qsizetype(m_rows.size()); }
    QString firstColumnText(qsizetype row) const override;
    QString secondColumnText(qsizetype row) const override;
    bool hasSecondColumn(qsizetype row) const override { return m_rows[at(row)].source >= 0; }
    QString cellText(qsizetype row, int column) const override;
    void removeRowsAscending(const std::vector<qsizetype> &rows) override;
    void clearRows() override;
    QString cellPreview(qsizetype row, int column) const override;

    // The kind of text the rows hold: 8-bit bytes, or decoded text (UTF-8).
    // A run sets it when it clears the list.
    void setTextKind(TextKind kind) { m_kind = kind; }
    TextKind textKind() const { return m_kind; }

    // A table: rows of `cells` text cells, with a last "Count" column when
    // counted. Set on an empty list; a cleared list has no table.
    void setTableLayout(int cells, bool counted);
    bool isTable() const { return m_tableCells > 0; }
    int tableCellCount() const { return m_tableCells; }
    bool isCounted() const { return m_counted; }

    // What a column of a row holds.
    enum class CellKind { Empty, Text, Path, Count };
    CellKind cellKind(qsizetype row, int column) const;
    // The bytes of a Text cell (a table's cell, or the result text).
    QByteArrayView cellBytes(qsizetype row, int column) const;
    // Cell k (from 0) of a table row, past the source column.
    QByteArrayView tableCell(qsizetype row, int k) const;
    // How many times a counted row was found, its duplicates included.
    std::uint32_t foundCount(qsizetype row) const;
    // The same by stored row (see storedRow).
    CellKind storedCellKind(size_t stored, int column) const;
    QByteArrayView storedCellBytes(size_t stored, int column) const;
    std::uint32_t storedFoundCount(size_t stored) const;
    QString storedCellText(size_t stored, int column) const;
    // Whether test holds for some cell of a stored row that holds what was
    // found: each text cell's bytes, and the count as digits on a counted
    // table (the source path is no such cell).
    bool anyFoundCell(size_t stored, const std::function<bool(QByteArrayView cell)> &test) const;
    // The index of a stored row's source path (-1: none) and the path of
    // an index: rows of one file share it, so work per path is done once.
    std::int32_t storedSourceIndex(size_t stored) const { return m_rows[stored].source; }
    const QString &sourcePathAt(std::int32_t index) const { return m_paths[index]; }
    qsizetype sourcePathCount() const { return m_paths.size(); }

    // The result text of a row: the only column, or the second one.
    QByteArrayView resultBytes(qsizetype row) const { return m_pool.view(m_rows[at(row)].text); }

    // The shown order. Rows are numbered everywhere else as shown; here, as
    // stored (the order found, from 0), which a sort or a filter never
    // changes.
    using StoredRowTest = std::function<bool(size_t stored)>;
    // Every stored row in the order shown when nothing is hidden.
    std::vector<std::uint32_t> orderedRows() const;
    // Shows only these stored rows, in this order; rows appended from now
    // on are shown when filter passes them.
    void showRows(std::vector<std::uint32_t> shown, StoredRowTest filter);
    // Shows every row again (in the sorted order, if sorted).
    void showAllRows();
    bool isFiltered() const { return bool(m_filter); }
    // Shows the rows in this order of stored rows (every row once), by
    // column; a filter set stays.
    void setSortedOrder(std::vector<std::uint32_t> order, int column, Qt::SortOrder direction);
    // The column the rows are sorted by, or -1 for the order found.
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortDirection() const { return m_sortDirection; }
    // A row as shown, as its stored row.
    size_t storedRow(qsizetype row) const { return at(row); }
    // The source path of a row, or nothing when the row has none.
    std::optional<QString> sourcePath(qsizetype row) const;
    // The file a row was found in, whether the source column shows it or
    // not (empty when it was appended without one), and the number (from 1)
    // of the line it was found on: 0 when it stands for its whole file,
    // LineNumberLimit for a line beyond it.
    QString filePath(qsizetype row) const;
    qint64 lineNumber(qsizetype row) const { return m_rows[at(row)].line; }
    static constexpr qint64 LineNumberLimit = std::numeric_limits<std::uint32_t>::max();

    // The append step. With removeDuplicates, a text that is already a
    // result is not appended: without a source column when some row's first
    // column equals it exactly; with a source column when some row holds
    // both the same path and the same text. Returns whether a row was added.
    // A text of at least SharedTextSize bytes that lies in owner is kept by
    // sharing owner instead of being copied. line: see lineNumber().
    bool appendResult(QByteArrayView text, const QString &path, bool removeDuplicates, bool showSource,
        const QByteArray *owner = nullptr, qint64 line = 0);
    // A table row: a row duplicates another when every cell is equal (and
    // the path, with a source column). On a counted table a duplicate
    // counts one more finding of the row it repeats (which keeps its line).
    bool appendRow(const QList<QByteArrayView> &cells, const QString &path, bool removeDuplicates, bool showSource,
        qint64 line = 0);
    static constexpr qsizetype SharedTextSize = 1 << 20;

    // True when some row's first column equals the text exactly.
    bool firstColumnContains(QByteArrayView text) const;
    // True when some row holds this path and this text.
    bool containsPair(const QString &path, QByteArrayView text) const;

    // Announces rows appended since the last announcement to the views.
    void flushPending();

private:
    struct Row
    {
        TextPool::Ref text;
        std::int32_t source = -1; // index into m_paths, -1: no source column
        // The row's file (index into m_paths, -1: none), shown or not, and
        // its line (see lineNumber()).
        std::int32_t file = -1;
        std::uint32_t line = 0;
    };

    std::int32_t internPath(const QString &path);
    void ensureIndex() const;
    void indexRow(const Row &row) const;
    void unindexRow(const Row &row) const;
    void schedulePendingFlush();
    void countPathRow(const Row &row, int delta);

    // A result's bytes as shown.
    QString textOf(QByteArrayView bytes) const;
    bool appendStored(QByteArrayView text, const QString &path, bool removeDuplicates, bool showSource,
        const QByteArray *owner, qint64 line);
    size_t at(qsizetype row) const { return m_viewActive ? m_view[size_t(row)] : size_t(row); }
    void showAppendedRow(size_t stored);
    void removeShownRows(const std::vector<qsizetype> &rows);

    TextKind m_kind = TextKind::Bytes;
    int m_tableCells = 0; // 0: not a table
    bool m_counted = false;
    QByteArray m_encoded; // the row being appended, encoded
    // Sorted or filtered: the stored rows shown, in the order shown.
    bool m_viewActive = false;
    std::vector<std::uint32_t> m_view;
    std::vector<std::uint32_t> m_sorted; // every stored row, sorted; empty: found order
    StoredRowTest m_filter;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortDirection = Qt::AscendingOrder;
    TextPool m_pool;
    // Grows in fixed blocks: no reallocation of millions of rows at once.
    PagedArray<Row> m_rows;
    QStringList m_paths;
    QHash<QString, std::int32_t> m_pathIndex;
    std::int32_t m_lastPathIndex = -1; // the path interned last
    // The 8-bit form of each path that has one, and how many rows show such
    // a path first, so that a path in the first column can be compared with
    // a text.
    std::vector<std::optional<QByteArray>> m_pathBytes;
    QHash<QByteArray, std::uint32_t> m_rowsByPathBytes;

    // Built on the first duplicate test and kept in step from then on.
    mutable DuplicateIndex m_index;
    mutable bool m_indexBuilt = false;

    qsizetype m_announced = 0;
    bool m_flushScheduled = false;
    QElapsedTimer m_sinceFlush;
    static constexpr qint64 FlushInterval = 100; // ms
    // Pending rows announced at once, without waiting for FlushInterval.
    static constexpr qsizetype LargeBatch = 300'000;
    bool m_flushSoon = false;
};
