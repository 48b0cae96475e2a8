#include "core/extract/ListviewContainsUtf8Text.h"

#include "core/extract/UnicodeNeedle.h"
#include "core/results/ResultsModel.h"

bool ListviewContainsUtf8Text(const ResultsModel &results, QStringView text)
{
    return results.firstColumnContains(text.toUtf8());
}

std::vector<qsizetype> ResultRowsContainingUtf8Text(
    const ResultsModel &results, QStringView searchText, bool containing)
{
    // Each text is searched where it is stored; none is decoded.
    const UnicodeNeedle needle(searchText);
    std::vector<qsizetype> rows;
    const qsizetype count = results.size();
    for (qsizetype row = 0; row < count; ++row) {
        if (needle.occursIn(results.resultBytes(row)) == containing)
            rows.push_back(row);
    }
    return rows;
}
