#pragma once

#include "AppEnvironment.h"

#include <QCursor>
#include <QList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class CaptionedProgressBar;
class FileListModel;
class FileListReorder;
class FolderScan;
class Form2;
class Form3;
class Prompts;
class QCheckBox;
class ProgressDisplay;
class WindowRunHost;
class ResultsFilterJob;
struct TextSaveOutcome;
struct ExtractionJob;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class ResultsModel;
class SettingsStore;
class StatusLine;

// The main window: the file list, the results list, the two options, the
// three search inputs and every command button. The command handlers are
// grouped by subject in their own files (file list, extraction, results,
// guidance); this file holds the window itself, its load and shut-down and
// the option and input handlers.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // Opens the message of a result in the viewer, at the first line that
    // holds its text (nothing for a row that does not know its file).
    void showResultMessage(qsizetype row);
    // The right-click menu of a list (ListView1 or ListView2) for a row (-1:
    // none).
    void fillListMenu(QMenu &menu, const QTableView *view, qsizetype row);

    explicit Form1(const AppEnvironment &environment, QWidget *parent = nullptr);
    ~Form1() override;

    // The load steps, run once before the window is first shown.
    void Form_Load();

    // True from the moment the window begins to close.
    bool AppClosing = false;

    FileListModel &fileList() { return *m_fileList; }
    ResultsModel &results() { return *m_results; }
    Prompts &prompts() { return *m_environment.prompts; }
    SettingsStore &settings() { return *m_environment.settings; }
    QString programFolder() const { return m_environment.programFolder; }
    CaptionedProgressBar &progressBar() { return *m_progressBar; }

    // The two options, read at each use.
    bool removeDuplicates() const;
    bool showSourceFilename() const;
    // The two search options, taken at the start of a run.
    bool textsArePatterns() const;
    bool onlyMatchingText() const;
    // Files are read decoded, as a mail program shows them.
    bool readDecoded() const;
    bool countDuplicates() const;

    // The results list's view (switched off during some runs).
    QTableView &resultsView() { return *m_listView2; }

    // Runs an extraction job through host as the long command of the
    // window: refused with a beep while another long command runs.
    void runExtraction(WindowRunHost &host, const ExtractionJob &job, const QString &procedure);

    // Replaces the results list's columns (header text, width in twips).
    void setResultColumns(const QList<std::pair<QString, int>> &columns);

    // The busy pointer of long commands; the single-row removals test it.
    void setBusyPointer(bool busy);
    bool isBusyPointer() const { return m_busy; }

    // Only one long command (extraction, scan, save, copy, export) runs at a
    // time; another one started meanwhile is refused with a beep.
    bool beginLongCommand();
    void endLongCommand();

    // Stop (the button beside the progress bar, or Escape in any window):
    // the running long command, or a dropped folder's scan, ends at its next
    // yield point. Does nothing while none runs.
    void requestStop();
    // A stretch of work that Stop may end; the Stop button shows meanwhile.
    void beginStoppable();
    void endStoppable();

    StatusLine &statusLine() { return *m_statusLine; }

    // The hand pointer loaded at start, if its file was found.
    const QCursor *handPointer() const { return m_hasHandPointer ? &m_handPointer : nullptr; }
    FileListReorder &fileListReorder() { return *m_reorder; }
    // The two extraction windows once first opened (null before): windows of
    // their own, not children of this one, ended when it is.
    Form2 *form2() const { return m_form2.get(); }
    Form3 *form3() const { return m_form3.get(); }

    // Whether a spreadsheet application is there to take the results; says
    // so when it is not (results/Form1SpreadsheetExport.cpp).
    bool SaveResultsAsExcelFileIsExcelInstalled();

public slots:
    // File list (filelist/Form1FileListCommands.cpp)
    void PushButton1_Click();
    void PushButton21_Click();
    void PushButton5_Click();
    void PushButton14_Click();
    void PushButton3_Click();
    void PushButton11_Click();
    void ListView1_OLEDragDrop(const QList<QUrl> &urls);
    void ListView1_KeyDown(int key);
    void ListView1_DblClick();

    // Extraction (this file and extract/Form1ExtractCommands.cpp)
    void PushButton13_Click();
    void PushButton2_Click();
    void PushButton8_Click();
    void PushButton7_Click();
    void PushButton4_Click();
    void PushButton15_Click();
    void PushButton25_Click();

    // Results (results/Form1ResultsCommands.cpp)
    void PushButton6_Click();
    void PushButton12_Click();
    void PushButton26_Click();
    void PushButton18_Click();
    void PushButton9_Click();
    void PushButton19_Click();
    void PushButton20_Click();
    void ListView2_DblClick();

    // Guidance (guide/Form1GuideCommands.cpp)
    void PushButton22_Click();
    void PushButton10_Click();
    void PushButton16_Click();
    void PushButton17_Click();
    void PushButton23_Click();

    // Options and inputs: each change is stored at once.
    void Check1_Click();
    void Check14_Click();
    void Check15_Click();
    void Check16_Click();
    void Check17_Click();
    void Text1_Change();
    void Text2_Change();
    void Text5_Change();
    void Text6_Change();
    void Check18_Click();

