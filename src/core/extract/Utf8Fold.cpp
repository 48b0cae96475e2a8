#include "Utf8Fold.h"

#include <QChar>

#include <algorithm>
#include <unordered_map>

namespace Utf8Fold {

char32_t lower(char32_t c)
{
    if (c < 0x80)
        return asciiLower(static_cast<unsigned char>(c));
    if (c == 0x130)
        return U'i';
    if (c > 0x10FFFF)
        return c;
    return QChar::toLower(c);
}

int encode(char32_t c, unsigned char out[4])
{
    if (c < 0x80) {
        out[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | c >> 6);
        out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | c >> 12);
        out[1] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | c >> 18);
    out[1] = static_cast<unsigned char>(0x80 | (c >> 12 & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 4;
}

std::vector<char32_t> lowerCaseSources(char32_t lowered)
{
    // Only the lower cases that more than the code point itself maps to are
    // kept; every code point is looked at once, on first use.
    static const std::unordered_map<char32_t, std::vector<char32_t>> shared = [] {
        std::unordered_map<char32_t, std::vector<char32_t>> map;
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (c >= 0xD800 && c < 0xE000)
                continue;
            const char32_t l = lower(c);
            if (l != c)
                map[l].push_back(c);
        }
        for (auto &[l, sources] : map) {
            if (lower(l) == l)
                sources.push_back(l);
            std::sort(sources.begin(), sources.end());
        }
        return map;
    }();
    const auto it = shared.find(lowered);
    if (it != shared.end())
        return it->second;
    // No other code point lowers to it: only itself, when it is lower case.
    if (lower(lowered) == lowered)
        return { lowered };
    return {};
}

std::optional<std::vector<char32_t>> lowerCodePoints(QStringView text)
{
    std::vector<char32_t> out;
    out.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar u = text[i];
        if (u.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.push_back(lower(QChar::surrogateToUcs4(u, text[i + 1])));
            ++i;
        } else if (u.isSurrogate()) {
            return std::nullopt;
        } else {
            out.push_back(lower(u.unicode()));
        }
    }
    return out;
}

std::optional<QByteArray> lowerUtf8(QStringView text)
{
    const std::optional<std::vector<char32_t>> points = lowerCodePoints(text);
    if (!points)
        return std::nullopt;
    QByteArray out;
    out.reserve(qsizetype(points->size()));
    unsigned char bytes[4];
    for (const char32_t c : *points)
        out.append(reinterpret_cast<const char *>(bytes), encode(c, bytes));
    return out;
}

} // namespace Utf8Fold
