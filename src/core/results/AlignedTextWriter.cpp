#include "AlignedTextWriter.h"

#include "ProgressDisplay.h"
#include "ReplacedFile.h"
#include "ResultCells.h"
#include "ResultsModel.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/PathTools.h"
#include "core/app/StopRequest.h"

#include <QFile>

#include <algorithm>
#include <vector>

namespace {

// Lines are gathered into blocks of about this size before they are written.
constexpr qsizetype BlockSize = 256 * 1024;

class AlignedTextSave
{
public:
    AlignedTextSave(const ResultsModel &list, const QString &path, ProgressDisplay *bar)
        : m_cells(list)
        , m_caption(QStringLiteral("Writing file: ") + PathTools::GetFileNameFromPath(path))
        , m_bar(bar)
        , m_file(path)
    { }

    QString caption() const { return m_caption; }
    qsizetype rowsWritten() const { return m_rowsWritten; }

    // Stop is taken until the file is written in place: from then on the old
    // file is gone already, and a whole new one is better than part of one.
    bool stopAsked()
    {
        if (StopRequest::asked() && m_file.stopKeepsTheOldFile())
            m_stopped = true;
        return m_stopped;
    }
    bool stopped() const { return m_stopped; }

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

    void measureWidths()
    {
        const int columns = m_cells.columnCount();
        m_widths.assign(size_t(columns), 0);
        for (int c = 0; c < columns; ++c) {
            qsizetype width = characterCount(m_cells.header(c));
            for (qsizetype r = 0; r < m_cells.rowCount(); ++r) {
                EventPump::yield();
                if (stopAsked())
                    return;
                if (r >= m_cells.rowCount())
                    break;
                width = std::max(width, m_cells.cell(r, c).characters);
            }
            m_widths[size_t(c)] = width;
        }
    }

    void create()
    {
        m_block.reserve(BlockSize + 4096);
        m_file.create();
    }

    void writeHeader()
    {
        for (int c = 0; c < int(m_widths.size()); ++c) {
            EventPump::yield();
            const QString header = m_cells.header(c);
            appendCell(QFile::encodeName(header), characterCount(header), c);
        }
        m_block.append("\r\n");
        writeBlock();
    }

    void writeRows()
    {
        const qsizetype n = m_cells.rowCount();
        // The bar starts a little ahead on long lists, but never passes 100.
        const qsizetype lead = n / 2000;
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
                m_bar->setProgress(std::min(100.0, double(rowNumber + lead) / double(n) * 100.0));
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
        for (int c = 0; c < int(m_widths.size()); ++c) {
            EventPump::yield();
            if (r >= m_cells.rowCount()) {
                m_block.truncate(start);
                return false;
            }
            const ResultCell cell = m_cells.cell(r, c);
            appendCell(cell.bytes, cell.characters, c);
        }
        return true;
    }

    void appendCell(QByteArrayView bytes, qsizetype characters, int column)
    {
        m_block.append(bytes);
        // A text that outgrew its column while the writer yielded gets no
        // padding; the others are padded to the column's width.
        const qsizetype pad = m_widths[size_t(column)] - characters;
        if (pad > 0)
            m_block.resize(m_block.size() + pad, ' ');
        m_block.append('\t');
    }

    void writeBlock()
    {
        m_file.write(m_block);
        m_block.resize(0);
    }

    ResultCells m_cells;
    QString m_caption;
    ProgressDisplay *m_bar;
    ReplacedFile m_file;
    std::vector<qsizetype> m_widths;
    QByteArray m_block;
    qsizetype m_rowsWritten = 0;
    bool m_stopped = false;
};

} // namespace

TextSaveOutcome SaveListviewProperlySpaced(
    const ResultsModel &list, const QString &path, ProgressDisplay *bar, Prompts &prompts)
{
    ErrorTrap trap(prompts, QStringLiteral("Main.SaveListviewProperlySpaced"));
    AlignedTextSave save(list, path, bar);

    trap.step(100, [&] { save.showProgress(1, save.caption()); });
    trap.step(102, [&] { save.measureWidths(); });
    trap.step(104, [&] { save.showProgress(10, save.caption()); });
    // After a failure to create or write the file, or a stop, nothing more
    // is written and the file is not committed: whatever was there stays.
    bool saved = false;
    bool writing = !save.stopped() && trap.step(106, [&] { save.create(); });
    writing = writing && trap.step(108, [&] { save.writeHeader(); });
    if (writing)
        trap.step(110, [&] { save.showProgress(20, save.caption()); });
    writing = writing && trap.step(112, [&] { save.writeRows(); }) && !save.stopped();
    if (writing) {
        trap.step(114, [&] {
            if (bar) {
                bar->setProgress(100);
                bar->setCaption(QStringLiteral("Done."));
            }
        });
        saved = trap.step(116, [&] { save.commit(); });
    }
    trap.step(118, [&] { save.resetProgress(); });
    return { saved, save.stopped(), save.rowsWritten() };
}
