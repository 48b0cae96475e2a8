#include "BetweenMarkers.h"
#include "ExtractionCommands.h"
#include "ExtractionRun.h"
#include "LineCursor.h"
#include "LineOccurrences.h"
#include "PatternBetween.h"
#include "PatternMatcher.h"
#include "RunHost.h"
#include "UnicodeBetweenMarkers.h"
#include "core/app/ErrorTrap.h"
#include "core/app/Prompts.h"

// Extract Between X and Y: every stretch from X up to the next Y of each
// listed file. Each file's whole text is searched at once, so a stretch is
// found wherever it lies, also across the 65,536-character blocks the file
// is read in. Markers edited during the run apply from the next file on;
// patterns are compiled once, before anything is cleared.
void ExtractionCommands::between(RunHost &host, ErrorTrap &trap, ExtractionJob &job)
{
    ExtractionRun run(host, job.textKind());
    const bool patterns = job.patterns;
    PatternMatcher startPattern;
    PatternMatcher endPattern;
    const auto checkInput = [&](ErrorTrap &, int &mark) {
        bool refused = false;
        trap.step(mark, [&] {
            if (job.startMarker.isEmpty() || job.endMarker.isEmpty()) {
                host.prompts().info(
                    QStringLiteral("Fill out starting text (or character) and fill out ending text (or character)."));
                refused = true;
            } else if (patterns) {
                startPattern = PatternMatcher(job.startMarker, job.textKind());
                endPattern = PatternMatcher(job.endMarker, job.textKind());
                if (!startPattern.isValid()) {
                    host.prompts().info(startPattern.invalidMessage(QStringLiteral("Start with (X)")));
                    refused = true;
                } else if (!endPattern.isValid()) {
                    host.prompts().info(endPattern.invalidMessage(QStringLiteral("End with (Y)")));
                    refused = true;
                }
            }
        });
        mark += 2;
        return refused;
    };
    int mark = 0;
    if (!run.prepare(trap, ExtractionRun::Preamble::InputFirst, checkInput, mark))
        return;

    PatternGaveUp gaveUp;
    quint64 textsSeen = host.textsRevision();
    run.forEachFile(trap,
        { .firstBusyPointer = 108, .progress = 110, .path = 112, .caption = 114, .yield = 116, .read = 118 },
        FileReader::Blocks, [&](const QString &path, const QByteArray &bytes) {
            // The yield before the read is the run's only one.
            trap.step(120, [&] {
                // A stretch's line is the one it starts on; stretches come in
                // the order they stand in the file.
                LineNumbering lines(bytes);
                if (patterns) {
                    PatternBetween cutter(bytes, startPattern, endPattern);
                    while (const std::optional<QByteArrayView> result = cutter.next()) {
                        if (!result->isEmpty())
                            run.append(*result, path, lines.lineOf(*result));
                    }
                    if (cutter.gaveUp())
                        gaveUp.report(path);
                    return;
                }
                if (host.textsRevision() != textsSeen) {
                    textsSeen = host.textsRevision();
                    host.refreshTexts(job);
                }
                const auto appendEach = [&](auto &&cutter) {
                    while (const std::optional<QByteArrayView> result = cutter.next()) {
                        if (!result->isEmpty())
                            run.append(*result, path, lines.lineOf(*result));
                    }
                };
                if (job.decoded)
                    appendEach(UnicodeBetweenMarkers(bytes, job.startMarker, job.endMarker));
                else
                    appendEach(BetweenMarkers(bytes, job.startMarker, job.endMarker));
            });
        });
    trap.step(122, [&] { host.setBusyPointer(false); });
    trap.step(124, [&] { run.resetProgress(); });
    trap.step(126, [&] { run.sayDone(); });
}
