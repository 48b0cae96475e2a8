#pragma once

#include "core/extract/TextKind.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct pcre2_real_code_8;
using pcre2_code_8 = pcre2_real_code_8;

// A typed text taken as a regular expression (PCRE2, 8-bit: each byte one
// character), matched ignoring case with the same Latin-1 letter pairs as
// every other search of the program. Compiled once, with the JIT where the
// machine has it, and matched under a match limit and a depth limit, so that
// a pattern that backtracks without end gives up on the line instead of
// holding the window.
//
// A character of the pattern outside ISO-8859-1 can never occur in an 8-bit
// file: it matches nothing.
//
// For decoded text (TextKind::Unicode) the pattern is compiled as UTF-8 with
// Unicode properties (\p{L}, \w for every script) and the engine's Unicode
// caseless matching, and matched against UTF-8 text; offsets stay bytes of
// that text. A byte sequence that is not valid UTF-8 is never part of a
// match, and never stops the engine.
class PatternMatcher
{
public:
    enum class Outcome { Match, NoMatch, GaveUp };

    PatternMatcher();
    explicit PatternMatcher(const QString &pattern);
    PatternMatcher(const QString &pattern, TextKind kind);
    ~PatternMatcher();
    PatternMatcher(PatternMatcher &&) noexcept;
    PatternMatcher &operator=(PatternMatcher &&) noexcept;

    bool isValid() const;
    TextKind textKind() const { return m_kind; }
    // When the pattern does not compile: the engine's message and the
    // offset in the typed text (in characters from its start; for decoded
    // text a character outside the BMP counts once) where it stopped.
    QString errorMessage() const { return m_error; }
    qsizetype errorOffset() const { return m_errorOffset; }
    // "... is not a valid regular expression: MESSAGE at position N."
    QString invalidMessage(const QString &boxCaption) const;

    // The first match in text that starts at or after from; start and end
    // give its stretch.
    Outcome find(QByteArrayView text, qsizetype from, qsizetype &start, qsizetype &end) const;
    // Whether the pattern matches anywhere in text.
    Outcome matchesIn(QByteArrayView text) const
    {
        qsizetype start = 0;
        qsizetype end = 0;
        return find(text, 0, start, end);
    }

    // Capture groups: how many, and each one's column name (its name for a
    // named group, else its number), in group order.
    int groupCount() const;
    QStringList groupNames() const;
    // The groups of the match find() last gave in text, one cell each (empty
    // for a group that took no part).
    void lastGroups(QByteArrayView text, QList<QByteArrayView> &cells) const;

    // A prefilter over a whole buffer: the offset of the next byte at or
    // after from that every match must hold (in either letter case), or -1
    // when the buffer holds none after from. from itself when the pattern
    // has no such byte. A line without that byte cannot match.
    qsizetype nextCandidate(QByteArrayView text, qsizetype from) const;

    // The most work one match may do before it gives up.
    static constexpr unsigned MatchLimit = 200000;
    static constexpr unsigned DepthLimit = 2000;

private:
    struct Compiled;

    void compileBytes(const QString &pattern);
    void compileUnicode(const QString &pattern);
    // Takes a compiled pattern, or the compiler's message and the offset in
    // the typed text (typedOffset: per pattern byte) when it failed.
    bool keep(pcre2_code_8 *code, int errorCode, size_t errorAt, const std::vector<qsizetype> &typedOffset);
    // The one code unit every match holds (the last required, else the
    // fixed first), if the pattern has one.
    static std::optional<uint32_t> requiredUnit(const pcre2_code_8 *code);

    TextKind m_kind = TextKind::Bytes;
    std::unique_ptr<Compiled> m_compiled;
    // The byte every match holds (both its letter cases), if any.
    int m_required = -1;
    int m_requiredOther = -1;
    QString m_error;
    qsizetype m_errorOffset = -1;
};

// Calls found(start, end) for each non-empty match in line, in order and
// without overlap. Returns GaveUp when the engine gave up part way, else
// NoMatch or Match (whether any match was found).
template <class Found>
PatternMatcher::Outcome forEachMatch(const PatternMatcher &matcher, QByteArrayView line, Found &&found)
{
    PatternMatcher::Outcome any = PatternMatcher::Outcome::NoMatch;
    for (qsizetype from = 0; from <= line.size();) {
        qsizetype start = 0;
        qsizetype end = 0;
        const PatternMatcher::Outcome outcome = matcher.find(line, from, start, end);
        if (outcome != PatternMatcher::Outcome::Match)
            return outcome == PatternMatcher::Outcome::GaveUp ? outcome : any;
        any = PatternMatcher::Outcome::Match;
        if (end > start) {
            found(start, end);
            from = end;
        } else {
            from = end + 1;
        }
    }
    return any;
}
