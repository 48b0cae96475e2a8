#pragma once

#include <QString>
#include <QStringList>

// Every box, question, dialog, clipboard write, shell open and spreadsheet
// hand-off goes through this interface. The program uses the Qt
// implementation; tests and the scripted driver answer from a queue, so that
// nothing ever waits for a person.
enum class MessageIcon { None, Warning };

class Prompts
{
public:
    virtual ~Prompts() = default;

    // An information box with an OK button.
    virtual void message(const QString &title, const QString &text, MessageIcon icon) = 0;
    // A Yes/No question; true for Yes.
    virtual bool question(const QString &title, const QString &text) = 0;
    // An input box with an empty field; Cancel and an empty answer give "".
    virtual QString input(const QString &title, const QString &label) = 0;
    // File dialogs; an empty result means the user cancelled.
    virtual QStringList openFiles(const QString &title, const QStringList &filters) = 0;
    virtual QString saveFile(const QString &title, const QStringList &filters) = 0;
    virtual QString chooseFolder(const QString &title, const QString &start) = 0;
    // Plain-text clipboard; false when the clipboard refused the text.
    virtual bool setClipboardText(const QString &text) = 0;
    virtual bool clearClipboard() = 0;
    // Asks the desktop to open a folder or document; the outcome is not needed.
    virtual void shellOpen(const QString &target) = 0;
    // Spreadsheet hand-off: whether an application is there to take a
    // workbook, and handing one over.
    virtual bool spreadsheetAvailable() = 0;
    virtual bool openSpreadsheet(const QString &workbookPath) = 0;

    // The title that boxes without a title of their own carry.
    void setApplicationTitle(const QString &title) { m_applicationTitle = title; }
    QString applicationTitle() const { return m_applicationTitle; }

    // Conveniences in the program's usual form: application title, no icon.
    void info(const QString &text) { message(m_applicationTitle, text, MessageIcon::None); }
    bool ask(const QString &text) { return question(m_applicationTitle, text); }
    QString askText(const QString &label) { return input(m_applicationTitle, label); }

private:
    QString m_applicationTitle;
};
