#pragma once

#include <QString>

// Where a long piece of work shows how far it has come: a value from 0 to
// 100 and a caption. The window passes its progress bar; the writers need
// nothing more of it.
class ProgressDisplay
{
public:
    virtual ~ProgressDisplay() = default;
    virtual void setProgress(double value) = 0;
    virtual void setCaption(const QString &caption) = 0;
};
