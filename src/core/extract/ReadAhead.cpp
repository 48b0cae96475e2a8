#include "ReadAhead.h"

#include "FileReaders.h"
#include "app/EventPump.h"

#include <chrono>

ReadAhead::~ReadAhead()
{
    stop();
}

void ReadAhead::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_wanted.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    for (Item &item : m_ready)
        recycleReadBuffer(std::move(item.bytes));
    m_ready.clear();
    m_readyBytes = 0;
    m_stopping = false;
}

void ReadAhead::restart(const QStringList &paths)
{
    // Called with the mutex held.
    for (Item &item : m_ready)
        recycleReadBuffer(std::move(item.bytes));
    m_ready.clear();
    m_readyBytes = 0;
    m_wanted.assign(paths.cbegin(), paths.cend());
    ++m_generation;
}

QByteArray ReadAhead::take(const QString &path, const std::function<QStringList()> &upcoming)
{
    std::unique_lock lock(m_mutex);
    const bool expected = (!m_ready.empty() && m_ready.front().path == path)
        || (m_ready.empty() && !m_wanted.empty() && m_wanted.front() == path);
    if (!expected) {
        // The list changed since the files were asked for (or this is the
        // first file): what was read ahead is dropped.
        QStringList paths = upcoming();
        if (paths.isEmpty() || paths.front() != path)
            paths.prepend(path);
        restart(paths);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { work(); });
        else
            m_changed.notify_all();
    }

    // Wait for the file, processing events now and then as a read on this
    // thread would.
    while (m_ready.empty()) {
        m_waiting = true;
        m_changed.wait_for(lock, std::chrono::milliseconds(5));
        m_waiting = false;
        if (m_ready.empty() && EventPump::due()) {
            lock.unlock();
            EventPump::pumpNow();
            lock.lock();
        }
    }
    Item item = std::move(m_ready.front());
    m_ready.pop_front();
    m_readyBytes -= item.bytes.size();
    if (m_roomWaited)
        m_changed.notify_all();
    lock.unlock();
    if (item.failure)
        std::rethrow_exception(item.failure);
    return std::move(item.bytes);
}

void ReadAhead::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        const bool room = m_ready.empty() || (qsizetype(m_ready.size()) < MaxFiles && m_readyBytes < MaxBytes);
        if (m_stopping)
            return;
        if (m_wanted.empty() || !room) {
            m_roomWaited = true;
            m_changed.wait(lock);
            m_roomWaited = false;
            continue;
        }
        const QString path = m_wanted.front();
        const quint64 generation = m_generation;
        m_reading = true;
        lock.unlock();
        Item item { path, {}, {} };
        try {
            item.bytes = readWholeFile(path, false);
        } catch (...) {
            item.failure = std::current_exception();
        }
        lock.lock();
        m_reading = false;
        if (generation != m_generation) {
            recycleReadBuffer(std::move(item.bytes));
            continue;
        }
        m_wanted.pop_front();
        m_readyBytes += item.bytes.size();
        m_ready.push_back(std::move(item));
        if (m_waiting)
            m_changed.notify_all();
    }
}
