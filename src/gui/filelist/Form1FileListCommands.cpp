#include "app/Form1.h"
#include "filelist/FileListModel.h"

#include <QDir>

// The file list's commands. Adding by dialog, list file and folder scan, and
// the removals, are still to come; dropped files are appended as they are.

void Form1::PushButton1_Click() {}
void Form1::PushButton21_Click() {}
void Form1::PushButton5_Click() {}
void Form1::PushButton14_Click() {}
void Form1::PushButton3_Click() {}
void Form1::PushButton11_Click() {}
void Form1::ListView1_KeyDown(int) {}
void Form1::ListView1_DblClick() {}

void Form1::ListView1_OLEDragDrop(const QList<QUrl> &urls)
{
    for (const QUrl &url : urls)
        fileList().append(QDir::toNativeSeparators(url.toLocalFile()));
}
