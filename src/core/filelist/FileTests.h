#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringView>

// The small file tests of the folder scan. None of them reports an error:
// whatever cannot be examined answers false.

// True when the path names an existing file that can be opened as one: a
// regular file, or a link to one. False for folders, missing paths and
// special files (pipes, sockets, devices), which an extraction could not
// read as text.
bool IsOpenableFile(const QString &path);
bool IsOpenableFile(const QFileInfo &info);

// True when the path exists and is a folder (or a link to one).
bool IsDirectory(const QString &path);

// True when a folder name holds a control character (below U+0020, or
// U+007F to U+009F), a "?", or a byte sequence that did not decode as a
// file name (U+FFFD). Such folders are not scanned.
bool NameHasOddCharacters(QStringView name);
