#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <functional>
#include <vector>

class PatternMatcher;
class ResultsModel;

// The rows, ascending, in which some cell other than the source path passes
// test (a table's text cells and its count; in the one- and two-column
// layouts, the result text); with containing false, the rows in which none
// does.
std::vector<qsizetype> ResultRowsWhere(
    const ResultsModel &results, const std::function<bool(QByteArrayView cell)> &test, bool containing);

// What "Remove results (not) containing" removes from a table (header
// fields, capture groups, counted rows): the rows in which some column
// other than the source column contains searchText, ignoring letter case as
// the list's kind of text does; with containing false, the rows in which
// none does.
std::vector<qsizetype> TableRowsContaining(const ResultsModel &results, QStringView searchText, bool containing);

// The same with a pattern, in any layout. A cell on which the pattern gives
// up counts as not matching it.
std::vector<qsizetype> ResultRowsMatching(const ResultsModel &results, const PatternMatcher &pattern, bool containing);
