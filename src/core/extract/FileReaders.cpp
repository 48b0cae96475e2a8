#include "FileReaders.h"

#include "core/app/AppFailure.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/LargeBuffers.h"
#include "core/app/RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <vector>

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
constexpr qsizetype KeptBytes = 32 << 20;
// As many as the files read ahead, and some: fewer would send buffers back
// to the system that the next reads then ask for afresh.
constexpr size_t KeptBuffers = 24;

// Buffers handed back, for the next reads; files may be read on more than
// one thread.
struct SpareBuffers
{
    std::mutex mutex;
    std::vector<QByteArray> buffers;
    qsizetype bytes = 0;
};

SpareBuffers &spares()
{
    static SpareBuffers spare;
    return spare;
}

QByteArray bufferOfSize(qsizetype size)
{
    QByteArray buffer;
    {
        SpareBuffers &spare = spares();
        std::lock_guard lock(spare.mutex);
        // The smallest spare that is large enough.
        auto best = spare.buffers.end();
        for (auto it = spare.buffers.begin(); it != spare.buffers.end(); ++it) {
            if (it->capacity() >= size && (best == spare.buffers.end() || it->capacity() < best->capacity()))
                best = it;
        }
        if (best != spare.buffers.end()) {
            buffer = std::move(*best);
            spare.buffers.erase(best);
            spare.bytes -= buffer.capacity();
        }
    }
    if (buffer.capacity() < size)
        return LargeBuffers::uninitialised(size);
    buffer.resize(size);
    return buffer;
}
} // namespace

void recycleReadBuffer(QByteArray &&buffer)
{
    if (!buffer.isDetached() || buffer.capacity() > LargestKeptBuffer || buffer.capacity() == 0)
        return;
    SpareBuffers &spare = spares();
    std::lock_guard lock(spare.mutex);
    if (spare.buffers.size() >= KeptBuffers || spare.bytes + buffer.capacity() > KeptBytes)
        return;
    spare.bytes += buffer.capacity();
    spare.buffers.push_back(std::move(buffer));
}

LineArray::~LineArray()
{
    recycleReadBuffer(std::move(m_buffer));
}

namespace {
// A path the quick way below could not open is read through the file
// classes, which describe whatever is wrong with it in the program's words.
QByteArray readThroughFileClasses(const QString &path)
{
    QFile file;
    openRegularFile(file, path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppFailure(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return bytes;
}

class OpenFile
{
public:
    explicit OpenFile(int descriptor)
        : m_descriptor(descriptor)
    { }
    ~OpenFile() { ::close(m_descriptor); }
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;

    // Reads up to size bytes; throws AppFailure when the system says no.
    qsizetype read(char *into, qsizetype size, const QString &path) const
    {
        for (;;) {
            const ssize_t got = ::read(m_descriptor, into, size_t(size));
            if (got >= 0)
                return got;
            if (errno != EINTR)
                throw AppFailure(QStringLiteral("Cannot read %1: %2").arg(path, qt_error_string(errno)));
        }
    }

private:
    int m_descriptor;
};
} // namespace

QByteArray readWholeFile(const QString &path, const std::function<void()> &afterPiece)
{
    // The file is opened, then asked its kind and size: the path is looked
    // up once. Opening never waits (a pipe with no writer, a device) and
    // never makes a terminal the program's; what is not a regular file is
    // closed unread. A path that cannot be opened so is left to the file
    // classes, which say why.
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {
    };
    const auto refuseKind = [&] {
        if (S_ISDIR(status.st_mode))
            throw AppFailure(QStringLiteral("Path is a folder, not a file: %1").arg(path));
        if (!S_ISREG(status.st_mode))
            throw AppFailure(QStringLiteral("Not a regular file: %1").arg(path));
    };
    const int descriptor = name.isEmpty() ? -1 : ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0) {
        if (!name.isEmpty() && ::stat(name.constData(), &status) == 0)
            refuseKind();
        return readThroughFileClasses(path);
    }
    const OpenFile file(descriptor);
    if (::fstat(descriptor, &status) != 0)
        return readThroughFileClasses(path);
    refuseKind();

    // Read straight into one buffer of the file's size: the file as it
    // stood when it was looked at. Only a file that reports no size (a
    // kernel file, say) is read on until the end.
    QByteArray buffer = bufferOfSize(qsizetype(status.st_size));
    qsizetype filled = 0;
    while (filled < buffer.size()) {
        // A large file is read in pieces, so that the window keeps
        // answering while it comes in.
        const qsizetype piece = qMin<qsizetype>(buffer.size() - filled, ReadPieceSize);
        const qsizetype got = file.read(buffer.data() + filled, piece, path);
        afterPiece();
        if (got == 0)
            break;
        filled += got;
    }
    buffer.truncate(filled);
    if (filled > 0)
        return buffer;
    char more[65536];
    for (qsizetype got; (got = file.read(more, sizeof more, path)) != 0;)
        buffer.append(more, got);
    return buffer;
}

FileText::~FileText()
{
    recycleReadBuffer(std::move(m_bytes));
}

FileText ReadFileTrapped(FileReader reader, Prompts &prompts, const std::function<QByteArray()> &read)
{
    ErrorTrap trap(prompts,
        reader == FileReader::Lines ? QStringLiteral("Main.ReadFileToStringFSOLine")
                                    : QStringLiteral("Main.ReadFileToStringFSO"));
    FileText text;
    trap.step(100, [&] { text = FileText(read()); });
    return text;
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
