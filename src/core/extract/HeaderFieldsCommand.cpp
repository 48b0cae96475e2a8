#include "ExtractionCommands.h"
#include "ExtractionRun.h"
#include "RunHost.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/Prompts.h"
#include "core/decode/MessageDecoder.h"
#include "core/results/TableRow.h"

namespace {

const QString NoFieldNames = QStringLiteral(
    "Type the names of the header fields to extract, separated by commas, for example: From, Date, Subject");

// The rows of one file, made on the reading thread: for each message, its
// values of the named fields as one table row; the rows are kept as the
// cells of one more row. A field that occurs more than once gives its values
// joined by " | ".
QByteArray fieldRows(const QByteArray &bytes, const QString &path, const QStringList &names)
{
    thread_local MessageDecoder decoder;
    const DecodedFile file = decoder.decodeHeaders(bytes, path);
    QList<QByteArray> rows;
    QList<QByteArray> values(names.size());
    QList<QByteArrayView> cells(names.size());
    for (const DecodedMessage &message : file.messages) {
        for (qsizetype k = 0; k < names.size(); ++k) {
            QString joined;
            bool any = false;
            for (const auto &[name, value] : message.fields) {
                if (QString::fromUtf8(name).compare(names[k], Qt::CaseInsensitive) != 0)
                    continue;
                if (any)
                    joined += QStringLiteral(" | ");
                joined += value;
                any = true;
            }
            values[k] = joined.toUtf8();
            cells[k] = values[k];
        }
        TableRow::encode(rows.emplace_back(), cells);
    }
    QByteArray all;
    TableRow::encode(all, QList<QByteArrayView>(rows.cbegin(), rows.cend()));
    return all;
}

} // namespace

// Extract Header Fields: one row per message (per file, or per message of a
// mailbox), one column per named field, the values decoded whatever the
// reading option; a file that is no message or could not be read gives a
// row of empty cells.
void ExtractionCommands::headerFields(RunHost &host, ErrorTrap &trap, const ExtractionJob &job)
{
    const QStringList names = job.fields;
    ExtractionRun run(host, TextKind::Unicode,
        [names](const QByteArray &bytes, const QString &path, bool &) { return fieldRows(bytes, path, names); });
    const auto checkInput = [&](ErrorTrap &, int &mark) {
        bool refused = false;
        trap.step(mark, [&] {
            if (names.isEmpty()) {
                host.prompts().info(NoFieldNames);
                refused = true;
            }
        });
        mark += 2;
        return refused;
    };
    run.useTable(names);
    int mark = 0;
    if (!run.prepare(trap, ExtractionRun::Preamble::InputFirst, checkInput, mark))
        return;

    const QList<QByteArrayView> emptyRow(names.size());
    run.forEachFile(trap, { .progress = 110, .path = 112, .caption = 114, .yield = 116, .read = 118 },
        FileReader::Lines, [&](const QString &path, const QByteArray &rows) {
            if (rows.isEmpty()) {
                trap.step(120, [&] { run.appendRow(emptyRow, path, 0); });
                return;
            }
            QList<QByteArrayView> cells(names.size());
            TableRow::Reader reader(rows);
            QByteArrayView row;
            for (int r = 0; reader.next(row) && !host.closing(); ++r) {
                trap.step(120, [&] {
                    for (int k = 0; k < names.size(); ++k)
                        cells[k] = TableRow::cell(row, k);
                    run.appendRow(cells, path, 0);
                });
                if (r % 256 == 255)
                    trap.step(122, [] { EventPump::yield(); });
            }
        });
    trap.step(124, [&] { run.resetProgress(); });
    trap.step(126, [&] { run.sayDone(); });
}
