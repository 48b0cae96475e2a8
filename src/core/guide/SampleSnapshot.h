#pragma once

#include <QString>
#include <QStringList>

class SettingsStore;

// The sample messages shipped in the "Samples" folder beside the program.
// At the first start that finds some, their paths are recorded (joined with
// "|", scrambled) under "Snapshot"; later changes to the folder do not alter
// the record.
QString sampleFolder(const QString &programFolder);
void TakeSampleSnapshot(SettingsStore &settings, const QString &programFolder);
// The recorded sample paths, in their recorded order.
QStringList snapshotPaths(const SettingsStore &settings);
