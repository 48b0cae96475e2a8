// The message viewer on 100 MB messages, offscreen:
//  - showing a result near the end (read, index, scroll, first paint) and
//    the longest the event loop waited meanwhile, raw and decoded: each
//    within 1 s;
//  - a paint at 200 places scattered over the file (the longest one is what
//    scrolling costs);
//  - F3 and Shift+F3 to a hit 100 MB away (a search through the whole file);
//  - the two shapes that are hard on a line index: nothing but line ends,
//    and one line of 100 MB.
//
//   bench_message_viewer [WORK_DIR]
//
// The files are made in a temporary folder, or in WORK_DIR when given. Prints
// one line per measure and exits 1 when the raw or the decoded file misses
// its second.

#include "StallWatch.h"
#include "gui/viewer/Form4.h"
#include "gui/viewer/MessageView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr qsizetype Size = 100 << 20;

QString writeFile(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A plain message of about 100 MB: a header, then lines of text with
// "Needle" once near the start and once near the end.
QByteArray largeMessage()
{
    QByteArray bytes = "From: a@example.org\r\nSubject: large\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
                       "A Needle near the start\r\n";
    const QByteArray line = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor\r\n";
    bytes.reserve(Size + 1024);
    while (bytes.size() < Size)
        bytes += line;
    bytes += "A needle near the end\r\nLast line\r\n";
    return bytes;
}

// The same kind of text, about 100 MB once encoded: base64 in lines of 76,
// or quoted-printable with an encoded character and a soft line break in
// every line.
QByteArray encodedMessage(bool base64)
{
    QByteArray bytes = "From: a@example.org\r\nSubject: large\r\nContent-Type: text/plain; charset=utf-8\r\n"
                       "Content-Transfer-Encoding: "
        + QByteArray(base64 ? "base64" : "quoted-printable") + "\r\n\r\n";
    bytes.reserve(Size + 1024);
    if (base64) {
        const QByteArray text = largeMessage().sliced(bytes.size()).first(Size / 4 * 3);
        const QByteArray encoded = text.toBase64();
        for (qsizetype at = 0; at < encoded.size(); at += 76)
            bytes += encoded.sliced(at, std::min<qsizetype>(76, encoded.size() - at)) + "\r\n";
        return bytes;
    }
    bytes += "A Needle near the start\r\n";
    const QByteArray line = "Lorem ipsum dolor sit amet, caf=C3=A9 consectetur adipiscing elit, sed do =\r\neiusmod "
                            "tempor\r\n";
    while (bytes.size() < Size)
        bytes += line;
    bytes += "A needle near the end\r\nLast line\r\n";
    return bytes;
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void press(QWidget *target, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent event(QEvent::KeyPress, Qt::Key_F3, modifiers);
    QApplication::sendEvent(target, &event);
}

// Shows the result and paints; returns the milliseconds taken, and the
// longest the event loop waited meanwhile.
double showAndPaint(const QString &path, TextKind kind, qint64 line, const QString &highlight, double *stall)
{
    StallWatch watch;
    watch.start();
    QElapsedTimer timer;
    timer.start();
    Form4 *viewer = Form4::showMessage(path, kind, line, highlight);
    viewer->findChild<MessageView *>()->viewport()->grab();
    const double ms = msSince(timer);
    *stall = watch.stopMs();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    bool missed = false;

    const QString large = writeFile(folder, QStringLiteral("large.eml"), largeMessage());
    double stall = 0;
    const double rawShow = showAndPaint(large, TextKind::Bytes, 1'000'000, QStringLiteral("lorem"), &stall);
    Form4 *viewer = Form4::find();
    std::printf("raw 100 MB: shown at line 1,000,000 of %lld in %.0f ms (limit 1000), longest stall %.0f ms\n",
        static_cast<long long>(viewer->lineCount()), rawShow, stall);
    missed |= rawShow > 1000;

    // Painting anywhere costs the same: 200 places, the longest paint.
    MessageView *view = viewer->findChild<MessageView *>();
    QRandomGenerator random(7);
    double longestPaint = 0;
    for (int i = 0; i < 200; ++i) {
        view->verticalScrollBar()->setValue(random.bounded(view->verticalScrollBar()->maximum() + 1));
        QElapsedTimer timer;
        timer.start();
        view->viewport()->grab();
        longestPaint = std::max(longestPaint, msSince(timer));
    }
    std::printf("raw 100 MB: longest of 200 scattered paints %.1f ms\n", longestPaint);

    viewer->showResult(large, TextKind::Bytes, 5, QStringLiteral("needle"));
    QElapsedTimer timer;
    timer.start();
    press(view, Qt::NoModifier);
    view->viewport()->grab();
    std::printf("raw 100 MB: F3 to the hit 100 MB on (line %lld) in %.0f ms\n",
        static_cast<long long>(viewer->currentLine()), msSince(timer));
    timer.start();
    press(view, Qt::ShiftModifier);
    view->viewport()->grab();
    std::printf("raw 100 MB: Shift+F3 to the hit 100 MB back (line %lld) in %.0f ms\n",
        static_cast<long long>(viewer->currentLine()), msSince(timer));

    const double decodedShow = showAndPaint(large, TextKind::Unicode, 1'000'000, QStringLiteral("lorem"), &stall);
    std::printf("decoded 100 MB: shown at line 1,000,000 of %lld in %.0f ms (limit 1000), longest stall %.0f ms\n",
        static_cast<long long>(viewer->lineCount()), decodedShow, stall);
    missed |= decodedShow > 1000;

    // The decoder's other two ways of sending text, each as large.
    for (const bool base64 : { true, false }) {
        const char *name = base64 ? "base64" : "quoted-printable";
        const QString encoded
            = writeFile(folder, QStringLiteral("large-%1.eml").arg(QLatin1String(name)), encodedMessage(base64));
        const double encodedShow = showAndPaint(encoded, TextKind::Unicode, 500'000, QStringLiteral("lorem"), &stall);
        std::printf("decoded 100 MB %s: shown at line 500,000 of %lld in %.0f ms, longest stall %.0f ms\n", name,
            static_cast<long long>(viewer->lineCount()), encodedShow, stall);
    }

    const QString ends = writeFile(folder, QStringLiteral("ends.eml"), QByteArray(Size, '\n'));
    const double endsShow = showAndPaint(ends, TextKind::Bytes, Size / 2, QStringLiteral("x"), &stall);
    std::printf("100 MB of line ends: %lld lines, shown in the middle in %.0f ms, longest stall %.0f ms\n",
        static_cast<long long>(viewer->lineCount()), endsShow, stall);

    QByteArray oneLine(Size, 'a');
    oneLine.replace(Size - 6, 6, "needle");
    const QString single = writeFile(folder, QStringLiteral("line.eml"), oneLine);
    oneLine.clear();
    const double singleShow = showAndPaint(single, TextKind::Bytes, 1, QStringLiteral("needle"), &stall);
    timer.start();
    view->viewport()->grab();
    std::printf("one 100 MB line: shown at its hit at the end in %.0f ms (longest stall %.0f ms), then a paint in "
                "%.1f ms\n",
        singleShow, stall, msSince(timer));

    delete viewer;
    return missed ? 1 : 0;
}
