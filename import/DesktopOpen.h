#pragma once

#include <QString>

// Asks the desktop to open a file with the user's default program for its
// type (the shell's "open" verb on Windows). The answer is not looked at: with
// no program for the type, nothing is reported.
void openInDefaultViewer(const QString& path);
