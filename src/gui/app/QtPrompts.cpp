#include "QtPrompts.h"

#include "core/results/HandOff.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

QString QtPrompts::forDisplay(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void QtPrompts::message(const QString &title, const QString &text, MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title, forDisplay(text),
        QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtPrompts::question(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title, forDisplay(text), QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

QString QtPrompts::input(const QString &title, const QString &label)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, title, label, QLineEdit::Normal, QString(), &ok);
    return ok ? answer : QString();
}

QStringList QtPrompts::openFiles(const QString &title, const QStringList &filters)
{
    return QFileDialog::getOpenFileNames(m_parent, title, QString(), filters.join(QStringLiteral(";;")));
}

QString QtPrompts::saveFile(const QString &title, const QStringList &filters)
{
    // The program asks before replacing a file itself.
    return QFileDialog::getSaveFileName(
        m_parent, title, QString(), filters.join(QStringLiteral(";;")), nullptr, QFileDialog::DontConfirmOverwrite);
}

QString QtPrompts::chooseFolder(const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(m_parent, title, start);
}

bool QtPrompts::setClipboardText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text);
    return clipboard->text() == text;
}

bool QtPrompts::clearClipboard()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->clear();
    return true;
}

void QtPrompts::shellOpen(const QString &target)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(target));
}

namespace {
QString officeExecutable()
{
    for (const char *name : { "soffice", "libreoffice" }) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}
} // namespace

bool QtPrompts::spreadsheetAvailable()
{
    if (!officeExecutable().isEmpty())
        return true;
    // Otherwise the desktop's default application for workbooks, if any.
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
        { QStringLiteral("query"), QStringLiteral("default"),
            QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet") });
    if (!query.waitForFinished(3000) || query.exitCode() != 0)
        return false;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool QtPrompts::openSpreadsheet(const QString &workbookPath)
{
    // A new untitled document made from the workbook, left unsaved. An
    // office that gives up at once (one built without windows, say) passes
    // the workbook on to the desktop's default application.
    const QString office = officeExecutable();
    if (!office.isEmpty()
        && HandOff::startAndWatch(office, { QStringLiteral("--calc"), QStringLiteral("-n"), workbookPath }))
        return true;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's opener, watched the same way (opening the address alone
    // cannot tell whether anything took the file).
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        return HandOff::startAndWatch(opener, { workbookPath });
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(workbookPath));
}
