// The results storage: the duplicate test must answer exactly as a scan of
// the rows would, through appends with both options, removals and clears;
// and every row keeps its file and line whether its source is shown or not.

#include "core/extract/ListviewContainsText.h"
#include "core/extract/PatternMatcher.h"
#include "core/extract/TableRowsContaining.h"
#include "core/results/PagedArray.h"
#include "core/results/ResultFilter.h"
#include "core/results/ResultSort.h"
#include "core/results/ResultsModel.h"

#include <QCollator>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <limits>
#include <numeric>

namespace {
// The slow, obvious results list.
struct ReferenceRow
{
    QString path; // empty: no source column
    QByteArray text;
    QString file;
    qint64 line = 0;
};

bool referenceFirstColumnContains(const QList<ReferenceRow> &rows, const QByteArray &text)
{
    for (const ReferenceRow &row : rows) {
        const QByteArray first = row.path.isEmpty() ? row.text : row.path.toLatin1();
        if (first == text && (row.path.isEmpty() || QString::fromLatin1(first) == row.path))
            return true;
    }
    return false;
}

bool referenceContainsPair(const QList<ReferenceRow> &rows, const QString &path, const QByteArray &text)
{
    for (const ReferenceRow &row : rows) {
        if (!row.path.isEmpty() && row.path == path && row.text == text)
            return true;
    }
    return false;
}
} // namespace

class TestResultsModel : public QObject
{
    Q_OBJECT

private slots:
    void duplicateTestAgreesWithAScan()
    {
        QRandomGenerator random(7);
        const QList<QByteArray> texts = { "a", "A", "a ", "", "b", "/m/x.eml", "caf\xe9", "line" };
        const QStringList paths
            = { QStringLiteral("/m/x.eml"), QStringLiteral("/m/y.eml"), QString::fromUtf8("/m/\xe6\x97\xa5.eml") };
        for (int round = 0; round < 40; ++round) {
            ResultsModel model;
            QList<ReferenceRow> reference;
            for (int op = 0; op < 400; ++op) {
                const int kind = random.bounded(100);
                if (kind < 80) {
                    const QByteArray text = texts[random.bounded(int(texts.size()))];
                    const QString path = paths[random.bounded(int(paths.size()))];
                    const bool removeDuplicates = random.bounded(2) == 1;
                    const bool showSource = random.bounded(2) == 1;
                    const bool already = showSource ? referenceContainsPair(reference, path, text)
                                                    : referenceFirstColumnContains(reference, text);
                    const bool expectAdded = !(removeDuplicates && already);
                    // Now and then a line number beyond what a row keeps.
                    const qint64 line
                        = random.bounded(8) == 0 ? qint64(random.bounded(1 << 16)) << 24 : qint64(random.bounded(1000));
                    QCOMPARE(model.appendResult(text, path, removeDuplicates, showSource, nullptr, line), expectAdded);
                    if (expectAdded) {
                        reference.append({ showSource ? path : QString(), text, path,
                            std::min<qint64>(line, std::numeric_limits<std::uint32_t>::max()) });
                    }
                } else if (kind < 97 && !reference.isEmpty()) {
                    // Remove a few rows, as a filter or a double-click would.
                    std::vector<qsizetype> rows;
                    for (qsizetype i = 0; i < reference.size(); ++i) {
                        if (random.bounded(4) == 0)
                            rows.push_back(i);
                    }
                    model.removeRowsAscending(rows);
                    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
                        reference.removeAt(*it);
                } else {
                    model.clearRows();
                    reference.clear();
                }
                QCOMPARE(model.size(), reference.size());
            }
            for (qsizetype i = 0; i < reference.size(); ++i) {
                QCOMPARE(model.resultBytes(i).toByteArray(), reference[i].text);
                QCOMPARE(model.hasSecondColumn(i), !reference[i].path.isEmpty());
                QCOMPARE(model.firstColumnText(i),
                    reference[i].path.isEmpty() ? QString::fromLatin1(reference[i].text) : reference[i].path);
                QCOMPARE(model.filePath(i), reference[i].file);
                QCOMPARE(model.lineNumber(i), reference[i].line);
            }
            for (const QByteArray &text : texts)
                QCOMPARE(ListviewContainsText(model, text), referenceFirstColumnContains(reference, text));
        }
    }

