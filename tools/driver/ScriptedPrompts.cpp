#include "ScriptedPrompts.h"

void ScriptedPrompts::queueAnswers(const QJsonArray &answers)
{
    for (const QJsonValue &answer : answers) {
        // "OK" and {"button":"OK"} mean the same.
        m_answers.append(
            answer.isString() ? QJsonObject { { QStringLiteral("button"), answer.toString() } } : answer.toObject());
    }
}

QJsonObject ScriptedPrompts::takeAnswer()
{
    return m_answers.isEmpty() ? QJsonObject() : m_answers.takeFirst();
}

bool ScriptedPrompts::cancels(const QJsonObject &answer)
{
    return answer.value(QStringLiteral("cancel")).toBool()
        || answer.value(QStringLiteral("button")).toString() == QStringLiteral("Cancel");
}

void ScriptedPrompts::report(const QJsonObject &prompt)
{
    if (m_sink)
        m_sink(prompt);
}

void ScriptedPrompts::message(const QString &title, const QString &text, MessageIcon icon)
{
    takeAnswer();
    report({ { QStringLiteral("prompt"), QStringLiteral("message") }, { QStringLiteral("title"), title },
        { QStringLiteral("text"), text }, { QStringLiteral("buttons"), QJsonArray { QStringLiteral("OK") } },
        { QStringLiteral("icon"), icon == MessageIcon::Warning ? QStringLiteral("warning") : QStringLiteral("none") },
        { QStringLiteral("answer"), QStringLiteral("OK") } });
}

bool ScriptedPrompts::question(const QString &title, const QString &text)
{
    const QJsonObject answer = takeAnswer();
    const bool yes = answer.value(QStringLiteral("button")).toString() == QStringLiteral("Yes");
    report({ { QStringLiteral("prompt"), QStringLiteral("question") }, { QStringLiteral("title"), title },
        { QStringLiteral("text"), text },
        { QStringLiteral("buttons"), QJsonArray { QStringLiteral("Yes"), QStringLiteral("No") } },
        { QStringLiteral("icon"), QStringLiteral("none") },
        { QStringLiteral("answer"), yes ? QStringLiteral("Yes") : QStringLiteral("No") } });
    return yes;
}

QString ScriptedPrompts::input(const QString &title, const QString &label)
{
    const QJsonObject answer = takeAnswer();
    const QString text = cancels(answer) ? QString() : answer.value(QStringLiteral("text")).toString();
    report({ { QStringLiteral("prompt"), QStringLiteral("input") }, { QStringLiteral("title"), title },
        { QStringLiteral("label"), label }, { QStringLiteral("answer"), text } });
    return text;
}

QStringList ScriptedPrompts::openFiles(const QString &title, const QStringList &filters)
{
    const QJsonObject answer = takeAnswer();
    QStringList files;
    if (!cancels(answer)) {
        for (const QJsonValue &file : answer.value(QStringLiteral("files")).toArray())
            files.append(file.toString());
    }
    report({ { QStringLiteral("prompt"), QStringLiteral("open") }, { QStringLiteral("title"), title },
        { QStringLiteral("filter"), filters.join(QStringLiteral(";;")) },
        { QStringLiteral("answer"), QJsonArray::fromStringList(files) } });
    return files;
}

QString ScriptedPrompts::saveFile(const QString &title, const QStringList &filters)
{
    const QJsonObject answer = takeAnswer();
    const QString file = cancels(answer) ? QString() : answer.value(QStringLiteral("file")).toString();
    report({ { QStringLiteral("prompt"), QStringLiteral("save") }, { QStringLiteral("title"), title },
        { QStringLiteral("filter"), filters.join(QStringLiteral(";;")) }, { QStringLiteral("answer"), file } });
    return file;
}

QString ScriptedPrompts::chooseFolder(const QString &title, const QString &start)
{
    const QJsonObject answer = takeAnswer();
    const QString folder = cancels(answer) ? QString() : answer.value(QStringLiteral("folder")).toString();
    report({ { QStringLiteral("prompt"), QStringLiteral("folder") }, { QStringLiteral("title"), title },
        { QStringLiteral("start"), start }, { QStringLiteral("answer"), folder } });
    return folder;
}

bool ScriptedPrompts::setClipboardText(const QString &text)
{
    m_clipboard = text;
    m_clipboardSet = true;
    return true;
}

bool ScriptedPrompts::clearClipboard()
{
    m_clipboard.clear();
    return true;
}

void ScriptedPrompts::shellOpen(const QString &target)
{
    report({ { QStringLiteral("prompt"), QStringLiteral("shell-open") }, { QStringLiteral("target"), target } });
}

bool ScriptedPrompts::spreadsheetAvailable()
{
    if (m_realSpreadsheet)
        return m_realSpreadsheet->spreadsheetAvailable();
    return m_spreadsheetInstalled;
}

bool ScriptedPrompts::openSpreadsheet(const QString &workbookPath)
{
    if (m_realSpreadsheet) {
        const bool taken = m_realSpreadsheet->openSpreadsheet(workbookPath);
        report({ { QStringLiteral("prompt"), QStringLiteral("spreadsheet") },
            { QStringLiteral("workbook"), workbookPath }, { QStringLiteral("taken"), taken } });
        return taken;
    }
    if (!m_spreadsheetInstalled || m_spreadsheetRefuses)
        return false;
    m_workbooks.append(workbookPath);
    report(
        { { QStringLiteral("prompt"), QStringLiteral("spreadsheet") }, { QStringLiteral("workbook"), workbookPath } });
    return true;
}
