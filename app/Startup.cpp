#include "app/Startup.h"

#include "app/u_fMenuImportFactCMarvo.h"
#include "data/u_dmCon.h"
#include "import/u_fImportFactCIMarvo.h"
#include "login/u_frmLogin.h"
#include "samo/u_fProc_Samo.h"

void createApplicationObjects() {
    fMenuImportFactCMarvo = new TfMenuImportFactCMarvo();
    dmCon = new TdmCon();
    frmLogin = new TfrmLogin(*dmCon, fMenuImportFactCMarvo);
    fImportFactCIMarvo = new TfImportFactCIMarvo(*dmCon, fMenuImportFactCMarvo);
    fProc_Samo = new TfProc_Samo(dmCon->conQor);
}

void destroyApplicationObjects() {
    delete fProc_Samo;
    fProc_Samo = nullptr;
    delete fImportFactCIMarvo;
    fImportFactCIMarvo = nullptr;
    delete frmLogin;
    frmLogin = nullptr;
    delete dmCon;
    dmCon = nullptr;
    delete fMenuImportFactCMarvo;
    fMenuImportFactCMarvo = nullptr;
}
