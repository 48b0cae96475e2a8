#include "TextSets.h"

#include "FileReaders.h"
#include "core/app/Latin1.h"
#include "core/app/PathTools.h"
#include "core/app/Prompts.h"

namespace TextSets {

QStringList split(const QString &stored)
{
    if (stored.isEmpty())
        return {};
    return stored.split(Delimiter, Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString join(const QStringList &sets)
{
    return sets.join(Delimiter);
}

} // namespace TextSets

namespace {
// Blank: empty once its spaces are removed. A line of tabs is a set.
bool isBlankLine(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' '; });
}
} // namespace

void LoadSetItemsFromFile(QStringList &setList, const QString &path, Prompts &prompts)
{
    if (!PathTools::FileExists(path)) {
        prompts.info(QStringLiteral("File not found"));
        return;
    }
    const LineArray lines = ReadFileToStringFSOLine(path, prompts);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!isBlankLine(lines.line(i)))
            setList.append(Latin1::toString(lines.line(i)));
    }
}
