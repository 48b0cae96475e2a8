#include "FileReaders.h"

#include "app/AppFailure.h"
#include "app/ErrorTrap.h"
#include "app/EventPump.h"

#include <QFile>
#include <QFileInfo>

LineArray::LineArray()
    : m_lines { LineSpan {} }
{ }

LineArray::LineArray(QByteArray buffer, std::vector<LineSpan> lines)
    : m_buffer(std::move(buffer))
    , m_lines(std::move(lines))
{
    if (m_lines.empty())
        m_lines.push_back(LineSpan {});
}

namespace {
constexpr qint64 ReadPieceSize = 2 << 20;
constexpr qsizetype LargestKeptBuffer = 64 << 20;

// One spare buffer, used only on the thread that reads files.
QByteArray &spareBuffer()
{
    static QByteArray spare;
    return spare;
}

QByteArray bufferOfSize(qsizetype size)
{
    QByteArray buffer = std::move(spareBuffer());
    spareBuffer() = QByteArray();
    if (buffer.capacity() < size)
        return QByteArray(size, Qt::Uninitialized);
    buffer.resize(size);
    return buffer;
}
} // namespace

void recycleReadBuffer(QByteArray &&buffer)
{
    if (!buffer.isDetached() || buffer.capacity() > LargestKeptBuffer || buffer.capacity() <= spareBuffer().capacity())
        return;
    spareBuffer() = std::move(buffer);
}

LineArray::~LineArray()
{
    recycleReadBuffer(std::move(m_buffer));
}

QByteArray readWholeFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw AppFailure(QStringLiteral("File not found: %1").arg(path));
    if (info.isDir())
        throw AppFailure(QStringLiteral("Path is a folder, not a file: %1").arg(path));
    if (!info.isFile())
        throw AppFailure(QStringLiteral("Not a regular file: %1").arg(path));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw AppFailure(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));

    // Read straight into one buffer of the file's size; a file that grows
    // while it is read is read to its new end.
    QByteArray buffer = bufferOfSize(file.size());
    qsizetype filled = 0;
    while (filled < buffer.size()) {
        // A large file is read in pieces, so that the window keeps
        // answering while it comes in.
        const qint64 piece = qMin<qint64>(buffer.size() - filled, ReadPieceSize);
        const qint64 got = file.read(buffer.data() + filled, piece);
        EventPump::yield();
        if (got < 0)
            throw AppFailure(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        if (got == 0)
            break;
        filled += got;
    }
    buffer.truncate(filled);
    char more[65536];
    for (qint64 got; (got = file.read(more, sizeof more)) != 0;) {
        if (got < 0)
            throw AppFailure(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        buffer.append(more, got);
    }
    return buffer;
}

LineArray ReadFileToStringFSOLine(const QString &path, Prompts &prompts)
{
    ErrorTrap trap(prompts, QStringLiteral("Main.ReadFileToStringFSOLine"));
    LineArray lines;
    trap.step(100, [&] {
        QByteArray buffer = readWholeFile(path);
        std::vector<LineSpan> spans = splitLines(buffer);
        lines = LineArray(std::move(buffer), std::move(spans));
    });
    return lines;
}

BlockArray ReadFileToStringFSO(const QString &path, Prompts &prompts)
{
    ErrorTrap trap(prompts, QStringLiteral("Main.ReadFileToStringFSO"));
    BlockArray blocks;
    trap.step(100, [&] { blocks = BlockArray(readWholeFile(path)); });
    return blocks;
}
