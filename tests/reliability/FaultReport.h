// The rows of the table in docs/reliability.md, written by the fault tests from
// what they saw: when WIMPORT_RELIABILITY_REPORT names a file, each call appends
// one tab-separated line to it (tests/reliability/report-table makes the table).
#pragma once

#include <QString>

struct FaultRow {
    QString area;     // "database", "SAMO", "files", "security"
    QString fault;    // what was done to the program's surroundings
    QString userSees; // the error box text, as shown, or what else the user sees
    QString stored;   // what stayed stored, checked by the test
    QString lost;     // what the fault still costs; "nothing" when nothing
};

// The test's per-user folder reads as %APPDATA%, this run's ports as N, today
// as YYYY-MM-DD and a long run of one character as its length, so that the table reads the same on every run.
void reportFault(const FaultRow& row, const QString& perUserFolder = {});
