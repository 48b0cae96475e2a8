#pragma once

#include <QByteArrayView>
#include <QString>

class Form1;

// The steps every extraction command shares: clearing and laying out the
// results list, the per-file progress, the append step with the two options,
// and the end of the run. Each command strings them together in its own
// order, under its own error trap.
class ExtractionRun
{
public:
    explicit ExtractionRun(Form1 &form);

    // Removes every row of the results list; its columns stay for now.
    void clearResults();
    // "No files added." when the file list is empty; returns true then.
    bool refuseWhenNoFiles();
    // The results columns by the source-filename option.
    void setUpColumns();

    // Whether row i (from 0) is still there to be processed; a row removed
    // meanwhile ends the run's loop, as does the window closing.
    bool fileStillListed(qsizetype i) const;
    // Progress value for the i-th file (from 0): (i + 1) / row count x 100.
    void showFileProgress(qsizetype i);
    // The caption "Processing: " and the file's name.
    void showProcessingCaption(const QString &path);

    // The append step: both options are read at each use. A large text that
    // lies in owner (the file's buffer) is kept without a copy.
    void append(QByteArrayView text, const QString &path, const QByteArray *owner = nullptr);

    // Pointer back to normal, progress 0 and "Progress Bar".
    void resetProgress();
    // The closing "Done." (not shown when the window is closing).
    void sayDone();

private:
    Form1 &m_form;
};
