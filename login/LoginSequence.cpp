#include "login/LoginSequence.h"

#include "app/AppError.h"
#include "app/AppName.h"
#include "data/u_dmCon.h"

#include <QCryptographicHash>

QString sha256Hex(const QString& text) {
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString jasProtocol(const QString& jasIp) {
    return jasIp.contains(QStringLiteral("8080")) ? QStringLiteral("http") : QStringLiteral("https");
}

namespace {

void reopen(db::Query& query) {
    if (query.isOpen())
        query.refresh();
    else
        query.open();
}

void checkAndFill(TdmCon& dm, db::Query& dsQorMobil, const LoginInput& input) {
    if (dsQorMobil.rowCount() == 0)
        throw AppError("Companie inexistenta");

    dm.conQor.setServer(dsQorMobil.text("ip").toStdString());
    dm.conQor.setPort(dsQorMobil.integer("port"));
    dm.conQor.setDatabase(dsQorMobil.text("db_name").toStdString());
    dm.conQor.setSslMode(db::SslMode::Prefer);

    dm.dsEmitent.close();
    dm.dsEmitent.setParam("pEmitent", input.user);
    const bool hashed = dsQorMobil.text("pw_hash_type") == QStringLiteral("HashSHA2");
    dm.dsEmitent.setParam("pP", hashed ? sha256Hex(input.password) : input.password);
    dm.dsEmitent.open();
    if (dm.dsEmitent.rowCount() == 0)
        throw AppError("User, Password eronate");

    const QString application = applicationName();
    dm.dsAplicatieMob.close();
    dm.dsAplicatieMob.setParam("pAplicatieMob", application);
    dm.dsAplicatieMob.open();
    if (dm.dsAplicatieMob.rowCount() == 0)
        throw AppError(QStringLiteral("Aplicatia %1 nu este disponibila").arg(application));

    dm.dsAplicatieMobEmitent.close();
    dm.dsAplicatieMobEmitent.setParam("pEmitent", input.user);
    dm.dsAplicatieMobEmitent.setParam("pAplicatieMob", application);
    dm.dsAplicatieMobEmitent.open();
    if (dm.dsAplicatieMobEmitent.rowCount() == 0)
        throw AppError(QStringLiteral("Aplicatia %1 nu este disponibila pentru user-ul %2")
                           .arg(application, input.user));

    dm.glUser = input.user;
    dm.glUserPass = input.password;
    dm.glDataBase = dsQorMobil.text("db_name");
    dm.glUserRol = dm.dsAplicatieMobEmitent.text("rol");
    dm.glEuPL = dm.dsEmitent.text("eu_punct_lucru");

    reopen(dm.dsEu);
    dm.glJasIP = dm.dsEu.text("jas_ip");
    dm.glJasProtocol = jasProtocol(dm.glJasIP);
}

void cleanUp(TdmCon& dm, db::Query& dsQorMobil) noexcept {
    dm.dsAplicatieMob.close();
    dm.dsEmitent.close();
    dsQorMobil.close();
}

} // namespace

void runLoginSequence(TdmCon& dm, db::Query& dsQorMobil, const LoginInput& input) {
    dm.glNumeFirma = input.company;
    dm.conQorMob.setSslMode(db::SslMode::Require);
    dsQorMobil.setParam("pNumeFirma", input.company);
    try {
        dsQorMobil.open();
        checkAndFill(dm, dsQorMobil, input);
    } catch (...) {
        cleanUp(dm, dsQorMobil);
        throw;
    }
    cleanUp(dm, dsQorMobil);
}
