#include "core/app/CountText.h"
#include "core/app/ErrorTrap.h"
#include "core/app/PathTools.h"
#include "core/app/Prompts.h"
#include "core/app/SettingsStore.h"
#include "core/app/StopRequest.h"
#include "core/filelist/FileAddingLoop.h"
#include "core/filelist/FileListModel.h"
#include "core/filelist/FileTests.h"
#include "core/filelist/FolderScan.h"
#include "core/filelist/ListFile.h"
#include "core/filelist/ListFilters.h"
#include "gui/app/CaptionedProgressBar.h"
#include "gui/app/Form1.h"
#include "gui/app/StatusLine.h"

#include <QDir>
#include <QTableView>

#include <optional>

// The file list's commands: adding by dialog, list file, drop and folder
// scan, and the removals.

namespace {

const QString AddFilesTitle = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
const QString EmlFilesFilter = QStringLiteral("EML Files (*.eml)");
// "*" rather than "*.*", which would hide names without a dot here.
const QString AllFilesFilter = QStringLiteral("All Files (*)");

// The paths an open dialog returned, as they are added: a single path
// unchanged; of several, each is the dialog's folder joined with a name,
// tidied. (The dialog returns a list, so no result buffer can overflow and
// there is no "too many files" case.)
QStringList chosenPaths(const QStringList &chosen)
{
    if (chosen.size() <= 1)
        return chosen;
    QStringList paths;
    paths.reserve(chosen.size());
    for (const QString &path : chosen)
        paths.append(PathTools::RemoveDoubleBackslashes(path));
    return paths;
}

} // namespace

// Add EML Files
void Form1::PushButton1_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton1_Click"));
    QStringList chosen;
    trap.step(100, [&] { chosen = prompts().openFiles(AddFilesTitle, { EmlFilesFilter }); });
    if (chosen.isEmpty())
        return;
    const qsizetype before = fileList().size();
    trap.step(102, [&] { fileList().append(chosenPaths(chosen)); });
    sayAdded(fileList().size() - before);
}

// Load List Of Files From Text File
void Form1::PushButton21_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton21_Click"));
    trap.step(100, [&] { prompts().info(QStringLiteral("File should look like:\r/test/1.txt\r/test/2.txt\retc.")); });
    QStringList chosen;
    trap.step(102, [&] { chosen = chosenPaths(prompts().openFiles(AddFilesTitle, { AllFilesFilter })); });
    // Each list file is loaded completely before the next; one that fails
    // is reported and the next one is loaded.
    const qsizetype before = fileList().size();
    for (const QString &listFile : std::as_const(chosen))
        trap.step(104, [&] { LoadListFromTextFile(fileList(), listFile, prompts()); });
    if (!chosen.isEmpty())
        sayAdded(fileList().size() - before);
}

// Add All EML Files In Folder
void Form1::PushButton5_Click()
{
    LongCommand command(*this);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton5_Click"));
    QString lastFolder;
    trap.step(100, [&] { lastFolder = settings().read(QStringLiteral("LastFolder")); });
    QString chosen;
    trap.step(102, [&] { chosen = prompts().chooseFolder(QStringLiteral("Please select folder:"), lastFolder); });
    if (chosen.isEmpty())
        return;
    // Stored before the scan, whether or not anything is found.
    trap.step(104, [&] { settings().save(QStringLiteral("LastFolder"), chosen); });
    trap.step(106, [&] { setBusyPointer(true); });
    QStringList folders { chosen + PathTools::Separator };
    const auto stopping = [this] { return AppClosing || StopRequest::asked(); };
    FolderScan scan(prompts(), stopping);
    scan.keepFilesMatching(EmlFilePattern);
    showScanProgress(scan);
    const qsizetype before = fileList().size();
    trap.step(108, [&] { scan.GetSubDirectories2016(folders, true); });
    trap.step(110, [&] { AddFilesInFolderList(folders, EmlFilePattern, fileList(), &scan, stopping); });
    trap.step(112, [&] { setBusyPointer(false); });
    endScanProgress(fileList().size() - before);
}

