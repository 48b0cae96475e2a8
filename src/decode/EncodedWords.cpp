#include "decode/EncodedWords.h"

#include "decode/TextCharset.h"

#include <algorithm>
#include <optional>

namespace {

struct EncodedWord
{
    qsizetype end = 0; // just past its closing "?="
    QByteArray charset;
    bool base64 = false;
    QByteArrayView encoded;
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QByteArray undoQ(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out.append(' ');
        } else if (c == '=' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out.append(char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.append(c);
        }
    }
    return out;
}

// The encoded word starting at from ("=?"), if it is one.
std::optional<EncodedWord> wordAt(QByteArrayView text, qsizetype from)
{
    const auto token = [](char c) { return c > ' ' && c < 127 && c != '?'; };
    qsizetype at = from + 2;
    const qsizetype charsetStart = at;
    while (at < text.size() && token(text[at]))
        ++at;
    if (at == charsetStart || at + 2 >= text.size() || text[at] != '?')
        return std::nullopt;
    QByteArray charset = text.sliced(charsetStart, at - charsetStart).toByteArray();
    // RFC 2231 adds a language after "*".
    if (const qsizetype star = charset.indexOf('*'); star >= 0)
        charset.truncate(star);
    const char encoding = text[at + 1];
    if ((encoding != 'B' && encoding != 'b' && encoding != 'Q' && encoding != 'q') || text[at + 2] != '?')
        return std::nullopt;
    const qsizetype textStart = at + 3;
    qsizetype end = textStart;
    while (end + 1 < text.size() && !(text[end] == '?' && text[end + 1] == '=')) {
        if (text[end] == ' ' || text[end] == '\t')
            return std::nullopt;
        ++end;
    }
    if (end + 1 >= text.size())
        return std::nullopt;
    EncodedWord word;
    word.end = end + 2;
    word.charset = charset.toLower();
    word.base64 = encoding == 'B' || encoding == 'b';
    word.encoded = text.sliced(textStart, end - textStart);
    return word;
}

} // namespace

QByteArray decodeEncodedWords(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    // Bytes of the words joined so far, not yet converted.
    QByteArray pendingBytes;
    QByteArray pendingCharset;
    // Base64 text of the joined words not yet undone: a word that ends
    // inside a group of four characters is read on with the next one, as
    // some mailers split them.
    QByteArray pendingBase64;
    bool pending = false;
    const auto undoBase64 = [&] {
        pendingBytes.append(QByteArray::fromBase64(pendingBase64));
        pendingBase64.clear();
    };
    const auto flush = [&] {
        undoBase64();
        if (pending)
            out.append(TextCharset::decode(pendingBytes, pendingCharset));
        pendingBytes.clear();
        pending = false;
    };
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype start = text.indexOf(QByteArrayView("=?"), at);
        if (start < 0) {
            flush();
            out.append(text.sliced(at));
            break;
        }
        const std::optional<EncodedWord> word = wordAt(text, start);
        if (!word) {
            flush();
            out.append(text.sliced(at, start + 2 - at));
            at = start + 2;
            continue;
        }
        const QByteArrayView between = text.sliced(at, start - at);
        const bool onlyBlanks
            = std::all_of(between.begin(), between.end(), [](char c) { return c == ' ' || c == '\t'; });
        if (!(pending && onlyBlanks)) {
            flush();
            out.append(between);
        } else if (word->charset != pendingCharset) {
            // Joined without the blanks, but converted on their own.
            flush();
        }
        if (word->base64) {
            pendingBase64.append(word->encoded);
            if (pendingBase64.size() % 4 == 0)
                undoBase64();
        } else {
            undoBase64();
            pendingBytes.append(undoQ(word->encoded));
        }
        pendingCharset = word->charset;
        pending = true;
        at = word->end;
    }
    flush();
    return out;
}
