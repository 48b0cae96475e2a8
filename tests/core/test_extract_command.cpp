#include "ModelRunHost.h"
#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/extract/ExtractionEngine.h"
#include "core/extract/PatternMatcher.h"
#include "core/extract/TextSets.h"
#include "core/results/CsvWriter.h"
#include "core/results/ReportCsvTable.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <csignal>

// tollervane-extract as a program: every golden folder run through it gives
// the rows the engine gives (the aligned text file byte for byte; the
// streaming formats row for row against the engine's results list and the
// CSV save), and the exit statuses, error lines, stop signals and the
// absence of any window library are those of a command-line tool.
class TestExtractCommand : public QObject
{
    Q_OBJECT

private slots:
    void goldenFolders_data();
    void goldenFolders();
    void exitStatus_data();
    void exitStatus();
    void invalidPattern_data();
    void invalidPattern();
    void unreadableFile_data();
    void unreadableFile();
    void stopSignal_data();
    void stopSignal();
    void listFromStandardInput();
    void progressOnTerminal_data();
    void progressOnTerminal();
    void needsNoDisplay();
};

namespace {

const QString Program = QStringLiteral(TOLLERVANE_EXTRACT_PROGRAM);
const QString GoldenRoot = QStringLiteral(TOLLERVANE_TEST_DATA "/extract");

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Outcome runExtract(const QStringList &arguments, const QString &folder = {},
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(Program, arguments);
    Outcome outcome;
    if (!process.waitForFinished(120000))
        return outcome;
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of standard error, without their line ends.
QList<QByteArray> errorLines(const Outcome &outcome)
{
    QList<QByteArray> lines = outcome.err.split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

// A golden folder's job as the command line gives it, and as the engine
// gives it the rows of the window.
struct GoldenCase
{
    QStringList arguments;
    ExtractionJob job;
    QStringList files;
    bool unique = false;
    bool source = false;
    bool count = false;
    QString setsFile;
};

GoldenCase goldenCase(const QString &folder, const TempFiles &temp)
{
    const QJsonObject object = QJsonDocument::fromJson(readAll(folder + QStringLiteral("/job.json"))).object();
    GoldenCase golden;
    golden.job = ExtractionJob::fromJson(object);
    golden.unique = object.value(QStringLiteral("removeDuplicates")).toBool();
    golden.source = object.value(QStringLiteral("showSource")).toBool();
    golden.count = object.value(QStringLiteral("countDuplicates")).toBool();
    golden.setsFile = object.value(QStringLiteral("setsFile")).toString();
    for (const QJsonValue &file : object.value(QStringLiteral("files")).toArray())
        golden.files.append(file.toString());

    const ExtractionJob &job = golden.job;
    QStringList &arguments = golden.arguments;
    using Kind = ExtractionJob::Kind;
    switch (job.kind) {
    case Kind::AllLines:
        arguments << QStringLiteral("--all");
        break;
    case Kind::Containing:
        arguments << QStringLiteral("--containing") << job.text;
        break;
    case Kind::NotContaining:
        arguments << QStringLiteral("--not-containing") << job.text;
        break;
    case Kind::ByNumber:
        arguments << QStringLiteral("--lines") << job.text;
        break;
    case Kind::Between:
        arguments << QStringLiteral("--between") << job.startMarker << job.endMarker;
        break;
    case Kind::TextSets:
        // Sets given in the job go to a set file of their own, one a line,
        // as 8-bit text (the set file's reading).
        if (golden.setsFile.isEmpty()) {
            arguments << QStringLiteral("--sets")
                      << temp.write(QStringLiteral("sets.txt"), job.sets.join(QLatin1Char('\n')).toLatin1());
        } else {
            arguments << QStringLiteral("--sets") << golden.setsFile;
        }
        break;
    case Kind::HeaderFields:
        arguments << QStringLiteral("--fields") << job.fields.join(QLatin1Char(','));
        break;
    }
    const std::pair<bool, const char *> flags[] = {
        { job.patterns, "--regex" },
        { job.onlyMatching, "--only-matching" },
        { job.decoded, "--decode" },
        { golden.source, "--source" },
        { golden.unique, "--unique" },
        { golden.count, "--count" },
    };
    for (const auto &[on, flag] : flags) {
        if (on)
            arguments << QLatin1String(flag);
    }
    arguments << QStringLiteral("--");
    arguments << golden.files;
    return golden;
}

} // namespace

void TestExtractCommand::goldenFolders_data()
{
    QTest::addColumn<QString>("folder");
    const QDir root(GoldenRoot);
    const QStringList cases = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY2(cases.size() >= 12, "the golden folders are missing");
    for (const QString &name : cases)
        QTest::newRow(qPrintable(name)) << root.filePath(name);
}

void TestExtractCommand::goldenFolders()
{
    QFETCH(QString, folder);
    TempFiles temp;
    const GoldenCase golden = goldenCase(folder, temp);
    const auto run = [&](const char *format) {
        return runExtract(QStringList { QStringLiteral("--format"), QLatin1String(format) } + golden.arguments, folder);
    };

    const bool hasExpected = QFile::exists(folder + QStringLiteral("/expected.txt"));
    const QStringList boxes
        = QString::fromUtf8(readAll(folder + QStringLiteral("/expected-messages.txt"))).split(QLatin1Char('\n'));
    if (!hasExpected) {
        // A refused job: nothing written, standard error says why.
        const Outcome refused = run("lines");
        QCOMPARE(refused.status, 2);
        QVERIFY(refused.out.isEmpty());
        QVERIFY2(refused.err.startsWith("tollervane-extract: "), refused.err.constData());
        return;
    }

    // A box other than the closing one is an error the run went on after.
    bool errorBox = false;
    for (const QString &box : boxes)
        errorBox = errorBox || (!box.isEmpty() && !box.startsWith(QLatin1String("Done")));
    const int status = errorBox ? 2 : 0;
    const Outcome aligned = run("aligned");
    QCOMPARE(aligned.status, status);
    QCOMPARE(aligned.out, readAll(folder + QStringLiteral("/expected.txt")));
    // What the closing box adds (files not decoded) is a note, not an error.
    for (const QString &box : boxes) {
        if (box.startsWith(QLatin1String("Done. ")))
            QVERIFY2(aligned.err.contains(box.mid(6).toUtf8()), aligned.err.constData());
    }

    // The engine's own rows, as the window gets them.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder));
    ScriptedPrompts prompts;
    ModelRunHost host(prompts);
    host.files = golden.files;
    host.duplicatesRemoved = golden.unique;
    host.counted = golden.count;
    host.sourceShown = golden.source;
    ExtractionJob job = golden.job;
    if (!golden.setsFile.isEmpty())
        LoadSetItemsFromFile(job.sets, golden.setsFile, prompts);
    ExtractionEngine::run(host, job, QStringLiteral("Test.Command"));
    QDir::setCurrent(previous);
    const ResultsModel &rows = host.results;

    // lines: each row as its bytes, the source and a tab before it, the
    // columns of a table tab-separated.
    QByteArray expectedLines;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QByteArrayList cells;
        for (int c = 0; c < int(rows.columns().size()); ++c) {
            switch (rows.cellKind(r, c)) {
            case ResultsModel::CellKind::Path:
                cells.append(QFile::encodeName(*rows.sourcePath(r)));
                break;
            case ResultsModel::CellKind::Text:
                cells.append(rows.cellBytes(r, c).toByteArray());
                break;
            case ResultsModel::CellKind::Count:
                cells.append(QByteArray::number(rows.foundCount(r)));
                break;
            case ResultsModel::CellKind::Empty:
                break;
            }
        }
        expectedLines += cells.join('\t') + '\n';
    }
    const Outcome lines = run("lines");
    QCOMPARE(lines.status, status);
    QCOMPARE(lines.out, expectedLines);

    // csv: byte for byte what the CSV save writes for the same list.
    const QString saved = temp.filePath(QStringLiteral("saved.csv"));
    QVERIFY(CsvWriter::save(ReportCsvTable(rows), saved, nullptr, prompts).saved);
    const Outcome csv = run("csv");
    QCOMPARE(csv.status, status);
    QCOMPARE(csv.out, readAll(saved));

    // jsonl: one object a row, each cell under its column's name, and the
    // line the row was found on (null for a row that stands for its whole
    // file, or for a counted row without its file, which counts findings
    // in several).
    const Outcome jsonl = run("jsonl");
    QCOMPARE(jsonl.status, status);
    QList<QByteArray> objects = jsonl.out.split('\n');
    QCOMPARE(objects.takeLast(), QByteArray());
    QCOMPARE(objects.size(), rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(objects[r], &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, objects[r].constData());
        for (int c = 0; c < int(rows.columns().size()); ++c) {
            if (rows.cellKind(r, c) != ResultsModel::CellKind::Path)
                QCOMPARE(object.value(rows.columns()[c].header).toString(), rows.cellText(r, c));
        }
        if (rows.hasSecondColumn(r))
            QCOMPARE(object.value(QStringLiteral("source")).toString(), *rows.sourcePath(r));
        const QJsonValue line = object.value(QStringLiteral("line"));
        if (rows.lineNumber(r) == 0 || (rows.isCounted() && !rows.hasSecondColumn(r)))
            QVERIFY2(line.isNull(), objects[r].constData());
        else
            QCOMPARE(line.toInteger(), rows.lineNumber(r));
    }
}

void TestExtractCommand::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");

