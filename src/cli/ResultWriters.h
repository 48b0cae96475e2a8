#pragma once

#include "CliOptions.h"
#include "core/extract/TextKind.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <span>

class CliPrompts;
class OutputTarget;
class ResultsModel;

// The columns of a run, as the run lays them out.
struct ResultLayout
{
    TextKind kind = TextKind::Bytes;
    // Every column's name, the source column's included.
    QStringList columns;
    // The first column is the source file.
    bool sourceShown = false;
};

// One result as it is written: the file it came from, its line number when
// the run knows it, and its cells (one per column after the source column):
// 8-bit bytes or UTF-8, as the layout's kind says.
struct ResultRow
{
    const QString &source;
    std::optional<qint64> line;
    std::span<const QByteArrayView> cells;
};

// A format of the results. Formats that can write a row as soon as it is
// found get every row through write(); the others (padded columns, a
// workbook) are handed the whole results list once the run has ended.
class ResultWriter
{
public:
    virtual ~ResultWriter() = default;

    // Whether the rows are written only at the end, from the results list
    // the host keeps for them.
    virtual bool needsAllRows() const { return false; }
    // The run has laid out its columns (before any row).
    virtual void begin(const ResultLayout &layout) = 0;
    virtual void write(const ResultRow &) { }
    // The run has ended well. Throws AppFailure when the output cannot be
    // made; failures to write are kept by the target.
    virtual void finish(const ResultsModel &, CliPrompts &) { }

    static std::unique_ptr<ResultWriter> create(CliOptions::Format format, OutputTarget &target);
};
