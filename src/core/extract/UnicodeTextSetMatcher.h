#pragma once

#include <QByteArrayView>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

// The text sets for decoded (UTF-8) text: which sets of a list a line
// contains, ignoring letter case by the rule of Utf8Fold, in one pass. An
// Aho-Corasick automaton over the UTF-8 bytes of the lower-cased sets is fed
// the lower-cased text: an ASCII byte is folded through a table, any other
// character is decoded, lower-cased and fed as the UTF-8 of its lower case
// (which may be longer or shorter than the original). UTF-8 synchronises
// itself, so a match of these bytes is a match of whole characters.
//
// The answers are those of TextSetMatcher, in UTF-8: a set is contained when
// its lower-cased text occurs in the lower-cased line; the empty set is in
// every line; a set holding a line end or a lone surrogate is in none. No
// set holds a line end, so a line end leads back to the start state and a
// whole buffer can be run at once.
//
// Build it once per list; matching keeps scratch state, so one matcher
// serves one caller at a time.
class UnicodeTextSetMatcher
{
public:
    UnicodeTextSetMatcher() = default;
    explicit UnicodeTextSetMatcher(const QStringList &textSets);

    qsizetype setCount() const { return m_setCount; }

    // Fills found with the positions in the list (ascending, each once) of
    // the text sets the line contains.
    void findContained(QByteArrayView line, std::vector<qsizetype> &found) const;

    // The byte offset of the last byte of the character that completes the
    // first set ending in text at or after from (matching begins afresh at
    // from), or -1. With an empty set in the list, from itself.
    qsizetype nextMatchEnd(QByteArrayView text, qsizetype from) const;

private:
    using State = std::int32_t;

    void build(const std::vector<std::pair<QByteArray, qsizetype>> &patterns);
    void collect(State row, std::vector<qsizetype> &found) const;
    // Runs the automaton over text[from, n) from row; stops and returns the
    // offset of the last byte of the character after which report(row)
    // returned true, or -1 at the end.
    template <class Report>
    qsizetype run(const unsigned char *text, qsizetype from, qsizetype n, const Report &report) const;

    qsizetype m_setCount = 0;
    // Byte of lower-cased text -> column of the transition table; an ASCII
    // byte is folded first. Bytes in no set share column 0.
    std::array<std::uint16_t, 256> m_column {};
    int m_columns = 1;
    // Row of state s starts at s * m_columns; each entry holds the start of
    // the next state's row.
    std::vector<State> m_next;
    // States that end some set are numbered last: a step has reached one
    // when its row start is at least this.
    State m_firstReportingRow = 0;
    std::vector<std::int32_t> m_ownBegin; // per state: its own sets in
    std::vector<std::int32_t> m_ownEnd; //   m_ownSets[begin, end)
    std::vector<qsizetype> m_ownSets;
    std::vector<State> m_outputLink; // nearest shorter suffix state ending a set, or -1
    std::vector<qsizetype> m_everywhere; // empty sets: in every line

    mutable std::vector<std::uint32_t> m_seenStamp;
    mutable std::uint32_t m_stamp = 0;
};