    const QString messages = GoldenRoot + QStringLiteral("/containing-only-match-literal/messages");
    const QString found = messages + QStringLiteral("/crlf.eml");
    const QString empty = GoldenRoot + QStringLiteral("/no-files");
    const auto row = [](const char *name, const QStringList &arguments, int status, const char *said) {
        QTest::newRow(name) << arguments << status << QString::fromUtf8(said);
    };
    row("results", { QStringLiteral("--containing"), QStringLiteral("invoice"), found }, 0, "");
    row("results from a folder", { QStringLiteral("--containing"), QStringLiteral("invoice"), messages }, 0, "");
    row("no results", { QStringLiteral("--containing"), QStringLiteral("zq not there"), found }, 1, "");
    row("help", { QStringLiteral("--help") }, 0, "");
    row("unknown option", { QStringLiteral("--bogus"), found }, 2, "unknown option --bogus");
    row("two extractions", { QStringLiteral("--all"), QStringLiteral("--containing"), QStringLiteral("x"), found }, 2,
        "cannot be combined");
    row("no extraction", { found }, 2, "say what to extract");
    row("value missing", { QStringLiteral("--containing") }, 2, "needs a value");
    row("no files", { QStringLiteral("--all") }, 2, "no files given");
    row("unknown format", { QStringLiteral("--all"), QStringLiteral("--format"), QStringLiteral("xml"), found }, 2,
        "unknown format");
    row("workbook to standard output", { QStringLiteral("--all"), QStringLiteral("--format=xlsx"), found }, 2,
        "needs -o");
    row("no header field named", { QStringLiteral("--fields"), QStringLiteral(" , "), found }, 2,
        "--fields: name at least one header field");
    row("empty text", { QStringLiteral("--containing="), found }, 2, "--containing: the text is empty");
    row("missing list file",
        { QStringLiteral("--all"), QStringLiteral("--files-from"), messages + QStringLiteral("/none.txt") }, 2,
        "none.txt: File not found");
    row("missing set file", { QStringLiteral("--sets"), messages + QStringLiteral("/none.txt"), found }, 2,
        "none.txt: File not found");
    row("folder without messages", { QStringLiteral("--all"), empty }, 2, "No files added.");
    row("output folder missing",
        { QStringLiteral("--all"), QStringLiteral("-o"), empty + QStringLiteral("/none/out.txt"), found }, 2,
        "out.txt");
}

