#include "CaptionedProgressBar.h"

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
    setValue(int(value + 0.5));
    emit progressChanged(m_progress, m_caption);
}

void CaptionedProgressBar::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    // '%' has a meaning in the format; a file name may hold one.
    setFormat(QString(caption).replace(QLatin1Char('%'), QStringLiteral("%%")));
    emit progressChanged(m_progress, m_caption);
}
