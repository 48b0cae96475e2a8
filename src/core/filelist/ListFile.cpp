#include "ListFile.h"

#include "FileListModel.h"
#include "app/PathTools.h"
#include "app/Prompts.h"
#include "extract/FileReaders.h"
#include "extract/LineSplitter.h"

#include <QFile>

QStringList ListFileRows(QByteArrayView bytes)
{
    static constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(QByteArrayView(ByteOrderMark, 3)))
        bytes = bytes.sliced(3);
    QStringList rows;
    if (bytes.isEmpty())
        return rows; // an empty file lists nothing
    const std::vector<LineSpan> lines = splitLines(bytes);
    rows.reserve(qsizetype(lines.size()));
    for (const LineSpan &line : lines)
        rows.append(QFile::decodeName(bytes.sliced(line.offset, line.length).toByteArray()));
    return rows;
}

void LoadListFromTextFile(FileListModel &list, const QString &path, Prompts &prompts)
{
    if (!PathTools::FileExists(path)) {
        prompts.info(QStringLiteral("File not found"));
        return;
    }
    list.append(ListFileRows(readWholeFile(path)));
}
