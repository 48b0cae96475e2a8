#include "Form2.h"
#include "Form3.h"
#include "WindowRunHost.h"
#include "core/app/ErrorTrap.h"
#include "core/extract/ExtractionEngine.h"
#include "gui/app/Form1.h"

#include <QLineEdit>

void Form1::runExtraction(WindowRunHost &host, const ExtractionJob &job, const QString &procedure)
{
    LongCommand command(*this);
    if (!command.started())
        return;
    ExtractionEngine::run(host, job, procedure);
}

namespace {

// Containing and Not Containing: the text of box, followed while the run
// goes (a literal text edited meanwhile applies from the next line on).
void runTextFilter(Form1 &form, const QLineEdit &box, ExtractionJob::Kind kind, const QString &procedure)
{
    ExtractionJob job;
    job.kind = kind;
    job.text = box.text();
    job.patterns = form.textsArePatterns();
    job.onlyMatching = form.onlyMatchingText();
    job.decoded = form.readDecoded();
    WindowRunHost host(form);
    host.watch(&box, &QLineEdit::textChanged);
    host.followTexts([&box](ExtractionJob &running) { running.text = box.text(); });
    form.runExtraction(host, job, procedure);
}

} // namespace

// Extract All Lines.
void Form1::PushButton13_Click()
{
    ExtractionJob job;
    job.decoded = readDecoded();
    WindowRunHost host(*this);
    runExtraction(host, job, QStringLiteral("Form1.PushButton13_Click"));
}

// Extract All Lines Containing This Text.
void Form1::PushButton2_Click()
{
    runTextFilter(*this, *m_text1, ExtractionJob::Kind::Containing, QStringLiteral("Form1.PushButton2_Click"));
}

// Extract All Lines Not Containing This Text.
void Form1::PushButton8_Click()
{
    runTextFilter(*this, *m_text2, ExtractionJob::Kind::NotContaining, QStringLiteral("Form1.PushButton8_Click"));
}

// Extract Lines By Number: the lines whose number within their file is in
// the comma-separated list of Text5.
void Form1::PushButton7_Click()
{
    ExtractionJob job;
    job.kind = ExtractionJob::Kind::ByNumber;
    job.text = m_text5->text();
    job.decoded = readDecoded();
    WindowRunHost host(*this);
    runExtraction(host, job, QStringLiteral("Form1.PushButton7_Click"));
}

// Extract Header Fields: one row per message with the fields named in Text6.
void Form1::PushButton25_Click()
{
    ExtractionJob job;
    job.kind = ExtractionJob::Kind::HeaderFields;
    job.fields = ExtractionJob::fieldNames(m_text6->text());
    WindowRunHost host(*this);
    runExtraction(host, job, QStringLiteral("Form1.PushButton25_Click"));
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
