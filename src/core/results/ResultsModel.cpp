#include "ResultsModel.h"

#include "TableRow.h"
#include "core/app/Latin1.h"

#include <QTimer>

#include <algorithm>

ResultsModel::ResultsModel(QObject *parent)
    : ReportModel(parent)
    , m_index(m_pool)
{ }

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_announced);
}

QString ResultsModel::firstColumnText(qsizetype row) const
{
    return cellText(row, 0);
}

QString ResultsModel::secondColumnText(qsizetype row) const
{
    return cellText(row, 1);
}

void ResultsModel::setTableLayout(int cells, bool counted)
{
    Q_ASSERT(m_rows.size() == 0);
    m_tableCells = qMax(0, cells);
    m_counted = m_tableCells > 0 && counted;
}

ResultsModel::CellKind ResultsModel::storedCellKind(size_t stored, int column) const
{
    const bool hasSource = m_rows[stored].source >= 0;
    if (hasSource && column == 0)
        return CellKind::Path;
    const int k = column - (hasSource ? 1 : 0);
    const int texts = isTable() ? m_tableCells : 1;
    if (k >= 0 && k < texts)
        return CellKind::Text;
    if (m_counted && k == texts)
        return CellKind::Count;
    return CellKind::Empty;
}

QByteArrayView ResultsModel::storedCellBytes(size_t stored, int column) const
{
    if (storedCellKind(stored, column) != CellKind::Text)
        return {};
    const QByteArrayView text = m_pool.view(m_rows[stored].text);
    if (!isTable())
        return text;
    return TableRow::cell(text, column - (m_rows[stored].source >= 0 ? 1 : 0));
}

std::uint32_t ResultsModel::storedFoundCount(size_t stored) const
{
    ensureIndex();
    const Row &r = m_rows[stored];
    return m_index.found(r.source, m_pool.view(r.text));
}

bool ResultsModel::anyFoundCell(size_t stored, const std::function<bool(QByteArrayView cell)> &test) const
{
    const QByteArrayView text = m_pool.view(m_rows[stored].text);
    if (!isTable()) {
        if (test(text))
            return true;
    } else {
        for (int k = 0; k < m_tableCells; ++k) {
            if (test(TableRow::cell(text, k)))
                return true;
        }
    }
    return m_counted && test(QByteArray::number(storedFoundCount(stored)));
}

QString ResultsModel::storedCellText(size_t stored, int column) const
{
    switch (storedCellKind(stored, column)) {
    case CellKind::Path:
        return m_paths[m_rows[stored].source];
    case CellKind::Text:
        return textOf(storedCellBytes(stored, column));
    case CellKind::Count:
        return QString::number(storedFoundCount(stored));
    case CellKind::Empty:
        break;
    }
    return QString();
}

ResultsModel::CellKind ResultsModel::cellKind(qsizetype row, int column) const
{
    return storedCellKind(at(row), column);
}

QByteArrayView ResultsModel::tableCell(qsizetype row, int k) const
{
    return TableRow::cell(m_pool.view(m_rows[at(row)].text), k);
}

QByteArrayView ResultsModel::cellBytes(qsizetype row, int column) const
{
    return storedCellBytes(at(row), column);
}

std::uint32_t ResultsModel::foundCount(qsizetype row) const
{
    return storedFoundCount(at(row));
}

QString ResultsModel::cellText(qsizetype row, int column) const
{
    return storedCellText(at(row), column);
}

QString ResultsModel::textOf(QByteArrayView bytes) const
{
    return m_kind == TextKind::Unicode ? QString::fromUtf8(bytes) : Latin1::toString(bytes);
}

QString ResultsModel::cellPreview(qsizetype row, int column) const
{
    if (cellKind(row, column) != CellKind::Text)
        return ReportModel::cellPreview(row, column);
    // Only the part that is shown is converted.
    const QByteArrayView bytes = cellBytes(row, column);
    if (bytes.size() <= DisplayLimit)
        return textOf(bytes);
    qsizetype shown = DisplayLimit;
    // Decoded text is cut at a character's start, never inside one.
    while (m_kind == TextKind::Unicode && shown > 0 && (static_cast<unsigned char>(bytes[shown]) & 0xC0) == 0x80)
        --shown;
    return textOf(bytes.first(shown)) + QChar(0x2026);
}

std::optional<QString> ResultsModel::sourcePath(qsizetype row) const
{
    const Row &r = m_rows[at(row)];
    if (r.source < 0)
        return std::nullopt;
    return m_paths[r.source];
}

QString ResultsModel::filePath(qsizetype row) const
{
    const Row &r = m_rows[at(row)];
    return r.file < 0 ? QString() : m_paths[r.file];
}

