#include "CaptionedProgressBar.h"

#include <QTimer>

#include <algorithm>

CaptionedProgressBar::CaptionedProgressBar(QWidget *parent)
    : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void CaptionedProgressBar::setProgress(double value)
{
    value = std::clamp(value, 0.0, 100.0);
    if (value == m_progress)
        return;
    m_progress = value;
    showLater();
    emit progressChanged(m_progress, m_caption);
}

void CaptionedProgressBar::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    showLater();
    emit progressChanged(m_progress, m_caption);
}

void CaptionedProgressBar::showLater()
{
    if (!m_sinceShown.isValid() || m_sinceShown.elapsed() >= FrameInterval) {
        showNow();
    } else if (!m_showPending) {
        m_showPending = true;
        QTimer::singleShot(int(FrameInterval - m_sinceShown.elapsed()), this, &CaptionedProgressBar::showNow);
    }
}

void CaptionedProgressBar::showNow()
{
    m_showPending = false;
    m_sinceShown.start();
    setValue(int(m_progress + 0.5));
    // '%' has a meaning in the format; a file name may hold one.
    setFormat(QString(m_caption).replace(QLatin1Char('%'), QStringLiteral("%%")));
}
