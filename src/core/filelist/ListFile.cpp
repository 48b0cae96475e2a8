#include "ListFile.h"

#include "FileListModel.h"
#include "app/PathTools.h"
#include "app/Prompts.h"
#include "extract/FileReaders.h"
#include "extract/LineSplitter.h"

#include <QStringDecoder>

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
    // Lines are decoded as file names, each on its own, keeping a U+FEFF at
    // the start of a line (the usual file-name decoding would drop it): only
    // the one mark at the very start of the file is not part of a name.
    QStringDecoder decoder(
        QStringConverter::System, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    for (const LineSpan &line : lines)
        rows.append(decoder.decode(bytes.sliced(line.offset, line.length)));
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
