#include "app/Startup.h"

#include "app/u_fMenuImportFactCMarvo.h"
#include "data/u_dmCon.h"

void createApplicationObjects() {
    fMenuImportFactCMarvo = new TfMenuImportFactCMarvo();
    dmCon = new TdmCon();
}

void destroyApplicationObjects() {
    delete dmCon;
    dmCon = nullptr;
    delete fMenuImportFactCMarvo;
    fMenuImportFactCMarvo = nullptr;
}
