#include "core/extract/TableRowsContaining.h"

#include "core/extract/TextNeedle.h"
#include "core/results/ResultsModel.h"

std::vector<qsizetype> TableRowsContaining(const ResultsModel &results, QStringView searchText, bool containing)
{
    const TextNeedle needle(searchText, results.textKind());
    std::vector<qsizetype> rows;
    const qsizetype count = results.size();
    const int columns = int(results.columns().size());
    for (qsizetype row = 0; row < count; ++row) {
        bool found = false;
        for (int column = 0; column < columns && !found; ++column) {
            switch (results.cellKind(row, column)) {
            case ResultsModel::CellKind::Text:
                found = needle.indexIn(results.cellBytes(row, column)) >= 0;
                break;
            case ResultsModel::CellKind::Count:
                found = needle.indexIn(QByteArray::number(results.foundCount(row))) >= 0;
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
