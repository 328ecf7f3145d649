#include "samo/HttpClient.h"

#include "BuildSettings.h"
#include "app/AppError.h"
#include "app/AsciiText.h"
#include "samo/Charsets.h"

#include <QRegularExpression>
#include <memory>

namespace {

constexpr const char* acceptHeader = "Accept: application/json, text/plain;q=0.9, */*;q=0.8";
constexpr const char* acceptCharsetHeader = "Accept-Charset: UTF-8, *;q=0.8";

void initCurlOnce() {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (init != CURLE_OK)
        throw AppError(std::string(curl_easy_strerror(init)));
}

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlPtr = std::unique_ptr<CURLU, UrlDeleter>;

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// A part of a parsed URL, empty when it has none.
std::string urlPart(CURLU* url, CURLUPart part, unsigned int flags = 0) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK || value == nullptr)
        return {};
    std::string text(value);
    curl_free(value);
    return text;
}

// Scheme, host and port: a redirect to another origin must not take the token along.
std::string originOf(const std::string& url) {
    UrlPtr parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return {};
    std::string origin = urlPart(parsed.get(), CURLUPART_SCHEME) + "://" +
                         urlPart(parsed.get(), CURLUPART_HOST) + ":" +
                         urlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    for (char& c : origin)
        c = asciiLower(c);
    return origin;
}

std::string milliseconds(std::chrono::milliseconds ms) {
    return std::to_string(ms.count()) + " milliseconds";
}

} // namespace

QString samoUrl(const QString& baseUrl, const QString& resource) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    QString url = baseUrl.trimmed();
    if (!scheme.match(url).hasMatch())
        url.prepend(QStringLiteral("http://"));
    if (url.endsWith(u'/'))
        url.chop(1);
    return url + u'/' + resource;
}

std::string HttpResponse::header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (asciiIEquals(key, name))
            return value;
    return {};
}

HttpClient::HttpClient() {
    initCurlOnce();
    curl_ = curl_easy_init();
    if (curl_ == nullptr)
        throw AppError(std::string(curl_easy_strerror(CURLE_FAILED_INIT)));
    const std::string userAgent = std::string("wImportFactCMarvo/") + buildSettings::version;
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(curl_, CURLOPT_COOKIEFILE, ""); // cookie engine on, kept in memory for the run
    // HTTP/1.1 always, so that a status line carries its reason phrase.
    curl_easy_setopt(curl_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https");
    // The program takes no settings from the environment, proxies included.
    curl_easy_setopt(curl_, CURLOPT_PROXY, "");
    curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 0L); // execute() follows, with our method rules
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &HttpClient::onHeader);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &HttpClient::onBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &HttpClient::onProgress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_PREREQFUNCTION, &HttpClient::onConnected);
    curl_easy_setopt(curl_, CURLOPT_PREREQDATA, this);
}

HttpClient::~HttpClient() {
    curl_easy_cleanup(curl_);
}

void HttpClient::clearBody() {
    body_.clear();
    bodyContentType_.clear();
    hasBody_ = false;
}

void HttpClient::clearParams() {
    params_.clear();
}

void HttpClient::addHeader(const std::string& name, const std::string& value) {
    // A line break would end the header and start another one.
    if (name.find_first_of("\r\n:") != std::string::npos || value.find_first_of("\r\n") != std::string::npos)
        throw AppError("Antet HTTP invalid: " + name);
    params_.emplace_back(name, value);
}

void HttpClient::addBody(std::string body, const std::string& contentType) {
    body_ = std::move(body);
    bodyContentType_ = contentType;
    hasBody_ = true;
}

void HttpClient::setTimeoutsForTests(std::chrono::milliseconds connect, std::chrono::milliseconds receive,
                                     std::chrono::milliseconds send) {
    connectTimeout_ = connect;
    receiveTimeout_ = receive;
    sendTimeout_ = send;
}

