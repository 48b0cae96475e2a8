#include "core/extract/TableRowsContaining.h"

#include "core/extract/PatternMatcher.h"
#include "core/extract/TextNeedle.h"
#include "core/results/ResultsModel.h"

std::vector<qsizetype> ResultRowsWhere(
    const ResultsModel &results, const std::function<bool(QByteArrayView cell)> &test, bool containing)
{
    std::vector<qsizetype> rows;
    const qsizetype count = results.size();
    // Every column a row can have: the source, the texts, the count.
    const int columns = 1 + (results.isTable() ? results.tableCellCount() + 1 : 1);
    for (qsizetype row = 0; row < count; ++row) {
        bool found = false;
        for (int column = 0; column < columns && !found; ++column) {
            switch (results.cellKind(row, column)) {
            case ResultsModel::CellKind::Text:
                found = test(results.cellBytes(row, column));
                break;
            case ResultsModel::CellKind::Count:
                found = test(QByteArray::number(results.foundCount(row)));
                break;
            case ResultsModel::CellKind::Path:
            case ResultsModel::CellKind::Empty:
                break;
            }
        }
        if (found == containing)
            rows.push_back(row);
    }
    return rows;
}

std::vector<qsizetype> TableRowsContaining(const ResultsModel &results, QStringView searchText, bool containing)
{
    const TextNeedle needle(searchText, results.textKind());
    return ResultRowsWhere(
        results, [&](QByteArrayView cell) { return needle.indexIn(cell) >= 0; }, containing);
}

std::vector<qsizetype> ResultRowsMatching(const ResultsModel &results, const PatternMatcher &pattern, bool containing)
{
    return ResultRowsWhere(
        results, [&](QByteArrayView cell) { return pattern.matchesIn(cell) == PatternMatcher::Outcome::Match; },
        containing);
}
