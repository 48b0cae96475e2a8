#include "ListFile.h"

#include "FileListModel.h"
#include "core/app/AppFailure.h"
#include "core/app/PathTools.h"
#include "core/app/Prompts.h"
#include "core/app/RegularFile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

QStringList ListFileRows(QByteArrayView bytes)
{
    static constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(QByteArrayView(ByteOrderMark, 3)))
        bytes = bytes.sliced(3);
    QStringList rows;
    if (bytes.isEmpty())
        return rows; // an empty file lists nothing
    // Lines are decoded as file names, each on its own, keeping a U+FEFF at
    // the start of a line (the usual file-name decoding would drop it): only
    // the one mark at the very start of the file is not part of a name.
    QStringDecoder decoder(
        QStringConverter::System, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    // CR LF, CR and LF each end a line; a line end at the very end adds no
    // row. (A plain loop: the message readers' splitter yields to the window
    // system, and a list file is read without yielding.) Room for a row per
    // line end is made at once: a list of many thousand names is not moved
    // again and again as it grows.
    rows.reserve(std::count(bytes.begin(), bytes.end(), '\n') + std::count(bytes.begin(), bytes.end(), '\r') + 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        rows.append(decoder.decode(bytes.sliced(start, i - start)));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        rows.append(decoder.decode(bytes.sliced(start)));
    return rows;
}

void AppendListFileRows(FileListModel &list, QIODevice &device, const QString &path)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(qMax<qint64>(0, device.size())));
    char piece[65536];
    for (qint64 got; (got = device.read(piece, sizeof piece)) != 0;) {
        if (got < 0) {
            // The rows of the lines read whole so far stay.
            const qsizetype lastEnd = qMax(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
            list.append(ListFileRows(QByteArrayView(bytes).first(lastEnd + 1)));
            throw AppFailure(QStringLiteral("Cannot read %1: %2").arg(path, device.errorString()));
        }
        bytes.append(piece, got);
    }
    list.append(ListFileRows(bytes));
}

void LoadListFromTextFile(FileListModel &list, const QString &path, Prompts &prompts)
{
    if (!PathTools::FileExists(path)) {
        prompts.info(QStringLiteral("File not found"));
        return;
    }
    // Read at once, without yielding: a second command cannot run in the
    // middle of a load and put its rows ahead of this file's.
    QFile file;
    openRegularFile(file, path);
    AppendListFileRows(list, file, path);
}
