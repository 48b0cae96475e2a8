#include "CliOptions.h"

#include <array>
#include <optional>
#include <utility>

namespace {

using Kind = ExtractionJob::Kind;

// The options that say what is extracted: exactly one is given.
enum class What { None, All, Containing, NotContaining, Lines, Between, Sets, Fields };

struct Parser
{
    Parser(const QStringList &given, CliOptions &into)
        : arguments(given)
        , options(into)
    { }

    const QStringList &arguments;
    CliOptions &options;
    qsizetype next = 0;
    What what = What::None;
    QString whatName;
    QString error;

    bool fail(const QString &why)
    {
        if (error.isEmpty())
            error = why;
        return false;
    }

    // The value of an option: after "=" in the same argument, or the
    // argument that follows.
    bool takeValue(const QString &name, const std::optional<QString> &inline_, QString &value)
    {
        if (inline_) {
            value = *inline_;
            return true;
        }
        if (next >= arguments.size())
            return fail(QStringLiteral("option %1 needs a value").arg(name));
        value = arguments[next++];
        return true;
    }

    bool choose(What chosen, const QString &name)
    {
        if (what != What::None)
            return fail(QStringLiteral("%1 and %2 cannot be combined: give one extraction").arg(whatName, name));
        what = chosen;
        whatName = name;
        return true;
    }

    bool flag(const QString &name, const std::optional<QString> &inline_, bool &target)
    {
        if (inline_)
            return fail(QStringLiteral("option %1 takes no value").arg(name));
        target = true;
        return true;
    }

    bool format(const QString &name)
    {
        static const std::array<std::pair<const char *, CliOptions::Format>, 5> Names { {
            { "lines", CliOptions::Format::Lines },
            { "aligned", CliOptions::Format::Aligned },
            { "csv", CliOptions::Format::Csv },
            { "jsonl", CliOptions::Format::Jsonl },
            { "xlsx", CliOptions::Format::Xlsx },
        } };
        for (const auto &[text, value] : Names) {
            if (name == QLatin1StringView(text)) {
                options.format = value;
                return true;
            }
        }
        return fail(QStringLiteral("unknown format \"%1\" (lines, aligned, csv, jsonl or xlsx)").arg(name));
    }

    bool option(const QString &argument)
    {
        QString name = argument;
        std::optional<QString> inline_;
        if (argument.startsWith(QLatin1String("--"))) {
            const qsizetype equals = argument.indexOf(QLatin1Char('='));
            if (equals > 0) {
                name = argument.left(equals);
                inline_ = argument.mid(equals + 1);
            }
        }
        ExtractionJob &job = options.job;
        QString value;
        if (name == QLatin1String("--all"))
            return !inline_ ? choose(What::All, name) : fail(QStringLiteral("option --all takes no value"));
        if (name == QLatin1String("--containing") || name == QLatin1String("--not-containing")) {
            const bool containing = name == QLatin1String("--containing");
            return choose(containing ? What::Containing : What::NotContaining, name)
                && takeValue(name, inline_, job.text);
        }
        if (name == QLatin1String("--lines"))
            return choose(What::Lines, name) && takeValue(name, inline_, job.text);
        if (name == QLatin1String("--between")) {
            if (inline_)
                return fail(QStringLiteral("option --between takes two values: --between X Y"));
            if (!choose(What::Between, name))
                return false;
            if (next + 2 > arguments.size())
                return fail(QStringLiteral("option --between needs two values: --between X Y"));
            job.startMarker = arguments[next++];
            job.endMarker = arguments[next++];
            return true;
        }
        if (name == QLatin1String("--sets"))
            return choose(What::Sets, name) && takeValue(name, inline_, options.setsFile);
        if (name == QLatin1String("--fields")) {
            if (!choose(What::Fields, name) || !takeValue(name, inline_, value))
                return false;
            job.fields = ExtractionJob::fieldNames(value);
            return true;
        }
        if (name == QLatin1String("--regex"))
            return flag(name, inline_, job.patterns);
        if (name == QLatin1String("--only-matching"))
            return flag(name, inline_, job.onlyMatching);
        if (name == QLatin1String("--decode"))
            return flag(name, inline_, job.decoded);
        if (name == QLatin1String("--source"))
            return flag(name, inline_, options.source);
        if (name == QLatin1String("--unique"))
            return flag(name, inline_, options.unique);
        if (name == QLatin1String("--count"))
            return flag(name, inline_, options.count);
        if (name == QLatin1String("--quiet"))
            return flag(name, inline_, options.quiet);
        if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            return flag(name, inline_, options.help);
        if (name == QLatin1String("--files-from")) {
            if (!options.filesFrom.isEmpty())
                return fail(QStringLiteral("option --files-from may be given once"));
            return takeValue(name, inline_, options.filesFrom)
                && (!options.filesFrom.isEmpty() || fail(QStringLiteral("option --files-from needs a file name")));
        }
        if (name == QLatin1String("-o") || name == QLatin1String("--output"))
            return takeValue(name, inline_, options.output)
                && (!options.output.isEmpty() || fail(QStringLiteral("option %1 needs a file name").arg(name)));
        if (name == QLatin1String("--format"))
            return takeValue(name, inline_, value) && format(value);
        return fail(QStringLiteral("unknown option %1").arg(name));
    }

