#include "ResultWriters.h"

#include "CliPrompts.h"
#include "OutputTarget.h"
#include "core/app/AppFailure.h"
#include "core/app/ErrorTrap.h"
#include "core/results/ResultCells.h"
#include "core/results/ResultsModel.h"
#include "core/results/ResultsWorkbook.h"
#include "core/results/WorkbookWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <vector>

namespace {

// A cell as UTF-8: 8-bit bytes are ISO-8859-1 characters; decoded text is
// UTF-8 already (a sequence that is not becomes U+FFFD).
void appendUtf8(QByteArray &out, QByteArrayView cell, TextKind kind)
{
    if (kind == TextKind::Unicode) {
        if (cell.isValidUtf8())
            out.append(cell);
        else
            out.append(QString::fromUtf8(cell).toUtf8());
        return;
    }
    for (const char c : cell) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.append(c);
        } else {
            out.append(char(0xC0 | (byte >> 6)));
            out.append(char(0x80 | (byte & 0x3F)));
        }
    }
}

// The bytes of a path, converted once for the rows of one file.
class PathBytes
{
public:
    enum class Encoding { FileName, Utf8 };
    explicit PathBytes(Encoding encoding)
        : m_encoding(encoding)
    { }

    const QByteArray &of(const QString &path)
    {
        if (!m_known || path != m_path) {
            m_path = path;
            m_bytes = m_encoding == Encoding::FileName ? QFile::encodeName(path) : path.toUtf8();
            m_known = true;
        }
        return m_bytes;
    }

private:
    Encoding m_encoding;
    QString m_path;
    QByteArray m_bytes;
    bool m_known = false;
};

// One result a line: the source and a tab before it when it is shown,
// columns separated by tabs, each cell as its bytes.
class LinesWriter : public ResultWriter
{
public:
    explicit LinesWriter(OutputTarget &target)
        : m_target(target)
    { }

    void begin(const ResultLayout &layout) override { m_layout = layout; }

    void write(const ResultRow &row) override
    {
        if (m_layout.sourceShown) {
            m_target.write(m_path.of(row.source));
            m_target.write("\t");
        }
        for (size_t c = 0; c < row.cells.size(); ++c) {
            if (c > 0)
                m_target.write("\t");
            m_target.write(row.cells[c]);
        }
        m_target.write("\n");
        m_target.endRow();
    }

private:
    OutputTarget &m_target;
    ResultLayout m_layout;
    PathBytes m_path { PathBytes::Encoding::FileName };
};

// As the CSV save writes a table: UTF-8 with a byte-order mark, a line of
// column names, fields separated by commas, a field holding a comma, a
// double quote, a CR or an LF quoted (its quotes doubled), a line's only
// field quoted when empty, every line ended by CR LF.
class CsvRowWriter : public ResultWriter
{
public:
    explicit CsvRowWriter(OutputTarget &target)
        : m_target(target)
    { }

    void begin(const ResultLayout &layout) override
    {
        m_layout = layout;
        m_line = QByteArray("\xef\xbb\xbf");
        for (qsizetype c = 0; c < layout.columns.size(); ++c)
            appendField(c, layout.columns[c].toUtf8());
        endLine();
    }

    void write(const ResultRow &row) override
    {
        qsizetype column = 0;
        if (m_layout.sourceShown)
            appendField(column++, m_path.of(row.source));
        for (const QByteArrayView cell : row.cells) {
            m_cell.resize(0);
            appendUtf8(m_cell, cell, m_layout.kind);
            appendField(column++, m_cell);
        }
        endLine();
    }

private:
    void appendField(qsizetype column, QByteArrayView field)
    {
        if (column > 0)
            m_line.append(',');
        if (field.isEmpty() && m_layout.columns.size() == 1) {
            m_line.append("\"\"");
            return;
        }
        const bool quoted = std::any_of(
            field.begin(), field.end(), [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
        if (!quoted) {
            m_line.append(field);
            return;
        }
        m_line.append('"');
        for (const char c : field) {
            if (c == '"')
                m_line.append('"');
            m_line.append(c);
        }
        m_line.append('"');
    }

    void endLine()
    {
        m_line.append("\r\n");
        m_target.write(m_line);
        m_target.endRow();
        m_line.resize(0);
    }

    OutputTarget &m_target;
    ResultLayout m_layout;
    QByteArray m_line;
    QByteArray m_cell;
    PathBytes m_path { PathBytes::Encoding::Utf8 };
};

// One JSON object a line: {"source": ..., "line": ..., then each column by
// its name}. The line number is null where the run does not report it.
class JsonLinesWriter : public ResultWriter
{
public:
    explicit JsonLinesWriter(OutputTarget &target)
        : m_target(target)
    { }

    void begin(const ResultLayout &layout) override
    {
        m_layout = layout;
        m_keys.clear();
        for (qsizetype c = layout.sourceShown ? 1 : 0; c < layout.columns.size(); ++c) {
            QByteArray key(",");
            appendString(key, layout.columns[c].toUtf8());
            key.append(':');
            m_keys.push_back(key);
        }
    }

    void write(const ResultRow &row) override
    {
        m_line.append("{\"source\":");
        appendString(m_line, m_path.of(row.source));
        m_line.append(",\"line\":");
        m_line.append(row.line ? QByteArray::number(*row.line) : QByteArray("null"));
        for (size_t c = 0; c < row.cells.size() && c < m_keys.size(); ++c) {
            m_line.append(m_keys[c]);
            m_cell.resize(0);
            appendUtf8(m_cell, row.cells[c], m_layout.kind);
            appendString(m_line, m_cell);
        }
        m_line.append("}\n");
        m_target.write(m_line);
        m_target.endRow();
        m_line.resize(0);
    }

private:
    static void appendString(QByteArray &out, QByteArrayView utf8)
    {
        static const char Hex[] = "0123456789abcdef";
        out.append('"');
        for (const char c : utf8) {
            const auto byte = static_cast<unsigned char>(c);
            switch (c) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            default:
                if (byte < 0x20) {
                    out.append("\\u00");
                    out.append(Hex[byte >> 4]);
                    out.append(Hex[byte & 0xF]);
                } else {
                    out.append(c);
                }
            }
        }
        out.append('"');
    }

    OutputTarget &m_target;
    ResultLayout m_layout;
    std::vector<QByteArray> m_keys;
    QByteArray m_line;
    QByteArray m_cell;
    PathBytes m_path { PathBytes::Encoding::Utf8 };
};

// The text file's layout: a header line, then a line per row; every column
// padded with spaces to its widest text (in characters, header included)
// and followed by a tab; lines ended by CR LF. Cells are their bytes.
class AlignedWriter : public ResultWriter
{
public:
    explicit AlignedWriter(OutputTarget &target)
        : m_target(target)
    { }

