#include "ResultsFilterJob.h"

#include "core/results/ResultFilter.h"
#include "core/results/ResultsModel.h"

#include <QLineEdit>
#include <QPalette>

ResultsFilterJob::ResultsFilterJob(
    ResultsModel &results, QLineEdit &box, std::function<bool()> patterns, std::function<void()> shown, QObject *parent)
    : QObject(parent)
    , m_results(results)
    , m_box(box)
    , m_patterns(std::move(patterns))
    , m_shown(std::move(shown))
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(PauseMs);
    connect(&m_pause, &QTimer::timeout, this, &ResultsFilterJob::restart);
    connect(&m_box, &QLineEdit::textChanged, this, [this] { m_pause.start(); });
    // Rows removed or the list replaced: the stored rows a running job
    // holds are no longer those of the list.
    connect(&m_results, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (m_running && !m_applying)
            restart();
    });
    // An emptied list (a new run begins) is filtered anew, for the kind of
    // text its rows will hold.
    connect(&m_results, &QAbstractItemModel::modelReset, this, [this] {
        if (!m_applying && (m_running || (m_results.totalSize() == 0 && !m_box.text().isEmpty())))
            restart();
    });
}

ResultsFilterJob::~ResultsFilterJob() = default;

void ResultsFilterJob::showInvalid(const QString &why)
{
    QPalette palette = m_box.palette();
    palette.setColor(QPalette::Base, why.isEmpty() ? QPalette().color(QPalette::Base) : QColor(255, 220, 220));
    m_box.setPalette(palette);
    m_box.setToolTip(why);
}

void ResultsFilterJob::restart()
{
    m_pause.stop();
    m_running = false;
    const QString text = m_box.text();
    m_filter = text.isEmpty() ? nullptr
                              : std::make_unique<ResultFilter>(text, m_results.textKind(), m_patterns && m_patterns());
    if (!m_filter || !m_filter->isValid()) {
        showInvalid(m_filter ? m_filter->errorText() : QString());
        m_filter.reset();
        m_applying = true;
        if (m_results.isFiltered())
            m_results.showAllRows();
        m_applying = false;
        m_shown();
        return;
    }
    showInvalid(QString());
    m_rows = m_results.orderedRows();
    m_total = m_rows.size();
    m_passed.clear();
    m_next = 0;
    m_running = true;
    step();
}

void ResultsFilterJob::step()
{
    if (!m_running)
        return;
    QElapsedTimer slice;
    slice.start();
    while (m_next < m_rows.size()) {
        const std::uint32_t stored = m_rows[m_next++];
        if (m_filter->passes(m_results, stored))
            m_passed.push_back(stored);
        if ((m_next & 1023) == 0 && slice.elapsed() >= SliceMs) {
            QTimer::singleShot(0, this, &ResultsFilterJob::step);
            return;
        }
    }
    // Rows found while the job went are tested as they are shown.
    for (size_t stored = m_total; stored < size_t(m_results.totalSize()); ++stored) {
        if (m_filter->passes(m_results, stored))
            m_passed.push_back(std::uint32_t(stored));
    }
    m_running = false;
    m_applying = true;
    const std::shared_ptr<ResultFilter> test(m_filter.release());
    m_results.showRows(
        std::move(m_passed), [test, &results = m_results](size_t stored) { return test->passes(results, stored); });
    m_applying = false;
    m_passed.clear();
    m_rows.clear();
    m_shown();
}
