#include "WindowRunHost.h"

#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/CaptionedProgressBar.h"
#include "gui/app/Form1.h"
#include "gui/app/StatusLine.h"

#include <QTableView>

WindowRunHost::WindowRunHost(Form1 &form, std::function<void(bool)> busy)
    : m_form(form)
    , m_busy(std::move(busy))
{ }

WindowRunHost::~WindowRunHost()
{
    for (const QMetaObject::Connection &watch : std::as_const(m_watches))
        QObject::disconnect(watch);
}

qsizetype WindowRunHost::fileCount() const
{
    return m_form.fileList().size();
}

QString WindowRunHost::filePath(qsizetype row) const
{
    return m_form.fileList().path(row);
}

bool WindowRunHost::removeDuplicates() const
{
    return m_form.removeDuplicates();
}

bool WindowRunHost::showSourceFilename() const
{
    return m_form.showSourceFilename();
}

void WindowRunHost::clearResults(TextKind kind)
{
    m_form.results().clearRows();
    m_form.results().setTextKind(kind);
}

void WindowRunHost::setResultColumns(const QList<std::pair<QString, int>> &columns)
{
    m_form.setResultColumns(columns);
}

void WindowRunHost::appendResult(QByteArrayView text, const QString &path, qint64 line, bool removeDuplicates,
    bool showSource, const QByteArray *owner)
{
    m_form.results().appendResult(text, path, removeDuplicates, showSource, owner, line);
}

void WindowRunHost::setTableLayout(int cells, bool counted)
{
    m_form.results().setTableLayout(cells, counted);
}

void WindowRunHost::appendRow(
    const QList<QByteArrayView> &cells, const QString &path, qint64 line, bool removeDuplicates, bool showSource)
{
    m_form.results().appendRow(cells, path, removeDuplicates, showSource, line);
}

bool WindowRunHost::countDuplicates() const
{
    return m_form.countDuplicates();
}

qsizetype WindowRunHost::resultCount() const
{
    return m_form.results().size();
}

void WindowRunHost::flushResults()
{
    m_form.results().flushPending();
}

void WindowRunHost::setResultsListEnabled(bool enabled)
{
    m_form.resultsView().setEnabled(enabled);
}

void WindowRunHost::setProgress(double value)
{
    m_form.progressBar().setProgress(value);
}

void WindowRunHost::setCaption(const QString &caption)
{
    m_form.progressBar().setCaption(caption);
}

void WindowRunHost::followStatus(const std::function<QString()> &text)
{
    m_form.statusLine().follow(text);
}

void WindowRunHost::sayStatus(const QString &text)
{
    m_form.statusLine().say(text);
}

void WindowRunHost::setBusyPointer(bool busy)
{
    if (m_busy)
        m_busy(busy);
    else
        m_form.setBusyPointer(busy);
}

void WindowRunHost::setMainBusyPointer(bool busy)
{
    m_form.setBusyPointer(busy);
}

bool WindowRunHost::closing() const
{
    return m_form.AppClosing;
}

Prompts &WindowRunHost::prompts()
{
    return m_form.prompts();
}

void WindowRunHost::refreshTexts(ExtractionJob &job)
{
    if (m_readTexts)
        m_readTexts(job);
}
