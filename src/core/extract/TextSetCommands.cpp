#include "ExtractionCommands.h"
#include "ExtractionRun.h"
#include "LineCursor.h"
#include "LineOccurrences.h"
#include "LinesWithHits.h"
#include "PatternMatcher.h"
#include "ResultsListSwitch.h"
#include "RunHost.h"
#include "SetMatcher.h"
#include "TextNeedle.h"
#include "core/app/ErrorTrap.h"
#include "core/app/Prompts.h"

#include <vector>

namespace {

const FileStepMarks SetMarks {
    .progress = 114, .path = 116, .caption = 118, .yield = 120, .busyPointer = 122, .read = 124
};

// The input check of both text-set runs (line marks 102 to 108): the busy
// pointer, the number of sets, and when there are none the pointer back and
// the box. Leaves mark at 110 either way.
bool refuseNoSets(RunHost &host, ErrorTrap &trap, const ExtractionJob &job, qsizetype &setCount, int &mark)
{
    trap.step(102, [&] { host.setBusyPointer(true); });
    trap.step(104, [&] { setCount = job.sets.size(); });
    mark = 110;
    if (setCount > 0)
        return false;
    trap.step(106, [&] { host.setBusyPointer(false); });
    trap.step(108, [&] { host.prompts().info(QStringLiteral("Fill out combobox text to use to extract lines.")); });
    return true;
}

} // namespace

// Text sets: every line of every listed file that contains a text set,
// ignoring case, appended once for each set it contains (the append step's
// duplicate test keeps it to one when duplicates are removed).
//
// The number of sets is taken once; each line is tested against the sets
// at the positions below it as the list stands at that line, so sets added
// during the run are not used and sets removed during it are simply no
// longer there to match. The list can only change while events are
// processed, at a yield.
void ExtractionCommands::textSets(RunHost &host, ErrorTrap &trap, ExtractionJob &job)
{
    ExtractionRun run(host, job.textKind());
    qsizetype setCount = 0;
    int mark = 0;
    if (!run.prepare(
            trap, ExtractionRun::Preamble::FilesFirst,
            [&](ErrorTrap &, int &next) { return refuseNoSets(host, trap, job, setCount, next); }, mark))
        return;

    SetMatcher matcher(job.sets, job.textKind());
    quint64 textsSeen = host.textsRevision();
    ResultsListSwitch resultsList(host);
    std::vector<qsizetype> found;
    run.forEachFile(trap, SetMarks, FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
        // The whole file is run through the automaton to find the next line
        // that holds any set; the lines before it are passed over at once.
        LinesWithHits hits;
        const auto nextHit = [&](qsizetype offset) { return matcher.nextMatchEnd(bytes, offset); };
        for (LineCursor lines(bytes); lines.atLine() && !host.closing();) {
            trap.step(126, [&] { resultsList.yield(); });
            trap.step(128, [&] { resultsList.switchOff(); });
            bool moved = false;
            trap.step(130, [&] {
                if (host.textsRevision() != textsSeen) {
                    textsSeen = host.textsRevision();
                    host.refreshTexts(job);
                    matcher = SetMatcher(job.sets, job.textKind());
                    hits.forget();
                }
                const qsizetype hit = hits.hitFrom(lines.lineStart(), nextHit);
                if (hit < 0 || hit > lines.lineEnd()) {
                    moved = true;
                    lines.moveToHit(hit);
                    return;
                }
                const QByteArrayView line = lines.line();
                matcher.findContained(line, found);
                for (const qsizetype position : found) {
                    if (position >= setCount)
                        break;
                    run.append(line, path, lines.lineNumber());
                }
            });
            if (!moved)
                lines.next();
        }
        trap.step(132, [&] { resultsList.switchOn(); });
    });
    trap.step(134, [&] { host.setBusyPointer(false); });
    trap.step(136, [&] { run.resetProgress(); });
    trap.step(138, [&] { run.sayDone(); });
}

// Text sets as regular expressions, or with only the matching text: the same
// steps, with the sets taken once at the start (as patterns compiled before
// anything is cleared, or as texts). Each line is tested against each set
// in list order; a set it holds appends the line, or with only the matching
// text each match of that set in the line.
void ExtractionCommands::patternTextSets(RunHost &host, ErrorTrap &trap, const ExtractionJob &job)
{
    const bool patterns = job.patterns;
    const bool onlyMatching = job.onlyMatching;
    ExtractionRun run(host, job.textKind());
    qsizetype setCount = 0;
    std::vector<PatternMatcher> setPatterns;
    std::vector<TextNeedle> setTexts;
    const auto checkInput = [&](ErrorTrap &, int &next) {
        if (refuseNoSets(host, trap, job, setCount, next))
            return true;
        for (const QString &set : job.sets) {
            if (!patterns) {
                setTexts.emplace_back(set, job.textKind());
                continue;
            }
            setPatterns.emplace_back(set, job.textKind());
            if (!setPatterns.back().isValid()) {
                host.setBusyPointer(false);
                host.prompts().info(
                    setPatterns.back().invalidMessage(QStringLiteral("Extract Lines Containing These Text Sets")));
                return true;
            }
        }
        return false;
    };
    int mark = 0;
    if (!run.prepare(trap, ExtractionRun::Preamble::FilesFirst, checkInput, mark))
        return;

    ResultsListSwitch resultsList(host);
    PatternGaveUp gaveUp;
    run.forEachFile(trap, SetMarks, FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
        bool fileEnded = false;
        for (LineCursor lines(bytes); lines.atLine() && !host.closing() && !fileEnded; lines.next()) {
            trap.step(126, [&] { resultsList.yield(); });
            trap.step(128, [&] { resultsList.switchOff(); });
            trap.step(130, [&] {
                const QByteArrayView line = lines.line();
                const qint64 number = lines.lineNumber();
                for (qsizetype i = 0; i < setCount && !fileEnded; ++i) {
                    if (!patterns) {
                        forEachOccurrence(
                            setTexts[size_t(i)], line, [&](QByteArrayView found) { run.append(found, path, number); });
                        continue;
                    }
                    const PatternMatcher &pattern = setPatterns[size_t(i)];
                    PatternMatcher::Outcome outcome;
                    if (onlyMatching) {
                        outcome = forEachMatch(pattern, line, [&](qsizetype start, qsizetype end) {
                            run.append(line.sliced(start, end - start), path, number);
                        });
                    } else {
                        outcome = pattern.matchesIn(line);
                        if (outcome == PatternMatcher::Outcome::Match)
                            run.append(line, path, number);
                    }
                    if (outcome == PatternMatcher::Outcome::GaveUp) {
                        fileEnded = true;
                        gaveUp.report(path);
                    }
                }
            });
        }
        trap.step(132, [&] { resultsList.switchOn(); });
    });
    trap.step(134, [&] { host.setBusyPointer(false); });
    trap.step(136, [&] { run.resetProgress(); });
    trap.step(138, [&] { run.sayDone(); });
}
