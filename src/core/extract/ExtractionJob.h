#pragma once

#include "TextKind.h"

#include <QString>
#include <QStringList>

class QJsonObject;

// What one extraction is to do: which kind, with which texts, and how the
// texts are taken. The options read at each append (remove duplicates, show
// the source file) are not part of it: the driver answers them as the run
// goes.
struct ExtractionJob
{
    enum class Kind {
        AllLines,
        Containing,
        NotContaining,
        ByNumber,
        Between,
        TextSets,
        HeaderFields,
    };

    Kind kind = Kind::AllLines;
    // Containing and Not Containing: the text; By Number: the number list.
    QString text;
    // Between: the start and end markers.
    QString startMarker;
    QString endMarker;
    // Text sets, in list order.
    QStringList sets;
    // Header fields: the field names, in column order.
    QStringList fields;
    // Texts, markers and sets are regular expressions.
    bool patterns = false;
    // Only the matching text of a line is extracted, not the whole line.
    bool onlyMatching = false;
    // Files are read decoded, as a mail program shows them (UTF-8 text),
    // instead of as their 8-bit bytes.
    bool decoded = false;

    TextKind textKind() const { return decoded ? TextKind::Unicode : TextKind::Bytes; }

    // The kind named as in job files ("all", "containing", "not-containing",
    // "lines", "between", "sets", "fields"); false for an unknown name.
    static bool kindFromName(const QString &name, Kind &kind);
    // A job as a JSON object: {"kind": ..., "text": ..., "start": ...,
    // "end": ..., "sets": [...], "fields": "From, Date" or [...], "patterns":
    // bool, "onlyMatching": bool, "decoded": bool}.
    // Throws AppFailure naming what is wrong.
    static ExtractionJob fromJson(const QJsonObject &object);

    // Field names typed as a list: separated by commas, the blanks around
    // each name dropped, empty names left out.
    static QStringList fieldNames(const QString &typed);
};
