#pragma once

#include <QString>

// The name under which this program is registered in aplicatie_mob: the
// executable's file name without its folder and without everything from its
// first "." on, every character after the first lower-cased.
QString appNameFromPath(const QString& executablePath);

// The application name of the running program.
QString applicationName();

// Lets a test run as if it were the shipped executable; an empty path
// returns to the running executable's own name.
void setApplicationPathOverride(const QString& executablePath);
