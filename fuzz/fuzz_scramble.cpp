// Scrambling: unscrambling the scrambled text with the same key gives the
// text back for every text of bytes 1..255, and the length never changes.

#include "FuzzCheck.h"
#include "core/guide/Scramble.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how much of the input is the key.
    const size_t keyLength = 1 + data[0] % 8;
    if (size < 1 + keyLength)
        return 0;
    QByteArray key(reinterpret_cast<const char *>(data + 1), qsizetype(keyLength));
    QByteArray text(reinterpret_cast<const char *>(data + 1 + keyLength), qsizetype(size - 1 - keyLength));
    // Codes 1..255 only: a NUL byte has no scrambled form.
    text.replace('\0', '\x01');
    const QByteArray scrambled = ScrambleText(text, key);
    FUZZ_CHECK(scrambled.size() == text.size());
    FUZZ_CHECK(!scrambled.contains('\0'));
    FUZZ_CHECK(UnscrambleText(scrambled, key) == text);
    return 0;
}
