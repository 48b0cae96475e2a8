#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <cstring>
#include <memory>

class ReplacedFile;

// Where the results go: standard output, or a file that is written beside
// its target and replaces it only when commit() is called, so that a run
// that fails or is stopped leaves the target as it was.
//
// Writes are gathered into blocks; on a terminal each row is passed on at
// once. The first failure to write is kept and everything after it is
// dropped, so that a full disk is reported once, not once per row.
class OutputTarget
{
public:
    // An empty path: standard output.
    explicit OutputTarget(const QString &path);
    ~OutputTarget();
    OutputTarget(const OutputTarget &) = delete;
    OutputTarget &operator=(const OutputTarget &) = delete;

    // Opens standard output, or creates the file beside the target.
    // Throws AppFailure with the reason.
    void open();

    bool isFile() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }

    void write(QByteArrayView bytes)
    {
        // Rows come by the million: a plain copy into the block, which
        // always has room for what is written into it up to BlockSize.
        if (m_used + bytes.size() > BlockSize) {
            flush();
            if (bytes.size() > BlockSize) {
                writeOut(bytes);
                return;
            }
        }
        // An empty cell may have no data at all.
        if (bytes.isEmpty())
            return;
        std::memcpy(m_block.get() + m_used, bytes.data(), size_t(bytes.size()));
        m_used += bytes.size();
    }
    // The end of a row: on a terminal the row is shown now.
    void endRow()
    {
        if (m_rowByRow)
            flush();
    }
    void flush();

    bool failed() const { return !m_failure.isEmpty(); }
    QString failure() const { return m_failure; }

    // Writes what is left and puts the file in place. False after a
    // failure (see failure()).
    bool commit();

    // A pipe's capacity: the reader at the other end takes each block while
    // the run goes on, instead of the whole output at the end.
    static constexpr qsizetype BlockSize = 64 * 1024;

private:
    void fail(const QString &why);
    void writeOut(QByteArrayView bytes);

    QString m_path;
    std::unique_ptr<ReplacedFile> m_file;
    QFile m_standardOutput;
    std::unique_ptr<char[]> m_block;
    qsizetype m_used = 0;
    QString m_failure;
    bool m_rowByRow = false;
};
