#include "ExtractionCommands.h"
#include "ExtractionRun.h"
#include "LineCursor.h"
#include "LineOccurrences.h"
#include "LinesWithHits.h"
#include "PatternMatcher.h"
#include "RunHost.h"
#include "TextNeedle.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/Prompts.h"

namespace {

const QString FillOutText = QStringLiteral("Fill out text to use to extract lines.");

// The per-file marks of both filters; Containing yields once more at the
// start of each file.
FileStepMarks filterMarks(bool keepContaining)
{
    FileStepMarks marks { .progress = 110, .path = 112, .caption = 114, .yield = 116, .busyPointer = 118, .read = 120 };
    if (keepContaining)
        marks.firstYield = 108;
    return marks;
}

} // namespace

// Containing and Not Containing: a run whose line test is whether the text
// occurs in the line (ignoring case), or does not. The lines are examined in
// order, but a search over the file's whole buffer finds the next line that
// holds the text, so Containing passes over the lines before it in one step.
// The text is taken up again whenever it is edited during the run.
void ExtractionCommands::lineFilter(RunHost &host, ErrorTrap &trap, ExtractionJob &job)
{
    const bool keepContaining = job.kind == ExtractionJob::Kind::Containing;
    ExtractionRun run(host, job.textKind());
    int mark = 0;
    if (!run.prepare(
            trap, ExtractionRun::Preamble::InputFirst, ExtractionRun::refuseEmpty(job.text, FillOutText), mark))
        return;

    TextNeedle needle;
    bool needleKnown = false;
    quint64 textsSeen = 0;
    run.forEachFile(
        trap, filterMarks(keepContaining), FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
            LinesWithHits hits;
            const auto nextHit = [&](qsizetype offset) {
                return needle.holdsLineEnd() ? qsizetype(-1) : needle.indexIn(bytes, offset);
            };
            for (LineCursor lines(bytes); lines.atLine() && !host.closing();) {
                trap.step(122, [&] { EventPump::yield(); });
                bool moved = false;
                trap.step(124, [&] {
                    if (!needleKnown || host.textsRevision() != textsSeen) {
                        textsSeen = host.textsRevision();
                        host.refreshTexts(job);
                        needle = TextNeedle(job.text, job.textKind());
                        needleKnown = true;
                        hits.forget();
                    }
                    const qsizetype hit = hits.hitFrom(lines.lineStart(), nextHit);
                    const bool holdsText = hit >= 0 && hit <= lines.lineEnd();
                    if (holdsText == keepContaining) {
                        run.append(lines.line(), path, lines.lineNumber());
                    } else if (keepContaining) {
                        // The lines before the hit's line do not hold the text.
                        moved = true;
                        lines.moveToHit(hit);
                    }
                });
                if (!moved)
                    lines.next();
            }
        });
    trap.step(126, [&] { run.resetProgress(); });
    trap.step(128, [&] { run.sayDone(); });
}

// The same filters when the text is a regular expression or only the
// matching text is extracted: the pattern is compiled once, before anything
// is cleared, and each line is tested by it; Containing appends each match
// instead of the line when only the matching text is wanted.
void ExtractionCommands::patternLineFilter(RunHost &host, ErrorTrap &trap, const ExtractionJob &job)
{
    const bool keepContaining = job.kind == ExtractionJob::Kind::Containing;
    const bool patterns = job.patterns;
    const bool onlyMatching = keepContaining && job.onlyMatching;
    const QString caption = keepContaining ? QStringLiteral("Extract All Lines Containing This Text:")
                                           : QStringLiteral("Extract All Lines Not Contain. This Text:");
    ExtractionRun run(host, job.textKind());
    PatternMatcher pattern;
    TextNeedle needle;
    const auto checkInput = [&](ErrorTrap &, int &mark) {
        bool refused = false;
        trap.step(mark, [&] {
            if (job.text.isEmpty()) {
                host.prompts().info(FillOutText);
                refused = true;
            } else if (patterns) {
                pattern = PatternMatcher(job.text, job.textKind());
                if (!pattern.isValid()) {
                    host.prompts().info(pattern.invalidMessage(caption));
                    refused = true;
                } else if (onlyMatching && pattern.groupCount() > 0) {
                    // Each group of a match is a column of its own.
                    run.useTable(pattern.groupNames());
                }
            } else {
                needle = TextNeedle(job.text, job.textKind());
            }
        });
        mark += 2;
        return refused;
    };
    int mark = 0;
    if (!run.prepare(trap, ExtractionRun::Preamble::InputFirst, checkInput, mark))
        return;

    PatternGaveUp gaveUp;
    QList<QByteArrayView> groups;
    run.forEachFile(
        trap, filterMarks(keepContaining), FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
            // Containing: the next hit of a literal text in the whole buffer
            // passes over the lines before it at once; for a pattern, the
            // next byte every match must hold does the same.
            LinesWithHits hits;
            const auto nextHit = [&](qsizetype offset) {
                if (patterns)
                    return pattern.nextCandidate(bytes, offset);
                return needle.holdsLineEnd() ? qsizetype(-1) : needle.indexIn(bytes, offset);
            };
            bool fileEnded = false;
            for (LineCursor lines(bytes); lines.atLine() && !host.closing() && !fileEnded;) {
                trap.step(122, [&] { EventPump::yield(); });
                bool moved = false;
                trap.step(124, [&] {
                    if (keepContaining) {
                        const qsizetype hit = hits.hitFrom(lines.lineStart(), nextHit);
                        if (hit < 0 || hit > lines.lineEnd()) {
                            moved = true;
                            lines.moveToHit(hit);
                            return;
                        }
                    }
                    const QByteArrayView line = lines.line();
                    const qint64 number = lines.lineNumber();
                    if (!patterns) {
                        forEachOccurrence(needle, line, [&](QByteArrayView found) { run.append(found, path, number); });
                        return;
                    }
                    PatternMatcher::Outcome outcome;
                    if (onlyMatching && pattern.groupCount() > 0) {
                        outcome = forEachMatch(pattern, line, [&](qsizetype, qsizetype) {
                            pattern.lastGroups(line, groups);
                            run.appendRow(groups, path, number);
                        });
                    } else if (onlyMatching) {
                        outcome = forEachMatch(pattern, line, [&](qsizetype start, qsizetype end) {
                            run.append(line.sliced(start, end - start), path, number);
                        });
                    } else {
                        outcome = pattern.matchesIn(line);
                        if (outcome != PatternMatcher::Outcome::GaveUp
                            && (outcome == PatternMatcher::Outcome::Match) == keepContaining)
                            run.append(line, path, number);
                    }
                    if (outcome == PatternMatcher::Outcome::GaveUp) {
                        fileEnded = true;
                        gaveUp.report(path);
                    }
                });
                if (!moved)
                    lines.next();
            }
        });
    trap.step(126, [&] { run.resetProgress(); });
    trap.step(128, [&] { run.sayDone(); });
}
