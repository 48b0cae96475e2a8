#pragma once

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

    static constexpr qsizetype LengthLimit = 260;

private:
    // Step 2 for one entry: appends its eligible subfolders to found.
    // Returns false when the entry is to be removed from the list.
    bool examine(const QString &folder, QStringList &found);
    bool stopping() const { return m_stopRequested && m_stopRequested(); }

    Prompts &m_prompts;
    std::function<bool()> m_stopRequested;
    QSet<QString> m_taken; // canonical paths of the folders taken so far
};

// The same, for one call.
void GetSubDirectories2016(QStringList &folderList, bool recurse, Prompts &prompts,
                           std::function<bool()> stopRequested = {});
