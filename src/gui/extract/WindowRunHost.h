#pragma once

#include "core/extract/ExtractionJob.h"
#include "core/extract/RunHost.h"

#include <QList>
#include <QMetaObject>
#include <QObject>

#include <functional>

class Form1;

// The windows as an extraction run sees them: the main window's file list,
// results, options, progress bar and status line, the busy pointer of the
// window that started the command, and the boxes whose texts the run
// follows while it goes.
class WindowRunHost : public RunHost
{
public:
    // busy sets the busy pointer of the window that runs the command (the
    // main window's when not given).
    explicit WindowRunHost(Form1 &form, std::function<void(bool)> busy = {});
    ~WindowRunHost() override;
    WindowRunHost(const WindowRunHost &) = delete;
    WindowRunHost &operator=(const WindowRunHost &) = delete;

    // The job's texts as they stand in the windows: read whenever one of
    // the watched signals has fired since the last reading.
    void followTexts(std::function<void(ExtractionJob &)> read) { m_readTexts = std::move(read); }
    template <class Sender, class Signal> void watch(const Sender *sender, Signal signal)
    {
        m_watches.append(QObject::connect(sender, signal, [this] { ++m_textsRevision; }));
    }

    qsizetype fileCount() const override;
    QString filePath(qsizetype row) const override;
    bool removeDuplicates() const override;
    bool showSourceFilename() const override;
    void clearResults(TextKind kind) override;
    void setResultColumns(const QList<std::pair<QString, int>> &columns) override;
    void setTableLayout(int cells, bool counted) override;
    void appendRow(const QList<QByteArrayView> &cells, const QString &path, qint64 line, bool removeDuplicates,
        bool showSource) override;
    bool countDuplicates() const override;
    void appendResult(QByteArrayView text, const QString &path, qint64 line, bool removeDuplicates, bool showSource,
        const QByteArray *owner) override;
    qsizetype resultCount() const override;
    void flushResults() override;
    void setResultsListEnabled(bool enabled) override;
    void setProgress(double value) override;
    void setCaption(const QString &caption) override;
    void followStatus(const std::function<QString()> &text) override;
    void sayStatus(const QString &text) override;
    void setBusyPointer(bool busy) override;
    void setMainBusyPointer(bool busy) override;
    bool closing() const override;
    Prompts &prompts() override;
    quint64 textsRevision() const override { return m_textsRevision; }
    void refreshTexts(ExtractionJob &job) override;

private:
    Form1 &m_form;
    std::function<void(bool)> m_busy;
    std::function<void(ExtractionJob &)> m_readTexts;
    QList<QMetaObject::Connection> m_watches;
    quint64 m_textsRevision = 0;
};
