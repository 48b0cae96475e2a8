#include "ListviewContainsText.h"

#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"

bool ListviewContainsText(const ResultsModel &results, QByteArrayView text)
{
    return results.firstColumnContains(text);
}

bool ListviewContainsText(const FileListModel &files, const QString &text)
{
    return files.contains(text);
}