    void manyDistinctTextsThroughTableGrowth()
    {
        ResultsModel model;
        const int count = 50000;
        for (int i = 0; i < count; ++i)
            QVERIFY(model.appendResult(QByteArray::number(i), QString(), true, false));
        for (int i = 0; i < count; i += 7)
            QVERIFY(!model.appendResult(QByteArray::number(i), QString(), true, false));
        QCOMPARE(model.size(), count);
        // Remove every even row: those texts are no longer results.
        std::vector<qsizetype> even;
        for (qsizetype i = 0; i < count; i += 2)
            even.push_back(i);
        model.removeRowsAscending(even);
        QCOMPARE(model.size(), count / 2);
        QVERIFY(!ListviewContainsText(model, QByteArray("0")));
        QVERIFY(ListviewContainsText(model, QByteArray("1")));
        QVERIFY(model.appendResult(QByteArray("0"), QString(), true, false));
        QVERIFY(!model.appendResult(QByteArray("1"), QString(), true, false));
    }

    void duplicateTestThroughGrowthWithRemovals()
    {
        // Thousands of distinct texts, added and removed at random: the
        // index grows several times, and rows go and come back while its
        // keys are being moved into a larger table.
        QRandomGenerator random(11);
        ResultsModel model;
        std::vector<QByteArray> rows;
        QHash<QByteArray, int> counts;
        for (int op = 0; op < 30000; ++op) {
            if (random.bounded(10) < 7 || rows.empty()) {
                const QByteArray text = QByteArray::number(random.bounded(5000));
                const bool expectAdded = counts.value(text) == 0;
                QCOMPARE(model.appendResult(text, QString(), true, false), expectAdded);
                if (expectAdded) {
                    rows.push_back(text);
                    ++counts[text];
                }
            } else {
                const qsizetype row = random.bounded(int(rows.size()));
                model.removeRowsAscending({ row });
                --counts[rows[size_t(row)]];
                rows.erase(rows.begin() + row);
            }
        }
        QCOMPARE(model.size(), qsizetype(rows.size()));
        for (int i = 0; i < 5000; ++i) {
            const QByteArray text = QByteArray::number(i);
            QCOMPARE(ListviewContainsText(model, text), counts.value(text) > 0);
        }
    }

    void pagedArrayAcrossBlocks()
    {
        // Elements of nearly 64 KiB: 32 to a block with some bytes left
        // over, so a hundred span four blocks.
        struct Wide
        {
            int value;
            char padding[65520];
        };
        PagedArray<Wide> array;
        std::vector<int> reference;
        const auto push = [&](int value) {
            Wide wide;
            wide.value = value;
            array.push_back(wide);
            reference.push_back(value);
        };
        const auto same = [&] {
            if (array.size() != reference.size())
                return false;
            for (std::size_t i = 0; i < reference.size(); ++i) {
                if (array[i].value != reference[i])
                    return false;
            }
            return true;
        };
        for (int i = 0; i < 100; ++i)
            push(i);
        array.erase(30, 70); // across a block boundary
        reference.erase(reference.begin() + 30, reference.begin() + 70);
        QVERIFY(same());
        array.truncate(33); // gives back the blocks past the first two
        reference.resize(33);
        QVERIFY(same());
        for (int i = 0; i < 40; ++i)
            push(1000 + i);
        QVERIFY(same());
        array.clear();
        reference.clear();
        QVERIFY(array.empty());
        push(7);
        QVERIFY(same());
    }

