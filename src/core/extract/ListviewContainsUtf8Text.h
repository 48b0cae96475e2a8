#pragma once

#include <QStringView>

#include <vector>

class ResultsModel;

// The forms of ListviewContainsText and of the two removal commands' test for
// a results list whose texts are decoded (UTF-8).

// True when some row's first column equals the text exactly (same
// characters, letter case included), compared as UTF-8.
bool ListviewContainsUtf8Text(const ResultsModel &results, QStringView text);

// The rows, ascending, whose result text contains searchText ignoring letter
// case by the rule of Utf8Fold; with containing false, the rows whose result
// text does not. What "Remove results (not) containing" removes.
std::vector<qsizetype> ResultRowsContainingUtf8Text(
    const ResultsModel &results, QStringView searchText, bool containing = true);
