#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

// Hands a document to another program (the spreadsheet application, the
// desktop's opener) and tells whether it took it. A program that exits with
// an error soon after its start (one that cannot show a window, say) did
// not; one that ends well, or is still running after the wait, did. A
// program still running is left to run on, past this program's own end.
namespace HandOff {

constexpr std::chrono::milliseconds DefaultWait { 4000 };

// Yields to the window system while it waits.
bool startAndWatch(const QString &program, const QStringList &arguments, std::chrono::milliseconds wait = DefaultWait);

} // namespace HandOff