    void rowsReachViewsInBatches()
    {
        ResultsModel model;
        int inserted = 0;
        connect(&model, &QAbstractItemModel::rowsInserted, this,
            [&](const QModelIndex &, int first, int last) { inserted += last - first + 1; });
        for (int i = 0; i < 1000; ++i)
            model.appendResult(QByteArray("x"), QString(), false, false);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.size(), 1000);
        QCoreApplication::processEvents();
        QCOMPARE(model.rowCount(), 1000);
        QCOMPARE(inserted, 1000);
        // A removal first announces what is pending, so views never see a
        // row they were not told of.
        model.appendResult(QByteArray("y"), QString(), false, false);
        model.removeSingleRow(0);
        QCOMPARE(model.rowCount(), 1000);
        QCOMPARE(model.firstColumnText(999), QStringLiteral("y"));
    }

    // A table row is kept whole, any bytes and lengths in its cells; a
    // counted row counts its duplicates, and a row removed and found again
    // starts over at one.
    void tableRowsAndCounts()
    {
        ResultsModel model;
        model.setColumns({ { QStringLiteral("a"), 1 }, { QStringLiteral("b"), 1 }, { QStringLiteral("Count"), 1 } });
        model.setTableLayout(2, true);
        QByteArray binary(300, '\x80');
        binary[7] = '\0';
        QVERIFY(model.appendRow({ binary, "" }, QString(), true, false));
        QVERIFY(model.appendRow({ "", binary }, QString(), true, false));
        QVERIFY(!model.appendRow({ binary, "" }, QString(), true, false));
        QVERIFY(!model.appendRow({ binary, "" }, QString(), true, false));
        QCOMPARE(model.size(), 2);
        QCOMPARE(model.tableCell(0, 0).toByteArray(), binary);
        QCOMPARE(model.tableCell(0, 1).size(), 0);
        QCOMPARE(model.tableCell(1, 1).toByteArray(), binary);
        QCOMPARE(model.cellText(0, 2), QStringLiteral("3"));
        QCOMPARE(model.cellText(1, 2), QStringLiteral("1"));
        QCOMPARE(model.cellKind(0, 2), ResultsModel::CellKind::Count);
        model.removeSingleRow(0);
        QVERIFY(model.appendRow({ binary, "" }, QString(), true, false));
        QCOMPARE(model.cellText(1, 2), QStringLiteral("1"));
        // With a source column, the same cells from another file are
        // another row.
        model.clearRows();
        QVERIFY(!model.isTable());
        model.setTableLayout(1, true);
        QVERIFY(model.appendRow({ "x" }, QStringLiteral("/a"), true, true));
        QVERIFY(model.appendRow({ "x" }, QStringLiteral("/b"), true, true));
        QVERIFY(!model.appendRow({ "x" }, QStringLiteral("/a"), true, true));
        QCOMPARE(model.cellText(0, 0), QStringLiteral("/a"));
        QCOMPARE(model.cellText(0, 2), QStringLiteral("2"));
        QCOMPARE(model.cellText(1, 2), QStringLiteral("1"));
    }

    // The removals' row tests: the source path is never looked at; a table
    // is looked at in every other cell, its count included.
    void removalRowTests()
    {
        ResultsModel two;
        two.appendResult(QByteArray("alpha 12"), QStringLiteral("/x/beta.eml"), false, true);
        two.appendResult(QByteArray("BETA 7"), QStringLiteral("/x/a.eml"), false, true);
        QCOMPARE(
            ResultRowsMatching(two, PatternMatcher(QStringLiteral("^beta")), true), (std::vector<qsizetype> { 1 }));
        QCOMPARE(
            ResultRowsMatching(two, PatternMatcher(QStringLiteral("\\d{2}")), false), (std::vector<qsizetype> { 1 }));

        ResultsModel table;
        table.setColumns({ { QStringLiteral("Source Filename"), 1 }, { QStringLiteral("a"), 1 },
            { QStringLiteral("b"), 1 }, { QStringLiteral("Count"), 1 } });
        table.setTableLayout(2, true);
        table.appendRow({ "x", "needle" }, QStringLiteral("/m/needle.eml"), true, true);
        table.appendRow({ "y", "z" }, QStringLiteral("/m/needle.eml"), true, true);
        table.appendRow({ "y", "z" }, QStringLiteral("/m/needle.eml"), true, true);
        table.appendRow({ "NEEDLE", "" }, QStringLiteral("/m/other.eml"), true, true);
        QCOMPARE(TableRowsContaining(table, u"needle", true), (std::vector<qsizetype> { 0, 2 }));
        QCOMPARE(TableRowsContaining(table, u"needle", false), (std::vector<qsizetype> { 1 }));
        QCOMPARE(TableRowsContaining(table, u"2", true), (std::vector<qsizetype> { 1 }));
        QCOMPARE(ResultRowsMatching(table, PatternMatcher(QStringLiteral("^(x|y)$")), true),
            (std::vector<qsizetype> { 0, 1 }));
    }

    // Sorting: letter case ignored, digit runs as numbers, equal keys in the
    // order found either way; counts as numbers. Rows read by number see
    // the sorted order, and a removal keeps it.
    void sortByColumn_data()
    {
        QTest::addColumn<QList<QByteArray>>("texts");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QList<int>>("expected"); // found order numbers, as shown
        QTest::newRow("numbers in text") << QList<QByteArray> { "item 10", "item 9", "Item 100", "item 9" } << false
                                         << QList<int> { 1, 3, 0, 2 };
        QTest::newRow("descending keeps equal ones in found order")
            << QList<QByteArray> { "b", "A", "B", "a" } << true << QList<int> { 0, 2, 1, 3 };
        QTest::newRow("accents after their letter")
            << QList<QByteArray> { "\xE9t\xE9", "zoo", "ete", "Eve" } << false << QList<int> { 2, 0, 3, 1 };
    }

    void sortByColumn()
    {
        QFETCH(QList<QByteArray>, texts);
        QFETCH(bool, descending);
        QFETCH(QList<int>, expected);
        ResultsModel model;
        model.setColumns({ { QStringLiteral("Results"), 1 } });
        for (const QByteArray &text : texts)
            model.appendResult(text, QString(), false, false);
        const Qt::SortOrder direction = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
        model.setSortedOrder(SortedRows(model, 0, direction), 0, direction);
        QList<int> shown;
        for (qsizetype row = 0; row < model.size(); ++row)
            shown.append(int(model.storedRow(row)));
        QCOMPARE(shown, expected);
        for (qsizetype row = 0; row < model.size(); ++row)
            QCOMPARE(model.resultBytes(row).toByteArray(), texts[expected[row]]);
        // The first shown row goes; the rest keep their order.
        model.removeSingleRow(0);
        QCOMPARE(model.size(), texts.size() - 1);
        for (qsizetype row = 0; row < model.size(); ++row)
            QCOMPARE(model.resultBytes(row).toByteArray(), texts[expected[row + 1]]);
    }

    // Keys are compared a part at a time; the order must be the one a whole
    // comparison of the texts gives (QCollator with the same rules), stable,
    // in both directions, for 8-bit and decoded texts and for the source
    // column. The texts share long beginnings, repeat, and differ in case,
    // accents and numbers, where parts tie.
    void sortAgreesWithWholeComparison_data()
    {
        QTest::addColumn<bool>("unicode");
        QTest::newRow("8-bit") << false;
        QTest::newRow("decoded") << true;
    }

    void sortAgreesWithWholeComparison()
    {
        QFETCH(bool, unicode);
        const QStringList pieces { QStringLiteral("Subject: Re: invoice "), QStringLiteral("subject: re: Invoice "),
            QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("010"), QStringLiteral("\u00e9t\u00e9 "),
            QStringLiteral("ETE "), QStringLiteral("x"), QStringLiteral("-"), QStringLiteral(" "),
            unicode ? QStringLiteral("\u00df\u03a9\u0416 ") : QStringLiteral("\u00ff\u00d7 ") };
        QRandomGenerator random(4711);
        ResultsModel model;
        model.setTextKind(unicode ? TextKind::Unicode : TextKind::Bytes);
        model.setColumns({ { QStringLiteral("Source Filename"), 1 }, { QStringLiteral("Extraction Results"), 1 } });
        QStringList texts;
        QStringList paths;
        for (int row = 0; row < 3000; ++row) {
            QString text;
            for (int n = int(random.bounded(1, 9)); n > 0; --n)
                text += pieces[random.bounded(qsizetype(pieces.size()))];
            const QString path = QStringLiteral("/mail/%1/Message-%2.eml")
                                     .arg(random.bounded(2) ? QStringLiteral("Archive") : QStringLiteral("archive"))
                                     .arg(random.bounded(40));
            model.appendResult(unicode ? text.toUtf8() : text.toLatin1(), path, false, true);
            texts.append(text);
            paths.append(path);
        }
        // A real locale: the C locale's collator leaves numbers as text.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(true);
        for (const int column : { 0, 1 }) {
            const QStringList &keys = column == 0 ? paths : texts;
            for (const Qt::SortOrder direction : { Qt::AscendingOrder, Qt::DescendingOrder }) {
                std::vector<std::uint32_t> expected(keys.size());
                std::iota(expected.begin(), expected.end(), 0u);
                std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
                    const int order = collator.compare(keys[a], keys[b]);
                    return direction == Qt::AscendingOrder ? order < 0 : order > 0;
                });
                const std::vector<std::uint32_t> sorted = SortedRows(model, column, direction);
                QVERIFY2(sorted == expected, qPrintable(QStringLiteral("column %1").arg(column)));
            }
        }
    }

    void sortByCount()
    {
        ResultsModel model;
        model.setColumns({ { QStringLiteral("Results"), 1 }, { QStringLiteral("Count"), 1 } });
        model.setTableLayout(1, true);
        for (const char *text : { "x", "y", "y", "z", "z", "z", "w" })
            model.appendRow({ QByteArrayView(text) }, QString(), true, false);
        model.setSortedOrder(SortedRows(model, 1, Qt::DescendingOrder), 1, Qt::DescendingOrder);
        QStringList shown;
        for (qsizetype row = 0; row < model.size(); ++row)
            shown.append(model.cellText(row, 0) + model.cellText(row, 1));
        QCOMPARE(shown, (QStringList { "z3", "y2", "x1", "w1" }));
    }

    // Filtering hides rows without losing them: rows read by number are the
    // shown ones, new rows are tested as they come, and showing all brings
    // every row back; the source path is looked at too.
    void filterHidesAndShowsAgain()
    {
        ResultsModel model;
        model.setColumns({ { QStringLiteral("Source Filename"), 1 }, { QStringLiteral("Extraction Results"), 1 } });
        model.appendResult(QByteArray("Invoice 1"), QStringLiteral("/m/a.eml"), false, true);
        model.appendResult(QByteArray("hello"), QStringLiteral("/m/invoices.eml"), false, true);
        model.appendResult(QByteArray("other"), QStringLiteral("/m/b.eml"), false, true);
        const auto filter = std::make_shared<ResultFilter>(QStringLiteral("INVOICE"), TextKind::Bytes, false);
        std::vector<std::uint32_t> passed;
        for (const std::uint32_t stored : model.orderedRows()) {
            if (filter->passes(model, stored))
                passed.push_back(stored);
        }
        model.showRows(passed, [filter, &model](size_t stored) { return filter->passes(model, stored); });
        QCOMPARE(model.size(), 2);
        QCOMPARE(model.totalSize(), 3);
        QCOMPARE(model.secondColumnText(1), QStringLiteral("hello"));
        model.appendResult(QByteArray("invoice 2"), QStringLiteral("/m/c.eml"), false, true);
        model.appendResult(QByteArray("nothing"), QStringLiteral("/m/c.eml"), false, true);
        QCOMPARE(model.size(), 3);
        model.removeSingleRow(0);
        QCOMPARE(model.totalSize(), 4);
        model.showAllRows();
        QCOMPARE(model.size(), 4);
        QCOMPARE(model.secondColumnText(0), QStringLiteral("hello"));
        QVERIFY(!ResultFilter(QStringLiteral("(["), TextKind::Bytes, true).isValid());
    }

    void longTextsAndEmptyTexts()
    {
        ResultsModel model;
        const QByteArray big(3 * 1024 * 1024, 'q');
        model.appendResult(QByteArray(), QStringLiteral("/p"), false, true);
        model.appendResult(big, QStringLiteral("/p"), false, true);
        model.appendResult(QByteArray("after"), QString(), false, false);
        QCOMPARE(model.resultBytes(0).size(), 0);
        QCOMPARE(model.resultBytes(1).toByteArray(), big);
        QCOMPARE(model.firstColumnText(2), QStringLiteral("after"));
        QCOMPARE(model.secondColumnText(2), QString());
        QCOMPARE(model.sourcePath(0), std::optional<QString>(QStringLiteral("/p")));
    }
};

QTEST_GUILESS_MAIN(TestResultsModel)
#include "test_results_model.moc"
