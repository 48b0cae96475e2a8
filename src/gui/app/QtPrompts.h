#pragma once

#include "core/app/Prompts.h"

#include <QPointer>
#include <QWidget>

// The real prompts: Qt message boxes, dialogs, the clipboard and the desktop.
class QtPrompts : public Prompts
{
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }

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

    // The program's texts break lines with CR LF or CR; a label wants LF.
    static QString forDisplay(const QString &text);

private:
    QPointer<QWidget> m_parent;
};
