#include "CsvWriter.h"

#include "CsvTable.h"
#include "ProgressDisplay.h"
#include "ReplacedFile.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/PathTools.h"
#include "core/app/StopRequest.h"

#include <algorithm>

namespace {

// Lines are gathered into blocks of about this size before they are written.
constexpr qsizetype BlockSize = 256 * 1024;

bool needsQuotes(QStringView field)
{
    return std::any_of(field.begin(), field.end(), [](QChar c) {
        return c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    });
}

// alone: the field is a line's only one. Empty, it is quoted: readers take
// an empty line for no row at all (or for no field), not for one empty cell.
void appendField(QByteArray &out, const QString &field, bool alone)
{
    if (alone && field.isEmpty()) {
        out.append("\"\"");
        return;
    }
    if (!needsQuotes(field)) {
        out.append(field.toUtf8());
        return;
    }
    out.append('"');
    out.append(QString(field).replace(QLatin1Char('"'), QLatin1String("\"\"")).toUtf8());
    out.append('"');
}

class CsvSave
{
public:
    CsvSave(const CsvTable &table, const QString &path, ProgressDisplay *bar)
        : m_table(table)
        , m_columns(table.columnCount())
        , m_caption(QStringLiteral("Writing file: ") + PathTools::GetFileNameFromPath(path))
        , m_bar(bar)
        , m_file(path)
    { }

    QString caption() const { return m_caption; }
    qsizetype rowsWritten() const { return m_rowsWritten; }
    bool stopped() const { return m_stopped; }

    bool stopAsked()
    {
        if (StopRequest::asked() && m_file.stopKeepsTheOldFile())
            m_stopped = true;
        return m_stopped;
    }

    void showProgress(double value, const QString &caption)
    {
        if (!m_bar)
            return;
        EventPump::yield();
        m_bar->setProgress(value);
        m_bar->setCaption(caption);
        EventPump::yield();
    }

    void resetProgress()
    {
        if (!m_bar)
            return;
        m_bar->setProgress(0);
        m_bar->setCaption(QStringLiteral("Progress Bar"));
    }

    void create()
    {
        m_block.reserve(BlockSize + 4096);
        m_file.create();
    }

    void writeHeader()
    {
        m_block.append("\xef\xbb\xbf");
        for (int c = 0; c < m_columns; ++c) {
            EventPump::yield();
            if (c > 0)
                m_block.append(',');
            appendField(m_block, m_table.header(c), m_columns == 1);
        }
        m_block.append("\r\n");
        writeBlock();
    }

    void writeRows()
    {
        const qsizetype n = m_table.rowCount();
        for (qsizetype r = 0; r < n; ++r) {
            EventPump::yield();
            if (stopAsked())
                return;
            if (!appendRow(r))
                break;
            m_rowsWritten = r + 1;
            if (m_bar) {
                const qsizetype rowNumber = r + 1;
                EventPump::yield();
                m_bar->setProgress(std::min(100.0, double(rowNumber) / double(n) * 100.0));
                if (rowNumber % 1000 == 0)
                    m_bar->setCaption(
                        m_caption + QStringLiteral(" (") + QString::number(rowNumber) + QStringLiteral(")"));
                EventPump::yield();
            }
            m_block.append("\r\n");
            if (m_block.size() >= BlockSize)
                writeBlock();
        }
        writeBlock();
    }

    void commit() { m_file.commit(); }

private:
    // Appends row r's line without its line end; false when the row has gone
    // (rows can be removed while the writer yields).
    bool appendRow(qsizetype r)
    {
        const qsizetype start = m_block.size();
        for (int c = 0; c < m_columns; ++c) {
            EventPump::yield();
            if (r >= m_table.rowCount()) {
                m_block.truncate(start);
                return false;
            }
            if (c > 0)
                m_block.append(',');
            appendField(m_block, m_table.cell(r, c), m_columns == 1);
        }
        return true;
    }

    void writeBlock()
    {
        m_file.write(m_block);
        m_block.resize(0);
    }

    const CsvTable &m_table;
    // Taken once: every line has as many fields as the header.
    const int m_columns;
    QString m_caption;
    ProgressDisplay *m_bar;
    ReplacedFile m_file;
    QByteArray m_block;
    qsizetype m_rowsWritten = 0;
    bool m_stopped = false;
};

} // namespace

TextSaveOutcome CsvWriter::save(const CsvTable &table, const QString &path, ProgressDisplay *bar, Prompts &prompts)
{
    ErrorTrap trap(prompts, QStringLiteral("Main.SaveListviewAsCsv"));
    CsvSave save(table, path, bar);

    trap.step(100, [&] { save.showProgress(1, save.caption()); });
    // After a failure to create or write the file, or a stop, nothing more
    // is written and the file is not committed: whatever was there stays.
    bool saved = false;
    bool writing = !save.stopAsked() && trap.step(102, [&] { save.create(); });
    writing = writing && trap.step(104, [&] { save.writeHeader(); });
    if (writing)
        trap.step(106, [&] { save.showProgress(10, save.caption()); });
    // A stop that comes with the last row still keeps the old file.
    writing = writing && trap.step(108, [&] { save.writeRows(); }) && !save.stopAsked();
    if (writing) {
        trap.step(110, [&] {
            if (bar) {
                bar->setProgress(100);
                bar->setCaption(QStringLiteral("Done."));
            }
        });
        saved = trap.step(112, [&] { save.commit(); });
    }
    trap.step(114, [&] { save.resetProgress(); });
    return { saved, save.stopped(), save.rowsWritten() };
}
