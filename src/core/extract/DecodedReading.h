#pragma once

#include <QByteArray>
#include <QString>

// The decoded text of a file as the searches read it (UTF-8), made by the
// decoder of the calling thread: every reading thread has its own, so files
// are decoded where they are read. fellBack is set when the file could not
// be decoded within the decoder's limits and was read as plain text.
QByteArray decodedSearchText(const QByteArray &bytes, const QString &path, bool &fellBack);
