#include "Form2.h"

#include "WindowRunHost.h"
#include "core/app/ErrorTrap.h"
#include "core/app/Prompts.h"
#include "core/app/SettingsStore.h"
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
// file; markers edited during the run apply from the next file on.
void Form2::PushButton4_Click()
{
    Form1 &form = mainWindow();
    ExtractionJob job;
    job.kind = ExtractionJob::Kind::Between;
    job.startMarker = m_text3->text();
    job.endMarker = m_text4->text();
    job.patterns = form.textsArePatterns();
    job.decoded = form.readDecoded();
    WindowRunHost host(form, [this](bool busy) { setBusyPointer(busy); });
    host.watch(m_text3, &QLineEdit::textChanged);
    host.watch(m_text4, &QLineEdit::textChanged);
    host.followTexts([this](ExtractionJob &running) {
        running.startMarker = m_text3->text();
        running.endMarker = m_text4->text();
    });
    form.runExtraction(host, job, QStringLiteral("Form2.PushButton4_Click"));
}