    bool run()
    {
        bool optionsEnd = false;
        while (next < arguments.size()) {
            const QString argument = arguments[next++];
            if (!optionsEnd && argument == QLatin1String("--")) {
                optionsEnd = true;
                continue;
            }
            if (!optionsEnd && argument.size() > 1 && argument.startsWith(QLatin1Char('-'))) {
                if (!option(argument))
                    return false;
                continue;
            }
            options.paths.append(argument);
        }
        return true;
    }

    bool check()
    {
        if (options.help)
            return true;
        static const std::array<std::pair<What, Kind>, 7> Kinds { {
            { What::All, Kind::AllLines },
            { What::Containing, Kind::Containing },
            { What::NotContaining, Kind::NotContaining },
            { What::Lines, Kind::ByNumber },
            { What::Between, Kind::Between },
            { What::Sets, Kind::TextSets },
            { What::Fields, Kind::HeaderFields },
        } };
        if (what == What::None)
            return fail(QStringLiteral("say what to extract: --all, --containing, --not-containing, --lines, "
                                       "--between, --sets or --fields"));
        for (const auto &[chosen, kind] : Kinds) {
            if (chosen == what)
                options.job.kind = kind;
        }
        if (options.paths.isEmpty() && options.filesFrom.isEmpty())
            return fail(QStringLiteral("no files given: name files or folders, or use --files-from"));
        if (options.format == CliOptions::Format::Xlsx && options.output.isEmpty())
            return fail(QStringLiteral("--format xlsx needs -o FILE"));
        if (options.filesFrom == QLatin1String("-") && options.paths.contains(QStringLiteral("-")))
            return fail(QStringLiteral("standard input cannot be read twice"));
        return true;
    }
};

} // namespace

QString parseCliOptions(const QStringList &arguments, CliOptions &options)
{
    Parser parser(arguments, options);
    if (!parser.run() || !parser.check())
        return parser.error;
    return {};
}

QString cliUsage()
{
    return QStringLiteral("Usage: tollervane-extract WHAT [OPTION]... [FILE|FOLDER]...\n"
                          "Extracts lines and pieces of text from e-mail message files (.eml). A folder\n"
                          "is searched for .eml files, its subfolders included.\n"
                          "\n"
                          "What to extract (exactly one):\n"
                          "  --all                   every line\n"
                          "  --containing TEXT       lines that contain TEXT (case ignored)\n"
                          "  --not-containing TEXT   lines that do not contain TEXT\n"
                          "  --lines LIST            lines by number, e.g. \"1,3,5\" (from 1 in each file)\n"
                          "  --between X Y           every stretch between start X and end Y\n"
                          "  --sets FILE             lines that contain any text of a text-set file\n"
                          "                          (one text a line)\n"
                          "  --fields LIST           one row per message: the named header fields\n"
                          "                          (\"From, Date, Subject\"), decoded\n"
                          "\n"
                          "How:\n"
                          "  --regex                 the texts, markers and sets are regular expressions\n"
                          "  --only-matching         only the matching text, not the whole line\n"
                          "                          (--containing and --sets)\n"
                          "  --decode                read messages decoded, as a mail program shows them\n"
                          "  --source                the source file beside each result\n"
                          "  --unique                leave out results that are already there\n"
                          "  --count                 with --unique, a last column: how many times\n"
                          "                          each row was found\n"
                          "\n"
                          "Input and output:\n"
                          "  --files-from FILE       also the files listed in FILE, one a line (- for\n"
                          "                          standard input)\n"
                          "  -o, --output FILE       write to FILE, replacing it only when the run ends\n"
                          "                          well (default: standard output)\n"
                          "  --format FORMAT         lines (default), aligned, csv, jsonl or xlsx\n"
                          "                          (xlsx needs -o)\n"
                          "  --quiet                 no progress on standard error\n"
                          "  -h, --help              this text\n"
                          "\n"
                          "Exit status: 0 when there were results, 1 when there were none, 2 when an\n"
                          "error happened (an unreadable file among them); 130 after Ctrl+C, 143 after\n"
                          "SIGTERM.\n");
}
