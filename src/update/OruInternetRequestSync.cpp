#include "update/OruInternetRequestSync.h"

#include <QtGlobal>

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>

namespace {

constexpr std::size_t kContentTypeMax = 16384;
constexpr std::size_t kHeaderTextMax = 1024;

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' ||
                           text[end - 1] == '\n'))
        --end;
    return text.substr(begin, end - begin);
}

// Reads a decimal number at pos; false when there is no digit or it overflows.
bool ReadNumber(const std::string& text, std::size_t& pos, std::uint64_t& value)
{
    std::size_t start = pos;
    value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        const std::uint64_t digit = static_cast<std::uint64_t>(text[pos] - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
        ++pos;
    }
    return pos > start;
}

// Hosts come from addresses the server sent; keep them to the characters a
// host name (with an optional port or an IPv6 literal) can hold.
bool IsPlausibleHost(const QString& host)
{
    if (host.isEmpty())
        return false;
    for (QChar c : host) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                        u == '.' || u == '-' || u == ':' || u == '[' || u == ']' || u == '_';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

ParsedUrl ParseUrl(const QString& address)
{
    ParsedUrl result;
    const int sep = address.indexOf(QStringLiteral("://"));
    if (sep < 0)
        return result;
    result.scheme = address.left(sep);
    const int hostStart = sep + 3;
    const int slash = address.indexOf(QLatin1Char('/'), hostStart);
    if (slash < 0) {
        result.host = address.mid(hostStart);
        result.path = QStringLiteral("/");
    } else {
        result.host = address.mid(hostStart, slash - hostStart);
        result.path = address.mid(slash);
    }
    result.secure = result.scheme == QLatin1String("https");
    result.valid = true;
    return result;
}

OruInternetRequestSync::OruInternetRequestSync(QString userAgent) : m_userAgent(std::move(userAgent))
{
    GlobalInit();
}

OruInternetRequestSync::~OruInternetRequestSync()
{
    CloseConnection();
}

void OruInternetRequestSync::Cancel()
{
    m_cancelled.store(true);
    m_abortCurrent.store(true);
}

void OruInternetRequestSync::ResetCancel()
{
    m_cancelled.store(false);
    m_abortCurrent.store(false);
}

void OruInternetRequestSync::CloseConnection()
{
    if (m_handle) {
        curl_easy_cleanup(static_cast<CURL*>(m_handle));
        m_handle = nullptr;
    }
    m_host.clear();
    m_secure = false;
}

bool OruInternetRequestSync::Connect(bool secure, const QString& host)
{
    if (m_handle && m_secure == secure && m_host == host)
        return true;
    CloseConnection();
    CURL* handle = curl_easy_init();
    if (!handle) {
        m_lastError = CURLE_FAILED_INIT;
        return false;
    }
    ++m_handlesCreated;
    m_handle = handle;
    m_host = host;
    m_secure = secure;
    return true;
}

bool OruInternetRequestSync::PostRequest(const QString& objectName, const QString& contentType,
                                         const QByteArray& body, const QString& host)
{
    const std::string headers = "Content-Type: " + contentType.toStdString() + "\r\n";
    return ExecuteRequest(headers, body, false, host, objectName, QStringLiteral("POST"));
}

std::string OruInternetRequestSync::HeaderValue(const std::string& name) const
{
    const std::string key = Lower(name);
    for (const auto& [headerName, value] : m_headers) {
        if (headerName == key)
            return value;
    }
    return {};
}

QString OruInternetRequestSync::QueryHeaderText(const std::string& name) const
{
    std::string value = HeaderValue(name);
    if (value.size() > kHeaderTextMax)
        value.resize(kHeaderTextMax);
    return QString::fromLocal8Bit(value.data(), static_cast<qsizetype>(value.size()));
}

std::size_t OruInternetRequestSync::HeaderCallback(char* data, std::size_t size, std::size_t count,
                                                   void* self)
{
    auto* request = static_cast<OruInternetRequestSync*>(self);
    const std::size_t total = size * count;
    std::string line(data, total);
    if (line.rfind("HTTP/", 0) == 0) {
        // A new response starts (after a redirect or an interim answer).
        request->m_headers.clear();
        return total;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos)
        return total;
    request->m_headers.emplace_back(Lower(Trim(line.substr(0, colon))), Trim(line.substr(colon + 1)));
    return total;
}

int OruInternetRequestSync::ProgressCallback(void* self, long long, long long, long long, long long)
{
    auto* request = static_cast<OruInternetRequestSync*>(self);
    return (request->m_cancelled.load() || request->m_abortCurrent.load()) ? 1 : 0;
}

bool OruInternetRequestSync::BeginBody()
{
    m_bodyStarted = true;
    curl_easy_getinfo(static_cast<CURL*>(m_handle), CURLINFO_RESPONSE_CODE, &m_statusCode);
    if (m_filter && !m_filter->OnStatus(m_statusCode)) {
        m_refused = true;
        return false;
    }
    m_contentType = HeaderValue("content-type");
    if (m_contentType.size() > kContentTypeMax)
        m_contentType.resize(kContentTypeMax);
    if (m_filter && !m_filter->OnContentType(m_contentType)) {
        m_refused = true;
        return false;
    }

    std::uint64_t rangeStart = 0;
    std::uint64_t length = 0;
    bool haveLength = false;
    if (m_statusCode == 206) {
        const std::string range = HeaderValue("content-range");
        if (range.rfind("bytes ", 0) == 0) {
            std::size_t pos = 6;
            std::uint64_t start = 0;
            std::uint64_t end = 0;
            if (ReadNumber(range, pos, start) && pos < range.size() && range[pos] == '-') {
                ++pos;
                if (ReadNumber(range, pos, end) && end >= start) {
                    rangeStart = start;
                    length = end - start + 1;
                    haveLength = true;
                }
            }
        }
    }
    if (!haveLength) {
        rangeStart = 0;
        const std::string text = HeaderValue("content-length");
        std::size_t pos = 0;
        if (!ReadNumber(text, pos, length))
            length = 0;
    }
    m_length = length;

    m_streaming = m_filter && m_filter->WantsStream();
    if (!m_streaming && m_length > m_maxBody) {
        m_refused = true;
        return false;
    }
    if (m_filter) {
        m_filter->OnHeaders(rangeStart, length);
        if (!m_streaming)
            m_filter->OnProgress(0, length);
    }
    return !m_abortCurrent.load() && !m_cancelled.load();
}

std::size_t OruInternetRequestSync::WriteCallback(char* data, std::size_t size, std::size_t count,
                                                  void* self)
{
    auto* request = static_cast<OruInternetRequestSync*>(self);
    const std::size_t total = size * count;
    if (!request->m_bodyStarted && !request->BeginBody())
        return 0;
    if (request->m_cancelled.load() || request->m_abortCurrent.load())
        return 0;
    if (request->m_streaming) {
        if (!request->m_filter->OnData(data, total)) {
            request->m_refused = true;
            return 0;
        }
        request->m_received += total;
        return total;
    }
    if (static_cast<std::size_t>(request->m_body.size()) + total > request->m_maxBody) {
        request->m_refused = true;
        return 0;
    }
    request->m_body.append(data, static_cast<qsizetype>(total));
    request->m_received += total;
    if (request->m_filter)
        request->m_filter->OnProgress(request->m_received, request->m_length);
    return total;
}

bool OruInternetRequestSync::ExecuteRequest(const std::string& headers, const QByteArray& body,
                                            bool secure, const QString& host,
                                            const QString& objectName, const QString& verb)
{
    m_abortCurrent.store(false);
    m_statusCode = 0;
    m_body.clear();
    m_contentType.clear();
    m_headers.clear();
    m_bodyStarted = false;
    m_refused = false;
    m_streaming = false;
    m_length = 0;
    m_received = 0;

    if (m_cancelled.load()) {
        m_lastError = CURLE_ABORTED_BY_CALLBACK;
        return false;
    }
    if (!IsPlausibleHost(host)) {
        m_lastError = CURLE_URL_MALFORMAT;
        return false;
    }
    if (!Connect(secure, host))
        return false;

    CURL* curl = static_cast<CURL*>(m_handle);
    // Reset clears the options of the last request but keeps its connection.
    curl_easy_reset(curl);

    QString object = objectName;
    if (!object.startsWith(QLatin1Char('/')))
        object.prepend(QLatin1Char('/'));
    const std::string url =
        (secure ? std::string("https://") : std::string("http://")) + host.toStdString() + object.toStdString();
    const std::string agent = m_userAgent.toStdString();

    curl_slist* list = nullptr;
    std::size_t begin = 0;
    while (begin < headers.size()) {
        std::size_t end = headers.find("\r\n", begin);
        if (end == std::string::npos)
            end = headers.size();
        const std::string line = headers.substr(begin, end - begin);
        if (!line.empty())
            list = curl_slist_append(list, line.c_str());
        begin = end + 2;
    }
    list = curl_slist_append(list, "Pragma: no-cache");
    list = curl_slist_append(list, "Cache-Control: no-cache");
    list = curl_slist_append(list, "Expect:");

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A secure request never follows a redirect to plain HTTP: the answer
    // must come over the scheme the address asked for.
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_PROXY, ""); // direct connection
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    // A private update server may be signed by an authority of its own:
    // PARCELO_CA_FILE names a PEM file that is trusted instead of the
    // system's list. The certificate and its host name are checked either way.
    const QByteArray caFile = qgetenv("PARCELO_CA_FILE");
    if (!caFile.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OruInternetRequestSync::HeaderCallback);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OruInternetRequestSync::WriteCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OruInternetRequestSync::ProgressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);

    const std::string verbText = verb.toStdString();
    if (verb == QLatin1String("GET")) {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
        if (verb != QLatin1String("POST"))
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, verbText.c_str());
    }

    CURLcode result = curl_easy_perform(curl);
    if (result == CURLE_OK && !m_bodyStarted) {
        // An empty body: the status and headers still have to be checked.
        if (!BeginBody())
            result = CURLE_WRITE_ERROR;
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(list);

    if (result != CURLE_OK) {
        // A refusal by the filter (or the size cap) leaves no platform error.
        m_lastError = m_refused ? 0 : result;
        return false;
    }
    if (m_cancelled.load() || m_abortCurrent.load()) {
        m_lastError = CURLE_ABORTED_BY_CALLBACK;
        return false;
    }
    if (m_length != 0 && m_received != m_length) {
        // The server announced more (or other) bytes than arrived.
        m_lastError = CURLE_PARTIAL_FILE;
        return false;
    }
    m_lastError = 0;
    return true;
}
