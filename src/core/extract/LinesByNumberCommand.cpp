#include "ExtractionCommands.h"
#include "ExtractionRun.h"
#include "LineCursor.h"
#include "LineNumberList.h"
#include "ResultsListSwitch.h"
#include "RunHost.h"
#include "core/app/ErrorTrap.h"

// Extract Lines By Number: the lines whose number within their file is in
// the job's comma-separated list.
void ExtractionCommands::linesByNumber(RunHost &host, ErrorTrap &trap, const ExtractionJob &job)
{
    ExtractionRun run(host, job.textKind());
    int mark = 0;
    if (!run.prepare(trap, ExtractionRun::Preamble::InputFirst,
            ExtractionRun::refuseEmpty(job.text, QStringLiteral("Fill out text to use to extract lines.")), mark))
        return;
    trap.step(108, [&] { host.setBusyPointer(true); });
    // Each entry that does not convert shows the error box here, once,
    // before the first file is read.
    LineNumberList numbers;
    trap.step(
        110, [&] { numbers = LineNumberList::fromText(job.text, [&](const QString &why) { trap.report(why); }); });

    ResultsListSwitch resultsList(host);
    run.forEachFile(trap, { .progress = 112, .path = 114, .caption = 116, .yield = 118, .read = 120 },
        FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
            std::int64_t number = 0;
            for (LineCursor lines(bytes); lines.atLine() && !host.closing(); lines.next()) {
                ++number;
                trap.step(122, [&] { resultsList.yield(); });
                trap.step(124, [&] { resultsList.switchOff(); });
                trap.step(126, [&] {
                    if (numbers.selects(number))
                        run.append(lines.line(), path, number);
                });
            }
            trap.step(128, [&] { resultsList.switchOn(); });
        });
    trap.step(130, [&] { run.resetProgress(); });
    trap.step(132, [&] { run.sayDone(); });
}
