// The stored form of the text-set list: the sets joined with "!!!QUIRL!!!".
// There is no escaping, so what survives a round trip is exactly this:
//  - splitting and joining again gives any stored value back;
//  - no piece of a split holds the delimiter, an empty value is no sets, and
//    a non-empty value has one piece more than it has delimiters (counted
//    left to right, not overlapping);
//  - a list comes back from join then split exactly when it is not the one
//    empty set (that is stored as the empty value, which is no sets), no set
//    holds the delimiter, and no set but the last ends so that the delimiter
//    after it is found early: "!!!QUIRL", "!!!QUIRL!" and "!!!QUIRL!!" run
//    on into the delimiter that follows ("...!!!QUIRL" + "!!!" + ...).
// Input bytes 1..3 stand for the delimiter and for those two pieces of it,
// byte 4 separates the sets and byte 5 stands for a character beyond 8 bits.

#include "FuzzCheck.h"
#include "core/extract/TextSets.h"

#include <QStringList>

namespace {

const QString Delimiter = QStringLiteral("!!!QUIRL!!!");

// The delimiters in a text, left to right, each search going on after the
// one before.
qsizetype countDelimiters(const QString &text)
{
    qsizetype count = 0;
    qsizetype i = 0;
    while (i + Delimiter.size() <= text.size()) {
        if (QStringView(text).sliced(i, Delimiter.size()) == Delimiter) {
            ++count;
            i += Delimiter.size();
        } else {
            ++i;
        }
    }
    return count;
}

bool holdsDelimiter(const QString &text)
{
    return countDelimiters(text) > 0;
}

// Whether the first delimiter in set + delimiter is the one appended.
bool delimiterFoundWhereAppended(const QString &set)
{
    const QString joined = set + Delimiter;
    for (qsizetype i = 0; i < set.size(); ++i) {
        if (QStringView(joined).sliced(i, Delimiter.size()) == Delimiter)
            return false;
    }
    return true;
}

QString expand(const unsigned char *data, size_t size)
{
    QString text;
    for (size_t i = 0; i < size; ++i) {
        switch (data[i]) {
        case 1:
            text += Delimiter;
            break;
        case 2:
            text += QStringLiteral("!!!QUIRL");
            break;
        case 3:
            text += QStringLiteral("!!!");
            break;
        case 5:
            text += QChar(0x20AC);
            break;
        default:
            text += QChar(char16_t(data[i]));
            break;
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    FUZZ_CHECK(TextSets::Delimiter == Delimiter);
    const QString text = expand(data, size);

    // The text as a stored value.
    const QStringList pieces = TextSets::split(text);
    FUZZ_CHECK(TextSets::join(pieces) == text);
    if (text.isEmpty())
        FUZZ_CHECK(pieces.isEmpty());
    else
        FUZZ_CHECK(pieces.size() == countDelimiters(text) + 1);
    for (const QString &piece : pieces)
        FUZZ_CHECK(!holdsDelimiter(piece));

    // The text as a list of sets, separated by byte 4.
    const QStringList sets = text.split(QChar(4));
    const QString stored = TextSets::join(sets);
    QString concatenated;
    for (qsizetype i = 0; i < sets.size(); ++i)
        concatenated += (i > 0 ? Delimiter : QString()) + sets[i];
    FUZZ_CHECK(stored == concatenated);
    bool survives = !(sets.size() == 1 && sets.front().isEmpty());
    for (qsizetype i = 0; i < sets.size(); ++i) {
        if (holdsDelimiter(sets[i]) || (i + 1 < sets.size() && !delimiterFoundWhereAppended(sets[i])))
            survives = false;
    }
    FUZZ_CHECK((TextSets::split(stored) == sets) == survives);

    FUZZ_CHECK(TextSets::join({}).isEmpty());
    FUZZ_CHECK(TextSets::split(TextSets::join({})).isEmpty());
    return 0;
}
