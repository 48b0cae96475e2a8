#include "BenchCorpus.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

namespace BenchCorpus {

namespace {

const char *const Words[] = { "the", "meeting", "report", "please", "attached", "review", "budget", "team", "project",
    "schedule", "today", "thanks", "regards", "next", "week", "client", "update", "status", "call", "agenda", "draft",
    "final", "number", "order", "payment", "due", "send", "copy", "notes", "office", "travel", "hotel", "flight",
    "lunch", "question", "answer", "fixed", "issue", "server", "backup", "and", "for", "with", "from", "about", "this",
    "that", "there", "would", "could" };
constexpr int WordCount = sizeof(Words) / sizeof(Words[0]);

const char *const NeedleForms[] = { "invoice", "Invoice", "INVOICE", "InVoice" };

QByteArray proseLine(QRandomGenerator &random, bool withNeedle)
{
    QByteArray line;
    const int needleAt = withNeedle ? random.bounded(8) : -1;
    for (int w = 0; line.size() < 60; ++w) {
        if (!line.isEmpty())
            line += ' ';
        line += w == needleAt ? NeedleForms[random.bounded(4)] : Words[random.bounded(WordCount)];
        if (random.bounded(9) == 0)
            line += '.';
    }
    return line;
}

QByteArray base64Line(QRandomGenerator &random)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QByteArray line(76, Qt::Uninitialized);
    for (char &c : line)
        c = alphabet[random.bounded(64)];
    return line;
}

QByteArray message(QRandomGenerator &random, int index, int lines)
{
    QByteArray text;
    auto add = [&](const QByteArray &line) { text += line + "\r\n"; };
    add("Received: from mail" + QByteArray::number(index % 97) + ".example.net by mx.example.org");
    add("From: Sender " + QByteArray::number(index) + " <sender" + QByteArray::number(index) + "@example.net>");
    add("To: team@example.org");
    add("Subject: " + proseLine(random, false).left(40));
    add("Message-ID: <" + QByteArray::number(index * 7919) + "@example.net>");
    add("Date: Mon, 3 May 2021 10:" + QByteArray::number(10 + index % 50) + ":00 +0000");
    add("MIME-Version: 1.0");
    add("Content-Type: text/plain; charset=us-ascii");
    add("");
    for (int i = 9; i < lines; ++i) {
        const int kind = random.bounded(100);
        if (kind < 15)
            add(base64Line(random));
        else if (kind < 20)
            add("> " + proseLine(random, false));
        else if (kind < 23)
            add("");
        else
            add(proseLine(random, random.bounded(77) == 0));
    }
    return text;
}

} // namespace

QStringList make(const QString &folder, int fileCount, int linesPerFile)
{
    const QDir dir(folder);
    QStringList paths;
    for (int i = 0; i < fileCount; ++i)
        paths.append(dir.filePath(QStringLiteral("message%1.eml").arg(i, 5, 10, QLatin1Char('0'))));
    // A corpus written completely before is marked as such and kept.
    const QString mark = dir.filePath(QStringLiteral("complete-%1x%2").arg(fileCount).arg(linesPerFile));
    if (QFile::exists(mark))
        return paths;

    dir.mkpath(QStringLiteral("."));
    QRandomGenerator random(20210831);
    for (int i = 0; i < fileCount; ++i) {
        QFile file(paths[i]);
        if (!file.open(QIODevice::WriteOnly) || file.write(message(random, i, linesPerFile)) < 0)
            qFatal("cannot write %s", qPrintable(paths[i]));
    }
    QFile done(mark);
    if (!done.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(mark));
    return paths;
}

QStringList textSets()
{
    QStringList sets { Needle };
    QRandomGenerator random(42);
    while (sets.size() < 200) {
        QString word;
        const int length = 5 + random.bounded(6);
        for (int i = 0; i < length; ++i)
            word += QChar(u'a' + random.bounded(26));
        // Two z's keep it out of the corpus's vocabulary.
        word.insert(random.bounded(word.size()), QStringLiteral("zz"));
        sets.append(word);
    }
    return sets;
}

} // namespace BenchCorpus
