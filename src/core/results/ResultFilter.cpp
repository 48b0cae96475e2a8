#include "ResultFilter.h"

#include "ResultsModel.h"
#include "core/app/Latin1.h"

ResultFilter::ResultFilter(const QString &text, TextKind kind, bool pattern)
    : m_kind(kind)
    , m_pattern(pattern)
{
    if (pattern)
        m_matcher = std::make_shared<PatternMatcher>(text, kind);
    else
        m_needle = TextNeedle(text, kind);
}

bool ResultFilter::isValid() const
{
    return !m_pattern || m_matcher->isValid();
}

QString ResultFilter::errorText() const
{
    if (isValid())
        return QString();
    return QStringLiteral("Not a valid regular expression: %1 at position %2.")
        .arg(m_matcher->errorMessage())
        .arg(m_matcher->errorOffset());
}

bool ResultFilter::cellPasses(QByteArrayView cell) const
{
    if (m_pattern)
        return m_matcher->matchesIn(cell) == PatternMatcher::Outcome::Match;
    return m_needle.indexIn(cell) >= 0;
}

bool ResultFilter::passes(const ResultsModel &results, size_t stored) const
{
    if (results.anyFoundCell(stored, [this](QByteArrayView cell) { return cellPasses(cell); }))
        return true;
    // The source path is looked at too, when the list shows it.
    const std::int32_t source = results.storedSourceIndex(stored);
    if (source < 0)
        return false;
    const QString &path = results.sourcePathAt(source);
    if (path != m_path) {
        m_path = path;
        // A path is searched as the list's texts are: 8-bit when it can be,
        // else as UTF-8.
        const std::optional<QByteArray> latin1 = m_kind == TextKind::Bytes ? Latin1::fromString(path) : std::nullopt;
        m_pathBytes = latin1 ? *latin1 : path.toUtf8();
    }
    return cellPasses(m_pathBytes);
}
