#pragma once

#include <QElapsedTimer>
#include <QProgressBar>

// A progress bar with a caption drawn over it. The value is kept exactly
// (fractions included) and shown rounded; it never goes above 100. A run
// changes both for every file, thousands of times a second: the bar shows
// the latest of them at most every FrameInterval, enough for the eye.
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
    static constexpr qint64 FrameInterval = 40; // ms
    void showLater();
    void showNow();

    double m_progress = 0;
    QString m_caption;
    QElapsedTimer m_sinceShown;
    bool m_showPending = false;
};
