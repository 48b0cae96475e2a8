#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <array>
#include <vector>

// A text searched for in decoded (UTF-8) text regardless of letter case:
// both sides compared code point by code point, lower-cased as Utf8Fold
// does. Positions and lengths are bytes of the text searched; a match may be
// longer or shorter in bytes than the needle.
//
// The search looks first for the last byte of one or two needle characters
// whose every case form is known (for an ASCII letter mostly just its two
// cases, which differ in bit 0x20, so sixteen or thirty-two text positions
// are compared at once), and reads the text around such a byte, backwards
// and forwards, only where it agrees.
//
// The empty needle occurs at every position. A needle holding a lone
// surrogate occurs nowhere: no decoded text can hold one.
class UnicodeNeedle
{
public:
    UnicodeNeedle() = default;
    explicit UnicodeNeedle(QStringView text);

    // False for a needle that can never be found.
    bool isSearchable() const { return m_searchable; }
    bool isEmpty() const { return m_lowered.empty(); }
    // A needle holding a line end is never found within a line.
    bool holdsLineEnd() const { return m_holdsLineEnd; }

    // The first byte offset at or after from where the needle occurs in
    // utf8, or -1; matchLength, if given, receives the match's length in
    // bytes. A match always begins at a character's first byte.
    qsizetype indexIn(QByteArrayView utf8, qsizetype from = 0, qsizetype *matchLength = nullptr) const;
    bool occursIn(QByteArrayView utf8) const { return indexIn(utf8) >= 0; }

private:
    void chooseAnchors();
    bool matchesAround(const unsigned char *text, qsizetype n, qsizetype from, qsizetype anchorEnd, qsizetype &start,
        qsizetype &end) const;
    qsizetype pairIndexIn(const unsigned char *text, qsizetype n, qsizetype from, qsizetype *matchLength) const;
    qsizetype byteSetIndexIn(const unsigned char *text, qsizetype n, qsizetype from, qsizetype *matchLength) const;

    std::vector<char32_t> m_lowered;
    bool m_searchable = true;
    bool m_holdsLineEnd = false;
    // The needle character around whose last byte the text is read.
    qsizetype m_anchor = 0;
    // The pair scan: the anchor's last byte, and the last byte of a second
    // character m_pairDistance bytes after it (the same one at distance 0),
    // each equal to its byte once or-ed with its mask. m_afterPair counts
    // the characters after the second one.
    bool m_pair = false;
    qsizetype m_pairDistance = 0;
    qsizetype m_afterPair = 0;
    std::array<unsigned char, 2> m_pairByte {};
    std::array<unsigned char, 2> m_pairMask {};
    // Otherwise: every byte the anchor's case forms can end with.
    std::vector<unsigned char> m_lastBytes;
    std::array<bool, 256> m_isLastByte {};
};
