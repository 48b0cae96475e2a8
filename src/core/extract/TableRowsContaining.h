#pragma once

#include <QStringView>

#include <vector>

class ResultsModel;

// What "Remove results (not) containing" removes from a table (header
// fields, capture groups, counted rows): the rows, ascending, in which some
// column other than the source column contains searchText, ignoring letter
// case as the list's kind of text does; with containing false, the rows in
// which none does.
std::vector<qsizetype> TableRowsContaining(const ResultsModel &results, QStringView searchText, bool containing);
