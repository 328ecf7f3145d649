#include "data/u_dmCon.h"

#include "BuildSettings.h"
#include "data/QueryCatalogue.h"

TdmCon* dmCon = nullptr;

namespace {

db::ConnectionSettings companySettings() {
    db::ConnectionSettings s;
    s.server = buildSettings::qorHost;
    s.database = "qor1";
    s.user = "qor";
    s.password = buildSettings::qorPassword;
    s.sslMode = db::SslMode::Require;
    s.pooling = true;
    return s;
}

db::ConnectionSettings directorySettings() {
    db::ConnectionSettings s;
    s.server = buildSettings::qorMobHost;
    s.port = buildSettings::qorMobPort;
    s.database = "qor_mob";
    s.user = "qor";
    s.password = buildSettings::qorMobPassword;
    s.sslMode = db::SslMode::Require;
    return s;
}

} // namespace

TdmCon::TdmCon()
    : conQor("conQor", companySettings()), conQorMob("conQorMob", directorySettings()),
      dsEmitent(db::catalogueQuery("dsEmitent"), conQor),
      dsAplicatieMob(db::catalogueQuery("dsAplicatieMob"), conQor),
      dsAplicatieMobEmitent(db::catalogueQuery("dsAplicatieMobEmitent"), conQor),
      dsEu(db::catalogueQuery("dsEu"), conQor) {}
