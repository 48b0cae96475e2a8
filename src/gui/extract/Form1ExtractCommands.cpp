#include "ExtractionRun.h"
#include "Form2.h"
#include "Form3.h"
#include "PatternFilterRun.h"
#include "ResultsListSwitch.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/Prompts.h"
#include "core/extract/FoldedNeedle.h"
#include "core/extract/LineCursor.h"
#include "core/extract/LineNumberList.h"
#include "core/extract/LinesWithHits.h"
#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/Form1.h"

#include <QLineEdit>
#include <QTableView>

namespace {

const QString FillOutText = QStringLiteral("Fill out text to use to extract lines.");

// The search text of a box as it stands at each line. The box can only
// change while events are processed, and every change is announced, so its
// lower-cased form is rebuilt after a change instead of the text being
// fetched and compared again at each of millions of lines.
class BoxNeedle
{
public:
    explicit BoxNeedle(const QLineEdit &box)
        : m_box(box)
        , m_watch(QObject::connect(&box, &QLineEdit::textChanged, [this] { m_stale = true; }))
    { }
    ~BoxNeedle() { QObject::disconnect(m_watch); }
    BoxNeedle(const BoxNeedle &) = delete;
    BoxNeedle &operator=(const BoxNeedle &) = delete;

    // Takes up the box's text if it changed; returns whether it did.
    bool refresh()
    {
        if (!m_stale)
            return false;
        m_needle = FoldedNeedle(m_box.text());
        m_stale = false;
        return true;
    }

    // The first occurrence at or after offset in text that lies within a
    // line, or -1.
    qsizetype nextHit(QByteArrayView text, qsizetype offset) const
    {
        return m_needle.holdsLineEnd() ? -1 : m_needle.indexIn(text, offset);
    }

private:
    const QLineEdit &m_box;
    QMetaObject::Connection m_watch;
    FoldedNeedle m_needle;
    bool m_stale = true;
};

// Containing and Not Containing: a run whose line test is whether the box's
// text occurs in the line (ignoring case), or does not. The lines are
// examined in order, but a search over the file's whole buffer finds the
// next line that holds the text, so Containing passes over the lines before
// it in one step.
void runTextFilter(Form1 &form, const QLineEdit &box, bool keepContaining, const QString &procedure)
{
    if (form.textsArePatterns() || (keepContaining && form.onlyMatchingText())) {
        runPatternFilter(form, box, keepContaining, procedure);
        return;
    }
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
    FileStepMarks marks { .progress = 110, .path = 112, .caption = 114, .yield = 116, .busyPointer = 118, .read = 120 };
    // Containing yields once more at the start of each file.
    if (keepContaining)
        marks.firstYield = 108;
    run.forEachFile(trap, marks, FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
        LinesWithHits hits;
        const auto nextHit = [&](qsizetype offset) { return needle.nextHit(bytes, offset); };
        for (LineCursor lines(bytes); lines.atLine() && !form.AppClosing;) {
            trap.step(122, [&] { EventPump::yield(); });
            bool moved = false;
            trap.step(124, [&] {
                if (needle.refresh())
                    hits.forget();
                const qsizetype hit = hits.hitFrom(lines.lineStart(), nextHit);
                const bool holdsText = hit >= 0 && hit <= lines.lineEnd();
                if (holdsText == keepContaining) {
                    run.append(lines.line(), path);
                } else if (keepContaining) {
                    // The lines before the hit's line do not hold the text.
                    moved = true;
                    lines.moveToHit(hit);
                }
            });
            if (!moved)
                lines.next();
        }
    });
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
    run.forEachFile(trap, { .progress = 112, .path = 114, .caption = 116, .yield = 118, .read = 120 },
        FileReader::Lines, [&](const QString &path, const QByteArray &bytes) {
            std::int64_t number = 0;
            for (LineCursor lines(bytes); lines.atLine() && !AppClosing; lines.next()) {
                ++number;
                trap.step(122, [&] { resultsList.yield(); });
                trap.step(124, [&] { resultsList.switchOff(); });
                trap.step(126, [&] {
                    if (numbers.selects(number))
                        run.append(lines.line(), path);
                });
            }
            trap.step(128, [&] { resultsList.switchOn(); });
        });
    trap.step(130, [&] { run.resetProgress(); });
    trap.step(132, [&] { run.sayDone(); });
}

// Opens the Extract Between X and Y window, loading it on first use.
void Form1::PushButton4_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton4_Click"));
    trap.step(100, [&] {
        if (!m_form2) {
            m_form2 = std::make_unique<Form2>(*this);
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
            m_form3 = std::make_unique<Form3>(*this);
            m_form3->Form_Load();
        }
    });
    trap.step(102, [&] {
        if (m_form3)
            m_form3->showAgain();
    });
}
