#pragma once

class ErrorTrap;
class ResultsModel;
class WorkbookWriter;

// Fills a workbook from the results list: the column headers in the first
// row, then every row of the list, each value as a string. The first column
// goes in unchanged; from the second column on every "=" is removed. Texts
// go in as UTF-8 (result texts read as ISO-8859-1).
//
// It yields before every header cell, every row and every data cell, so the
// list can change meanwhile: each text is read when its cell is written, and
// the export ends early when the rows it has yet to write are gone. Each cell
// is written as a step of the trap (line marks firstMark for a header cell,
// firstMark + 2 for a row, firstMark + 4 for a data cell): a cell that fails
// is reported, left empty, and the rest is still written. A stop request
// (StopRequest) ends it before the next row.
void WriteResultsWorkbook(const ResultsModel &list, WorkbookWriter &workbook, ErrorTrap &trap, int firstMark);
