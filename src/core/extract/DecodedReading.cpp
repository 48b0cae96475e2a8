#include "DecodedReading.h"

#include "core/decode/MessageDecoder.h"

QByteArray decodedSearchText(const QByteArray &bytes, const QString &path, bool &fellBack)
{
    // A decoder holds parser state that must not be shared between threads.
    thread_local MessageDecoder decoder;
    DecodedFile decoded = decoder.decode(bytes, path);
    fellBack = decoded.fellBack;
    return std::move(decoded.text);
}
