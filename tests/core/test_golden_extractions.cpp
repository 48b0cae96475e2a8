#include "ModelRunHost.h"
#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/app/AppFailure.h"
#include "core/extract/ExtractionEngine.h"
#include "core/extract/TextSets.h"
#include "core/results/AlignedTextWriter.h"
#include "core/viewer/MessageText.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

// Every folder under tests/data/extract is one whole extraction: the
// messages it holds, the job (job.json) and what the run must give:
// expected.txt, the results saved as the aligned text file, byte for byte;
// and where a case expects boxes, expected-messages.txt, their texts one a
// line. A new case is a new folder.
//
// job.json holds the job's own fields (see ExtractionJob::fromJson) and
// "files" (the listed files, relative to the folder, in list order),
// "removeDuplicates", "showSource", "countDuplicates", and "setsFile" (a
// text-set file to load the sets from). Paths are listed relative to the
// case folder, so the source column does not depend on where the tree lies.
//
// Every row of every case also leads back to where it was found: its file
// (shown or not) and a line of it that holds its text, as the message
// viewer numbers the lines. lineNumbers checks the numbers themselves.
class TestGoldenExtractions : public QObject
{
    Q_OBJECT

private slots:
    void extraction_data();
    void extraction();
    void lineNumbers_data();
    void lineNumbers();
};

void TestGoldenExtractions::extraction_data()
{
    QTest::addColumn<QString>("folder");
    const QDir root(QStringLiteral(TOLLERVANE_TEST_DATA "/extract"));
    const QStringList cases = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY2(cases.size() >= 12, "the golden folders are missing");
    for (const QString &name : cases)
        QTest::newRow(qPrintable(name)) << root.filePath(name);
}

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The part of a text before its first line end.
QByteArrayView firstLine(QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n')
            return text.first(i);
    }
    return text;
}

// Each row's file is one of the listed files (the source column's, when it
// is shown), and each text cell's first line stands in the row's line of
// that file as the viewer shows it (in the kind the run read). A row of a
// header-field table stands for its whole file: line 0.
void checkRowsLeadToTheirLines(const ResultsModel &rows, const QStringList &listed, bool wholeFiles)
{
    QHash<QString, MessageText> texts;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QString file = rows.filePath(r);
        QVERIFY2(listed.contains(file), qPrintable(file));
        if (rows.hasSecondColumn(r))
            QCOMPARE(*rows.sourcePath(r), file);
        const qint64 line = rows.lineNumber(r);
        if (wholeFiles) {
            QCOMPARE(line, qint64(0));
            continue;
        }
        if (!texts.contains(file)) {
            try {
                texts.insert(file, MessageText::fromFile(file, rows.textKind()));
            } catch (const AppFailure &failure) {
                QFAIL(qPrintable(failure.description()));
            }
        }
        const MessageText &text = texts[file];
        QVERIFY2(line >= 1 && line <= text.lineCount(), qPrintable(QString::number(line)));
        const QByteArrayView shown = text.lineBytes(line);
        for (int column = 0; column < int(rows.columns().size()); ++column) {
            if (rows.cellKind(r, column) != ResultsModel::CellKind::Text)
                continue;
            const QByteArrayView cell = firstLine(rows.cellBytes(r, column));
            QVERIFY2(shown.contains(cell),
                qPrintable(QStringLiteral("row %1 not on line %2 of %3").arg(r).arg(line).arg(file)));
        }
    }
}
} // namespace

