#pragma once

#include "core/extract/UnicodeNeedle.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>
#include <vector>

// BetweenMarkers for decoded (UTF-8) text, with the same cut: the text is cut
// at every occurrence of the end marker Y (exact, case-sensitive, left to
// right, not overlapping) and the Y are dropped; the piece after the last Y
// is dropped; each other piece gives the part from its first start marker X
// (found ignoring letter case by the rule of Utf8Fold) to its end. An empty
// Y, or one holding a lone surrogate, never occurs; an empty X is found at
// the start of every piece. Results are views into the text (byte offsets
// in its UTF-8).
class UnicodeBetweenMarkers
{
public:
    UnicodeBetweenMarkers(QByteArrayView utf8, QStringView startMarker, QStringView endMarker);

    // The next result, or nothing when the text holds no more.
    std::optional<QByteArrayView> next();

private:
    std::optional<QByteArrayView> nextPieceByPiece();

    QByteArrayView m_text;
    UnicodeNeedle m_start;
    std::optional<QByteArray> m_end;
    qsizetype m_pieceStart = 0;
    // Whether no proper start of Y is also its end: then every Y in the text
    // is a cut, and a result can be found from its X outwards.
    bool m_endStandsAlone = false;
};

// Every result of a text, in order.
std::vector<QByteArrayView> ExtractBetweenUnicodeMarkers(
    QByteArrayView utf8, QStringView startMarker, QStringView endMarker);
