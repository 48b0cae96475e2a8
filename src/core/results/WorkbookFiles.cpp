#include "WorkbookFiles.h"

#include "core/app/AppFailure.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace WorkbookFiles {

namespace {

constexpr int KeepDays = 3;
const QString NamePattern = QStringLiteral("Results-*.xlsx");

void removeOldWorkbooks(const QDir &dir)
{
    const QDateTime limit = QDateTime::currentDateTime().addDays(-KeepDays);
    const QFileInfoList workbooks = dir.entryInfoList({ NamePattern }, QDir::Files);
    for (const QFileInfo &workbook : workbooks) {
        if (workbook.lastModified() < limit)
            QFile::remove(workbook.absoluteFilePath());
    }
}

} // namespace

QString folder()
{
    const QString path = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                             .filePath(QStringLiteral("tollervane-workbooks"));
    if (!QDir().mkpath(path))
        throw AppFailure(QStringLiteral("Cannot create the folder ") + path);
    return path;
}

QString newWorkbookPath()
{
    const QDir dir(folder());
    removeOldWorkbooks(dir);
    QTemporaryFile file(dir.filePath(QStringLiteral("Results-XXXXXX.xlsx")));
    // The name is kept: the workbook is written under it afterwards.
    file.setAutoRemove(false);
    if (!file.open())
        throw AppFailure(
            QStringLiteral("Cannot create a workbook in ") + dir.path() + QStringLiteral(": ") + file.errorString());
    return file.fileName();
}

} // namespace WorkbookFiles
