#pragma once

#include <QByteArrayView>
#include <QString>

class FileListModel;
class ResultsModel;

// True when some row's first column equals the text exactly (same length,
// same characters, letter case included).
bool ListviewContainsText(const ResultsModel &results, QByteArrayView text);
bool ListviewContainsText(const FileListModel &files, const QString &text);
