#pragma once

#include "data/Connection.h"
#include "data/GridStyleSheet.h"
#include "data/Query.h"

#include <QString>

// The data module: the two connections, the login's company-database
// queries, the journal grid's style and the session fields. It has no
// behaviour of its own; the windows use its members directly.
class TdmCon {
public:
    TdmCon();
    TdmCon(const TdmCon&) = delete;
    TdmCon& operator=(const TdmCon&) = delete;

    db::Connection conQor;    // company database, retargeted at login
    db::Connection conQorMob; // central directory (m_firma)

    db::Query dsEmitent;
    db::Query dsAplicatieMob;
    db::Query dsAplicatieMobEmitent;
    db::Query dsEu;

    GridStyleSheet GridTableViewStyleSheetDevExpress;

    // Session fields, filled by the login.
    QString glNumeFirma;
    QString glUser;
    QString glUserPass;
    QString glDataBase;
    QString glUserRol;
    QString glEuPL;
    QString glJasIP;
    QString glJasProtocol;
};

extern TdmCon* dmCon;
