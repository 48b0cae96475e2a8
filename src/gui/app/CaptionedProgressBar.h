#pragma once

#include <QProgressBar>

// A progress bar with a caption drawn over it. The value is kept exactly
// (fractions included) and shown rounded; it never goes above 100.
class CaptionedProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    explicit CaptionedProgressBar(QWidget *parent = nullptr);

    void setProgress(double value);
    double progress() const { return m_progress; }
    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }

signals:
    // Every change of value or caption, for tracing.
    void progressChanged(double value, const QString &caption);

private:
    double m_progress = 0;
    QString m_caption;
};
