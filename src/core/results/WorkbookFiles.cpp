#include "WorkbookFiles.h"

#include "core/app/AppFailure.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace WorkbookFiles {

namespace {

constexpr int KeepDays = 3;
const QString NamePattern = QStringLiteral("Results-*.xlsx");
const QString FolderName = QStringLiteral("tollervane-workbooks");

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

AppFailure refused(const QString &path, const QString &why)
{
    return AppFailure(QStringLiteral("The folder for workbooks ") + path + QStringLiteral(" cannot be used: ") + why
        + QStringLiteral(". Workbooks are only written to a folder that no other user can reach."));
}

// Which folder was checked, so that it can be told apart from one put in
// its place afterwards.
struct FolderIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderIdentity &) const = default;
};

// The folder itself is examined, never what a link by its name points to.
FolderIdentity checkPrivate(const QString &path)
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        throw refused(path, QStringLiteral("it cannot be examined (") + systemError(errno) + QStringLiteral(")"));
    if (S_ISLNK(status.st_mode))
        throw refused(path, QStringLiteral("it is a symbolic link"));
    if (!S_ISDIR(status.st_mode))
        throw refused(path, QStringLiteral("it is not a folder"));
    if (status.st_uid != ::geteuid())
        throw refused(path,
            QStringLiteral("it belongs to another user (user id ") + QString::number(status.st_uid)
                + QStringLiteral(")"));
    if ((status.st_mode & 077) != 0)
        throw refused(path,
            QStringLiteral("other users may reach it (permissions ")
                + QString::number(status.st_mode & 0777, 8).rightJustified(3, QLatin1Char('0'))
                + QStringLiteral(", where 700 is needed)"));
    return { status.st_dev, status.st_ino };
}

FolderIdentity makePrivate(const QString &path)
{
    const QString parent = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(parent))
        throw AppFailure(QStringLiteral("Cannot create the folder ") + parent);
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0) {
        // The mode given to mkdir is narrowed by the umask; it is set whole,
        // so that an unusual umask cannot leave the folder unusable to us.
        if (::chmod(native.constData(), 0700) != 0)
            throw AppFailure(QStringLiteral("Cannot set the permissions of the folder ") + path + QStringLiteral(": ")
                + systemError(errno));
    } else if (errno != EEXIST) {
        throw AppFailure(
            QStringLiteral("Cannot create the folder ") + path + QStringLiteral(": ") + systemError(errno));
    }
    // Made just now or there before, it is checked the same way.
    return checkPrivate(path);
}

QString folderPath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        throw AppFailure(QStringLiteral("Cannot find a folder for workbooks: the user has neither a runtime folder "
                                        "nor a cache folder."));
    return QDir(base).filePath(FolderName);
}

void removeOldWorkbooks(const QDir &dir)
{
    const QDateTime limit = QDateTime::currentDateTime().addDays(-KeepDays);
    const QFileInfoList workbooks = dir.entryInfoList({ NamePattern }, QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo &workbook : workbooks) {
        if (workbook.lastModified() < limit)
            QFile::remove(workbook.absoluteFilePath());
    }
}

} // namespace

void privateFolder(const QString &path)
{
    makePrivate(path);
}

QString folder()
{
    const QString path = folderPath();
    makePrivate(path);
    return path;
}

QString newWorkbookPath()
{
    const QString path = folderPath();
    const FolderIdentity checked = makePrivate(path);
    const QDir dir(path);
    removeOldWorkbooks(dir);
    QTemporaryFile file(dir.filePath(QStringLiteral("Results-XXXXXX.xlsx")));
    // The name is kept: the workbook is written under it afterwards.
    file.setAutoRemove(false);
    if (!file.open())
        throw AppFailure(
            QStringLiteral("Cannot create a workbook in ") + dir.path() + QStringLiteral(": ") + file.errorString());
    // Checked again now that the file is made: a folder put in place of the
    // checked one in between would not be the same folder.
    try {
        if (checkPrivate(path) != checked)
            throw refused(path, QStringLiteral("it was replaced while a workbook was being made in it"));
    } catch (...) {
        file.remove();
        throw;
    }
    return file.fileName();
}

} // namespace WorkbookFiles