std::string HttpClient::checkedUrl() const {
    const std::string malformed = curl_easy_strerror(CURLE_URL_MALFORMAT);
    // Checked before the rule: an empty base would turn the resource into a host name.
    if (baseUrl_.trimmed().isEmpty())
        throw AppError(malformed);
    // The base itself must name a host: "http://" would otherwise end as "http://auth".
    const std::string base = baseUrl_.trimmed().toStdString();
    const std::string url = samoUrl(baseUrl_, resource_).toStdString();
    for (const std::string& candidate : {samoUrl(baseUrl_, QString()).toStdString(), url}) {
        UrlPtr parsed(curl_url());
        if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, candidate.c_str(), 0) != CURLUE_OK ||
            urlPart(parsed.get(), CURLUPART_HOST).empty())
            throw AppError(malformed + ": " + (candidate == url ? url : base));
        const std::string scheme = urlPart(parsed.get(), CURLUPART_SCHEME);
        if (!asciiIEquals(scheme, "http") && !asciiIEquals(scheme, "https"))
            throw AppError(std::string(curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL)) + ": " + base);
    }
    return url;
}

const HttpResponse& HttpClient::execute() {
    const std::string url = checkedUrl();
    response_ = {};
    Hop hop{url, method_, hasBody_, true};
    long code = 0;
    for (int redirects = 0;; ++redirects) {
        perform(hop);
        curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &code);
        char* location = nullptr; // absolute, resolved by curl from the Location header
        curl_easy_getinfo(curl_, CURLINFO_REDIRECT_URL, &location);
        const bool redirect =
            location != nullptr && ((code >= 300 && code <= 303) || code == 307 || code == 308);
        if (!redirect)
            break;
        if (redirects == maxRedirects)
            throw AppError(std::string(curl_easy_strerror(CURLE_TOO_MANY_REDIRECTS)) + ": Maximum (" +
                           std::to_string(maxRedirects) + ") redirects followed");
        const std::string next = location;
        if (hop.method == HttpMethod::Post && code >= 301 && code <= 303) {
            hop.method = HttpMethod::Get;
            hop.withBody = false;
        }
        if (originOf(next) != originOf(hop.url))
            hop.withAuthorization = false;
        hop.url = next;
    }
    response_.statusCode = code;
    if (code >= 500)
        throw AppError(response_.statusLine.empty() ? "HTTP " + std::to_string(code) : response_.statusLine);
    response_.content = charsets::decodeToUtf8(
        std::move(rawBody_), charsets::charsetOfContentType(response_.header("Content-Type")));
    rawBody_ = {};
    return response_;
}

void HttpClient::perform(const Hop& hop) {
    response_.statusLine.clear();
    response_.headers.clear();
    rawBody_.clear();
    errorBuffer_[0] = '\0';

    curl_slist* headers = nullptr;
    const auto add = [&headers](const std::string& line) {
        curl_slist* grown = curl_slist_append(headers, line.c_str());
        if (grown == nullptr) {
            curl_slist_free_all(headers);
            throw AppError(std::string(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));
        }
        headers = grown;
    };
    add(acceptHeader);
    add(acceptCharsetHeader);
    add("Expect:"); // no "100-continue" round trip before the body
    // Without a body no Content-Type, not even curl's form default for a POST.
    add(hop.withBody ? "Content-Type: " + (bodyContentType_.empty() ? contentType_ : bodyContentType_)
                     : std::string("Content-Type:"));
    for (const auto& [name, value] : params_)
        if (hop.withAuthorization || !asciiIEquals(name, "Authorization"))
            add(name + ": " + value);
    const SlistPtr headerList(headers);

    curl_easy_setopt(curl_, CURLOPT_URL, hop.url.c_str());
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headerList.get());
    if (hop.withBody) {
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body_.data());
        curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, hop.method == HttpMethod::Get ? "GET" : nullptr);
    } else {
        curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, nullptr);
        if (hop.method == HttpMethod::Post) {
            curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t{0});
            curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, "");
        } else {
            curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
        }
    }
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout_.count()));
    if (!caFile_.empty())
        curl_easy_setopt(curl_, CURLOPT_CAINFO, caFile_.c_str());

    connected_ = false;
    sending_ = false;
    lastUp_ = lastDown_ = 0;
    lastActivity_ = Clock::now();
    lastIdle_ = {}; // the first progress report may repaint at once
    abortMessage_.clear();
    callbackError_ = nullptr;

    const CURLcode result = curl_easy_perform(curl_);
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, nullptr);
    if (result != CURLE_OK)
        raiseTransferError(result);
}

