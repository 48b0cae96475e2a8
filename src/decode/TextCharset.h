#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Turns bytes of some character set into UTF-8. Every function returns valid
// UTF-8 whatever it is given, and no input byte is lost without a trace.
namespace TextCharset {

bool isValidUtf8(QByteArrayView bytes);

// Each byte read as windows-1252 (the five unassigned bytes become the C1
// controls of the same number, as browsers read them).
QByteArray fromWindows1252(QByteArrayView bytes);

// The bytes themselves when they are valid UTF-8, else windows-1252.
QByteArray utf8OrWindows1252(QByteArrayView bytes);

// Valid UTF-8 sequences kept, every byte outside one read as windows-1252.
// For text that should already be UTF-8 but comes from a library.
QByteArray repairUtf8(QByteArrayView bytes);

// Text in the named charset. No name, US-ASCII, UTF-8 or a name the system
// does not know: UTF-8 where valid, else windows-1252. Any other charset:
// each invalid sequence becomes U+FFFD. Bytes that are their own text (valid
// UTF-8 read as UTF-8) are given back shared, not copied.
QByteArray decode(const QByteArray &bytes, QByteArrayView charset);

// CR LF and lone CR become LF.
QByteArray normaliseLineEnds(QByteArrayView bytes);

// The same, appended to out: the runs between CRs copied whole, into room
// made once for all of them.
void appendNormalisedLineEnds(QByteArray &out, QByteArrayView bytes);

} // namespace TextCharset