void TestExtractCommand::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    const Outcome outcome = runExtract(arguments);
    QCOMPARE(outcome.status, status);
    if (status == 0)
        QVERIFY(!outcome.out.isEmpty());
    if (status == 1)
        QVERIFY(outcome.out.isEmpty());
    if (said.isEmpty()) {
        QCOMPARE(outcome.err, QByteArray());
    } else {
        QVERIFY2(outcome.err.startsWith("tollervane-extract: "), outcome.err.constData());
        QVERIFY2(outcome.err.contains(said.toUtf8()), outcome.err.constData());
    }
}

void TestExtractCommand::invalidPattern_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("pattern");

    QTest::newRow("containing") << QStringList { QStringLiteral("--containing"), QStringLiteral("invoice(1042") }
                                << QStringLiteral("--containing") << QStringLiteral("invoice(1042");
    QTest::newRow("not containing") << QStringList { QStringLiteral("--not-containing"), QStringLiteral("[a-") }
                                    << QStringLiteral("--not-containing") << QStringLiteral("[a-");
    QTest::newRow("start marker") << QStringList { QStringLiteral("--between"), QStringLiteral("x{2,1}"),
        QStringLiteral("y") } << QStringLiteral("--between X")
                                  << QStringLiteral("x{2,1}");
    QTest::newRow("end marker") << QStringList { QStringLiteral("--between"), QStringLiteral("x"),
        QStringLiteral("[z-a]") }
                                << QStringLiteral("--between Y") << QStringLiteral("[z-a]");
    QTest::newRow("decoded") << QStringList { QStringLiteral("--decode"), QStringLiteral("--containing"),
        QStringLiteral("\\p{Bogus}") }
                             << QStringLiteral("--containing") << QStringLiteral("\\p{Bogus}");
}

