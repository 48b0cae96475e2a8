#include "ExtractionRun.h"
#include "Form2.h"
#include "Form3.h"
#include "ResultsListSwitch.h"
#include "app/ErrorTrap.h"
#include "app/EventPump.h"
#include "app/Form1.h"
#include "app/Prompts.h"
#include "extract/FileReaders.h"
#include "extract/FoldedNeedle.h"
#include "extract/LineNumberList.h"
#include "filelist/FileListModel.h"
#include "results/ResultsModel.h"

#include <QLineEdit>
#include <QTreeView>

namespace {

const QString FillOutText = QStringLiteral("Fill out text to use to extract lines.");

// The search text of a box, read again at every line; its lower-cased form
// is rebuilt only when the text has changed since the last line.
class BoxNeedle
{
public:
    explicit BoxNeedle(const QLineEdit &box)
        : m_box(box)
    { }

    const FoldedNeedle &current()
    {
        const QString text = m_box.text();
        if (!m_built || text != m_text) {
            m_needle = FoldedNeedle(text);
            m_text = text;
            m_built = true;
        }
        return m_needle;
    }

private:
    const QLineEdit &m_box;
    QString m_text;
    FoldedNeedle m_needle;
    bool m_built = false;
};

// Containing and Not Containing: a run whose line test is whether the box's
// text occurs in the line (ignoring case), or does not.
void runTextFilter(Form1 &form, const QLineEdit &box, bool keepContaining, const QString &procedure)
{
    LongCommand command(form);
    if (!command.started())
        return;
    ErrorTrap trap(form.prompts(), procedure);
    ExtractionRun run(form);

    bool refused = false;
    trap.step(100, [&] {
        if (box.text().isEmpty()) {
            form.prompts().info(FillOutText);
            refused = true;
        }
    });
    if (refused)
        return;
    trap.step(102, [&] { refused = run.refuseWhenNoFiles(); });
    if (refused)
        return;
    trap.step(104, [&] { run.clearResults(); });
    trap.step(106, [&] { run.setUpColumns(); });

    BoxNeedle needle(box);
    const qsizetype fileCount = form.fileList().size();
    for (qsizetype i = 0; i < fileCount && run.fileStillListed(i); ++i) {
        // Containing yields once more at the start of each file.
        if (keepContaining)
            trap.step(108, [&] { EventPump::yield(); });
        if (!run.fileStillListed(i))
            break;
        QString path;
        trap.step(110, [&] { run.showFileProgress(i); });
        trap.step(112, [&] { path = form.fileList().path(i); });
        trap.step(114, [&] { run.showProcessingCaption(path); });
        trap.step(116, [&] { EventPump::yield(); });
        trap.step(118, [&] { form.setBusyPointer(true); });
        LineArray lines;
        trap.step(120, [&] { lines = ReadFileToStringFSOLine(path, form.prompts()); });
        for (qsizetype j = 0; j < lines.size() && !form.AppClosing; ++j) {
            trap.step(122, [&] { EventPump::yield(); });
            trap.step(124, [&] {
                const QByteArrayView line = lines.line(j);
                if (needle.current().occursIn(line) == keepContaining)
                    run.append(line, path);
            });
        }
    }
    trap.step(126, [&] { run.resetProgress(); });
    trap.step(128, [&] { run.sayDone(); });
}

} // namespace

// Extract All Lines Containing This Text.
void Form1::PushButton2_Click()
{
    runTextFilter(*this, *m_text1, true, QStringLiteral("Form1.PushButton2_Click"));
}

// Extract All Lines Not Containing This Text.
void Form1::PushButton8_Click()
{
    runTextFilter(*this, *m_text2, false, QStringLiteral("Form1.PushButton8_Click"));
}

// Extract Lines By Number: the lines whose number within their file is in
// the comma-separated list of Text5.
void Form1::PushButton7_Click()
{
    LongCommand command(*this);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton7_Click"));
    ExtractionRun run(*this);

    bool refused = false;
    trap.step(100, [&] {
        if (m_text5->text().isEmpty()) {
            prompts().info(FillOutText);
            refused = true;
        }
    });
    if (refused)
        return;
    trap.step(102, [&] { refused = run.refuseWhenNoFiles(); });
    if (refused)
        return;
    trap.step(104, [&] { run.clearResults(); });
    trap.step(106, [&] { run.setUpColumns(); });
    trap.step(108, [&] { setBusyPointer(true); });
    // Each entry that does not convert shows the error box here, once,
    // before the first file is read.
    LineNumberList numbers;
    trap.step(110,
        [&] { numbers = LineNumberList::fromText(m_text5->text(), [&](const QString &why) { trap.report(why); }); });

    ResultsListSwitch resultsList(m_listView2);
    const qsizetype fileCount = fileList().size();
    for (qsizetype i = 0; i < fileCount && run.fileStillListed(i); ++i) {
        QString path;
        trap.step(112, [&] { run.showFileProgress(i); });
        trap.step(114, [&] { path = fileList().path(i); });
        trap.step(116, [&] { run.showProcessingCaption(path); });
        trap.step(118, [&] { EventPump::yield(); });
        LineArray lines;
        trap.step(120, [&] { lines = ReadFileToStringFSOLine(path, prompts()); });
        for (qsizetype j = 0; j < lines.size() && !AppClosing; ++j) {
            trap.step(122, [&] { resultsList.yield(); });
            trap.step(124, [&] { resultsList.switchOff(); });
            trap.step(126, [&] {
                if (numbers.selects(j + 1))
                    run.append(lines.line(j), path);
            });
        }
        trap.step(128, [&] { resultsList.switchOn(); });
    }
    trap.step(130, [&] { run.resetProgress(); });
    trap.step(132, [&] { run.sayDone(); });
}

// Opens the Extract Between X and Y window, loading it on first use.
void Form1::PushButton4_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton4_Click"));
    trap.step(100, [&] {
        if (!m_form2) {
            m_form2 = new Form2(*this);
            m_form2->Form_Load();
        }
    });
    trap.step(102, [&] {
        if (m_form2)
            m_form2->showAgain();
    });
}

// Opens the text-sets window, loading it on first use.
void Form1::PushButton15_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton15_Click"));
    trap.step(100, [&] {
        if (!m_form3) {
            m_form3 = new Form3(*this);
            m_form3->Form_Load();
        }
    });
    trap.step(102, [&] {
        if (m_form3)
            m_form3->showAgain();
    });
}
