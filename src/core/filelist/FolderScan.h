#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class Prompts;

// GetSubDirectories2016: turns a folder list (paths ending in the
// separator) into that list and every eligible folder below, level by
// level: the entries it started with, then their subfolders (grouped by
// parent, each group in listing order), then the subfolders of those, and so
// on. Rules: a folder path of 260 characters or more is not descended into;
// a subfolder name of 260 or more characters, with odd characters or a "?"
// is skipped with everything below it; a folder whose attributes are exactly
// 22 or 1046 is not descended into (never a root); a folder that cannot be
// listed because it is missing or access is denied is removed from the list.
// A folder already taken into the list (compared by its canonical path, so
// links back up the tree are caught) is removed, so the scan always ends and
// no folder's files are listed twice.
//
// The scan yields to the window system for every folder it examines and every
// subfolder it lists. Unexpected failures show the "Application Error" box
// with the scan's own location and the scan goes on with its next step.
class FolderScan
{
public:
    // stopRequested, when given, is asked after each yield; when it answers
    // true (the program is closing) the scan ends where it is.
    explicit FolderScan(Prompts &prompts, std::function<bool()> stopRequested = {});

    void GetSubDirectories2016(QStringList &folderList, bool recurse);

    // Set before the scan: the files of each folder the scan reads whose names
    // match the pattern are kept, so that the file-adding loop need not read
    // the folder a second time.
    void keepFilesMatching(const QString &pattern) { m_filePattern = pattern; }
    // Told of each folder whose files the scan reads, with the number of
    // files kept so far, so that a long scan can show how far it got.
    void setProgressReport(std::function<void(const QString &folder, qsizetype filesFound)> report)
    {
        m_report = std::move(report);
    }
    // The names GetFilesInFolder would give for a folder list entry and the
    // pattern, if the scan read that folder with that pattern; else null.
    const QStringList *keptFiles(const QString &folder, const QString &pattern) const;

    static constexpr qsizetype LengthLimit = 260;

private:
    // Step 2 for one entry: appends its eligible subfolders to found.
    // Returns false when the entry is to be removed from the list.
    bool examine(const QString &folder, QStringList &found);
    // The test by which a found entry is passed up into its parent's list.
    bool passesUp(const QString &folder);
    bool stopping() const { return m_stopRequested && m_stopRequested(); }

    Prompts &m_prompts;
    std::function<bool()> m_stopRequested;
    // Canonical paths of the folders taken so far.
    QSet<QString> m_taken;
    // The canonical paths of found subfolders that were not reached through
    // a link: their parent's canonical path and their name, known without
    // asking the file system again.
    QHash<QString, QString> m_knownCanonical;
    // The pass-up test as found when each entry was examined, so an entry is
    // not examined again at every level it is passed up through.
    QHash<QString, bool> m_passesUp;
    QString m_filePattern;
    QHash<QString, QStringList> m_keptFiles;
    std::function<void(const QString &, qsizetype)> m_report;
    qsizetype m_filesFound = 0;
};

// The same, for one call.
void GetSubDirectories2016(
    QStringList &folderList, bool recurse, Prompts &prompts, std::function<bool()> stopRequested = {});