void TestExtractCommand::invalidPattern()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, option);
    QFETCH(QString, pattern);
    const QString file = GoldenRoot + QStringLiteral("/containing-only-match-literal/messages/crlf.eml");
    const PatternMatcher matcher(
        pattern, arguments.contains(QStringLiteral("--decode")) ? TextKind::Unicode : TextKind::Bytes);
    QVERIFY(!matcher.isValid());

    TempFiles temp;
    const QString target = temp.write(QStringLiteral("out.txt"), "earlier\n");
    const Outcome outcome = runExtract(arguments
        + QStringList { QStringLiteral("--regex"), QStringLiteral("-o"), target, QStringLiteral("--"), file });
    QCOMPARE(outcome.status, 2);
    const QByteArray expected
        = QStringLiteral("tollervane-extract: %1: not a valid regular expression: %2 at position %3")
              .arg(option, matcher.errorMessage())
              .arg(matcher.errorOffset())
              .toUtf8();
    QCOMPARE(errorLines(outcome), QList<QByteArray> { expected });
    QCOMPARE(readAll(target), QByteArray("earlier\n"));
}

void TestExtractCommand::unreadableFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("a folder in the list file") << QStringLiteral("folder");
    QTest::newRow("no permission") << QStringLiteral("locked");
}

void TestExtractCommand::unreadableFile()
{
    QFETCH(QString, kind);
    TempFiles temp;
    const QString first = temp.write(QStringLiteral("first.eml"), "invoice one\r\nother\r\n");
    const QString last = temp.write(QStringLiteral("last.eml"), "other\r\ninvoice two\r\n");
    QString bad = temp.filePath(QStringLiteral("bad.eml"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(bad));
    } else if (kind == QLatin1String("locked")) {
        temp.write(QStringLiteral("bad.eml"), "invoice hidden\r\n");
        QVERIFY(QFile::setPermissions(bad, QFileDevice::Permissions()));
        QFile probe(bad);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("this user reads files whatever their permissions (root)");
    }
    const QString list = temp.write(QStringLiteral("list.txt"),
        QFile::encodeName(first + QLatin1Char('\n') + bad + QLatin1Char('\n') + last + QLatin1Char('\n')));
    const Outcome outcome = runExtract(
        { QStringLiteral("--containing"), QStringLiteral("invoice"), QStringLiteral("--files-from"), list });
    QCOMPARE(outcome.status, 2);
    QCOMPARE(outcome.out, QByteArray("invoice one\ninvoice two\n"));
    const QList<QByteArray> lines = errorLines(outcome);
    QCOMPARE(lines.size(), 1);
    const QByteArray prefix = "tollervane-extract: " + QFile::encodeName(bad) + ": ";
    QVERIFY2(lines[0].startsWith(prefix) && lines[0].size() > prefix.size(), lines[0].constData());
}

void TestExtractCommand::stopSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestExtractCommand::stopSignal()
{
    QFETCH(int, signal);
    TempFiles temp;
    // A list that takes many seconds to get through: one message of a few
    // megabytes, listed thousands of times.
    QByteArray message;
    for (int i = 0; i < 60000; ++i)
        message += "Received: from relay.example.org by mx.example.net; line " + QByteArray::number(i) + "\r\n";
    const QString input = temp.write(QStringLiteral("big.eml"), message);
    QByteArray listed;
    for (int i = 0; i < 4000; ++i)
        listed += QFile::encodeName(input) + '\n';
    const QString list = temp.write(QStringLiteral("list.txt"), listed);
    const QString target = temp.write(QStringLiteral("out.txt"), "earlier results\n");
    const QStringList before = QDir(temp.path()).entryList(QDir::Files | QDir::Hidden);

    QProcess process;
    process.start(Program,
        { QStringLiteral("--containing"), QStringLiteral("zq never there"), QStringLiteral("-o"), target,
            QStringLiteral("--files-from"), list });
    QVERIFY(process.waitForStarted());
    QTest::qWait(400);
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + signal);
    QVERIFY(process.readAllStandardError().contains("Stopped after"));
    QCOMPARE(readAll(target), QByteArray("earlier results\n"));
    QCOMPARE(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden), before);
}

