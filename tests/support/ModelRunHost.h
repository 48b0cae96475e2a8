#pragma once

#include "core/extract/RunHost.h"
#include "core/results/ResultsModel.h"

#include <QStringList>

// A run's host without any window: a list of paths, a results model and
// the options as plain values; progress, captions and status texts are
// recorded for the test to look at.
class ModelRunHost : public RunHost
{
public:
    explicit ModelRunHost(Prompts &prompts)
        : m_prompts(prompts)
    { }

    QStringList files;
    ResultsModel results;
    bool duplicatesRemoved = false;
    bool sourceShown = false;
    bool counted = false;
    QList<std::pair<QString, int>> columns;
    QStringList captions;
    QString status;
    bool busy = false;

    qsizetype fileCount() const override { return files.size(); }
    QString filePath(qsizetype row) const override { return files[row]; }
    bool removeDuplicates() const override { return duplicatesRemoved; }
    bool showSourceFilename() const override { return sourceShown; }
    void clearResults(TextKind kind) override
    {
        results.clearRows();
        results.setTextKind(kind);
    }
    void setResultColumns(const QList<std::pair<QString, int>> &laidOut) override
    {
        columns = laidOut;
        QList<ReportModel::Column> headers;
        for (const auto &[header, width] : laidOut)
            headers.append({ header, width });
        results.setColumns(headers);
    }
    void appendResult(QByteArrayView text, const QString &path, qint64 line, bool removeDuplicates, bool showSource,
        const QByteArray *owner) override
    {
        results.appendResult(text, path, removeDuplicates, showSource, owner, line);
    }
    void setTableLayout(int cells, bool countRows) override { results.setTableLayout(cells, countRows); }
    void appendRow(const QList<QByteArrayView> &cells, const QString &path, qint64 line, bool removeDuplicates,
        bool showSource) override
    {
        results.appendRow(cells, path, removeDuplicates, showSource, line);
    }
    bool countDuplicates() const override { return counted; }
    qsizetype resultCount() const override { return results.size(); }
    void setProgress(double) override { }
    void setCaption(const QString &caption) override { captions.append(caption); }
    void sayStatus(const QString &text) override { status = text; }
    void setBusyPointer(bool on) override { busy = on; }
    Prompts &prompts() override { return m_prompts; }

private:
    Prompts &m_prompts;
};
