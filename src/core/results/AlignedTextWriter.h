#pragma once

#include <QString>
#include <QtGlobal>

class Prompts;
class ProgressDisplay;
class ResultsModel;

// Writes a list to a text file as a table: a header line, then one line per
// row; every column is padded with spaces to its widest text (header
// included, counted in characters) and followed by a tab; every line ends
// with CR LF. Cells are written as the bytes they came from: result texts as
// their 8-bit bytes, paths in the platform's file-name encoding.
//
// The file is replaced only once it has been written whole, so a save that
// fails leaves any file of that name as it was. A failure is reported once,
// by this procedure's own error box, and nothing more is written. The bar,
// when given, shows the progress and ends at 0 and "Progress Bar".
//
// A stop request (see StopRequest) ends the save before the file is
// replaced, unless the file is being written in place.
struct TextSaveOutcome
{
    bool saved = false; // the file is there, whole
    bool stopped = false;
    qsizetype rowsWritten = 0;
};
TextSaveOutcome SaveListviewProperlySpaced(
    const ResultsModel &list, const QString &path, ProgressDisplay *bar, Prompts &prompts);
