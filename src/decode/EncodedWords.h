#pragma once

#include <QByteArray>
#include <QByteArrayView>

// RFC 2047 encoded words in a header value: each "=?charset?B|Q?text?=" is
// undone to its bytes; words that follow each other with only blanks
// between them are joined without those blanks, and the bytes of joined
// words of one charset are converted together, so that a character split
// across two words comes out whole. Anything that is not a well-formed
// encoded word stays as it stands. Takes and gives UTF-8.
QByteArray decodeEncodedWords(QByteArrayView text);
