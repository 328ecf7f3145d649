#pragma once

#include "data/Connection.h"
#include "data/Query.h"
#include "samo/HttpClient.h"

#include <QString>
#include <functional>

// Receives one line per requested page ("pagina=<n>") while an import runs.
using ProgressSink = std::function<void(const QString& line)>;

// The program's only client of the SAMO API: logs in with the credentials of
// config_samo and hands every non-empty page of the agency invoice list to
// o_samo_log_factc_ins. A non-visual object, never shown.
class TfProc_Samo {
public:
    explicit TfProc_Samo(db::Connection& conQor);
    TfProc_Samo(const TfProc_Samo&) = delete;
    TfProc_Samo& operator=(const TfProc_Samo&) = delete;

    QString vBaseUrl;
    QString vToken;

    HttpClient RESTClient1; // one handle, cookies and settings kept for the run
    db::Query dsConfigSamo;
    db::Query o_samo_log_factc_ins;

    void getToken();
    // Raises an error on the first failure; pages stored before it stay stored.
    void getInvoices(const ProgressSink& progress);
};

extern TfProc_Samo* fProc_Samo;
