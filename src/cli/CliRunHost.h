#pragma once

#include "ResultWriters.h"
#include "core/extract/RunHost.h"

#include <QStringList>

#include <memory>

class CliPrompts;
class ProgressLine;
class ResultsModel;

// The command line's host for the extraction engine: a fixed list of files,
// the two options as given, and each result handed to the output format as
// it is found. A results list is kept only when something needs it: the
// duplicate test (--unique), or a format that writes all rows at the end.
// Stop is asked for by a signal, or by an output that can no longer be
// written.
class CliRunHost : public RunHost
{
public:
    CliRunHost(QStringList files, bool unique, bool source, bool count, ResultWriter &writer,
        const OutputTarget &target, CliPrompts &prompts, ProgressLine *progress);
    ~CliRunHost() override;

    // The results list kept for the format, or null.
    const ResultsModel *keptResults() const;
    // A counted table is held back while the run goes: this writes its rows
    // through the writer, each with its count. Nothing for other runs.
    void writeCountedRows();
    // The run laid out its columns: it went past its input checks.
    bool laidOut() const { return m_laidOut; }

    qsizetype fileCount() const override { return m_files.size(); }
    QString filePath(qsizetype row) const override;
    bool removeDuplicates() const override { return m_unique; }
    bool showSourceFilename() const override { return m_source; }

    void clearResults(TextKind kind) override;
    void setResultColumns(const QList<std::pair<QString, int>> &columns) override;
    void appendResult(QByteArrayView text, const QString &path, qint64 line, bool removeDuplicates, bool showSource,
        const QByteArray *owner) override;
    void setTableLayout(int cells, bool counted) override;
    void appendRow(const QList<QByteArrayView> &cells, const QString &path, qint64 line, bool removeDuplicates,
        bool showSource) override;
    bool countDuplicates() const override { return m_count; }
    qsizetype resultCount() const override { return m_resultCount; }

    void setProgress(double value) override;
    void setCaption(const QString &caption) override;
    bool stopAsked() const override;
    Prompts &prompts() override;

private:
    QStringList m_files;
    bool m_unique;
    bool m_source;
    bool m_count;
    int m_tableCells = 0;
    bool m_tableCounted = false;
    ResultWriter &m_writer;
    const OutputTarget &m_target;
    CliPrompts &m_prompts;
    ProgressLine *m_progress;
    std::unique_ptr<ResultsModel> m_kept;
    TextKind m_kind = TextKind::Bytes;
    qsizetype m_resultCount = 0;
    bool m_laidOut = false;
    // The last row whose path the run asked for: the file about to be read
    // when its caption is shown (the rows read ahead are asked for later).
    mutable qsizetype m_rowAsked = -1;
};
