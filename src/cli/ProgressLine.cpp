#include "ProgressLine.h"

#include "core/app/CountText.h"

#include <QFileInfo>

namespace {
// Redrawn at most this often (ms).
constexpr qint64 RedrawInterval = 200;

qint64 fileSize(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : 0;
}
} // namespace

ProgressLine::ProgressLine(const QStringList &paths, Sink sink)
    : m_paths(paths)
    , m_sink(std::move(sink))
{
    for (const QString &path : m_paths)
        m_totalBytes += fileSize(path);
    m_clock.start();
}

void ProgressLine::update(qsizetype done, qsizetype results)
{
    while (m_sizedUpTo < done && m_sizedUpTo < m_paths.size())
        m_bytesDone += fileSize(m_paths[m_sizedUpTo++]);
    const qint64 now = m_clock.elapsed();
    if (m_lastDrawn >= 0 && now - m_lastDrawn < RedrawInterval)
        return;
    m_lastDrawn = now;
    m_sink(QStringLiteral("\r") + text(done, results) + QStringLiteral("\x1b[K"));
    m_shown = true;
}

void ProgressLine::clear()
{
    if (!m_shown)
        return;
    m_sink(QStringLiteral("\r\x1b[K"));
    m_shown = false;
    // The next update draws at once.
    m_lastDrawn = -1;
}

QString ProgressLine::text(qsizetype done, qsizetype results) const
{
    QString line = CountText::number(done) + QStringLiteral(" of ") + CountText::number(m_paths.size())
        + QStringLiteral(" files, ") + CountText::counted(results, QStringLiteral("result"), QStringLiteral("results"));
    const double seconds = double(m_clock.elapsed()) / 1000.0;
    if (seconds < 0.1 || m_bytesDone == 0)
        return line;
    line += QStringLiteral(", ") + QString::number(double(m_bytesDone) / 1e6 / seconds, 'f', 1)
        + QStringLiteral(" MB/s");
    const qint64 left = qint64(seconds * double(m_totalBytes - m_bytesDone) / double(m_bytesDone));
    line += QStringLiteral(", ") + QString::number(left / 60) + QLatin1Char(':')
        + QStringLiteral("%1").arg(left % 60, 2, 10, QLatin1Char('0')) + QStringLiteral(" left");
    return line;
}
