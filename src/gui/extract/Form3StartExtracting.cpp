#include "ExtractionRun.h"
#include "Form3.h"
#include "ResultsListSwitch.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/Prompts.h"
#include "core/extract/LineCursor.h"
#include "core/extract/LinesWithHits.h"
#include "gui/app/Form1.h"

#include <QTableView>

// Start Extracting: every line of every listed file that contains a text
// set, ignoring case, appended once for each set it contains (the append
// step's duplicate test keeps it to one when duplicates are removed).
//
// The number of sets is taken once; each line is tested against the sets
// at the positions below it as the list stands at that line, so sets added
// during the run are not used and sets removed during it are simply no
// longer there to match. The list can only change while events are
// processed, at a yield.
void Form3::PushButton4_Click()
{
    Form1 &form = mainWindow();
    if (form.textsArePatterns() || form.onlyMatchingText()) {
        startPatternExtracting();
        return;
    }
    LongCommand command(form);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), QStringLiteral("Form3.PushButton4_Click"));
    ExtractionRun run(form);

    bool refused = false;
    trap.step(100, [&] { refused = run.refuseWhenNoFiles(); });
    if (refused)
        return;
    trap.step(102, [&] { setBusyPointer(true); });
    qsizetype setCount = 0;
    trap.step(104, [&] { setCount = setItems().size(); });
    if (setCount == 0) {
        trap.step(106, [&] { setBusyPointer(false); });
        trap.step(108, [&] { prompts().info(QStringLiteral("Fill out combobox text to use to extract lines.")); });
        return;
    }
    trap.step(110, [&] { run.clearResults(); });
    trap.step(112, [&] { run.setUpColumns(); });

    ResultsListSwitch resultsList(form.findChild<QTableView *>(QStringLiteral("ListView2")));
    std::vector<qsizetype> found;
    run.forEachFile(
        trap, { .progress = 114, .path = 116, .caption = 118, .yield = 120, .busyPointer = 122, .read = 124 },
        FileReader::Lines,
        [&](const QString &path, const QByteArray &bytes) {
            // The whole file is run through the automaton to find the next
            // line that holds any set; the lines before it are passed over
            // at once.
            LinesWithHits hits;
            quint64 matcherUsed = m_matcherBuilds;
            const auto nextHit = [&](qsizetype offset) { return currentMatcher().nextMatchEnd(bytes, offset); };
            for (LineCursor lines(bytes); lines.atLine() && !form.AppClosing;) {
                trap.step(126, [&] { resultsList.yield(); });
                trap.step(128, [&] { resultsList.switchOff(); });
                bool moved = false;
                trap.step(130, [&] {
                    const TextSetMatcher &matcher = currentMatcher();
                    if (matcherUsed != m_matcherBuilds) {
                        hits.forget();
                        matcherUsed = m_matcherBuilds;
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
                        run.append(line, path);
                    }
                });
                if (!moved)
                    lines.next();
            }
            trap.step(132, [&] { resultsList.switchOn(); });
        },
        [&] { setBusyPointer(true); });
    trap.step(134, [&] { setBusyPointer(false); });
    trap.step(136, [&] { run.resetProgress(); });
    trap.step(138, [&] { run.sayDone(); });
}
