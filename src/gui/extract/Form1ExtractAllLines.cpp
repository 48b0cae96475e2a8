#include "ExtractionRun.h"
#include "app/ErrorTrap.h"
#include "app/EventPump.h"
#include "app/Form1.h"
#include "extract/FileReaders.h"
#include "filelist/FileListModel.h"

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

    const qsizetype fileCount = fileList().size();
    for (qsizetype i = 0; i < fileCount && run.fileStillListed(i); ++i) {
        QString path;
        trap.step(106, [&] { run.showFileProgress(i); });
        trap.step(108, [&] { path = fileList().path(i); });
        trap.step(110, [&] { run.showProcessingCaption(path); });
        trap.step(112, [&] { EventPump::yield(); });
        trap.step(114, [&] { setBusyPointer(true); });
        LineArray lines;
        trap.step(116, [&] { lines = ReadFileToStringFSOLine(path, prompts()); });
        for (qsizetype j = 0; j < lines.size() && !AppClosing; ++j) {
            trap.step(118, [&] { EventPump::yield(); });
            trap.step(120, [&] { run.append(lines.line(j), path, &lines.buffer()); });
        }
    }
    trap.step(122, [&] { run.resetProgress(); });
    trap.step(124, [&] { run.sayDone(); });
}
