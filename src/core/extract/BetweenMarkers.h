#pragma once

#include "FoldedNeedle.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>
#include <vector>

// Cuts the stretches "from a start marker X up to the next end marker Y" out
// of a text, one at a time:
//  - the text is cut at every occurrence of Y (exact, case-sensitive, left to
//    right, not overlapping); the Y occurrences are dropped;
//  - the piece after the last Y (the whole text when Y never occurs) is
//    dropped: only text followed by a Y can give a result;
//  - each other piece gives the part from its first X, found ignoring letter
//    case, to its end; a piece without X gives nothing.
// So X is part of a result and Y is not, each Y closes at most one result,
// and a result begins at the first X after the previous Y. An empty Y never
// occurs (nothing results); an empty X is found at the start of every piece.
// Results are views into the text and stay valid as long as it does.
class BetweenMarkers
{
public:
    BetweenMarkers(QByteArrayView text, QStringView startMarker, QStringView endMarker);

    // The next result, or nothing when the text holds no more.
    std::optional<QByteArrayView> next();

private:
    std::optional<QByteArrayView> nextPieceByPiece();

    QByteArrayView m_text;
    FoldedNeedle m_start;
    std::optional<QByteArray> m_end;
    qsizetype m_pieceStart = 0;
    // Whether no proper start of Y is also its end: then no two Y can
    // overlap, every Y in the text is a cut, and a result can be found from
    // its X outwards instead of piece by piece.
    bool m_endStandsAlone = false;
};

// Every result of a text, in order.
std::vector<QByteArrayView> ExtractBetweenMarkers(QByteArrayView text, QStringView startMarker, QStringView endMarker);