void HttpClient::raiseTransferError(CURLcode code) {
    if (callbackError_) {
        std::exception_ptr error = std::exchange(callbackError_, nullptr);
        std::rethrow_exception(error);
    }
    if (!abortMessage_.empty())
        throw AppError(abortMessage_);
    std::string message = curl_easy_strerror(code);
    const std::string detail(trimmed(errorBuffer_));
    if (!detail.empty() && detail != message)
        message += ": " + detail;
    throw AppError(message);
}

size_t HttpClient::onHeader(char* data, size_t size, size_t count, void* self) {
    auto& client = *static_cast<HttpClient*>(self);
    const size_t bytes = size * count;
    client.lastActivity_ = Clock::now();
    const std::string_view line = trimmed(std::string_view(data, bytes));
    if (line.starts_with("HTTP/")) {
        // A new response begins (an interim 1xx comes before the final one).
        client.response_.statusLine = std::string(line);
        client.response_.headers.clear();
    } else if (const size_t colon = line.find(':'); colon != std::string_view::npos) {
        client.response_.headers.emplace_back(std::string(trimmed(line.substr(0, colon))),
                                              std::string(trimmed(line.substr(colon + 1))));
    }
    return bytes;
}

size_t HttpClient::onBody(char* data, size_t size, size_t count, void* self) {
    auto& client = *static_cast<HttpClient*>(self);
    const size_t bytes = size * count;
    client.lastActivity_ = Clock::now();
    if (bytes > client.maxResponseBytes_ - client.rawBody_.size()) {
        client.abortMessage_ =
            "Raspunsul depaseste limita de " + std::to_string(client.maxResponseBytes_) + " octeti";
        return 0;
    }
    if (client.rawBody_.empty()) {
        // Pages run to megabytes: one allocation when the length is announced.
        curl_off_t announced = -1;
        curl_easy_getinfo(client.curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0 && static_cast<std::size_t>(announced) <= client.maxResponseBytes_)
            client.rawBody_.reserve(static_cast<std::size_t>(announced));
    }
    client.rawBody_.append(data, bytes);
    return bytes;
}

int HttpClient::onConnected(void* self, char*, char*, int, int) {
    auto& client = *static_cast<HttpClient*>(self);
    client.connected_ = true; // the connect time-out ends here, the transfer watch begins
    client.lastActivity_ = Clock::now();
    return CURL_PREREQFUNC_OK;
}

int HttpClient::onProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow) {
    auto& client = *static_cast<HttpClient*>(self);
    const Clock::time_point now = Clock::now();
    if (ulnow != client.lastUp_ || dlnow != client.lastDown_) {
        client.lastUp_ = ulnow;
        client.lastDown_ = dlnow;
        client.lastActivity_ = now;
    }
    if (client.connected_) {
        const bool sending = ultotal > 0 && ulnow < ultotal;
        if (sending != client.sending_) {
            client.sending_ = sending;
            client.lastActivity_ = now;
        }
        const std::chrono::milliseconds limit = sending ? client.sendTimeout_ : client.receiveTimeout_;
        if (now - client.lastActivity_ >= limit) {
            client.abortMessage_ = std::string(curl_easy_strerror(CURLE_OPERATION_TIMEDOUT)) +
                                   (sending ? ": nothing sent for " : ": nothing received for ") +
                                   milliseconds(limit);
            return 1;
        }
    }
    if (client.idle_ && now - client.lastIdle_ >= idleInterval) {
        client.lastIdle_ = now;
        try {
            client.idle_();
        } catch (...) {
            // Exceptions must not unwind through curl; execute() rethrows it.
            client.callbackError_ = std::current_exception();
            return 1;
        }
    }
    return 0;
}