void TestGoldenExtractions::extraction()
{
    QFETCH(QString, folder);
    const QByteArray jobText = readAll(folder + QStringLiteral("/job.json"));
    QJsonParseError error;
    const QJsonObject caseFile = QJsonDocument::fromJson(jobText, &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder));
    const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });

    ScriptedPrompts prompts;
    QStringList messages;
    prompts.setSink([&](const QJsonObject &prompt) {
        if (prompt.value(QStringLiteral("prompt")).toString() == QStringLiteral("message"))
            messages.append(prompt.value(QStringLiteral("text")).toString());
    });
    ModelRunHost host(prompts);
    for (const QJsonValue &file : caseFile.value(QStringLiteral("files")).toArray())
        host.files.append(file.toString());
    host.duplicatesRemoved = caseFile.value(QStringLiteral("removeDuplicates")).toBool();
    host.sourceShown = caseFile.value(QStringLiteral("showSource")).toBool();
    host.counted = caseFile.value(QStringLiteral("countDuplicates")).toBool();

    ExtractionJob job = ExtractionJob::fromJson(caseFile);
    const QString setsFile = caseFile.value(QStringLiteral("setsFile")).toString();
    if (!setsFile.isEmpty())
        LoadSetItemsFromFile(job.sets, setsFile, prompts);

    ExtractionEngine::run(host, job, QStringLiteral("Test.Golden"));
    checkRowsLeadToTheirLines(host.results, host.files, job.kind == ExtractionJob::Kind::HeaderFields);
    if (QTest::currentTestFailed())
        return;

    const QString expectedMessages = QString::fromUtf8(readAll(QStringLiteral("expected-messages.txt")));
    if (!expectedMessages.isEmpty())
        QCOMPARE(messages.join(QLatin1Char('\n')), expectedMessages.trimmed());
    else
        QCOMPARE(messages, QStringList { QStringLiteral("Done.") });

    QTemporaryDir out;
    const QString saved = out.filePath(QStringLiteral("results.txt"));
    if (host.results.size() > 0)
        QVERIFY(SaveListviewProperlySpaced(host.results, saved, nullptr, prompts).saved);
    // A case without expected.txt expects no results at all.
    const QByteArray actual = readAll(saved);
    const QByteArray expected = readAll(QStringLiteral("expected.txt"));
    if (actual != expected && qEnvironmentVariableIsSet("TOLLERVANE_KEEP_ACTUAL")) {
        // Leaves what the run gave beside the case, for a look with diff.
        QFile keep(QStringLiteral("actual.txt"));
        if (keep.open(QIODevice::WriteOnly))
            keep.write(actual);
    }
    QCOMPARE(actual, expected);
}

// Line numbers, from 1, of every kind of run over line ends of each kind:
// each row as "file:line", the same whether the source column is shown or
// not (unless the case says what the shown column gives instead).
void TestGoldenExtractions::lineNumbers_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QByteArray>("job");
    QTest::addColumn<bool>("unique");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("rowsWithSource");
    const auto row = [](const char *name, const QString &files, const char *job, const QString &rows,
                         bool unique = false, const QString &rowsWithSource = QString()) {
        const auto split = [](const QString &list) { return list.split(QLatin1Char(' '), Qt::SkipEmptyParts); };
        QTest::newRow(name) << split(files) << QByteArray(job) << unique << split(rows) << split(rowsWithSource);
    };
    row("containing", QStringLiteral("crlf lf cr mixed"), R"({"kind":"containing","text":"ONE"})",
        QStringLiteral("crlf:2 crlf:4 crlf:6 lf:2 cr:1 cr:3 mixed:3 mixed:5"));
    row("containing far into a file", QStringLiteral("long cr"), R"({"kind":"containing","text":"one"})",
        QStringLiteral("long:3001 cr:1 cr:3"));
    row("not containing", QStringLiteral("lf mixed"), R"({"kind":"not-containing","text":"one"})",
        QStringLiteral("lf:1 lf:3 lf:4 mixed:1 mixed:2 mixed:4"));
    row("containing a pattern", QStringLiteral("crlf cr"), R"({"kind":"containing","text":"o.e","patterns":true})",
        QStringLiteral("crlf:2 crlf:4 crlf:6 cr:1 cr:3"));
    row("not containing a pattern", QStringLiteral("cr"), R"({"kind":"not-containing","text":"o.e","patterns":true})",
        QStringLiteral("cr:2"));
    row("only the match", QStringLiteral("crlf"), R"({"kind":"containing","text":"one","onlyMatching":true})",
        QStringLiteral("crlf:2 crlf:4 crlf:6 crlf:6"));
    row("capture groups", QStringLiteral("cr mixed"),
        R"j({"kind":"containing","text":"(o)(ne)","patterns":true,"onlyMatching":true})j",
        QStringLiteral("cr:1 cr:3 mixed:3 mixed:5"));
    row("by number", QStringLiteral("mixed cr long"), R"({"kind":"lines","text":"1,3,5,3001"})",
        QStringLiteral("mixed:1 mixed:3 mixed:5 cr:1 cr:3 long:1 long:3 long:5 long:3001"));
    row("between, a stretch across lines", QStringLiteral("crlf cr long"),
        R"({"kind":"between","start":"beta","end":"one"})", QStringLiteral("crlf:5"));
    row("between after lone CRs", QStringLiteral("cr long"), R"({"kind":"between","start":"q","end":"one"})",
        QStringLiteral("cr:2 long:3001"));
    row("between patterns", QStringLiteral("crlf"), R"({"kind":"between","start":"[bg]","end":"one","patterns":true})",
        QStringLiteral("crlf:2 crlf:5"));
    row("text sets", QStringLiteral("crlf mixed"), R"({"kind":"sets","sets":["ONE","gamma"]})",
        QStringLiteral("crlf:2 crlf:4 crlf:6 crlf:6 mixed:3 mixed:5"));
    row("text sets, only the match", QStringLiteral("cr"),
        R"({"kind":"sets","sets":["o.e"],"patterns":true,"onlyMatching":true})", QStringLiteral("cr:1 cr:3"));
    row("all lines", QStringLiteral("cr mixed"), R"({"kind":"all"})",
        QStringLiteral("cr:1 cr:2 cr:3 mixed:1 mixed:2 mixed:3 mixed:4 mixed:5"));
    row("header fields stand for their file", QStringLiteral("crlf qp"), R"({"kind":"fields","fields":"Subject"})",
        QStringLiteral("crlf:0 qp:0"));
    row("raw", QStringLiteral("qp"), R"({"kind":"containing","text":"one"})", QStringLiteral("qp:2 qp:8 qp:9"));
    row("decoded", QStringLiteral("qp"), R"({"kind":"containing","text":"one","decoded":true})",
        QStringLiteral("qp:2 qp:7 qp:8"));
    row("decoded between", QStringLiteral("qp"), R"({"kind":"between","start":"secondé","end":"one","decoded":true})",
        QStringLiteral("qp:8"));
    // A duplicate left out leaves the line where its text was first found.
    row("duplicates removed", QStringLiteral("lf again"), R"({"kind":"containing","text":"one"})",
        QStringLiteral("lf:2"), true, QStringLiteral("lf:2 again:1"));
}

