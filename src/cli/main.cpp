// tollervane-extract: the extraction engine run from the command line over
// the files and folders given, its results written to standard output or a
// file, for scripts and for machines without a display.

#include "CliOptions.h"
#include "CliPrompts.h"
#include "CliRunHost.h"
#include "OutputTarget.h"
#include "ProgressLine.h"
#include "ResultWriters.h"
#include "StopSignals.h"
#include "Terminal.h"
#include "core/app/AppFailure.h"
#include "core/app/PathTools.h"
#include "core/decode/MessageDecoder.h"
#include "core/extract/ExtractionEngine.h"
#include "core/extract/PatternMatcher.h"
#include "core/extract/TextSets.h"
#include "core/filelist/FileAddingLoop.h"
#include "core/filelist/FileListModel.h"
#include "core/filelist/FolderScan.h"
#include "core/filelist/ListFile.h"
#include "core/results/WorkbookWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

enum ExitStatus { Results = 0, NoResults = 1, Failure = 2 };

void writeStandardError(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

bool stopSignalled()
{
    return StopSignals::received() != 0;
}

// Patterns are checked before any file is read, so that a typing error is
// reported at once, with the option it was given to.
bool checkPatterns(const CliOptions &options, CliPrompts &prompts)
{
    const ExtractionJob &job = options.job;
    if (!job.patterns)
        return true;
    const auto valid = [&](const QString &pattern, const QString &what) {
        const PatternMatcher matcher(pattern, job.textKind());
        if (matcher.isValid())
            return true;
        prompts.error(QStringLiteral("%1: not a valid regular expression: %2 at position %3")
                          .arg(what, matcher.errorMessage())
                          .arg(matcher.errorOffset()));
        return false;
    };
    using Kind = ExtractionJob::Kind;
    switch (job.kind) {
    case Kind::Containing:
        return valid(job.text, QStringLiteral("--containing"));
    case Kind::NotContaining:
        return valid(job.text, QStringLiteral("--not-containing"));
    case Kind::Between:
        return valid(job.startMarker, QStringLiteral("--between X"))
            && valid(job.endMarker, QStringLiteral("--between Y"));
    case Kind::TextSets:
        for (qsizetype i = 0; i < job.sets.size(); ++i) {
            if (!valid(
                    job.sets[i], QStringLiteral("%1: set %2 \"%3\"").arg(options.setsFile).arg(i + 1).arg(job.sets[i])))
                return false;
        }
        return true;
    case Kind::AllLines:
    case Kind::ByNumber:
    case Kind::HeaderFields:
        return true;
    }
    return true;
}

// The texts the options give, before anything is read: an empty text or
// no sets at all is refused here, in the command line's words.
bool checkTexts(CliOptions &options, CliPrompts &prompts)
{
    ExtractionJob &job = options.job;
    using Kind = ExtractionJob::Kind;
    switch (job.kind) {
    case Kind::Containing:
    case Kind::NotContaining:
    case Kind::ByNumber:
        if (job.text.isEmpty()) {
            const char *name = job.kind == Kind::Containing ? "--containing"
                : job.kind == Kind::NotContaining           ? "--not-containing"
                                                            : "--lines";
            prompts.error(QLatin1String(name) + QStringLiteral(": the text is empty"));
            return false;
        }
        return true;
    case Kind::Between:
        if (job.startMarker.isEmpty() || job.endMarker.isEmpty()) {
            prompts.error(QStringLiteral("--between: both markers must be given"));
            return false;
        }
        return true;
    case Kind::TextSets: {
        // Read as the text-set window reads the file: every line that is
        // not blank is a set.
        prompts.setCurrentPath(options.setsFile);
        const int errorsBefore = prompts.errors();
        LoadSetItemsFromFile(job.sets, options.setsFile, prompts);
        prompts.setCurrentPath({});
        if (prompts.errors() > errorsBefore)
            return false;
        if (job.sets.isEmpty()) {
            prompts.error(options.setsFile + QStringLiteral(": no text sets in the file"));
            return false;
        }
        return true;
    }
    case Kind::HeaderFields:
        if (job.fields.isEmpty()) {
            prompts.error(QStringLiteral("--fields: name at least one header field, for example: From, Date, Subject"));
            return false;
        }
        return true;
    case Kind::AllLines:
        return true;
    }
    return true;
}

// A folder is scanned as "Add All EML Files In Folder" scans it: its .eml
// files and those of every folder below, folder by folder.
void addFolder(const QString &folder, FileListModel &list, CliPrompts &prompts)
{
    QString tidy = folder;
    while (tidy.size() > 1 && tidy.endsWith(PathTools::Separator))
        tidy.chop(1);
    QStringList folders { tidy.endsWith(PathTools::Separator) ? tidy : tidy + PathTools::Separator };
    FolderScan scan(prompts);
    scan.keepFilesMatching(EmlFilePattern);
    try {
        scan.GetSubDirectories2016(folders, true);
        AddFilesInFolderList(folders, EmlFilePattern, list, &scan);
    } catch (const AppFailure &failure) {
        prompts.error(CliPrompts::errorLine(failure.description(), folder));
    }
}

// The files to run over: each path given (a folder scanned), then the rows
// of the list file. False when the list file cannot be read.
bool gatherFiles(const CliOptions &options, FileListModel &list, CliPrompts &prompts)
{
    for (const QString &path : options.paths) {
        if (QFileInfo(path).isDir())
            addFolder(path, list, prompts);
        else
            list.append(path);
    }
    if (options.filesFrom.isEmpty())
        return true;
    const bool standardInput = options.filesFrom == QLatin1String("-");
    const QString name = standardInput ? QStringLiteral("standard input") : options.filesFrom;
    prompts.setCurrentPath(name);
    const int errorsBefore = prompts.errors();
    try {
        if (standardInput) {
            QFile in;
            if (!in.open(stdin, QIODevice::ReadOnly))
                throw AppFailure(QStringLiteral("Cannot read %1: %2").arg(name, in.errorString()));
            AppendListFileRows(list, in, name);
        } else {
            LoadListFromTextFile(list, options.filesFrom, prompts);
        }
    } catch (const AppFailure &failure) {
        prompts.error(CliPrompts::errorLine(failure.description(), name));
    }
    prompts.setCurrentPath({});
    return prompts.errors() == errorsBefore;
}

int run(CliOptions &options)
{
    std::optional<ProgressLine> progress;
    CliPrompts prompts([&progress](const QString &line) {
        if (progress)
            progress->clear();
        writeStandardError(line + QLatin1Char('\n'));
    });

    if (!checkTexts(options, prompts) || !checkPatterns(options, prompts))
        return Failure;
    // A decoder or workbook library that cannot be loaded is reported once,
    // before any file.
    QString why;
    const bool decodes = options.job.decoded || options.job.kind == ExtractionJob::Kind::HeaderFields;
    if ((decodes && !MessageDecoder::load(&why))
        || (options.format == CliOptions::Format::Xlsx && !WorkbookWriter::load(&why))) {
        prompts.error(why);
        return Failure;
    }
    FileListModel list;
    if (!gatherFiles(options, list, prompts))
        return Failure;

    // Until now a signal ends the program at once (a list read from a
    // terminal, a long folder scan): nothing has been written yet. From here
    // on it stops the run between files and leaves the output as it was.
    StopSignals::install();
    OutputTarget target(options.output);
    try {
        target.open();
    } catch (const AppFailure &failure) {
        prompts.error(failure.description());
        return Failure;
    }
    const std::unique_ptr<ResultWriter> writer = ResultWriter::create(options.format, target);
    if (!options.quiet && Terminal::isTerminal(Terminal::Stream::Error))
        progress.emplace(list.paths(), writeStandardError);
    CliRunHost host(list.paths(), options.unique, options.source, options.count, *writer, target, prompts,
        progress ? &*progress : nullptr);
    ExtractionEngine::run(host, options.job, QStringLiteral("tollervane-extract"));
    if (progress)
        progress->clear();
    prompts.setCurrentPath({});

    // Stopped, or refused before its first file: an output file is left as
    // it was.
    if (stopSignalled())
        return 128 + StopSignals::received();
    if (!host.laidOut())
        return Failure;
    // Counts are known only once every file is read: a counted table is
    // written from the list the host kept.
    if (!writer->needsAllRows() && !target.failed())
        host.writeCountedRows();
    if (writer->needsAllRows() && !target.failed()) {
        try {
            writer->finish(*host.keptResults(), prompts);
        } catch (const AppFailure &failure) {
            prompts.error(failure.description());
            return Failure;
        }
    }
    if (stopSignalled())
        return 128 + StopSignals::received();
    if (!target.commit())
        prompts.error(target.failure());
    if (prompts.errors() > 0)
        return Failure;
    return host.resultCount() > 0 ? Results : NoResults;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    CliOptions options;
    const QString wrong = parseCliOptions(arguments, options);
    if (!wrong.isEmpty()) {
        writeStandardError(QStringLiteral("tollervane-extract: ") + wrong
            + QStringLiteral("\nTry 'tollervane-extract --help' for more information.\n"));
        return Failure;
    }
    if (options.help) {
        const QByteArray usage = cliUsage().toLocal8Bit();
        std::fwrite(usage.constData(), 1, size_t(usage.size()), stdout);
        return Results;
    }
    const int status = run(options);
    // Everything is written and closed: the program ends here, without
    // freeing what it built piece by piece (the system takes it back whole).
    std::fflush(nullptr);
    ::_exit(status);
}