signals:
    // Emitted once the window has closed; the program ends then.
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void connectHandlers();
    void Form_QueryUnload();
    void restoreCheckBox(QCheckBox *box, const QString &key);
    // The hand pointer over buttons and moving file-list entries by dragging.
    void installInteractionAids();
    // Delete key and double-click on the file list (not while busy).
    void removeCurrentFileListRow();
    // The folder scan's caption and status line while it runs, and after.
    void showScanProgress(FolderScan &scan);
    void endScanProgress(qsizetype added);
    // "Added N files" (or how many a stopped scan added) on the status line.
    void sayAdded(qsizetype added);
    // Enter in the text boxes, the tab order, Ctrl+A and Ctrl+C in the lists.
    void installKeyboard();
    // The results' right-click menu, and the viewer following the current
    // row.
    void installResultsMenu();
    // Sorting by a column header, filtering, and the counts of the list in
    // the status line as rows go.
    void installResultsView();
    void sortResultsBy(int column);
    void sayResultCounts();
    // What a writer's status line text adds while a filter hides rows.
    QString shownNote() const;
    // The steps both saves of the results share: the dialog (with a default
    // extension added to a name without one, when given), the overwrite
    // question, the writer under the busy pointer, and the closing words.
    void saveResults(const QString &procedure, const QStringList &filters, const QString &defaultSuffix,
        const std::function<TextSaveOutcome(const QString &path, ProgressDisplay &bar)> &write);
    // Ctrl+C in the results list: the selected rows in the clipboard layout.
    void copySelectedResults();
    // Ctrl+A in a list (its own select-all does nothing with one-row
    // selection).
    static void selectAllRows(QTableView *view);
    // Handlers without a trap of their own must never take the program down.
    static void runUntrapped(const std::function<void()> &handler);

    AppEnvironment m_environment;
    FileListModel *m_fileList = nullptr;
    ResultsModel *m_results = nullptr;
    QTableView *m_listView1 = nullptr;
    QTableView *m_listView2 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QCheckBox *m_check14 = nullptr;
    QCheckBox *m_check15 = nullptr;
    QCheckBox *m_check16 = nullptr;
    QCheckBox *m_check17 = nullptr;
    QCheckBox *m_check18 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QLineEdit *m_text5 = nullptr;
    QLineEdit *m_text6 = nullptr;
    QLineEdit *m_text7 = nullptr; // filters the results as it is typed in
    ResultsFilterJob *m_filterJob = nullptr;
    QGroupBox *m_frame2 = nullptr;
    CaptionedProgressBar *m_progressBar = nullptr;
    QPushButton *m_stopButton = nullptr;
    StatusLine *m_statusLine = nullptr;
    int m_stoppable = 0;
    bool m_placed = false; // fitted to the screen when first shown
    QCursor m_handPointer;
    bool m_hasHandPointer = false;
    FileListReorder *m_reorder = nullptr;
    bool m_busy = false;
    bool m_longCommandRunning = false;
    // The two secondary windows, created on first opening; they end with
    // this window.
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form3> m_form3;
};

// A stretch of work that Stop may end (a dropped folder's scan).
class StoppableScope
{
public:
    explicit StoppableScope(Form1 &form)
        : m_form(form)
    {
        m_form.beginStoppable();
    }
    ~StoppableScope() { m_form.endStoppable(); }
    StoppableScope(const StoppableScope &) = delete;
    StoppableScope &operator=(const StoppableScope &) = delete;

private:
    Form1 &m_form;
};

// Holds the long-command slot of the main window for one command.
class LongCommand
{
public:
    explicit LongCommand(Form1 &form)
        : m_form(form)
        , m_started(form.beginLongCommand())
    { }
    ~LongCommand()
    {
        if (m_started)
            m_form.endLongCommand();
    }
    LongCommand(const LongCommand &) = delete;
    LongCommand &operator=(const LongCommand &) = delete;
    bool started() const { return m_started; }

private:
    Form1 &m_form;
    bool m_started;
};
