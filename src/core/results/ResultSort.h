#pragma once

#include <Qt>

#include <cstdint>
#include <vector>

class ResultsModel;

// Every stored row of the results, in the order of one column: texts
// compared as the user's locale orders them, ignoring letter case, with runs
// of digits compared as numbers; the Count column as numbers. Rows with
// equal keys keep the order they were found in, whichever the direction.
std::vector<std::uint32_t> SortedRows(const ResultsModel &results, int column, Qt::SortOrder direction);
