#include "LoadSampleFiles.h"

#include "SampleSnapshot.h"
#include "core/app/PathTools.h"
#include "core/app/Prompts.h"
#include "core/extract/ListviewContainsText.h"
#include "core/filelist/FileListModel.h"

void LoadSampleFiles(
    FileListModel &files, const SettingsStore &settings, Prompts &prompts, const QString &programFolder)
{
    for (const QString &path : snapshotPaths(settings)) {
        if (PathTools::FileExists(path) && !ListviewContainsText(files, path))
            files.append(path);
    }
    if (prompts.ask(QStringLiteral("Would you like this software to open the folder where these sample files are "
                                   "stored (so that you can view them before working with them)?")))
        prompts.shellOpen(sampleFolder(programFolder) + PathTools::Separator);
}
