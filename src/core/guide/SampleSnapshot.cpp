#include "SampleSnapshot.h"

#include "Scramble.h"
#include "core/app/Latin1.h"
#include "core/app/PathTools.h"
#include "core/app/SettingsStore.h"
#include "core/filelist/FolderListing.h"

namespace {
const QString SnapshotKey = QStringLiteral("Snapshot");
}

QString sampleFolder(const QString &programFolder)
{
    return PathTools::join(programFolder, QStringLiteral("Samples"));
}

void TakeSampleSnapshot(SettingsStore &settings, const QString &programFolder)
{
    const QStringList names = GetFilesInFolder(sampleFolder(programFolder), QStringLiteral("*.*"));
    QStringList paths;
    for (const QString &name : names)
        paths.append(PathTools::join(sampleFolder(programFolder), name));
    // Paths are scrambled as their UTF-8 bytes, so that any path survives.
    const QByteArray joined = paths.join(QLatin1Char('|')).toUtf8();
    settings.save(SnapshotKey, QString::fromLatin1(ScrambleText(joined, ScrambleKey)));
}

QStringList snapshotPaths(const SettingsStore &settings)
{
    const QString stored = settings.read(SnapshotKey);
    if (stored.isEmpty())
        return {};
    const std::optional<QByteArray> scrambled = Latin1::fromString(stored);
    if (!scrambled)
        return {};
    return QString::fromUtf8(UnscrambleText(*scrambled, ScrambleKey)).split(QLatin1Char('|'));
}
