#pragma once

#include <QString>

// Workbooks handed to the spreadsheet application are written to files that
// outlive the command (the application reads them after the program has
// moved on), in a folder of the program's own that only the user can reach:
// under the user's runtime folder ($XDG_RUNTIME_DIR), or else under the
// user's cache folder. A folder in a place other users can write to (the
// shared temporary folder) could be made by someone else first, or be a
// link to another folder: a workbook could then be swapped before the
// spreadsheet reads it, and the clean-up of old workbooks sent elsewhere.
namespace WorkbookFiles {

// The folder; made when missing. Throws AppFailure when it cannot be made
// or is not private (see privateFolder).
QString folder();

// Makes path a folder that only this user can reach (mode 0700), its parents
// as needed; when it exists already, checks that it is one: a real folder
// (not a symbolic link), owned by this user, with no permission for group or
// others. Throws AppFailure naming the folder and what is wrong with it.
void privateFolder(const QString &path);

// A new, uniquely named, empty workbook file in the folder. Workbooks left
// there by earlier exports are removed once they are a few days old. Throws
// AppFailure when the file cannot be made.
QString newWorkbookPath();

} // namespace WorkbookFiles