void Form1::showScanProgress(FolderScan &scan)
{
    // How far the scan has got, where the progress caption stands.
    scan.setProgressReport([this](const QString &folder, qsizetype filesFound) {
        const QString found = CountText::number(filesFound) + QStringLiteral(" files found");
        progressBar().setCaption(
            QStringLiteral("Scanning: ") + folder + QStringLiteral(" (") + found + QStringLiteral(")"));
        statusLine().follow([&] { return QStringLiteral("Scanning: ") + found; });
    });
}

void Form1::endScanProgress(qsizetype added)
{
    progressBar().setCaption(QStringLiteral("Progress Bar"));
    sayAdded(added);
}

void Form1::sayAdded(qsizetype added)
{
    const QString files = CountText::counted(added, QStringLiteral("file"), QStringLiteral("files"));
    statusLine().say(
        StopRequest::asked() ? QStringLiteral("Stopped: added ") + files : QStringLiteral("Added ") + files);
}

// Clear List (below the file list)
void Form1::PushButton14_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton14_Click"));
    trap.step(100, [&] {
        if (!isBusyPointer())
            fileList().clearRows();
    });
}

namespace {

// The two text filters of the file list share their steps. The pointer goes
// back to what it was, so a filter used while a long command works does not
// take that command's busy pointer (and with it the guard of the removals)
// away.
void filterFileList(
    Form1 &form, const QString &procedure, const QString &prompt, void (*filter)(ReportModel &, const QString &))
{
    ErrorTrap trap(form.prompts(), procedure);
    QString answer;
    trap.step(100, [&] { answer = form.prompts().askText(prompt); });
    if (answer.isEmpty())
        return;
    const bool wasBusy = form.isBusyPointer();
    trap.step(102, [&] { form.setBusyPointer(true); });
    trap.step(104, [&] { filter(form.fileList(), answer); });
    trap.step(106, [&] { form.setBusyPointer(wasBusy); });
}

} // namespace

// Remove Filenames Containing X
void Form1::PushButton3_Click()
{
    filterFileList(*this, QStringLiteral("Form1.PushButton3_Click"), QStringLiteral("Remove entries containing: "),
        RemoveRowsContaining);
}

// Remove Filenames Not Cont. X
void Form1::PushButton11_Click()
{
    filterFileList(*this, QStringLiteral("Form1.PushButton11_Click"), QStringLiteral("Remove entries not containing: "),
        RemoveRowsNotContaining);
}

void Form1::removeCurrentFileListRow()
{
    if (isBusyPointer() || fileList().size() == 0)
        return;
    const QModelIndex current = m_listView1->currentIndex();
    if (!current.isValid())
        return; // rows but none current: nothing to remove
    const int row = current.row();
    fileList().removeSingleRow(row);
    // The row that took its place (or the new last row) becomes current, so
    // that the next Delete goes on down the list.
    if (fileList().size() > 0)
        m_listView1->setCurrentIndex(fileList().index(qMin(row, int(fileList().size()) - 1), 0));
}

void Form1::ListView1_KeyDown(int key)
{
    if (key == Qt::Key_Delete)
        removeCurrentFileListRow();
}

void Form1::ListView1_DblClick()
{
    removeCurrentFileListRow();
}

// A drop: dropped files are appended as they are; a dropped folder is
// scanned (with a folder list of its own) for every file below it. No busy
// pointer, no message.
void Form1::ListView1_OLEDragDrop(const QList<QUrl> &urls)
{
    const auto stopping = [this] { return AppClosing || StopRequest::asked(); };
    std::optional<StoppableScope> scanning; // from the first dropped folder on
    const qsizetype before = fileList().size();
    QStringList files; // consecutive dropped files go in as one batch
    for (const QUrl &url : urls) {
        if (stopping())
            break;
        const QString path = QDir::toNativeSeparators(url.toLocalFile());
        if (!IsDirectory(path)) {
            files.append(path);
            continue;
        }
        fileList().append(files);
        files.clear();
        if (!scanning)
            scanning.emplace(*this);
        QStringList folders { path + PathTools::Separator };
        FolderScan scan(prompts(), stopping);
        scan.keepFilesMatching(EveryFilePattern);
        showScanProgress(scan);
        scan.GetSubDirectories2016(folders, true);
        AddFilesInFolderList(folders, EveryFilePattern, fileList(), &scan, stopping);
    }
    if (AppClosing)
        return;
    fileList().append(files);
    if (scanning)
        endScanProgress(fileList().size() - before);
    else
        sayAdded(fileList().size() - before);
}
