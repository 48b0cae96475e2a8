#pragma once

#include <QString>

class Form1;
class QLineEdit;

// Containing and Not Containing when the box's text is a regular expression
// or only the matching text is extracted: the same steps as the literal run,
// with each line tested by the pattern (compiled once, before anything is
// cleared) and, for Containing, each match appended instead of the line.
void runPatternFilter(Form1 &form, const QLineEdit &box, bool keepContaining, const QString &procedure);

// The error box's text when a pattern needed too much work on a line of the
// file at path (shown once per run; that file's search ends there).
QString patternGaveUpText(const QString &path);
