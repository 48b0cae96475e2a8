#pragma once

#include "core/extract/ExtractionJob.h"

#include <QString>
#include <QStringList>

// What one command line asks for: the job, the two options read at each
// append, where the file list comes from and how the results are written.
struct CliOptions
{
    enum class Format { Lines, Aligned, Csv, Jsonl, Xlsx };

    ExtractionJob job;
    // --sets: the text-set file the job's sets are loaded from.
    QString setsFile;
    // --count: with --unique, rows are counted.
    bool count = false;

    bool unique = false;
    bool source = false;
    bool quiet = false;
    bool help = false;

    // Files and folders, in the order given; then the list file ("-" for
    // standard input), if any.
    QStringList paths;
    QString filesFrom;

    // Empty: standard output.
    QString output;
    Format format = Format::Lines;
};

// Reads the arguments (without the program name). Returns an empty string
// when they make one valid command line, otherwise what is wrong with them.
QString parseCliOptions(const QStringList &arguments, CliOptions &options);

// The text --help prints.
QString cliUsage();