std::int32_t ResultsModel::internPath(const QString &path)
{
    // A file's rows come one after another, each with the same string: the
    // path interned last is recognised by its data without a lookup.
    if (m_lastPathIndex >= 0 && m_lastPathIndex < m_paths.size()) {
        const QString &last = m_paths[m_lastPathIndex];
        if (last.constData() == path.constData() && last.size() == path.size())
            return m_lastPathIndex;
    }
    auto it = m_pathIndex.constFind(path);
    if (it != m_pathIndex.constEnd()) {
        m_lastPathIndex = it.value();
        return it.value();
    }
    const auto index = std::int32_t(m_paths.size());
    m_lastPathIndex = index;
    m_paths.append(path);
    m_pathIndex.insert(path, index);
    m_pathBytes.push_back(Latin1::fromString(path));
    return index;
}

void ResultsModel::indexRow(const Row &row) const
{
    m_index.add(row.source, row.text);
}

void ResultsModel::unindexRow(const Row &row) const
{
    m_index.remove(row.source, row.text);
}

void ResultsModel::ensureIndex() const
{
    if (m_indexBuilt)
        return;
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        indexRow(m_rows[i]);
    m_indexBuilt = true;
}

bool ResultsModel::firstColumnContains(QByteArrayView text) const
{
    ensureIndex();
    if (m_index.contains(-1, text))
        return true;
    // Rows with a source column show their path first.
    return !m_rowsByPathBytes.isEmpty() && m_rowsByPathBytes.value(text.toByteArray()) > 0;
}

void ResultsModel::countPathRow(const Row &row, int delta)
{
    if (row.source < 0 || !m_pathBytes[size_t(row.source)])
        return;
    std::uint32_t &count = m_rowsByPathBytes[*m_pathBytes[size_t(row.source)]];
    count += delta;
}

bool ResultsModel::containsPair(const QString &path, QByteArrayView text) const
{
    auto it = m_pathIndex.constFind(path);
    if (it == m_pathIndex.constEnd())
        return false;
    ensureIndex();
    return m_index.contains(it.value(), text);
}

bool ResultsModel::appendResult(QByteArrayView text, const QString &path, bool removeDuplicates, bool showSource,
    const QByteArray *owner, qint64 line)
{
    if (isTable())
        return appendRow({ text }, path, removeDuplicates, showSource, line);
    if (removeDuplicates) {
        const bool already = showSource ? containsPair(path, text) : firstColumnContains(text);
        if (already)
            return false;
    }
    return appendStored(text, path, false, showSource, owner, line);
}

bool ResultsModel::appendRow(
    const QList<QByteArrayView> &cells, const QString &path, bool removeDuplicates, bool showSource, qint64 line)
{
    Q_ASSERT(isTable());
    TableRow::encode(m_encoded, cells);
    return appendStored(m_encoded, path, removeDuplicates, showSource, nullptr, line);
}

bool ResultsModel::appendStored(QByteArrayView text, const QString &path, bool removeDuplicates, bool showSource,
    const QByteArray *owner, qint64 line)
{
    if (removeDuplicates) {
        // A table row repeats another only when the path (with a source
        // column) and every cell are the same.
        std::int32_t source = -1;
        if (showSource) {
            const auto it = m_pathIndex.constFind(path);
            source = it == m_pathIndex.constEnd() ? -2 : it.value();
        }
        ensureIndex();
        if (source != -2 && (m_counted ? m_index.countIfContained(source, text) : m_index.contains(source, text)))
            return false;
    }
    Row row;
    const bool share = owner && text.size() >= SharedTextSize && text.data() >= owner->constData()
        && text.data() + text.size() <= owner->constData() + owner->size();
    row.text = share ? m_pool.addShared(*owner, text) : m_pool.add(text);
    // The file is kept apart from the source column, which alone takes part
    // in the duplicate test and the columns.
    if (!path.isEmpty())
        row.file = internPath(path);
    if (showSource)
        row.source = row.file >= 0 ? row.file : internPath(path);
    row.line = std::uint32_t(std::clamp<qint64>(line, 0, LineNumberLimit));
    m_rows.push_back(row);
    countPathRow(row, +1);
    showAppendedRow(m_rows.size() - 1);
    if (m_indexBuilt)
        indexRow(row);
    schedulePendingFlush();
    return true;
}

void ResultsModel::schedulePendingFlush()
{
    // A view takes in new rows at some tens of nanoseconds each: a large
    // batch is announced at the event loop's next turn, before it grows
    // into a long pause.
    if (!m_flushSoon && size() - m_announced >= LargeBatch) {
        m_flushSoon = true;
        QTimer::singleShot(0, this, &ResultsModel::flushPending);
    }
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    // Views are told of new rows at most every FlushInterval: each telling
    // costs the view work, and rows arriving by the million need not be
    // shown more often than the eye can follow.
    const qint64 sinceLast = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : FlushInterval;
    QTimer::singleShot(int(qMax<qint64>(0, FlushInterval - sinceLast)), this, &ResultsModel::flushPending);
}

void ResultsModel::flushPending()
{
    m_flushScheduled = false;
    m_flushSoon = false;
    m_sinceFlush.start();
    const qsizetype total = size();
    if (total <= m_announced)
        return;
    beginInsertRows(QModelIndex(), int(m_announced), int(total - 1));
    m_announced = total;
    endInsertRows();
}

