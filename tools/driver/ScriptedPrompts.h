#pragma once

#include "core/app/Prompts.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

#include <functional>

// Prompts answered from a queue instead of a person. Every prompt shown is
// reported as a JSON object (what was asked and the answer given); the
// clipboard is kept in memory.
class ScriptedPrompts : public Prompts
{
public:
    using Sink = std::function<void(const QJsonObject &)>;

    explicit ScriptedPrompts(Sink sink = {})
        : m_sink(std::move(sink))
    { }
    void setSink(Sink sink) { m_sink = std::move(sink); }

    // Answers for the prompts that follow, used in order.
    void queueAnswers(const QJsonArray &answers);
    qsizetype pendingAnswers() const { return m_answers.size(); }
    void setSpreadsheetInstalled(bool installed) { m_spreadsheetInstalled = installed; }
    void setSpreadsheetRefuses(bool refuses) { m_spreadsheetRefuses = refuses; }
    // The real spreadsheet hand-off instead of a recorded one.
    void useRealSpreadsheet(Prompts *real) { m_realSpreadsheet = real; }

    QString clipboard() const { return m_clipboard; }
    bool clipboardSet() const { return m_clipboardSet; }
    QStringList workbooks() const { return m_workbooks; }

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
    // The next queued answer, or an empty object when none is queued.
    QJsonObject takeAnswer();
    static bool cancels(const QJsonObject &answer);
    void report(const QJsonObject &prompt);

    Sink m_sink;
    QList<QJsonObject> m_answers;
    QString m_clipboard;
    bool m_clipboardSet = false;
    bool m_spreadsheetInstalled = true;
    bool m_spreadsheetRefuses = false;
    Prompts *m_realSpreadsheet = nullptr;
    QStringList m_workbooks;
};
