#pragma once

#include <QString>
#include <QStringList>

// A generated corpus of message files, the same on every machine: headers,
// prose lines of about sixty characters, quoted lines and base64 blocks,
// with CR LF line ends. About 1% of the lines hold the word "invoice" in
// some letter case; sentences end with ".".
namespace BenchCorpus {

inline const QString Needle = QStringLiteral("invoice");

// Writes the corpus into folder unless it is there already; returns the
// paths of its files in order.
QStringList make(const QString &folder, int fileCount = 2000, int linesPerFile = 600);

// The 200 text sets of the text-set benchmark: the needle and 199 words
// that the corpus does not hold.
QStringList textSets();

} // namespace BenchCorpus
