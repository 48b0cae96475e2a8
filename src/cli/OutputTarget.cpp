#include "OutputTarget.h"

#include "Terminal.h"
#include "core/app/AppFailure.h"
#include "core/results/ReplacedFile.h"

#include <cstdio>

OutputTarget::OutputTarget(const QString &path)
    : m_path(path)
    , m_block(std::make_unique_for_overwrite<char[]>(size_t(BlockSize)))
{ }

// An uncommitted file is dropped with the ReplacedFile, leaving the target.
OutputTarget::~OutputTarget() = default;

void OutputTarget::open()
{
    if (isFile()) {
        m_file = std::make_unique<ReplacedFile>(m_path);
        m_file->create();
        return;
    }
    if (!m_standardOutput.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw AppFailure(QStringLiteral("cannot write to standard output: ") + m_standardOutput.errorString());
    m_rowByRow = Terminal::isTerminal(Terminal::Stream::Output);
}

void OutputTarget::fail(const QString &why)
{
    if (m_failure.isEmpty())
        m_failure = why;
}

void OutputTarget::flush()
{
    writeOut(QByteArrayView(m_block.get(), m_used));
    m_used = 0;
}

void OutputTarget::writeOut(QByteArrayView bytes)
{
    if (bytes.isEmpty() || failed())
        return;
    try {
        if (m_file) {
            m_file->write(bytes);
            return;
        }
        for (qsizetype written = 0; written < bytes.size();) {
            const qint64 got = m_standardOutput.write(bytes.data() + written, bytes.size() - written);
            if (got <= 0)
                throw AppFailure(QStringLiteral("standard output: ") + m_standardOutput.errorString());
            written += got;
        }
    } catch (const AppFailure &failure) {
        fail(failure.description());
    }
}

bool OutputTarget::commit()
{
    flush();
    if (failed() || !m_file)
        return !failed();
    try {
        m_file->commit();
    } catch (const AppFailure &failure) {
        fail(failure.description());
    }
    return !failed();
}
