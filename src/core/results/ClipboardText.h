#pragma once

#include <QString>

#include <vector>

class Prompts;
class ResultsModel;

// The clipboard text of a list: one line per row, no header line. Each
// column but the last is padded with spaces to its widest text over all rows
// and followed by a tab; the last column's text loses its trailing blanks;
// every line ends with CR LF. Widths are counted in characters. Yields once
// per row per column while measuring and building. With rows given, only
// those rows, in that order. A stop request ends it with an empty text.
QString ClipboardTextOf(const ResultsModel &list, const std::vector<qsizetype> *rows = nullptr);

// Puts the clipboard text of the list on the clipboard. An empty list leaves
// the clipboard as it was. Returns false only when the clipboard refused the
// text on every attempt, or a stop request came first (the clipboard keeps
// what it had).
bool CopyListviewToClipboard(const ResultsModel &list, Prompts &prompts);
