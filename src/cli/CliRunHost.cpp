#include "CliRunHost.h"

#include "CliPrompts.h"
#include "OutputTarget.h"
#include "ProgressLine.h"
#include "StopSignals.h"
#include "core/app/PathTools.h"
#include "core/results/ResultsModel.h"

CliRunHost::CliRunHost(QStringList files, bool unique, bool source, bool count, ResultWriter &writer,
    const OutputTarget &target, CliPrompts &prompts, ProgressLine *progress)
    : m_files(std::move(files))
    , m_unique(unique)
    , m_source(source)
    , m_count(count)
    , m_writer(writer)
    , m_target(target)
    , m_prompts(prompts)
    , m_progress(progress)
{
    if (unique || writer.needsAllRows())
        m_kept = std::make_unique<ResultsModel>();
}

CliRunHost::~CliRunHost() = default;

const ResultsModel *CliRunHost::keptResults() const
{
    return m_kept.get();
}

QString CliRunHost::filePath(qsizetype row) const
{
    m_rowAsked = row;
    return m_files[row];
}

void CliRunHost::clearResults(TextKind kind)
{
    m_kind = kind;
    m_resultCount = 0;
    m_tableCells = 0;
    m_tableCounted = false;
    if (m_kept) {
        m_kept->clearRows();
        m_kept->setTextKind(kind);
    }
}

void CliRunHost::setResultColumns(const QList<std::pair<QString, int>> &columns)
{
    ResultLayout layout;
    layout.kind = m_kind;
    layout.sourceShown = m_source;
    QList<ReportModel::Column> headers;
    for (const auto &[header, width] : columns) {
        layout.columns.append(header);
        headers.append({ header, width });
    }
    if (m_kept)
        m_kept->setColumns(headers);
    m_writer.begin(layout);
    m_laidOut = true;
}

namespace {
// A row's line as the formats write it: none for a row that stands for its
// whole file.
std::optional<qint64> writtenLine(qint64 line)
{
    return line > 0 ? std::optional<qint64>(line) : std::nullopt;
}
} // namespace

void CliRunHost::appendResult(QByteArrayView text, const QString &path, qint64 line, bool removeDuplicates,
    bool showSource, const QByteArray *owner)
{
    if (m_kept) {
        if (!m_kept->appendResult(text, path, removeDuplicates, showSource, owner, line))
            return;
    }
    ++m_resultCount;
    if (m_writer.needsAllRows())
        return;
    const QByteArrayView cells[] = { text };
    m_writer.write({ path, writtenLine(line), cells });
}

void CliRunHost::setTableLayout(int cells, bool counted)
{
    m_tableCells = cells;
    m_tableCounted = counted;
    // Counting needs the rows found so far, whatever the format.
    if (counted && !m_kept) {
        m_kept = std::make_unique<ResultsModel>();
        m_kept->setTextKind(m_kind);
    }
    if (m_kept)
        m_kept->setTableLayout(cells, counted);
}

void CliRunHost::appendRow(
    const QList<QByteArrayView> &cells, const QString &path, qint64 line, bool removeDuplicates, bool showSource)
{
    if (m_kept) {
        if (!m_kept->appendRow(cells, path, removeDuplicates, showSource, line))
            return;
    }
    ++m_resultCount;
    if (m_writer.needsAllRows() || m_tableCounted)
        return;
    m_writer.write(
        { path, writtenLine(line), std::span<const QByteArrayView>(cells.constData(), size_t(cells.size())) });
}

void CliRunHost::writeCountedRows()
{
    if (!m_tableCounted || !m_kept)
        return;
    QList<QByteArrayView> cells(m_tableCells + 1);
    QByteArray count;
    for (qsizetype row = 0; row < m_kept->size(); ++row) {
        for (int k = 0; k < m_tableCells; ++k)
            cells[k] = m_kept->tableCell(row, k);
        count = QByteArray::number(m_kept->foundCount(row));
        cells[m_tableCells] = count;
        const std::optional<QString> source = m_kept->sourcePath(row);
        const QString path = source.value_or(QString());
        // With its file, the line where the row was first found; without it,
        // a row counts findings in several files, and no line is its own.
        const std::optional<qint64> line = source ? writtenLine(m_kept->lineNumber(row)) : std::nullopt;
        m_writer.write({ path, line, std::span<const QByteArrayView>(cells.constData(), size_t(cells.size())) });
    }
}

void CliRunHost::setProgress(double) { }

void CliRunHost::setCaption(const QString &caption)
{
    // Each file's caption names the file whose path was just asked for; the
    // other captions (the end of the run) name none.
    if (m_rowAsked < 0 || m_rowAsked >= m_files.size()
        || !caption.endsWith(PathTools::GetFileNameFromPath(m_files[m_rowAsked])))
        return;
    m_prompts.setCurrentPath(m_files[m_rowAsked]);
    if (m_progress)
        m_progress->update(m_rowAsked, m_resultCount);
    m_rowAsked = -1;
}

bool CliRunHost::stopAsked() const
{
    return StopSignals::received() != 0 || m_target.failed();
}

Prompts &CliRunHost::prompts()
{
    return m_prompts;
}
