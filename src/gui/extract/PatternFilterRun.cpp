#include "PatternFilterRun.h"

#include "ExtractionRun.h"
#include "core/app/AppFailure.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/Prompts.h"
#include "core/extract/FoldedNeedle.h"
#include "core/extract/LineCursor.h"
#include "core/extract/LinesWithHits.h"
#include "core/extract/PatternMatcher.h"
#include "gui/app/Form1.h"

#include <QLineEdit>

namespace {

const QString FillOutText = QStringLiteral("Fill out text to use to extract lines.");

} // namespace

QString patternGaveUpText(const QString &path)
{
    return QStringLiteral("The regular expression needs too much work on a line of %1; the search of that file "
                          "ended there.")
        .arg(path);
}

void runPatternFilter(Form1 &form, const QLineEdit &box, bool keepContaining, const QString &procedure)
{
    LongCommand command(form);
    if (!command.started())
        return;
    ErrorTrap trap(form.prompts(), procedure);
    ExtractionRun run(form);
    const bool patterns = form.textsArePatterns();
    const bool onlyMatching = keepContaining && form.onlyMatchingText();
    const QString caption = keepContaining ? QStringLiteral("Extract All Lines Containing This Text:")
                                           : QStringLiteral("Extract All Lines Not Contain. This Text:");

    PatternMatcher pattern;
    FoldedNeedle needle;
    bool refused = false;
    trap.step(100, [&] {
        const QString text = box.text();
        if (text.isEmpty()) {
            form.prompts().info(FillOutText);
            refused = true;
        } else if (patterns) {
            pattern = PatternMatcher(text);
            if (!pattern.isValid()) {
                form.prompts().info(pattern.invalidMessage(caption));
                refused = true;
            }
        } else {
            needle = FoldedNeedle(text);
        }
    });
    if (refused)
        return;
    trap.step(102, [&] { refused = run.refuseWhenNoFiles(); });
    if (refused)
        return;
    trap.step(104, [&] { run.clearResults(); });
    trap.step(106, [&] { run.setUpColumns(); });

    FileStepMarks marks { .progress = 110, .path = 112, .caption = 114, .yield = 116, .busyPointer = 118, .read = 120 };
    if (keepContaining)
        marks.firstYield = 108;
    bool gaveUpBefore = false;
    run.forEachFile(trap, marks, FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
        // Containing: the next hit of a literal text in the whole buffer
        // passes over the lines before it at once.
        LinesWithHits hits;
        // Patterns (Containing): the next byte every match must hold does
        // the same.
        const auto nextHit = [&](qsizetype offset) {
            if (patterns)
                return pattern.nextCandidate(bytes, offset);
            return needle.holdsLineEnd() ? qsizetype(-1) : needle.indexIn(bytes, offset);
        };
        bool fileEnded = false;
        for (LineCursor lines(bytes); lines.atLine() && !form.AppClosing && !fileEnded;) {
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
                if (patterns) {
                    PatternMatcher::Outcome outcome;
                    if (onlyMatching) {
                        outcome = forEachMatch(pattern, line,
                            [&](qsizetype start, qsizetype end) { run.append(line.sliced(start, end - start), path); });
                    } else {
                        outcome = pattern.matchesIn(line);
                        if (outcome != PatternMatcher::Outcome::GaveUp
                            && (outcome == PatternMatcher::Outcome::Match) == keepContaining)
                            run.append(line, path);
                    }
                    if (outcome == PatternMatcher::Outcome::GaveUp) {
                        fileEnded = true;
                        if (!gaveUpBefore) {
                            gaveUpBefore = true;
                            throw AppFailure(patternGaveUpText(path));
                        }
                    }
                    return;
                }
                // Each occurrence in the line, as it stands there.
                const qsizetype size = needle.size();
                for (qsizetype at = needle.indexIn(line); at >= 0 && size > 0; at = needle.indexIn(line, at + size))
                    run.append(line.sliced(at, size), path);
            });
            if (!moved)
                lines.next();
        }
    });
    trap.step(126, [&] { run.resetProgress(); });
    trap.step(128, [&] { run.sayDone(); });
}
