#pragma once

#include <QByteArray>
#include <QStringView>

#include <optional>
#include <vector>

// Decoded message text is UTF-8 and is searched ignoring letter case: both
// sides are compared as lower-cased code points. The lower case of a code
// point is Qt's one-character mapping (QChar::toLower), with one addition:
// U+0130 (capital I with dot above) lower-cases to 'i'. Qt leaves that one
// character unchanged because its full lower case is two characters (i and
// a combining dot above); its one-character lower case in the Unicode tables
// is 'i', which is what a search for "istanbul" in "İSTANBUL" needs. Every
// mapping is one code point to one code point, so a match covers whole code
// points of the text, though its length in bytes may differ from the
// needle's (the Kelvin sign is three bytes, 'k' one).
//
// The text is valid UTF-8, but nothing here reads outside it when it is not:
// a byte that starts no valid sequence reads as one code point of its own
// that no typed text holds.
namespace Utf8Fold {

// What a byte outside any valid sequence reads as: this plus the byte, above
// every code point.
constexpr char32_t InvalidBase = 0x110000;

inline bool isContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

inline char32_t asciiLower(unsigned char b)
{
    return unsigned(b - 'A') < 26u ? char32_t(b | 0x20) : char32_t(b);
}

// The lower case of one code point (any value; an invalid one stays as it is).
char32_t lower(char32_t c);

// The code point whose first byte is text[at] (at < n), and its length in
// bytes (1 to 4).
inline char32_t decode(const unsigned char *text, qsizetype at, qsizetype n, int &length)
{
    const unsigned char b0 = text[at];
    length = 1;
    if (b0 < 0x80)
        return b0;
    const qsizetype left = n - at;
    if (b0 >= 0xC2 && b0 < 0xE0) {
        if (left >= 2 && isContinuation(text[at + 1])) {
            length = 2;
            return char32_t(b0 & 0x1F) << 6 | (text[at + 1] & 0x3F);
        }
    } else if (b0 >= 0xE0 && b0 < 0xF0) {
        // E0 needs a second byte of A0 or more (no overlong form), ED one
        // below A0 (no surrogate).
        if (left >= 3 && isContinuation(text[at + 1]) && isContinuation(text[at + 2])
            && (b0 != 0xE0 || text[at + 1] >= 0xA0) && (b0 != 0xED || text[at + 1] < 0xA0)) {
            length = 3;
            return char32_t(b0 & 0x0F) << 12 | char32_t(text[at + 1] & 0x3F) << 6 | (text[at + 2] & 0x3F);
        }
    } else if (b0 >= 0xF0 && b0 < 0xF5) {
        if (left >= 4 && isContinuation(text[at + 1]) && isContinuation(text[at + 2]) && isContinuation(text[at + 3])
            && (b0 != 0xF0 || text[at + 1] >= 0x90) && (b0 != 0xF4 || text[at + 1] < 0x90)) {
            length = 4;
            return char32_t(b0 & 0x07) << 18 | char32_t(text[at + 1] & 0x3F) << 12 | char32_t(text[at + 2] & 0x3F) << 6
                | (text[at + 3] & 0x3F);
        }
    }
    return InvalidBase + b0;
}

// The lower-cased code point at text[at] (at < n) and its length in bytes.
inline char32_t lowerAt(const unsigned char *text, qsizetype at, qsizetype n, int &length)
{
    const unsigned char b = text[at];
    if (b < 0x80) {
        length = 1;
        return asciiLower(b);
    }
    return lower(decode(text, at, n, length));
}

// The UTF-8 bytes of a code point (1 to 4 of out).
int encode(char32_t c, unsigned char out[4]);

// Every code point whose lower case is the given one, itself included when
// it is its own lower case, ascending ('k': K, k and the Kelvin sign).
std::vector<char32_t> lowerCaseSources(char32_t lowered);

// The lower-cased code points of a typed text, or nothing when it holds a
// lone surrogate (no decoded text can hold one).
std::optional<std::vector<char32_t>> lowerCodePoints(QStringView text);

// The same as UTF-8.
std::optional<QByteArray> lowerUtf8(QStringView text);

} // namespace Utf8Fold
