#pragma once

#include <QString>

class Prompts;

// Another program may hold the clipboard open for a moment, so each of these
// tries up to ClipboardAttempts times in a row, stopping at the first success.
// Neither reports a failure.
inline constexpr int ClipboardAttempts = 1000;

// Empties the clipboard.
void ClearClipboard(Prompts &prompts);

// Places the text on the clipboard as plain text; true when it got there.
bool SetClipboardText(Prompts &prompts, const QString &text);
