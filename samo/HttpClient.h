#pragma once

#include <QString>
#include <chrono>
#include <cstddef>
#include <curl/curl.h>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The SAMO URL of a resource: the base URL with surrounding blanks removed,
// "http://" put in front when it names no scheme, one trailing "/" removed,
// then "/" and the resource. Nothing else is added.
QString samoUrl(const QString& baseUrl, const QString& resource);

enum class HttpMethod { Get, Post }; // a GET carries a body too when one was added

struct HttpResponse {
    long statusCode = 0;
    std::string statusLine;                                   // "HTTP/1.1 200 OK", without CR LF
    std::vector<std::pair<std::string, std::string>> headers; // of the final response, in order
    std::string content;                                      // the body decoded to UTF-8

    // The first header of that name (case-insensitive), empty when absent.
    std::string header(std::string_view name) const;
};

// Our HTTP client over libcurl's blocking interface, one handle for the
// object's life, so cookies and open connections carry over between
// requests. Used from the user-interface thread only.
//
// The client settings (base URL, content type) and the request's resource and
// method carry over between requests; its body and headers carry over until
// clearBody() / clearParams(), which callers run before building each request.
class HttpClient {
public:
    static constexpr std::chrono::milliseconds defaultConnectTimeout{30000}; // name resolution included
    static constexpr std::chrono::milliseconds defaultReceiveTimeout{
        30000};                                                           // longest silence while receiving
    static constexpr std::chrono::milliseconds defaultSendTimeout{60000}; // longest stall while sending
    static constexpr int maxRedirects = 5;                                // in a row
    static constexpr std::size_t defaultMaxResponseBytes = std::size_t{256} << 20;
    static constexpr std::chrono::milliseconds idleInterval{30};

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void setBaseUrl(const QString& baseUrl) { baseUrl_ = baseUrl; }
    const QString& baseUrl() const { return baseUrl_; }
    // The Content-Type of a body added without one.
    void setContentType(const std::string& contentType) { contentType_ = contentType; }
    const std::string& contentType() const { return contentType_; }

    void setResource(const QString& resource) { resource_ = resource; }
    const QString& resource() const { return resource_; }
    void setMethod(HttpMethod method) { method_ = method; }
    HttpMethod method() const { return method_; }

    void clearBody();
    void clearParams();
    // A header of this request only. A value with CR or LF is refused.
    void addHeader(const std::string& name, const std::string& value);
    void addBody(std::string body, const std::string& contentType = {});

    // Sends the request to samoUrl(baseUrl, resource) and follows redirects.
    // Throws AppError: for an empty or invalid URL before anything is sent;
    // with curl's message for a network failure or time-out; with the status
    // line for status 500 and above; for a body that does not decode.
    const HttpResponse& execute();
    const HttpResponse& response() const { return response_; }

    // Called now and then while a transfer runs (at most every idleInterval),
    // so the window can repaint. An exception it throws ends the transfer
    // and leaves execute().
    void setIdleCallback(std::function<void()> callback) { idle_ = std::move(callback); }

    // For tests only: shorter time-outs, an own CA file, a smaller cap.
    void setTimeoutsForTests(std::chrono::milliseconds connect, std::chrono::milliseconds receive,
                             std::chrono::milliseconds send);
    void setCaFileForTests(const std::string& path) { caFile_ = path; }
    void setMaxResponseBytesForTests(std::size_t bytes) { maxResponseBytes_ = bytes; }

private:
    struct Hop {
        std::string url;
        HttpMethod method;
        bool withBody;
        bool withAuthorization;
    };
    std::string checkedUrl() const;
    void perform(const Hop& hop);
    [[noreturn]] void raiseTransferError(CURLcode code);

    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static int onProgress(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                          curl_off_t ulnow);
    static int onConnected(void* self, char*, char*, int, int);

    CURL* curl_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};

    QString baseUrl_;
    std::string contentType_ = "application/json";
    QString resource_;
    HttpMethod method_ = HttpMethod::Get;
    std::vector<std::pair<std::string, std::string>> params_;
    std::string body_;
    std::string bodyContentType_;
    bool hasBody_ = false;

    HttpResponse response_;
    std::string rawBody_;

    std::function<void()> idle_;
    std::chrono::milliseconds connectTimeout_ = defaultConnectTimeout;
    std::chrono::milliseconds receiveTimeout_ = defaultReceiveTimeout;
    std::chrono::milliseconds sendTimeout_ = defaultSendTimeout;
    std::string caFile_;
    std::size_t maxResponseBytes_ = defaultMaxResponseBytes;

    // State of the transfer in progress.
    using Clock = std::chrono::steady_clock;
    bool connected_ = false;
    bool sending_ = false;
    curl_off_t lastUp_ = 0;
    curl_off_t lastDown_ = 0;
    Clock::time_point lastActivity_;
    Clock::time_point lastIdle_;
    std::string abortMessage_;         // why our own callbacks ended the transfer
    std::exception_ptr callbackError_; // what the idle callback threw
};
