#pragma once

#include "core/results/ProgressDisplay.h"
#include "gui/app/CaptionedProgressBar.h"

// The main window's progress bar as the writers see it.
class ProgressBarDisplay : public ProgressDisplay
{
public:
    explicit ProgressBarDisplay(CaptionedProgressBar &bar)
        : m_bar(bar)
    { }
    void setProgress(double value) override { m_bar.setProgress(value); }
    void setCaption(const QString &caption) override { m_bar.setCaption(caption); }

private:
    CaptionedProgressBar &m_bar;
};
