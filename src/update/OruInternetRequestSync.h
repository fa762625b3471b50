#pragma once
// A blocking HTTP/HTTPS client for the update worker. One request at a time;
// the connection is kept between requests to the same host and scheme. The
// body is either collected in memory (with a size cap) or streamed block by
// block to an OruInternetFilter.
#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Watches one response: may refuse it by status or content type, follows the
// progress, and in streaming mode receives the body.
class OruInternetFilter
{
public:
    virtual ~OruInternetFilter() = default;
    // False refuses the response; the request then fails with error code 0.
    virtual bool OnStatus(long status) = 0;
    virtual bool OnContentType(const std::string& contentType) = 0;
    // Collecting mode only: bytes received so far and the announced length.
    virtual void OnProgress(std::uint64_t received, std::uint64_t expected) = 0;
    // True streams the body to OnData instead of collecting it.
    virtual bool WantsStream() { return false; }
    // False stops the transfer (the request fails).
    virtual bool OnData(const char* /*block*/, std::size_t /*length*/) { return false; }
    // Called once status and length are known, before any body data.
    virtual void OnHeaders(std::uint64_t /*rangeStart*/, std::uint64_t /*length*/) {}
};

struct ParsedUrl
{
    bool valid = false;
    bool secure = false; // scheme is "https"
    QString scheme;
    QString host; // a port written in the address stays part of the host
    QString path; // from the first "/" after the host, "/" when none
};

// Splits "scheme://host/path". Without "://" the result is invalid.
ParsedUrl ParseUrl(const QString& address);

class OruInternetRequestSync
{
public:
    explicit OruInternetRequestSync(QString userAgent);
    virtual ~OruInternetRequestSync();

    OruInternetRequestSync(const OruInternetRequestSync&) = delete;
    OruInternetRequestSync& operator=(const OruInternetRequestSync&) = delete;

    // Sends one request. headers are "Name: value\r\n" lines. True only when
    // the status was accepted and every announced byte of the body arrived.
    bool ExecuteRequest(const std::string& headers, const QByteArray& body, bool secure,
                        const QString& host, const QString& objectName, const QString& verb);

    // Plain HTTP POST with a Content-Type header.
    bool PostRequest(const QString& objectName, const QString& contentType,
                     const QByteArray& body, const QString& host);

    // One header of the response being read (or the last response), empty
    // when missing. Case-insensitive name, at most 1024 bytes.
    QString QueryHeaderText(const std::string& name) const;

    // From any thread: makes the running (or next) request fail at once. The
    // request stays cancelled until ResetCancel.
    void Cancel();
    void ResetCancel();
    bool IsCancelled() const { return m_cancelled.load(); }

    // From the worker (inside filter callbacks): ends the running request
    // with failure, without cancelling later ones.
    void AbortCurrent() { m_abortCurrent.store(true); }

    void SetFilter(OruInternetFilter* filter) { m_filter = filter; }
    OruInternetFilter* Filter() const { return m_filter; }

    // Largest body kept in collecting mode; a larger one fails the request.
    void SetMaxBodySize(std::size_t bytes) { m_maxBody = bytes; }

    long LastError() const { return m_lastError; }
    long StatusCode() const { return m_statusCode; }
    const QByteArray& ResponseBody() const { return m_body; }
    const std::string& ContentType() const { return m_contentType; }

    // Number of transfer handles created so far (a new one per host/scheme).
    int HandlesCreated() const { return m_handlesCreated; }

private:
    bool Connect(bool secure, const QString& host);
    void CloseConnection();
    bool BeginBody(); // status, content type, range: once per response
    std::string HeaderValue(const std::string& name) const;

    static std::size_t WriteCallback(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t HeaderCallback(char* data, std::size_t size, std::size_t count, void* self);
    static int ProgressCallback(void* self, long long dlTotal, long long dlNow, long long ulTotal,
                                long long ulNow);

    QString m_userAgent;
    bool m_secure = false;
    QString m_host;
    void* m_handle = nullptr; // CURL*, used and freed by the worker only

    long m_lastError = 0;
    long m_statusCode = 0;
    QByteArray m_body;
    std::string m_contentType;
    OruInternetFilter* m_filter = nullptr;

    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_abortCurrent{false};

    // State of the response being read.
    std::vector<std::pair<std::string, std::string>> m_headers;
    bool m_bodyStarted = false;
    bool m_refused = false;     // the filter or the size cap ended it
    bool m_streaming = false;
    std::uint64_t m_length = 0; // announced length, 0 when unknown
    std::uint64_t m_received = 0;
    std::size_t m_maxBody = 64 * 1024;
    int m_handlesCreated = 0;
};
