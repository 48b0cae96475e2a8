#include "ModelRunHost.h"
#include "ScriptedPrompts.h"
#include "core/extract/ExtractionEngine.h"
#include "core/extract/TextSets.h"
#include "core/results/AlignedTextWriter.h"

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
class TestGoldenExtractions : public QObject
{
    Q_OBJECT

private slots:
    void extraction_data();
    void extraction();
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

QTEST_GUILESS_MAIN(TestGoldenExtractions)
#include "test_golden_extractions.moc"
