#pragma once

#include "TextNeedle.h"
#include "core/app/AppFailure.h"

#include <QByteArrayView>
#include <QString>

// Calls found(occurrence) for each occurrence of needle in line, left to
// right and without overlap, as it stands in the line (its letter case
// kept). An empty needle has none.
template <class Found> void forEachOccurrence(const TextNeedle &needle, QByteArrayView line, Found &&found)
{
    if (needle.isEmpty() || needle.holdsLineEnd())
        return;
    qsizetype length = 0;
    for (qsizetype at = needle.indexIn(line, 0, length); at >= 0 && length > 0;
         at = needle.indexIn(line, at + length, length))
        found(line.sliced(at, length));
}

// A pattern that needed too much work on a line ends the search of that
// file there; the first time in a run it says so (as the step's error), the
// later times it is silent.
class PatternGaveUp
{
public:
    // Call when the pattern gave up on a line of the file at path: throws
    // the error the first time, returns quietly after that.
    void report(const QString &path)
    {
        if (m_said)
            return;
        m_said = true;
        throw AppFailure(text(path));
    }

    static QString text(const QString &path)
    {
        return QStringLiteral("The regular expression needs too much work on a line of %1; the search of that "
                              "file ended there.")
            .arg(path);
    }

private:
    bool m_said = false;
};
