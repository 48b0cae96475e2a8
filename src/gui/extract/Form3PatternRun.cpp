#include "ExtractionRun.h"
#include "Form3.h"
#include "PatternFilterRun.h"
#include "ResultsListSwitch.h"
#include "core/app/AppFailure.h"
#include "core/app/ErrorTrap.h"
#include "core/app/Prompts.h"
#include "core/extract/FoldedNeedle.h"
#include "core/extract/LineCursor.h"
#include "core/extract/PatternMatcher.h"
#include "gui/app/Form1.h"

#include <QTableView>

#include <vector>

// Start Extracting with regular expressions or only the matching text: the
// same steps as the literal run, with the sets taken once at the start (as
// patterns compiled before anything is cleared, or as texts). Each line is
// tested against each set in list order; a set it holds appends the line,
// or with only the matching text each match of that set in the line.
void Form3::startPatternExtracting()
{
    Form1 &form = mainWindow();
    LongCommand command(form);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), QStringLiteral("Form3.PushButton4_Click"));
    ExtractionRun run(form);
    const bool patterns = form.textsArePatterns();
    const bool onlyMatching = form.onlyMatchingText();

    bool refused = false;
    trap.step(100, [&] { refused = run.refuseWhenNoFiles(); });
    if (refused)
        return;
    trap.step(102, [&] { setBusyPointer(true); });
    QStringList sets;
    trap.step(104, [&] { sets = setItems(); });
    if (sets.isEmpty()) {
        trap.step(106, [&] { setBusyPointer(false); });
        trap.step(108, [&] { prompts().info(QStringLiteral("Fill out combobox text to use to extract lines.")); });
        return;
    }
    std::vector<PatternMatcher> setPatterns;
    std::vector<FoldedNeedle> setTexts;
    if (patterns) {
        for (const QString &set : std::as_const(sets)) {
            setPatterns.emplace_back(set);
            if (!setPatterns.back().isValid()) {
                setBusyPointer(false);
                prompts().info(setPatterns.back().invalidMessage(windowTitle()));
                return;
            }
        }
    } else {
        for (const QString &set : std::as_const(sets))
            setTexts.emplace_back(set);
    }
    trap.step(110, [&] { run.clearResults(); });
    trap.step(112, [&] { run.setUpColumns(); });

    ResultsListSwitch resultsList(form.findChild<QTableView *>(QStringLiteral("ListView2")));
    bool gaveUpBefore = false;
    run.forEachFile(
        trap, { .progress = 114, .path = 116, .caption = 118, .yield = 120, .busyPointer = 122, .read = 124 },
        FileReader::Lines,
        [&](const QString &path, const QByteArray &bytes) {
            bool fileEnded = false;
            for (LineCursor lines(bytes); lines.atLine() && !form.AppClosing && !fileEnded; lines.next()) {
                trap.step(126, [&] { resultsList.yield(); });
                trap.step(128, [&] { resultsList.switchOff(); });
                trap.step(130, [&] {
                    const QByteArrayView line = lines.line();
                    for (qsizetype i = 0; i < sets.size() && !fileEnded; ++i) {
                        if (!patterns) {
                            const FoldedNeedle &needle = setTexts[size_t(i)];
                            if (needle.holdsLineEnd())
                                continue;
                            const qsizetype size = needle.size();
                            for (qsizetype at = needle.indexIn(line); at >= 0 && size > 0;
                                 at = needle.indexIn(line, at + size))
                                run.append(line.sliced(at, size), path);
                            continue;
                        }
                        const PatternMatcher &pattern = setPatterns[size_t(i)];
                        PatternMatcher::Outcome outcome;
                        if (onlyMatching) {
                            outcome = forEachMatch(pattern, line, [&](qsizetype start, qsizetype end) {
                                run.append(line.sliced(start, end - start), path);
                            });
                        } else {
                            outcome = pattern.matchesIn(line);
                            if (outcome == PatternMatcher::Outcome::Match)
                                run.append(line, path);
                        }
                        if (outcome == PatternMatcher::Outcome::GaveUp) {
                            fileEnded = true;
                            if (!gaveUpBefore) {
                                gaveUpBefore = true;
                                throw AppFailure(patternGaveUpText(path));
                            }
                        }
                    }
                });
            }
            trap.step(132, [&] { resultsList.switchOn(); });
        },
        [&] { setBusyPointer(true); });
    trap.step(134, [&] { setBusyPointer(false); });
    trap.step(136, [&] { run.resetProgress(); });
    trap.step(138, [&] { run.sayDone(); });
}
