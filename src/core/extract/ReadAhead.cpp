#include "ReadAhead.h"

#include "FileReaders.h"
#include "core/app/EventPump.h"

#include <chrono>

namespace {
struct ReadGivenUp
{
};
} // namespace

ReadAhead::~ReadAhead()
{
    stop();
}

void ReadAhead::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        restart(QString(), [](qsizetype) { return QString(); });
    }
    m_workerWakes.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    m_stopping = false;
}

void ReadAhead::restart(const QString &path, const Upcoming &upcoming)
{
    // Called with the mutex held. A slot being read is dropped by its
    // reader when it finds the generation changed.
    for (Slot &slot : m_slots) {
        if (slot.state == State::Ready)
            recycleReadBuffer(std::move(slot.bytes));
    }
    m_slots.clear();
    m_aheadBytes = 0;
    m_aheadFiles = 0;
    if (!path.isNull()) {
        m_slots.push_back(Slot { path, State::Wanted, {}, {} });
        // The list may still name this file first, or no longer (it changed).
        const bool listed = upcoming(0) == path;
        topUp([&](qsizetype offset) { return upcoming(listed ? offset : offset - 1); });
    }
    ++m_generation;
}

void ReadAhead::topUp(const Upcoming &upcoming)
{
    // The slots hold the file being taken (offset 0) and those after it.
    while (qsizetype(m_slots.size()) < Window) {
        QString next = upcoming(qsizetype(m_slots.size()));
        if (next.isNull())
            break;
        m_slots.push_back(Slot { std::move(next), State::Wanted, {}, {} });
    }
}

ReadAhead::Slot *ReadAhead::nextToRead()
{
    if (m_aheadFiles >= MaxFiles || (m_aheadFiles > 0 && m_aheadBytes >= MaxBytes))
        return nullptr;
    for (Slot &slot : m_slots) {
        if (slot.state == State::Wanted)
            return &slot;
    }
    return nullptr;
}

void ReadAhead::readInto(std::unique_lock<std::mutex> &lock, Slot &slot, bool onWindowThread)
{
    slot.state = State::Reading;
    ++m_aheadFiles;
    const QString path = slot.path;
    const quint64 generation = m_generation;
    lock.unlock();
    QByteArray bytes;
    std::exception_ptr failure;
    bool fellBack = false;
    try {
        if (onWindowThread) {
            bytes = readWholeFile(path);
        } else {
            // A read the run no longer wants (the list changed, or the run
            // ended) is given up after the piece it is at.
            bytes = readWholeFile(path, [&] {
                if (m_generation.load(std::memory_order_relaxed) != generation)
                    throw ReadGivenUp();
            });
        }
        if (m_prepare) {
            QByteArray prepared = m_prepare(bytes, path, fellBack);
            recycleReadBuffer(std::move(bytes));
            bytes = std::move(prepared);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    lock.lock();
    if (generation != m_generation) {
        // The slots were replaced meanwhile (this slot is gone with them).
        recycleReadBuffer(std::move(bytes));
        return;
    }
    m_aheadBytes += bytes.size();
    slot.bytes = std::move(bytes);
    slot.failure = failure;
    slot.fellBack = fellBack;
    slot.state = State::Ready;
}

QByteArray ReadAhead::take(const QString &path, const Upcoming &upcoming, bool *fellBack)
{
    std::unique_lock lock(m_mutex);
    if (m_slots.empty() || m_slots.front().path != path) {
        // The list changed since the files were asked for (or this is the
        // first file): what was read ahead is dropped.
        restart(path, upcoming);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { work(); });
        else if (m_workerWaits)
            m_workerWakes.notify_one();
    }

    // Events processed meanwhile cannot start another take(), so the slots
    // stay the ones set up here until this file is handed out.
    while (m_slots.front().state != State::Ready) {
        if (m_slots.front().state == State::Wanted) {
            readInto(lock, m_slots.front(), true);
        } else if (Slot *later = nextToRead()) {
            // The next file is still coming in on the other thread: a later
            // one is read here meanwhile instead of waiting.
            readInto(lock, *later, true);
        } else {
            m_windowWaits = true;
            m_windowWakes.wait_for(lock, std::chrono::milliseconds(5));
            m_windowWaits = false;
            if (m_slots.front().state != State::Ready && EventPump::due()) {
                lock.unlock();
                EventPump::pumpNow();
                lock.lock();
            }
        }
    }
    Slot slot = std::move(m_slots.front());
    m_slots.pop_front();
    // The slots now start one file later: the file after the current one
    // is offset 1 of the current take.
    // The window holds twice the files that may be read ahead, so the
    // reading thread only ever waits for room, never for a path.
    topUp([&](qsizetype offset) { return upcoming(offset + 1); });
    --m_aheadFiles;
    m_aheadBytes -= slot.bytes.size();
    // The reading thread, waiting for room, goes on once half the room is free.
    if (m_workerWaits && m_aheadFiles <= MaxFiles / 2 && m_aheadBytes <= MaxBytes / 2)
        m_workerWakes.notify_one();
    lock.unlock();
    if (slot.failure)
        std::rethrow_exception(slot.failure);
    if (fellBack)
        *fellBack = slot.fellBack;
    return std::move(slot.bytes);
}

void ReadAhead::work()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        Slot *slot = nextToRead();
        if (!slot) {
            m_workerWaits = true;
            m_workerWakes.wait(lock);
            m_workerWaits = false;
            continue;
        }
        readInto(lock, *slot, false);
        if (m_windowWaits)
            m_windowWakes.notify_one();
    }
}
