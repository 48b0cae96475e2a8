#pragma once

class QWidget;
class QString;

// Gives the window, and each of its option buttons, check boxes, frames and
// labels, the system's button-face colour as background.
void ApplyPlainBackground(QWidget *window);

// The optional style file: when an ordinary, visible file exists at the
// given path, the window takes the plain background and then the file's
// content as its style sheet. Returns whether a style was applied.
bool ApplySkin(QWidget *window, const QString &styleFile);
