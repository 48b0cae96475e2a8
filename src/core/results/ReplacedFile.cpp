#include "ReplacedFile.h"

#include "core/app/AppFailure.h"
#include "core/app/EventPump.h"

#include <QFileInfo>

#include <chrono>
#include <future>

ReplacedFile::ReplacedFile(const QString &path)
    : m_path(path)
    , m_file(path)
{ }

void ReplacedFile::create()
{
    // Unbuffered: the callers write large blocks already, and a failing
    // write then reports the system's own reason (a full disk, say) at once.
    constexpr QIODevice::OpenMode Mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (m_file.open(Mode))
        return;
    const QString besideError = m_file.errorString();
    if (QFileInfo(QFileInfo(m_path).absolutePath()).isWritable())
        throw AppFailure(QStringLiteral("Cannot create the file ") + m_path + QStringLiteral(": ") + besideError);
    m_file.setDirectWriteFallback(true);
    if (m_file.open(Mode))
        return;
    throw AppFailure(QStringLiteral("Cannot create the file ") + m_path
        + QStringLiteral(": no temporary file can be made in its folder (") + besideError
        + QStringLiteral("), and the file itself cannot be written in place (") + m_file.errorString()
        + QStringLiteral(")."));
}

void ReplacedFile::write(QByteArrayView bytes)
{
    // A short write is followed by another, so that a lasting failure comes
    // back as an error with its reason instead of a short count.
    for (qsizetype written = 0; written < bytes.size();) {
        const qint64 got = m_file.write(bytes.data() + written, bytes.size() - written);
        if (got <= 0)
            throw AppFailure(
                QStringLiteral("Cannot write the file ") + m_path + QStringLiteral(": ") + m_file.errorString());
        written += got;
    }
}

void ReplacedFile::commit()
{
    // Nothing else touches the file while the worker commits it.
    std::future<bool> committed = std::async(std::launch::async, [this] { return m_file.commit(); });
    while (committed.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        EventPump::yield();
    if (!committed.get())
        throw AppFailure(
            QStringLiteral("Cannot write the file ") + m_path + QStringLiteral(": ") + m_file.errorString());
}

bool ReplacedFile::stopKeepsTheOldFile() const
{
    return !(m_file.isOpen() && m_file.directWriteFallback());
}
