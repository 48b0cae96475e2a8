#pragma once

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <optional>
#include <utility>

// Reads workbooks back the way a user's spreadsheet application sees them:
// LibreOffice converts each worksheet to CSV (UTF-8, every text cell
// quoted), with a settings profile of its own so that it never meets a
// running instance.
class OfficeConversion
{
public:
    using Rows = QList<QStringList>;

    static QString executable() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }
    static bool available() { return !executable().isEmpty(); }

    // Every worksheet of the workbook by name ("Sheet1", ...), as rows of
    // cells; nothing when the conversion failed.
    std::optional<QMap<QString, Rows>> worksheets(const QString &workbook)
    {
        QTemporaryDir out;
        QProcess office;
        office.start(executable(),
            { QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(m_profile.path()).toString(),
                QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,true,false,false,-1"),
                QStringLiteral("--outdir"), out.path(), workbook });
        if (!office.waitForFinished(180000) || office.exitCode() != 0)
            return std::nullopt;
        const QString stem = QFileInfo(workbook).completeBaseName() + QLatin1Char('-');
        QMap<QString, Rows> sheets;
        const QFileInfoList files = QDir(out.path()).entryInfoList({ stem + QStringLiteral("*.csv") }, QDir::Files);
        for (const QFileInfo &file : files) {
            QFile csv(file.absoluteFilePath());
            if (!csv.open(QIODevice::ReadOnly))
                return std::nullopt;
            const QString name = file.completeBaseName().mid(stem.size());
            sheets.insert(name, parseCsv(QString::fromUtf8(csv.readAll())));
        }
        if (sheets.isEmpty())
            return std::nullopt;
        return sheets;
    }

    // Comma-separated, "-quoted fields with "" for a quote; a quoted field
    // may hold line ends.
    static Rows parseCsv(const QString &text)
    {
        Rows rows;
        QStringList row;
        QString field;
        bool quoted = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == QLatin1Char('"') && quoted && i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                field.append(text[++i]);
            else if (c == QLatin1Char('"'))
                quoted = !quoted;
            else if (quoted || (c != QLatin1Char(',') && c != QLatin1Char('\n')))
                field.append(c);
            else {
                row.append(std::exchange(field, QString()));
                if (c == QLatin1Char('\n'))
                    rows.append(std::exchange(row, QStringList()));
            }
        }
        return rows;
    }

private:
    QTemporaryDir m_profile;
};
