#include "core/extract/TableRowsContaining.h"

#include "core/extract/PatternMatcher.h"
#include "core/extract/TextNeedle.h"
#include "core/results/ResultsModel.h"

std::vector<qsizetype> ResultRowsWhere(
    const ResultsModel &results, const std::function<bool(QByteArrayView cell)> &test, bool containing)
{
    std::vector<qsizetype> rows;
    const qsizetype count = results.size();
    for (qsizetype row = 0; row < count; ++row) {
        if (results.anyFoundCell(results.storedRow(row), test) == containing)
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
