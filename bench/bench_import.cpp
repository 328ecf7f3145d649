// One import of every page the SAMO test server holds, timed.
//
//   bench_import --mode program|client|baseline --port P --password X [--pages N]
//
// program:  the import window's "Import tranzactii" (getInvoices of the SAMO
//           client, its memo lines, the journal refresh over an empty range).
// client:   getInvoices alone, without the window's memo and painting.
// baseline: the same requests on one bare libcurl handle and the same
//           function call on one persistent libpq session.
// Both start from an empty log_samo_factc and read config_samo for the
// SAMO address and credentials; both check afterwards that every
// transaction was stored.
#include "app/ErrorBox.h"
#include "bench/BenchSupport.h"
#include "data/NamedParams.h"
#include "data/QueryCatalogue.h"
#include "data/u_dmCon.h"
#include "import/NullableDateEdit.h"
#include "import/u_fImportFactCIMarvo.h"
#include "samo/HttpClient.h"
#include "samo/SamoBodies.h"
#include "samo/u_fProc_Samo.h"

#include "SamoServer.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <curl/curl.h>
#include <iostream>
#include <stdexcept>

namespace {

using bench::Clock;

std::int64_t storedRows(const bench::Database& database) {
    const db::SessionPtr session = database.connect();
    const db::ResultPtr result = bench::run(session.get(), "select count(*) from log_samo_factc");
    return std::stoll(PQgetvalue(result.get(), 0, 0));
}

// windowed: through the import window's button; else getInvoices of the
// SAMO client alone, to tell the window's share from the client's.
double runProgram(const bench::Database& database, bool windowed) {
    TdmCon dm;
    database.pointAt(dm.conQor);
    dmCon = &dm;
    TfImportFactCIMarvo window(dm);
    fImportFactCIMarvo = &window;
    TfProc_Samo samo(dm.conQor);
    fProc_Samo = &samo;
    QString error;
    errorBox::setPresenter([&error](QWidget*, const QString&, const QString& text) { error = text; });

    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the import window was not shown");
    // A listing from tomorrow holds nothing, so the refresh that ends the
    // import costs next to nothing and the run times the import itself.
    // "Cauta" also leaves a session in the pool, as the login would.
    window.findChild<NullableDateEdit*>("cxDateEditDataIncep")->setDate(QDate::currentDate().addDays(1));
    window.findChild<QPushButton*>("ButtonCauta")->click();
    QApplication::processEvents();

    const Clock::time_point start = Clock::now();
    if (windowed)
        window.findChild<QPushButton*>("Button1")->click();
    else
        samo.getInvoices({});
    const double seconds = bench::secondsSince(start);

    errorBox::setPresenter({});
    fProc_Samo = nullptr;
    fImportFactCIMarvo = nullptr;
    dmCon = nullptr;
    if (!error.isEmpty())
        throw std::runtime_error("the import failed: " + error.toStdString());
    return seconds;
}

// The header lines our HTTP client sends with a list request and with the
// auth request, as a server receives them; the baseline sends the same set.
struct RecordedHeaders {
    std::vector<std::string> auth, list;
};

RecordedHeaders recordClientHeaders() {
    samotest::SamoServer recorder;
    recorder.start();
    HttpClient client;
    client.setBaseUrl(QString::fromStdString(recorder.baseUrl()));
    client.setResource(QStringLiteral("auth"));
    client.setMethod(HttpMethod::Post);
    client.addBody(samo::authBody("u", "p"), "application/json");
    client.execute();
    client.clearBody();
    client.clearParams();
    client.setResource(QStringLiteral("GetAgencyInvoices"));
    client.setMethod(HttpMethod::Get);
    client.addHeader("Authorization", "Bearer x");
    client.addBody(samo::pageBody(1), "application/json");
    client.execute();
    const std::vector<samotest::RecordedRequest> requests = recorder.requests();
    recorder.stop();
    if (requests.size() != 2)
        throw std::runtime_error("recording the client's headers failed");

    // curl writes Host and Content-Length itself; Authorization comes per request.
    const auto lines = [](const samotest::RecordedRequest& request) {
        std::vector<std::string> out;
        for (const auto& [name, value] : request.headers) {
            const QString key = QString::fromStdString(name).toLower();
            if (key != "host" && key != "content-length" && key != "authorization")
                out.push_back(name + ": " + value);
        }
        return out;
    };
    return {lines(requests[0]), lines(requests[1])};
}

size_t appendBody(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

struct CurlList {
    curl_slist* list = nullptr;
    explicit CurlList(const std::vector<std::string>& lines, const std::string& extra = {}) {
        for (const std::string& line : lines)
            list = curl_slist_append(list, line.c_str());
        if (!extra.empty())
            list = curl_slist_append(list, extra.c_str());
        list = curl_slist_append(list, "Expect:");
    }
    ~CurlList() { curl_slist_free_all(list); }
    CurlList(const CurlList&) = delete;
    CurlList& operator=(const CurlList&) = delete;
};

// Sends one request with a body; returns the status, the body in `content`.
long send(CURL* curl, const std::string& url, const char* method, const std::string& body,
          const CurlList& headers, std::string& content) {
    content.clear();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method);
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK)
        throw std::runtime_error(std::string("curl: ") + curl_easy_strerror(code));
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// The text of a top-level string or number member, found the cheap way: the
// test server writes `"name": value`.
std::string member(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\": ";
    const size_t at = json.find(key);
    if (at == std::string::npos)
        throw std::runtime_error("no member " + name + " in " + json.substr(0, 200));
    size_t begin = at + key.size();
    if (json[begin] == '"')
        return json.substr(begin + 1, json.find('"', begin + 1) - begin - 1);
    size_t end = begin;
    while (end < json.size() && (std::isdigit(static_cast<unsigned char>(json[end])) || json[end] == '-'))
        ++end;
    return json.substr(begin, end - begin);
}

double runBaseline(const bench::Database& database) {
    const RecordedHeaders recorded = recordClientHeaders();
    const std::string configSql = db::catalogueQuery("dsConfigSamo").sql;
    const std::string insertSql = db::toPositional(db::catalogueQuery("o_samo_log_factc_ins").sql).text;

    curl_global_init(CURL_GLOBAL_DEFAULT);
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendBody);
    std::string content;
    content.reserve(1 << 20);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &content);
    const db::SessionPtr session = database.connect();
    bench::run(session.get(), "select 1"); // the program's pooled session has run a statement too

    const Clock::time_point start = Clock::now();
    const db::ResultPtr config = bench::run(session.get(), configSql);
    if (PQntuples(config.get()) == 0)
        throw std::runtime_error("config_samo is empty");
    std::string base = PQgetvalue(config.get(), 0, PQfnumber(config.get(), "base_url"));
    if (!base.empty() && base.back() == '/')
        base.pop_back();
    const std::string authBody =
        samo::authBody(PQgetvalue(config.get(), 0, PQfnumber(config.get(), "user_name")),
                       PQgetvalue(config.get(), 0, PQfnumber(config.get(), "pass")));
    const CurlList authHeaders(recorded.auth);
    if (send(curl, base + "/auth", "POST", authBody, authHeaders, content) != 200)
        throw std::runtime_error("auth failed: " + content);
    const CurlList listHeaders(recorded.list, "Authorization: Bearer " + member(content, "token"));
    const std::string listUrl = base + "/GetAgencyInvoices";
    for (int page = 1;; ++page) {
        if (send(curl, listUrl, "GET", samo::pageBody(page), listHeaders, content) != 200)
            throw std::runtime_error("page " + std::to_string(page) + " failed: " + content.substr(0, 200));
        if (std::stoi(member(content, "listItemsCount")) <= 0)
            break;
        bench::run(session.get(), insertSql, {content.c_str()});
    }
    const double seconds = bench::secondsSince(start);
    curl_easy_cleanup(curl);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bench::Options options(argc, argv);
    const std::string mode = options.text("mode");
    const int pages = options.integer("pages", 1000);
    const bench::Database database(options);
    try {
        database.exec("truncate log_samo_factc");
        double seconds = 0;
        if (mode == "program" || mode == "client")
            seconds = runProgram(database, mode == "program");
        else if (mode == "baseline")
            seconds = runBaseline(database);
        else
            bench::Options::fail("--mode program|client|baseline");
        const std::int64_t stored = storedRows(database);
        if (stored != std::int64_t{pages} * 10)
            throw std::runtime_error("expected " + std::to_string(pages * 10) + " journal rows, found " +
                                     std::to_string(stored));
        bench::Report report;
        report.add("mode", mode);
        report.add("pages", std::int64_t{pages});
        report.add("seconds", seconds);
        report.add("pages_per_s", pages / seconds);
        report.print();
    } catch (const std::exception& e) {
        std::cerr << "bench_import: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
