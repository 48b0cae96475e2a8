#include "ExtractionCommands.h"
#include "ExtractionRun.h"
#include "LineCursor.h"
#include "RunHost.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"

// Extract All Lines: every line of every listed file becomes a result.
void ExtractionCommands::allLines(RunHost &host, ErrorTrap &trap, const ExtractionJob &job)
{
    ExtractionRun run(host, job.textKind());
    int mark = 0;
    if (!run.prepare(trap, ExtractionRun::Preamble::ClearFirst, {}, mark))
        return;
    run.forEachFile(trap,
        { .progress = 106, .path = 108, .caption = 110, .yield = 112, .busyPointer = 114, .read = 116 },
        FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
            for (LineCursor lines(bytes); lines.atLine() && !host.closing(); lines.next()) {
                trap.step(118, [&] { EventPump::yield(); });
                trap.step(120, [&] { run.append(lines.line(), path, lines.lineNumber(), &bytes); });
            }
        });
    trap.step(122, [&] { run.resetProgress(); });
    trap.step(124, [&] { run.sayDone(); });
}
