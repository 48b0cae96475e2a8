#include "decode/TextCharset.h"

#include "core/app/LargeBuffers.h"
#include "decode/LibraryInit.h"

#include "decode/GMimeIncludes.h"

#include <QHash>
#include <array>
#include <cerrno>
#include <cstring>

namespace TextCharset {

namespace {

// Length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there
// (no overlong forms, no surrogates, nothing above U+10FFFF).
qsizetype validSequenceAt(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char c = at(i);
    if (c < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    return length;
}

// windows-1252 0x80..0x9F; the unassigned bytes map to the C1 control.
constexpr std::array<char16_t, 32> high1252 = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

void append1252(QByteArray &out, unsigned char c)
{
    char16_t u = c;
    if (c >= 0x80 && c <= 0x9F)
        u = high1252[c - 0x80];
    if (u < 0x80) {
        out.append(char(u));
    } else if (u < 0x800) {
        out.append(char(0xC0 | (u >> 6)));
        out.append(char(0x80 | (u & 0x3F)));
    } else {
        out.append(char(0xE0 | (u >> 12)));
        out.append(char(0x80 | ((u >> 6) & 0x3F)));
        out.append(char(0x80 | (u & 0x3F)));
    }
}

bool isUtf8OrAsciiName(QByteArrayView name)
{
    const QByteArray n = name.toByteArray().trimmed().toLower();
    return n.isEmpty() || n == "utf-8" || n == "utf8" || n == "us-ascii" || n == "ascii" || n == "ansi_x3.4-1968"
        || n == "iso646-us";
}

// Labels that mail programs read as windows-1252: its superset is what such
// mail really holds (curly quotes in 0x80..0x9F).
bool isWindows1252Name(QByteArrayView name)
{
    const QByteArray n = name.toByteArray().trimmed().toLower();
    return n == "windows-1252" || n == "cp1252" || n == "iso-8859-1" || n == "iso8859-1" || n == "latin1"
        || n == "iso_8859-1" || n == "l1" || n == "x-cp1252";
}

const QByteArray replacement = QByteArrayLiteral("\xEF\xBF\xBD");

// Converts with iconv, one U+FFFD for each sequence the charset rejects.
QByteArray convertWithIconv(iconv_t cd, QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 2);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, qsizetype(outPtr - buffer));
        if (result != size_t(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // An invalid or truncated sequence: mark it and go on past one byte.
        out.append(replacement);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state (UTF-7, ISO-2022-*).
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, qsizetype(outPtr - buffer));
    // iconv should only give UTF-8, but this promise is ours to keep.
    return isValidUtf8(out) ? out : repairUtf8(out);
}

// The converters this thread has opened, by charset label, kept open for
// the thread's life. Opening one costs a module lookup, and the C library
// unloads a converter's module soon after its last user closes it: opening
// and closing one per message part loaded and unloaded the same module
// thousands of times a run.
class ConverterCache
{
public:
    ~ConverterCache() { clear(); }

    // A converter to UTF-8 from label, in its initial state, or none when
    // the system has no such charset.
    iconv_t get(const QByteArray &label)
    {
        const auto found = m_converters.constFind(label);
        if (found != m_converters.cend()) {
            if (*found != iconv_t(-1))
                iconv(*found, nullptr, nullptr, nullptr, nullptr);
            return *found;
        }
        // Mail may name any number of labels; a few dozen are ever real.
        if (m_converters.size() >= MaxConverters)
            clear();
        LibraryInit::gmime();
        const iconv_t cd = g_mime_iconv_open("UTF-8", label.constData());
        m_converters.insert(label, cd);
        return cd;
    }

private:
    static constexpr qsizetype MaxConverters = 64;

    void clear()
    {
        for (const iconv_t cd : std::as_const(m_converters)) {
            if (cd != iconv_t(-1))
                g_mime_iconv_close(cd);
        }
        m_converters.clear();
    }

    QHash<QByteArray, iconv_t> m_converters;
};

// True when the eight bytes at p are all ASCII.
bool asciiWord(const char *p)
{
    quint64 word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        // Mail is mostly ASCII: skip it eight bytes at a time.
        if (i + 8 <= bytes.size() && asciiWord(bytes.data() + i)) {
            i += 8;
            continue;
        }
        const qsizetype n = validSequenceAt(bytes, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

QByteArray fromWindows1252(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes)
        append1252(out, static_cast<unsigned char>(c));
    return out;
}

QByteArray utf8OrWindows1252(QByteArrayView bytes)
{
    return isValidUtf8(bytes) ? bytes.toByteArray() : fromWindows1252(bytes);
}

QByteArray repairUtf8(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype n = validSequenceAt(bytes, i);
        if (n == 0) {
            append1252(out, static_cast<unsigned char>(bytes[i]));
            ++i;
        } else {
            out.append(bytes.sliced(i, n));
            i += n;
        }
    }
    return out;
}

QByteArray decode(const QByteArray &bytes, QByteArrayView charset)
{
    const auto utf8OrWindows1252Shared = [&] { return isValidUtf8(bytes) ? bytes : fromWindows1252(bytes); };
    // Labels that name no charset at all (the system's converter would take
    // some of them for the locale's charset).
    const QByteArray label = charset.toByteArray().trimmed().toLower();
    if (label == "x-unknown" || label == "unknown" || label == "unknown-8bit")
        return utf8OrWindows1252Shared();
    if (isUtf8OrAsciiName(charset))
        return utf8OrWindows1252Shared();
    if (isWindows1252Name(charset))
        return fromWindows1252(bytes);
    thread_local ConverterCache converters;
    const iconv_t cd = converters.get(charset.toByteArray().trimmed());
    if (cd == iconv_t(-1))
        return utf8OrWindows1252Shared();
    return convertWithIconv(cd, bytes);
}

QByteArray normaliseLineEnds(QByteArrayView bytes)
{
    QByteArray out;
    appendNormalisedLineEnds(out, bytes);
    return out;
}

void appendNormalisedLineEnds(QByteArray &out, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    // The text can only shrink: room for all of it, then cut to what it became.
    const qsizetype start = out.size();
    LargeBuffers::reserveAppend(out, bytes.size());
    out.resize(start + bytes.size());
    char *to = out.data() + start;
    const char *from = bytes.data();
    const char *const end = from + bytes.size();
    while (from < end) {
        const auto *cr = static_cast<const char *>(std::memchr(from, '\r', size_t(end - from)));
        const char *const runEnd = cr ? cr : end;
        std::memcpy(to, from, size_t(runEnd - from));
        to += runEnd - from;
        if (!cr)
            break;
        *to++ = '\n';
        from = cr + 1;
        if (from < end && *from == '\n')
            ++from;
    }
    out.truncate(to - out.constData());
}

} // namespace TextCharset
