#pragma once

#include "core/extract/PatternMatcher.h"
#include "core/extract/TextKind.h"
#include "core/extract/TextNeedle.h"

#include <QByteArray>
#include <QString>

#include <memory>

class ResultsModel;

// What "Filter results" keeps: a row in which some column (the source path
// included) contains the text, ignoring letter case as the list's kind of
// text does (8-bit or decoded), or matches it as a pattern.
class ResultFilter
{
public:
    ResultFilter(const QString &text, TextKind kind, bool pattern);

    // False for a pattern that does not compile; errorText says why.
    bool isValid() const;
    QString errorText() const;

    // Whether the stored row passes. Not for use on two threads at once.
    bool passes(const ResultsModel &results, size_t stored) const;

private:
    bool cellPasses(QByteArrayView cell) const;

    TextKind m_kind;
    bool m_pattern;
    TextNeedle m_needle;
    std::shared_ptr<PatternMatcher> m_matcher;
    // The last path seen, in the kind's bytes (rows of one file come
    // together).
    mutable QString m_path;
    mutable QByteArray m_pathBytes;
};
