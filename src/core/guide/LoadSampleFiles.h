#pragma once

#include <QString>

class FileListModel;
class Prompts;
class SettingsStore;

// Adds the sample files recorded at the first start to the file list (those
// that still exist and are not listed yet), then offers to open the sample
// folder.
void LoadSampleFiles(
    FileListModel &files, const SettingsStore &settings, Prompts &prompts, const QString &programFolder);