void TestExtractCommand::listFromStandardInput()
{
    const QString messages = GoldenRoot + QStringLiteral("/all-lines-source-unique/messages/");
    QProcess process;
    process.start(Program,
        { QStringLiteral("--all"), QStringLiteral("--source"), QStringLiteral("--files-from"), QStringLiteral("-") });
    QVERIFY(process.waitForStarted());
    process.write(QFile::encodeName(messages + QStringLiteral("two.eml\n") + messages + QStringLiteral("one.eml\n")));
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    // Every row from the first file listed, then from the second.
    const QList<QByteArray> rows = process.readAllStandardOutput().split('\n');
    const qsizetype fromTwo
        = std::count_if(rows.begin(), rows.end(), [](const QByteArray &row) { return row.contains("two.eml\t"); });
    QVERIFY(fromTwo > 0);
    for (qsizetype r = 0; r < fromTwo; ++r)
        QVERIFY2(rows[r].contains("two.eml\t"), rows[r].constData());
    QVERIFY(rows[fromTwo].contains("one.eml\t"));
}

void TestExtractCommand::progressOnTerminal_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::newRow("shown") << false;
    QTest::newRow("quiet") << true;
}

void TestExtractCommand::progressOnTerminal()
{
    QFETCH(bool, quiet);
    // script(1) gives the program a terminal of its own; its standard
    // output and standard error both go there.
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        QSKIP("script (util-linux) is missing");
    TempFiles temp;
    const QString result = temp.write(QStringLiteral("one.eml"), "no match here\r\n");
    QString command = Program + QStringLiteral(" --containing zq ") + result;
    if (quiet)
        command += QStringLiteral(" --quiet");
    QProcess process;
    process.start(script, { QStringLiteral("-qec"), command, QStringLiteral("/dev/null") });
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 1);
    const QByteArray shown = process.readAllStandardOutput();
    if (quiet)
        QCOMPARE(shown, QByteArray());
    else
        QVERIFY2(shown.contains("0 of 1 files, 0 results"), shown.constData());
}

void TestExtractCommand::needsNoDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QLatin1String(name));
    const Outcome outcome = runExtract(
        { QStringLiteral("--all"), GoldenRoot + QStringLiteral("/all-lines-line-ends/messages") }, {}, environment);
    QCOMPARE(outcome.status, 0);
    QVERIFY(!outcome.out.isEmpty());
    // The modules load from beside the program when a run needs them.
    TempFiles temp;
    const QString workbook = temp.path() + QStringLiteral("/all.xlsx");
    const Outcome written = runExtract(
        { QStringLiteral("--all"), QStringLiteral("--decode"), QStringLiteral("--format"), QStringLiteral("xlsx"),
            QStringLiteral("-o"), workbook, GoldenRoot + QStringLiteral("/all-lines-line-ends/messages") },
        {}, environment);
    QVERIFY2(written.status == 0, written.err.constData());
    const QByteArray zip = readAll(workbook);
    QVERIFY(zip.startsWith("PK") && zip.contains("xl/worksheets/sheet1.xml"));

    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), { Program });
    QVERIFY(ldd.waitForFinished());
    const QByteArray loaded = ldd.readAllStandardOutput();
    QVERIFY2(loaded.contains("libQt6Core"), loaded.constData());
    QVERIFY2(!loaded.contains("libQt6Widgets") && !loaded.contains("libQt6Gui"), loaded.constData());
    // The decoder's and the workbook's libraries come with their modules,
    // loaded by the runs that use them, not by every start.
    QVERIFY2(!loaded.contains("libgmime") && !loaded.contains("libxlsxwriter"), loaded.constData());
}

QTEST_GUILESS_MAIN(TestExtractCommand)
#include "test_extract_command.moc"
