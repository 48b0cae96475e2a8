#pragma once

#include <QStringView>

// File-name matching as the file dialogs and folder listings do it: "*"
// stands for any run of characters (none included), "?" for exactly one
// character, everything else for itself regardless of letter case. The
// whole name must match, so "*.eml" takes "B.EML" but not "x.emlx".
bool WildcardMatch(QStringView pattern, QStringView name);
