#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class FileListModel;
class QIODevice;
class Prompts;

// A list-of-files text file: one path per line. CR LF, CR alone and LF alone
// each end a line; a line end at the very end of the file adds no row, an
// empty line inside it adds an empty row. A UTF-8 byte-order mark at the
// start is not part of the first path. Each line is decoded as a file name
// (the platform's file-name encoding) and kept exactly as read: no
// trimming, no existence, extension or duplicate check.
QStringList ListFileRows(QByteArrayView bytes);

// Appends the rows of a list file read from device, without yielding. When
// reading fails partway, the rows of the lines read whole so far are
// appended and AppFailure is thrown (path names the file in its text).
void AppendListFileRows(FileListModel &list, QIODevice &device, const QString &path);

// Appends the rows of the list file at path to the list. A path that does
// not exist shows "File not found" and adds nothing. A file that exists but
// cannot be read throws AppFailure to the caller's error trap.
void LoadListFromTextFile(FileListModel &list, const QString &path, Prompts &prompts);
