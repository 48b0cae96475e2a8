#include "CliPrompts.h"

#include <QRegularExpression>

namespace {
const QString ProgramPrefix = QStringLiteral("tollervane-extract: ");
} // namespace

CliPrompts::CliPrompts(Sink sink)
    : m_sink(std::move(sink))
{ }

void CliPrompts::say(const QString &text)
{
    m_sink(ProgramPrefix + text);
}

void CliPrompts::error(const QString &text)
{
    ++m_errors;
    say(text);
}

QString CliPrompts::errorLine(const QString &boxText, const QString &path)
{
    // The first line says what went wrong; the rest of a failure box is
    // where in the program it happened, which means nothing here.
    const qsizetype end = boxText.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    const QString description = end < 0 ? boxText : boxText.left(end);
    if (path.isEmpty())
        return description;
    const QString prefix = path + QStringLiteral(": ");
    // "File not found: PATH", "Cannot read PATH: reason".
    const QString suffix = QStringLiteral(": ") + path;
    if (description.endsWith(suffix))
        return prefix + description.chopped(suffix.size());
    const qsizetype named = description.indexOf(prefix);
    if (named >= 0)
        return prefix + description.mid(named + prefix.size());
    return prefix + description;
}

void CliPrompts::message(const QString &title, const QString &text, MessageIcon)
{
    if (title == QLatin1String("Application Error")) {
        error(errorLine(text, m_currentPath));
        return;
    }
    // The run's last word: "Done.", with what it could not decode, or how
    // far it got before a stop.
    const QString done = QStringLiteral("Done.");
    if (text == done)
        return;
    if (text.startsWith(done + QLatin1Char(' '))) {
        say(text.mid(done.size() + 1));
        return;
    }
    if (text.startsWith(QLatin1String("Stopped after "))) {
        m_stopped = true;
        say(text);
        return;
    }
    // Anything else is a refusal: no files, an empty text, a set file not
    // found, an invalid pattern.
    error(errorLine(text, m_currentPath));
}

bool CliPrompts::question(const QString &, const QString &)
{
    return false;
}

QString CliPrompts::input(const QString &, const QString &)
{
    return {};
}

QStringList CliPrompts::openFiles(const QString &, const QStringList &)
{
    return {};
}

QString CliPrompts::saveFile(const QString &, const QStringList &)
{
    return {};
}

QString CliPrompts::chooseFolder(const QString &, const QString &)
{
    return {};
}

bool CliPrompts::setClipboardText(const QString &)
{
    return false;
}

bool CliPrompts::clearClipboard()
{
    return false;
}

void CliPrompts::shellOpen(const QString &) { }

bool CliPrompts::spreadsheetAvailable()
{
    return false;
}

bool CliPrompts::openSpreadsheet(const QString &)
{
    return false;
}
