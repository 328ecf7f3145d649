#include "app/Startup.h"

#include "app/u_fMenuImportFactCMarvo.h"
#include "data/u_dmCon.h"
#include "login/u_frmLogin.h"

void createApplicationObjects() {
    fMenuImportFactCMarvo = new TfMenuImportFactCMarvo();
    dmCon = new TdmCon();
    frmLogin = new TfrmLogin(*dmCon, fMenuImportFactCMarvo);
}

void destroyApplicationObjects() {
    delete frmLogin;
    frmLogin = nullptr;
    delete dmCon;
    dmCon = nullptr;
    delete fMenuImportFactCMarvo;
    fMenuImportFactCMarvo = nullptr;
}
