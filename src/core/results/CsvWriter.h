#pragma once

#include "AlignedTextWriter.h"

#include <QString>

class CsvTable;
class ProgressDisplay;
class Prompts;

// Writes a table to a CSV file: UTF-8 with a byte-order mark (so that a
// spreadsheet reads the characters rightly), a line of column names, then
// one line per row. Fields are separated by commas; a field holding a comma,
// a double quote, a CR or an LF is put in double quotes, with its own double
// quotes doubled; every other field is written as it is, blanks included.
// Every line ends with CR LF.
//
// Saved the way the aligned text file is: the file is replaced only once it
// has been written whole, a failure is reported once by this procedure's own
// error box, a stop request ends the save before the file is replaced
// (unless it is being written in place), and the bar, when given, shows the
// progress and ends at 0 and "Progress Bar".
class CsvWriter
{
public:
    static TextSaveOutcome save(const CsvTable &table, const QString &path, ProgressDisplay *bar, Prompts &prompts);
};
