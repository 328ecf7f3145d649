#include "SamoPages.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace samotest::detail {

namespace {

// Literals below are UTF-8 (the target builds with /utf-8 on MSVC).
struct Client {
    const char* name;
    const char* cui;
};

constexpr std::array<Client, 22> kClients{{
    {"Ștefănescu Țesături SRL", "RO14563287"},        {"Brânzeturi Ardelenești SA", "RO20917454"},
    {"Agroindustriala Bărăgan SRL", "RO3318206"},     {"Construcții Moldova Nouă SRL", "RO27741095"},
    {"Tipografia Șincai SRL", "RO16620113"},          {"Vinurile Dealu Mare SA", "RO1589342"},
    {"Pădurea Verde Distribuție SRL", "RO31002478"},  {"Mobila Făgăraș SRL", "RO8806541"},
    {"Transporturi Iași Expres SRL", "RO22390187"},   {"Electrica Târgu Mureș Service SRL", "RO40128836"},
    {"Panificația Câmpina SA", "RO1342675"},          {"Lactate Bucovina SRL", "RO19874402"},
    {"Ceramica Horezu Artizanat SRL", "RO35561209"},  {"Turism Deltă și Munte SRL", "RO28467731"},
    {"Oțelăria Reșița Prelucrări SA", "RO1056320"},   {"Florăria Înflorită SRL", "RO42219058"},
    {"Soft Consult București SRL", "RO12873364"},     {"Apicola Țara Bârsei SRL", "RO37790416"},
    {"Farmacia Sănătatea Oltului SRL", "RO24408759"}, {"Auto Service Ploiești SRL", "RO9912037"},
    {"ÎMPĂRĂȚIA JUCĂRIILOR SRL", "RO45031182"},       {"ȘANTIERUL NAVAL ÂNCORA SA", "RO2209871"},
}};

constexpr std::array<const char*, 5> kAgencies{{
    "Agenția București Nord",
    "Agenția Cluj-Napoca",
    "Agenția Timișoara Centru",
    "Agenția Constanța Port",
    "Agenția Brașov",
}};

constexpr std::array<const char*, 10> kDescriptions{{
    "Bilet avion București - Viena",
    "Cazare hotel, 2 nopți",
    "Transfer aeroport - hotel",
    "Asigurare călătorie",
    "Taxă de rezervare",
    "Închiriere autocar cu șofer",
    "Excursie Delta Dunării",
    "Pachet city-break Sibiu",
    "Consultanță turistică",
    "Servicii ghid în limba română",
}};

constexpr std::array<int, 3> kVatRates{{21, 21, 11}};

// SplitMix64: tiny, portable and fully determined by its seed.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 1 ? 0 : int(next() % std::uint64_t(n)); }

private:
    std::uint64_t state_;
};

std::string money(std::int64_t cents) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", cents < 0 ? "-" : "",
                  static_cast<long long>((cents < 0 ? -cents : cents) / 100),
                  static_cast<long long>((cents < 0 ? -cents : cents) % 100));
    return buf;
}

std::string padded(std::int64_t value, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(value));
    return buf;
}

struct Line {
    std::string json;
    std::int64_t net = 0;
    std::int64_t vat = 0;
};

Line makeLine(Rng& rng) {
    const char* description = kDescriptions[rng.below(int(kDescriptions.size()))];
    const int quantity = 1 + rng.below(5);
    const std::int64_t unitPrice = 1000 + rng.below(250000); // in bani
    const int vatRate = kVatRates[rng.below(int(kVatRates.size()))];
    Line line;
    line.net = quantity * unitPrice;
    line.vat = (line.net * vatRate + 50) / 100;
    line.json = "{\"description\": " + jsonString(description) +
                ", \"quantity\": " + std::to_string(quantity) + ", \"unitPrice\": " + money(unitPrice) +
                ", \"vatRate\": " + std::to_string(vatRate) + "}";
    return line;
}

// Transaction number n (1-based, running over all pages).
std::string transaction(const Scenario& s, std::int64_t n, const QDate& today) {
    Rng rng(std::uint64_t(s.seed) * 0xD1B54A32D192ED03ull ^ std::uint64_t(n) * 0x9E3779B97F4A7C15ull);
    const Client& client = kClients[rng.below(int(kClients.size()))];
    const QDate date = today.addDays(-rng.below(std::max(s.daysBack, 1)));
    const char* agency = kAgencies[rng.below(int(kAgencies.size()))];
    const char* currency = rng.below(6) == 0 ? "EUR" : "RON";
    // Different seeds give different document numbers, seed 1 starts at 000001.
    const std::int64_t docNo = std::int64_t((s.seed - 1u) % 1000u) * 1000 + n;

    std::string head =
        "{\"id\": " + jsonString(s.idPrefix + padded(n, 9)) +
        ", \"date\": " + jsonString(date.toString(Qt::ISODate).toStdString()) +
        ", \"number\": " + jsonString("FC " + std::to_string(date.year()) + "-" + padded(docNo, 6)) +
        ", \"clientData\": {\"client\": " + jsonString(client.name) + ", \"cui\": " + jsonString(client.cui) +
        "}" + ", \"agency\": " + jsonString(agency) + ", \"currency\": " + jsonString(currency);

    std::vector<Line> lines;
    const int natural = 1 + rng.below(3);
    // Rough size of everything but the lines, for padding up to itemBytes.
    std::size_t size = head.size() + 60;
    while (int(lines.size()) < natural || (s.itemBytes > 0 && size < std::size_t(s.itemBytes))) {
        lines.push_back(makeLine(rng));
        size += lines.back().json.size() + 2;
    }
    std::int64_t net = 0, vat = 0;
    std::string linesJson;
    for (const Line& line : lines) {
        net += line.net;
        vat += line.vat;
        if (!linesJson.empty())
            linesJson += ", ";
        linesJson += line.json;
    }
    return head + ", \"total\": " + money(net + vat) + ", \"vatTotal\": " + money(vat) + ", \"lines\": [" +
           linesJson + "]}";
}

} // namespace

std::string jsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", u);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

std::string jsonMessage(std::string_view text) {
    return "{\"message\": " + jsonString(text) + "}";
}

int itemsOnPage(const Scenario& s, qint64 page) {
    if (page < 1 || page > s.pages)
        return 0;
    return page < s.pages ? 10 : std::clamp(s.lastPageItems, 0, 10);
}

std::string pageBody(const Scenario& s, qint64 page) {
    const int count = itemsOnPage(s, page);
    const QDate today = QDate::currentDate();
    std::string out = "{\"page\": " + std::to_string(page) +
                      ", \"pageSize\": 10, \"listItemsCount\": " + std::to_string(count) +
                      ", \"listItems\": [";
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out += ", ";
        out += transaction(s, (page - 1) * 10 + i + 1, today);
    }
    out += "]}";
    return out;
}

} // namespace samotest::detail

std::string samotest::SamoServer::pageJson(const Scenario& scenario, int page) {
    return detail::pageBody(scenario, page);
}
