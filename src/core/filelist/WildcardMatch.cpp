#include "WildcardMatch.h"

namespace {

// The length in UTF-16 units of the character at position i (a surrogate
// pair is one character).
qsizetype characterLength(QStringView text, qsizetype i)
{
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

bool sameIgnoringCase(QChar a, QChar b)
{
    return a == b || QChar::toCaseFolded(a.unicode()) == QChar::toCaseFolded(b.unicode());
}

} // namespace

bool WildcardMatch(QStringView pattern, QStringView name)
{
    // Greedy matching that, on a mismatch, lets the last "*" take one more
    // character: linear for the usual patterns, never exponential.
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1;
    qsizetype starTook = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            starTook = n;
        } else if (p < pattern.size() && pattern[p] == u'?') {
            ++p;
            n += characterLength(name, n);
        } else if (p < pattern.size() && sameIgnoringCase(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            starTook += characterLength(name, starTook);
            n = starTook;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}