    bool needsAllRows() const override { return true; }
    void begin(const ResultLayout &) override { }

    void finish(const ResultsModel &results, CliPrompts &) override
    {
        ResultCells cells(results);
        const int columns = cells.columnCount();
        std::vector<qsizetype> widths(size_t(columns), 0);
        for (int c = 0; c < columns; ++c) {
            qsizetype width = characterCount(cells.header(c));
            for (qsizetype r = 0; r < cells.rowCount(); ++r)
                width = std::max(width, cells.cell(r, c).characters);
            widths[size_t(c)] = width;
        }
        QByteArray line;
        const auto appendCell = [&](QByteArrayView bytes, qsizetype characters, int column) {
            line.append(bytes);
            const qsizetype pad = widths[size_t(column)] - characters;
            if (pad > 0)
                line.resize(line.size() + pad, ' ');
            line.append('\t');
        };
        const auto endLine = [&] {
            line.append("\r\n");
            m_target.write(line);
            line.resize(0);
        };
        for (int c = 0; c < columns; ++c) {
            const QString header = cells.header(c);
            appendCell(QFile::encodeName(header), characterCount(header), c);
        }
        endLine();
        for (qsizetype r = 0; r < cells.rowCount(); ++r) {
            for (int c = 0; c < columns; ++c) {
                const ResultCell cell = cells.cell(r, c);
                appendCell(cell.bytes, cell.characters, c);
            }
            endLine();
        }
    }

private:
    OutputTarget &m_target;
};

// A workbook as the spreadsheet export fills it, made beside the target and
// then put in its place.
class WorkbookFileWriter : public ResultWriter
{
public:
    explicit WorkbookFileWriter(OutputTarget &target)
        : m_target(target)
    { }

    bool needsAllRows() const override { return true; }
    void begin(const ResultLayout &) override { }

    void finish(const ResultsModel &results, CliPrompts &prompts) override
    {
        // A name that stays free for the workbook library, which writes the
        // file itself.
        QTemporaryFile name(QFileInfo(m_target.path()).absolutePath() + QStringLiteral("/.tollervane-XXXXXX.xlsx"));
        if (!name.open())
            throw AppFailure(
                QStringLiteral("cannot make a workbook beside %1: %2").arg(m_target.path(), name.errorString()));
        const QString path = name.fileName();
        name.close();
        qsizetype cutTexts = 0;
        {
            WorkbookWriter workbook(path);
            ErrorTrap trap(prompts, QStringLiteral("tollervane-extract.Workbook"));
            WriteResultsWorkbook(results, workbook, trap, 100);
            cutTexts = workbook.cutTexts();
            workbook.finish();
        }
        QFile written(path);
        if (!written.open(QIODevice::ReadOnly))
            throw AppFailure(QStringLiteral("cannot read the workbook made: ") + written.errorString());
        m_target.write(written.readAll());
        if (cutTexts > 0)
            prompts.note(QString::number(cutTexts)
                + QStringLiteral(" text(s) were longer than a worksheet cell can hold (32,767 characters) "
                                 "and have been cut to fit."));
    }

private:
    OutputTarget &m_target;
};

} // namespace

std::unique_ptr<ResultWriter> ResultWriter::create(CliOptions::Format format, OutputTarget &target)
{
    switch (format) {
    case CliOptions::Format::Lines:
        return std::make_unique<LinesWriter>(target);
    case CliOptions::Format::Aligned:
        return std::make_unique<AlignedWriter>(target);
    case CliOptions::Format::Csv:
        return std::make_unique<CsvRowWriter>(target);
    case CliOptions::Format::Jsonl:
        return std::make_unique<JsonLinesWriter>(target);
    case CliOptions::Format::Xlsx:
        return std::make_unique<WorkbookFileWriter>(target);
    }
    return nullptr;
}
