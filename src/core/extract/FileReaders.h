#pragma once

#include "LineSplitter.h"
#include "core/app/EventPump.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <vector>

class Prompts;

// A file as its lines: the file's bytes, read once into one buffer, and where
// each line lies in it. Always at least one line.
class LineArray
{
public:
    LineArray();
    LineArray(QByteArray buffer, std::vector<LineSpan> lines);
    LineArray(LineArray &&) = default;
    LineArray &operator=(LineArray &&) = default;
    // The buffer is kept for the next file's read unless a result shares it.
    ~LineArray();

    qsizetype size() const { return qsizetype(m_lines.size()); }
    QByteArrayView line(qsizetype index) const
    {
        const LineSpan &span = m_lines[size_t(index)];
        return QByteArrayView(m_buffer.constData() + span.offset, span.length);
    }
    const QByteArray &buffer() const { return m_buffer; }

private:
    QByteArray m_buffer;
    std::vector<LineSpan> m_lines;
};

// A file as blocks of at most 65,536 characters that joined give the whole
// file. Always at least one block (an empty file is one empty block). The
// whole text stays available, so a search can run across block boundaries.
class BlockArray
{
public:
    static constexpr qsizetype BlockSize = 65536;

    BlockArray() = default;
    explicit BlockArray(QByteArray buffer)
        : m_buffer(std::move(buffer))
    { }

    qsizetype size() const { return m_buffer.isEmpty() ? 1 : (m_buffer.size() + BlockSize - 1) / BlockSize; }
    QByteArrayView block(qsizetype index) const
    {
        const qsizetype start = index * BlockSize;
        return QByteArrayView(m_buffer).sliced(start, qMin(BlockSize, m_buffer.size() - start));
    }
    const QByteArray &wholeText() const { return m_buffer; }

private:
    QByteArray m_buffer;
};

// Reads a whole file into one buffer. Throws AppFailure when the path is not
// a readable regular file. A large file is read in pieces of a few megabytes
// with afterPiece called after each: on the window's thread a yield, on
// another thread whatever it wants to check (it may throw to give up).
QByteArray readWholeFile(const QString &path, const std::function<void()> &afterPiece);

inline QByteArray readWholeFile(const QString &path)
{
    return readWholeFile(path, [] { EventPump::yield(); });
}

// A file's bytes, to be walked as lines with a LineCursor. The buffer is
// kept for the next file's read unless a result shares it.
class FileText
{
public:
    FileText() = default;
    explicit FileText(QByteArray bytes)
        : m_bytes(std::move(bytes))
    { }
    FileText(FileText &&) = default;
    FileText &operator=(FileText &&) = default;
    ~FileText();

    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Hands a buffer that is no longer needed back for the next read, so that
// reading thousands of files does not ask the system for fresh memory (and
// fault in its pages) each time. A buffer still shared is left alone.
void recycleReadBuffer(QByteArray &&buffer);

// The two readers. Each has its own error trap: an unreadable file shows the
// error box with the reader's location and gives one empty element.
LineArray ReadFileToStringFSOLine(const QString &path, Prompts &prompts);
BlockArray ReadFileToStringFSO(const QString &path, Prompts &prompts);
// The two readers without their arrays: the bytes come from read() (a file
// read now, or one read ahead), under the reader's error trap; an unreadable
// file gives the empty text (which is one empty line, or one empty block).
enum class FileReader { Lines, Blocks };
FileText ReadFileTrapped(FileReader reader, Prompts &prompts, const std::function<QByteArray()> &read);
