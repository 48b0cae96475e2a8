#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>

// The progress of a run as one line on standard error, rewritten in place:
// files done of all, results, MB/s and the time left (by the bytes still to
// read). Shown only while standard error is a terminal; redrawn at most a
// few times a second, and cleared at the end.
class ProgressLine
{
public:
    using Sink = std::function<void(const QString &text)>;

    // paths: the listed files, whose sizes give the bytes to read.
    ProgressLine(const QStringList &paths, Sink sink);

    // Before file number done (from 0) is read; results found so far.
    void update(qsizetype done, qsizetype results);
    // Takes the line away (before other lines are written, and at the end).
    void clear();

private:
    QString text(qsizetype done, qsizetype results) const;

    QStringList m_paths;
    Sink m_sink;
    QElapsedTimer m_clock;
    qint64 m_lastDrawn = -1;
    // Bytes of the files before m_sizedUpTo.
    qint64 m_bytesDone = 0;
    qsizetype m_sizedUpTo = 0;
    qint64 m_totalBytes = 0;
    bool m_shown = false;
};
