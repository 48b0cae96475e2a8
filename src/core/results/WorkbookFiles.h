#pragma once

#include <QString>

// Workbooks handed to the spreadsheet application are written to files that
// outlive the command (the application reads them after the program has
// moved on), in a folder of the program's own under the temporary folder.
namespace WorkbookFiles {

// The folder; made when missing.
QString folder();

// A new, uniquely named, empty workbook file in the folder. Workbooks left
// there by earlier exports are removed once they are a few days old. Throws
// AppFailure when the file cannot be made.
QString newWorkbookPath();

} // namespace WorkbookFiles
