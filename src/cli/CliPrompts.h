#pragma once

#include "core/app/Prompts.h"

#include <QString>

#include <functional>

// The boxes of a run as lines on standard error. Nobody is there to answer:
// questions are answered No, input boxes and dialogs are cancelled.
//
// A box that reports a failure becomes "tollervane-extract: PATH: reason"
// when it concerns the file being read, or "tollervane-extract: text"; each
// counts as an error. The closing "Done." says nothing; what it adds (files
// that could not be decoded) and a stop are notes, not errors.
class CliPrompts : public Prompts
{
public:
    using Sink = std::function<void(const QString &line)>;

    // sink writes one line (without its line end) to standard error.
    explicit CliPrompts(Sink sink);

    // The file the next failures concern; empty for none.
    void setCurrentPath(const QString &path) { m_currentPath = path; }

    int errors() const { return m_errors; }
    bool stopped() const { return m_stopped; }
    // Reports a failure of the command line itself.
    void error(const QString &text);
    // A line that informs without being an error.
    void note(const QString &text) { say(text); }

    // What a failure box says, as one line: "PATH: reason" when the text
    // names path, else the text with its line ends taken out.
    static QString errorLine(const QString &boxText, const QString &path);

    void message(const QString &title, const QString &text, MessageIcon icon) override;
    bool question(const QString &title, const QString &text) override;
    QString input(const QString &title, const QString &label) override;
    QStringList openFiles(const QString &title, const QStringList &filters) override;
    QString saveFile(const QString &title, const QStringList &filters) override;
    QString chooseFolder(const QString &title, const QString &start) override;
    bool setClipboardText(const QString &text) override;
    bool clearClipboard() override;
    void shellOpen(const QString &target) override;
    bool spreadsheetAvailable() override;
    bool openSpreadsheet(const QString &workbookPath) override;

private:
    void say(const QString &text);

    Sink m_sink;
    QString m_currentPath;
    int m_errors = 0;
    bool m_stopped = false;
};