void TestGoldenExtractions::lineNumbers()
{
    QFETCH(QStringList, files);
    QFETCH(QByteArray, job);
    QFETCH(bool, unique);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, rowsWithSource);
    TempFiles messages;
    const QHash<QString, QByteArray> bytes {
        { QStringLiteral("crlf"), "From: a@example.com\r\nSubject: one\r\n\r\nalpha one\r\nbeta\r\ngamma one one\r\n" },
        { QStringLiteral("lf"), "x\ny one\n\nz\n" },
        { QStringLiteral("again"), "y one\n" },
        { QStringLiteral("cr"), "p one\rq\rr one" },
        // CR CR LF and LF CR are two line ends each.
        { QStringLiteral("mixed"), "a\r\r\nb one\n\rc one\r" },
        // Long enough to be counted in many steps, with a q only at its end.
        { QStringLiteral("long"),
            QByteArray("f\r").repeated(1000) + QByteArray("g\n").repeated(1000) + QByteArray("h\r\n").repeated(1000)
                + "late q one" },
        // A soft line break joins two lines when decoded.
        { QStringLiteral("qp"),
            "From: a@example.com\r\nSubject: =?UTF-8?Q?caf=C3=A9?= one\r\nMIME-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
            "first=\r\n half one\r\nsecond=C3=A9 one\r\n" },
    };
    QStringList paths;
    for (const QString &file : files)
        paths.append(messages.write(file + QStringLiteral(".eml"), bytes.value(file)));

    for (const bool shown : { false, true }) {
        ScriptedPrompts prompts;
        ModelRunHost host(prompts);
        host.files = paths;
        host.sourceShown = shown;
        host.duplicatesRemoved = unique;
        ExtractionEngine::run(
            host, ExtractionJob::fromJson(QJsonDocument::fromJson(job).object()), QStringLiteral("Test.Lines"));
        QStringList found;
        for (qsizetype r = 0; r < host.results.size(); ++r) {
            found.append(QFileInfo(host.results.filePath(r)).completeBaseName() + QLatin1Char(':')
                + QString::number(host.results.lineNumber(r)));
        }
        QCOMPARE(found, shown && !rowsWithSource.isEmpty() ? rowsWithSource : rows);
        checkRowsLeadToTheirLines(host.results, paths, found.first().endsWith(QLatin1String(":0")));
    }
}

QTEST_GUILESS_MAIN(TestGoldenExtractions)
#include "test_golden_extractions.moc"
