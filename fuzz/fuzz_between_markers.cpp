// Extract Between X and Y, compared with the rule written out the slow way:
// cut the text at every exact occurrence of Y (left to right, not
// overlapping), drop the last piece, and from each other piece take the part
// from the first occurrence of X ignoring letter case (ISO-8859-1) to the
// piece's end; a piece without X gives nothing. An empty Y, or an X or Y
// holding a character no 8-bit text can hold, is never found.
// Besides matching that, every result starts with X ignoring case, holds no
// Y, is followed by Y in the text, and results come in order without
// overlapping.
//
// Input: one byte of flags, then X and Y each as a length byte and that many
// bytes, then the text. Flags: bit 0 and bit 1 read X and Y as UTF-8 instead
// of ISO-8859-1 (so they may hold wider characters); with bit 2 the text
// bytes 1, 2 and 3 stand for Y, X and X with its letter case swapped.

#include "FuzzCheck.h"
#include "core/extract/BetweenMarkers.h"

#include <QString>

#include <optional>
#include <vector>

namespace {

// ISO-8859-1 letter case written out: A-Z and U+00C0..U+00DE (but U+00D7,
// the multiplication sign) have their lower-case letter 32 places on; every
// other character is its own lower case (U+00DF and U+00FF have no capital
// in this range, U+00B5 is already lower case).
char16_t lowerLatin1(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return char16_t(c + 32);
    return c;
}

char16_t upperLatin1(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return char16_t(c - 32);
    return c;
}

char16_t at(QByteArrayView text, qsizetype i)
{
    return char16_t(static_cast<unsigned char>(text[i]));
}

bool fitsEightBits(const QString &s)
{
    for (QChar c : s) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

bool exactAt(QByteArrayView text, qsizetype i, const QString &needle)
{
    if (i + needle.size() > text.size())
        return false;
    for (qsizetype j = 0; j < needle.size(); ++j) {
        if (at(text, i + j) != needle[j].unicode())
            return false;
    }
    return true;
}

bool foldedAt(QByteArrayView text, qsizetype i, const QString &needle)
{
    if (i + needle.size() > text.size())
        return false;
    for (qsizetype j = 0; j < needle.size(); ++j) {
        if (lowerLatin1(at(text, i + j)) != lowerLatin1(needle[j].unicode()))
            return false;
    }
    return true;
}

struct Cut
{
    qsizetype offset;
    qsizetype length;
};

std::vector<Cut> reference(QByteArrayView text, const QString &x, const QString &y)
{
    std::vector<Cut> cuts;
    if (y.isEmpty() || !fitsEightBits(y))
        return cuts;
    // The pieces before each Y.
    std::vector<Cut> pieces;
    qsizetype pieceStart = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (exactAt(text, i, y)) {
            pieces.push_back({ pieceStart, i - pieceStart });
            i += y.size();
            pieceStart = i;
        } else {
            ++i;
        }
    }
    if (!fitsEightBits(x))
        return cuts;
    for (const Cut &piece : pieces) {
        const QByteArrayView pieceText = text.sliced(piece.offset, piece.length);
        for (qsizetype k = 0; k <= pieceText.size(); ++k) {
            if (foldedAt(pieceText, k, x)) {
                cuts.push_back({ piece.offset + k, piece.length - k });
                break;
            }
        }
    }
    return cuts;
}

QString marker(const unsigned char *bytes, size_t length, bool utf8)
{
    const char *chars = reinterpret_cast<const char *>(bytes);
    return utf8 ? QString::fromUtf8(chars, qsizetype(length)) : QString::fromLatin1(chars, qsizetype(length));
}

void appendEightBit(QByteArray &text, const QString &s, bool swapCase)
{
    for (QChar c : s) {
        if (c.unicode() <= 0xFF) {
            const char16_t u = c.unicode();
            const char16_t swapped = lowerLatin1(u) != u ? lowerLatin1(u) : upperLatin1(u);
            text.append(char(swapCase ? swapped : u));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    size_t pos = 0;
    if (pos >= size)
        return 0;
    const unsigned flags = data[pos++];
    if (pos >= size)
        return 0;
    const size_t xLength = data[pos++];
    if (size - pos < xLength)
        return 0;
    const QString x = marker(data + pos, xLength, flags & 1);
    pos += xLength;
    if (pos >= size)
        return 0;
    const size_t yLength = data[pos++];
    if (size - pos < yLength)
        return 0;
    const QString y = marker(data + pos, yLength, flags & 2);
    pos += yLength;

    QByteArray text;
    for (; pos < size; ++pos) {
        const unsigned char b = data[pos];
        if ((flags & 4) && b == 1)
            appendEightBit(text, y, false);
        else if ((flags & 4) && b == 2)
            appendEightBit(text, x, false);
        else if ((flags & 4) && b == 3)
            appendEightBit(text, x, true);
        else
            text.append(char(b));
    }

    const std::vector<QByteArrayView> results = ExtractBetweenMarkers(text, x, y);
    const std::vector<Cut> expected = reference(text, x, y);
    FUZZ_CHECK(results.size() == expected.size());
    qsizetype previousEnd = 0;
    for (size_t r = 0; r < results.size(); ++r) {
        const QByteArrayView result = results[r];
        // A view into the text itself.
        FUZZ_CHECK(
            result.data() >= text.constData() && result.data() + result.size() <= text.constData() + text.size());
        const qsizetype offset = result.data() - text.constData();
        FUZZ_CHECK(offset == expected[r].offset && result.size() == expected[r].length);
        FUZZ_CHECK(offset >= previousEnd);
        previousEnd = offset + result.size();
        FUZZ_CHECK(foldedAt(result, 0, x));
        for (qsizetype k = 0; k < result.size(); ++k)
            FUZZ_CHECK(!exactAt(result, k, y));
        FUZZ_CHECK(exactAt(text, previousEnd, y));
    }

    // One at a time, the same results; once done, it stays done.
    BetweenMarkers cutter(text, x, y);
    for (const QByteArrayView &result : results) {
        const std::optional<QByteArrayView> next = cutter.next();
        FUZZ_CHECK(next && next->data() == result.data() && next->size() == result.size());
    }
    FUZZ_CHECK(!cutter.next());
    FUZZ_CHECK(!cutter.next());
    return 0;
}
