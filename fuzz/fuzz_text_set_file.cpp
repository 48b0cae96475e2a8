// Loading text sets from a file: the sets added are the file's lines that
// hold something besides spaces (a line of tabs is a set), each exactly as it stands (no
// trimming, every byte kept as its ISO-8859-1 character), in file order,
// after the sets already listed. A missing file adds nothing and says so.

#include "FuzzCheck.h"
#include "NoPrompts.h"
#include "ReferenceLines.h"
#include "core/extract/TextSets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
// Only "File not found" may appear, and only for the missing file.
class WatchedPrompts : public NoPrompts
{
public:
    void message(const QString &, const QString &text, MessageIcon) override
    {
        FUZZ_CHECK(text == QStringLiteral("File not found"));
        ++notFound;
    }

    int notFound = 0;
};

bool holdsMoreThanSpaces(const QByteArray &line)
{
    for (char c : line) {
        if (c != ' ')
            return true;
    }
    return false;
}

QString fromIso88591(const QByteArray &bytes)
{
    QString text;
    for (char c : bytes)
        text.append(QChar(char16_t(static_cast<unsigned char>(c))));
    return text;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    // Files in a memory-backed folder where there is one: writing the input
    // to disk for every run would be most of the time spent.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
            ? QStringLiteral("/dev/shm/tollervane-fuzz-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/tollervane-fuzz-XXXXXX"));
    FUZZ_CHECK(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sets.txt"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    // The list already holds sets; they stay first and unchanged.
    const QStringList before = { QStringLiteral("Subject:"), QString(), QStringLiteral("  kept  ") };
    QStringList sets = before;
    WatchedPrompts prompts;
    LoadSetItemsFromFile(sets, path, prompts);
    FUZZ_CHECK(prompts.notFound == 0);

    QStringList expected = before;
    for (const QByteArray &line : referenceLines(bytes)) {
        if (holdsMoreThanSpaces(line))
            expected.append(fromIso88591(line));
    }
    FUZZ_CHECK(sets == expected);

    // Loading the same file again adds the same sets once more.
    LoadSetItemsFromFile(sets, path, prompts);
    FUZZ_CHECK(sets.size() == 2 * expected.size() - before.size());
    FUZZ_CHECK(sets.mid(expected.size()) == expected.mid(before.size()));

    QStringList untouched = before;
    LoadSetItemsFromFile(untouched, dir.filePath(QStringLiteral("missing.txt")), prompts);
    FUZZ_CHECK(prompts.notFound == 1);
    FUZZ_CHECK(untouched == before);
    return 0;
}