void ResultsModel::removeRowsAscending(const std::vector<qsizetype> &rows)
{
    if (rows.empty())
        return;
    if (m_viewActive) {
        removeShownRows(rows);
        return;
    }
    flushPending();
    for (qsizetype r : rows) {
        const Row &row = m_rows[size_t(r)];
        if (m_indexBuilt)
            unindexRow(row);
        countPathRow(row, -1);
    }
    // A few ranges are announced one by one; many scattered rows are removed
    // in one compaction pass behind a reset, which keeps a large filter linear.
    size_t ranges = 1;
    for (size_t k = 1; k < rows.size(); ++k)
        ranges += rows[k] != rows[k - 1] + 1 ? 1 : 0;
    if (ranges <= 8) {
        size_t end = rows.size();
        while (end > 0) {
            size_t begin = end - 1;
            while (begin > 0 && rows[begin - 1] + 1 == rows[begin])
                --begin;
            beginRemoveRows(QModelIndex(), int(rows[begin]), int(rows[end - 1]));
            m_rows.erase(size_t(rows[begin]), size_t(rows[end - 1]) + 1);
            m_announced = qsizetype(m_rows.size());
            endRemoveRows();
            end = begin;
        }
        return;
    }
    beginResetModel();
    size_t kept = 0;
    size_t next = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (next < rows.size() && size_t(rows[next]) == i) {
            ++next;
            continue;
        }
        m_rows[kept++] = m_rows[i];
    }
    m_rows.truncate(kept);
    m_announced = qsizetype(kept);
    endResetModel();
}

void ResultsModel::clearRows()
{
    beginResetModel();
    m_rows.clear();
    m_pool.clear();
    m_index.clear();
    m_indexBuilt = false;
    m_paths.clear();
    m_pathIndex.clear();
    m_lastPathIndex = -1;
    m_pathBytes.clear();
    m_rowsByPathBytes.clear();
    m_announced = 0;
    m_tableCells = 0;
    m_counted = false;
    // A new list shows its rows in the order found; a filter stays and
    // applies to the rows to come.
    m_sorted.clear();
    m_sortColumn = -1;
    m_view.clear();
    m_viewActive = bool(m_filter);
    endResetModel();
}

void ResultsModel::showAppendedRow(size_t stored)
{
    if (!m_sorted.empty())
        m_sorted.push_back(std::uint32_t(stored));
    if (m_viewActive && (!m_filter || m_filter(stored)))
        m_view.push_back(std::uint32_t(stored));
}

std::vector<std::uint32_t> ResultsModel::orderedRows() const
{
    if (!m_sorted.empty())
        return m_sorted;
    std::vector<std::uint32_t> all(m_rows.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = std::uint32_t(i);
    return all;
}

void ResultsModel::showRows(std::vector<std::uint32_t> shown, StoredRowTest filter)
{
    flushPending();
    beginResetModel();
    m_view = std::move(shown);
    m_filter = std::move(filter);
    m_viewActive = true;
    m_announced = qsizetype(m_view.size());
    endResetModel();
}

void ResultsModel::showAllRows()
{
    flushPending();
    beginResetModel();
    m_filter = nullptr;
    if (m_sorted.empty()) {
        m_view.clear();
        m_viewActive = false;
    } else {
        m_view = m_sorted;
    }
    m_announced = size();
    endResetModel();
}

void ResultsModel::setSortedOrder(std::vector<std::uint32_t> order, int column, Qt::SortOrder direction)
{
    flushPending();
    beginResetModel();
    m_sorted = std::move(order);
    m_sortColumn = column;
    m_sortDirection = direction;
    if (m_filter) {
        std::vector<std::uint32_t> shown;
        shown.reserve(m_view.size());
        for (const std::uint32_t stored : m_sorted) {
            if (m_filter(stored))
                shown.push_back(stored);
        }
        m_view = std::move(shown);
    } else {
        m_view = m_sorted;
    }
    m_viewActive = true;
    m_announced = size();
    endResetModel();
}

void ResultsModel::removeShownRows(const std::vector<qsizetype> &rows)
{
    flushPending();
    std::vector<bool> gone(m_rows.size(), false);
    for (const qsizetype r : rows) {
        const size_t stored = at(r);
        gone[stored] = true;
        const Row &row = m_rows[stored];
        if (m_indexBuilt)
            unindexRow(row);
        countPathRow(row, -1);
    }
    beginResetModel();
    // Stored rows close up; the shown order and the sorted order follow.
    std::vector<std::uint32_t> moved(m_rows.size());
    size_t kept = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (gone[i])
            continue;
        moved[i] = std::uint32_t(kept);
        m_rows[kept++] = m_rows[i];
    }
    m_rows.truncate(kept);
    const auto follow = [&](std::vector<std::uint32_t> &order) {
        size_t out = 0;
        for (const std::uint32_t stored : order) {
            if (!gone[stored])
                order[out++] = moved[stored];
        }
        order.resize(out);
    };
    follow(m_view);
    follow(m_sorted);
    m_announced = size();
    endResetModel();
}
