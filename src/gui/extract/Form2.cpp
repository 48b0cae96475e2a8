#include "Form2.h"

#include "ExtractionRun.h"
#include "PatternFilterRun.h"
#include "core/app/AppFailure.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/Prompts.h"
#include "core/app/SettingsStore.h"
#include "core/extract/BetweenMarkers.h"
#include "core/extract/PatternBetween.h"
#include "core/guide/HelpTexts.h"
#include "gui/app/Form1.h"
#include "gui/guide/PointerCues.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

namespace {
QLineEdit *markerBox(QGroupBox *frame, const QString &name)
{
    auto *box = new QLineEdit(frame);
    box->setObjectName(name);
    // Markers of any length (the default cuts them at 32,767 characters).
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setMinimumHeight(27);
    auto *layout = new QVBoxLayout(frame);
    layout->addWidget(box);
    return box;
}
} // namespace

Form2::Form2(Form1 &mainWindow)
    : SecondaryWindow(mainWindow, QStringLiteral("Form2"), QStringLiteral("Extract Between X and Y (Repeatedly)"))
{
    QPushButton *help = makeButton(QStringLiteral("PushButton11"), QStringLiteral("Help"));
    m_frame2 = new QGroupBox(QStringLiteral("Start with (X)"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_text3 = markerBox(m_frame2, QStringLiteral("Text3"));
    m_frame1 = new QGroupBox(QStringLiteral("End with (Y)"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_text4 = markerBox(m_frame1, QStringLiteral("Text4"));
    QPushButton *start = makeButton(QStringLiteral("PushButton4"), QStringLiteral("Start Extracting"));
    QPushButton *close = makeButton(QStringLiteral("PushButton1"), QStringLiteral("Close This Window"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(help, 0, 0, 1, 2);
    layout->addWidget(m_frame2, 1, 0, 1, 2);
    layout->addWidget(m_frame1, 2, 0, 1, 2);
    layout->addWidget(start, 3, 0);
    layout->addWidget(close, 3, 1);
    resize(420, 250);

    connect(help, &QPushButton::clicked, this, &Form2::PushButton11_Click);
    connect(start, &QPushButton::clicked, this, &Form2::PushButton4_Click);
    connect(close, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(m_text3, &QLineEdit::textChanged, this, &Form2::Text3_Change);
    connect(m_text4, &QLineEdit::textChanged, this, &Form2::Text4_Change);
    // Enter in either marker starts extracting.
    connect(m_text3, &QLineEdit::returnPressed, start, &QPushButton::click);
    connect(m_text4, &QLineEdit::returnPressed, start, &QPushButton::click);
}

void Form2::Form_Load()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form2.Form_Load"));
    trap.step(100, [&] { applyPlainBackground(); });
    trap.step(102, [&] { takeApplicationIcon(); });
    trap.step(104, [&] {
        loadHandPointer();
        installPointerCues(this, handPointer(), { QStringLiteral("Frame2"), QStringLiteral("Frame1") });
    });
    trap.step(106, [&] { m_text3->setText(settings().read(QStringLiteral("StartWith"))); });
    trap.step(108, [&] { m_text4->setText(settings().read(QStringLiteral("EndWith"))); });
}

void Form2::Text3_Change()
{
    runUntrapped([&] { settings().save(QStringLiteral("StartWith"), m_text3->text()); });
}

void Form2::Text4_Change()
{
    runUntrapped([&] { settings().save(QStringLiteral("EndWith"), m_text4->text()); });
}

void Form2::PushButton1_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form2.PushButton1_Click"));
    trap.step(100, [&] { close(); });
}

void Form2::PushButton11_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form2.PushButton11_Click"));
    trap.step(100, [&] { prompts().info(BetweenMarkersHelpText()); });
}

// Start Extracting: every stretch from X up to the next Y of each listed
// file. Each file's whole text is searched at once, so a stretch is found
// wherever it lies, also across the 65,536-character blocks the file is read
// in.
void Form2::PushButton4_Click()
{
    Form1 &form = mainWindow();
    LongCommand command(form);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), QStringLiteral("Form2.PushButton4_Click"));
    ExtractionRun run(form);

    // With regular expressions, both markers are compiled once for the run.
    const bool patterns = form.textsArePatterns();
    PatternMatcher startPattern;
    PatternMatcher endPattern;
    bool gaveUpBefore = false;
    bool refused = false;
    trap.step(100, [&] {
        if (m_text3->text().isEmpty() || m_text4->text().isEmpty()) {
            prompts().info(
                QStringLiteral("Fill out starting text (or character) and fill out ending text (or character)."));
            refused = true;
        } else if (patterns) {
            startPattern = PatternMatcher(m_text3->text());
            endPattern = PatternMatcher(m_text4->text());
            if (!startPattern.isValid()) {
                prompts().info(startPattern.invalidMessage(m_frame2->title()));
                refused = true;
            } else if (!endPattern.isValid()) {
                prompts().info(endPattern.invalidMessage(m_frame1->title()));
                refused = true;
            }
        }
    });
    if (refused)
        return;
    trap.step(102, [&] { refused = run.refuseWhenNoFiles(); });
    if (refused)
        return;
    trap.step(104, [&] { run.clearResults(); });
    trap.step(106, [&] { run.setUpColumns(); });

    run.forEachFile(
        trap, { .firstBusyPointer = 108, .progress = 110, .path = 112, .caption = 114, .yield = 116, .read = 118 },
        FileReader::Blocks,
        [&](const QString &path, const QByteArray &bytes) {
            // The yield before the read is the run's only one: markers
            // edited meanwhile apply from the next file on.
            trap.step(120, [&] {
                if (patterns) {
                    PatternBetween cutter(bytes, startPattern, endPattern);
                    while (const std::optional<QByteArrayView> result = cutter.next()) {
                        if (!result->isEmpty())
                            run.append(*result, path);
                    }
                    if (cutter.gaveUp() && !gaveUpBefore) {
                        gaveUpBefore = true;
                        throw AppFailure(patternGaveUpText(path));
                    }
                    return;
                }
                BetweenMarkers cutter(bytes, m_text3->text(), m_text4->text());
                while (const std::optional<QByteArrayView> result = cutter.next()) {
                    if (!result->isEmpty())
                        run.append(*result, path);
                }
            });
        },
        [&] { setBusyPointer(true); });
    trap.step(122, [&] { setBusyPointer(false); });
    trap.step(124, [&] { run.resetProgress(); });
    trap.step(126, [&] { run.sayDone(); });
}
