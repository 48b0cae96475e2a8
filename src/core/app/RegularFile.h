#pragma once

#include <QString>

class QFile;

// Opens a regular file for reading through the file classes: the one check
// that every reader of the program's input files (messages, lists of files)
// goes through. Throws AppFailure describing what is wrong: missing, a
// folder, not a regular file (a pipe or device is never opened), or refused.
void openRegularFile(QFile &file, const QString &path);
