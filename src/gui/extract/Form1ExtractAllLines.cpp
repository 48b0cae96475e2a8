#include "ExtractionRun.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/extract/LineCursor.h"
#include "gui/app/Form1.h"

// Extract All Lines: every line of every listed file becomes a result.
void Form1::PushButton13_Click()
{
    LongCommand command(*this);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton13_Click"));
    ExtractionRun run(*this);

    trap.step(100, [&] { run.clearResults(); });
    bool noFiles = false;
    trap.step(102, [&] { noFiles = run.refuseWhenNoFiles(); });
    if (noFiles)
        return;
    trap.step(104, [&] { run.setUpColumns(); });

    run.forEachFile(trap,
        { .progress = 106, .path = 108, .caption = 110, .yield = 112, .busyPointer = 114, .read = 116 },
        FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
            for (LineCursor lines(bytes); lines.atLine() && !AppClosing; lines.next()) {
                trap.step(118, [&] { EventPump::yield(); });
                trap.step(120, [&] { run.append(lines.line(), path, &bytes); });
            }
        });
    trap.step(122, [&] { run.resetProgress(); });
    trap.step(124, [&] { run.sayDone(); });
}
