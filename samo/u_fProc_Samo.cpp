#include "samo/u_fProc_Samo.h"

#include "app/AppError.h"
#include "data/QueryCatalogue.h"
#include "samo/JsonReading.h"
#include "samo/SamoBodies.h"

TfProc_Samo* fProc_Samo = nullptr;

namespace {
const std::string missingListItemsCount = "Membrul listItemsCount lipseste din raspuns";
}

TfProc_Samo::TfProc_Samo(db::Connection& conQor)
    : dsConfigSamo(db::catalogueQuery("dsConfigSamo"), conQor),
      o_samo_log_factc_ins(db::catalogueQuery("o_samo_log_factc_ins"), conQor) {
    RESTClient1.setContentType("application/json");
}

void TfProc_Samo::getToken() {
    if (dsConfigSamo.isOpen())
        dsConfigSamo.refresh();
    else
        dsConfigSamo.open();
    if (dsConfigSamo.rowCount() == 0)
        throw AppError("Nu aveti configurata tabela config_samo.");

    vBaseUrl = dsConfigSamo.text("base_url");
    RESTClient1.setBaseUrl(vBaseUrl);
    RESTClient1.setResource(QStringLiteral("auth"));
    RESTClient1.setMethod(HttpMethod::Post);
    const std::string body =
        samo::authBody(dsConfigSamo.text("user_name").toStdString(), dsConfigSamo.text("pass").toStdString());
    dsConfigSamo.close();

    RESTClient1.clearBody();
    RESTClient1.clearParams();
    RESTClient1.addBody(body, "application/json");
    const HttpResponse& response = RESTClient1.execute();

    if (response.statusCode != 200)
        throw AppError("(getToken) EROARE! StatusCode = " + std::to_string(response.statusCode) +
                       ", Content = " + response.content);
    const std::optional<JsonTopValue> answer = readJson(response.content);
    if (!answer)
        throw AppError("Eroare obtinere token.");
    answer->requireObject();
    const std::optional<std::string> token = answer->memberText("token");
    if (!token)
        throw AppError("Eroare obtinere token.");
    vToken = QString::fromStdString(*token);
}

void TfProc_Samo::getInvoices(const ProgressSink& progress) {
    getToken();
    RESTClient1.setBaseUrl(vBaseUrl);
    RESTClient1.setContentType("application/json");
    RESTClient1.setResource(QStringLiteral("GetAgencyInvoices"));
    RESTClient1.setMethod(HttpMethod::Get);

    int page = 0;
    int count = 1;
    while (count > 0) {
        ++page;
        if (progress)
            progress(QStringLiteral("pagina=") + QString::number(page));

        RESTClient1.clearBody();
        RESTClient1.clearParams();
        RESTClient1.addHeader("Authorization", "Bearer " + vToken.toStdString());
        RESTClient1.addBody(samo::pageBody(page), "application/json");
        const HttpResponse& response = RESTClient1.execute();
        if (response.statusCode != 200)
            throw AppError("(getInvoices) EROARE - StatusCode = " + std::to_string(response.statusCode) +
                           ", Content = " + response.content);

        // Only reading and storing the page is rewrapped; one flat error, not a nested one.
        try {
            const std::optional<JsonTopValue> answer = readJson(response.content);
            if (!answer)
                throw AppError("Eroare la parsare Json");
            answer->requireObject();
            const std::optional<std::string> countText = answer->memberText("listItemsCount");
            if (!countText)
                throw AppError(missingListItemsCount);
            count = toInt32(*countText);
            if (count > 0) {
                o_samo_log_factc_ins.setParam("pjson", response.content);
                o_samo_log_factc_ins.execute();
            }
        } catch (const std::exception& error) {
            throw AppError("(getInvoices) - Eroare = " + std::string(error.what()));
        }
    }
}
