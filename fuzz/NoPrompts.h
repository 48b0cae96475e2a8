#pragma once

#include "core/app/Prompts.h"

#include <cstdlib>

// Prompts that no fuzzed routine may show: any prompt stops the fuzzer. A
// target that expects one particular message overrides message().
class NoPrompts : public Prompts
{
public:
    void message(const QString &, const QString &, MessageIcon) override { std::abort(); }
    bool question(const QString &, const QString &) override { std::abort(); }
    QString input(const QString &, const QString &) override { std::abort(); }
    QStringList openFiles(const QString &, const QStringList &) override { std::abort(); }
    QString saveFile(const QString &, const QStringList &) override { std::abort(); }
    QString chooseFolder(const QString &, const QString &) override { std::abort(); }
    bool setClipboardText(const QString &) override { std::abort(); }
    bool clearClipboard() override { std::abort(); }
    void shellOpen(const QString &) override { std::abort(); }
    bool spreadsheetAvailable() override { std::abort(); }
    bool openSpreadsheet(const QString &) override { std::abort(); }
};
