#include "TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const char* Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    default: return "Status";
    }
}

} // namespace

TestHttpServer::TestHttpServer(Handler handler) : m_handler(std::move(handler)) {}

TestHttpServer::~TestHttpServer()
{
    Stop();
}

QString TestHttpServer::Host() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString TestHttpServer::Url(const std::string& path) const
{
    return QStringLiteral("http://") + Host() + QString::fromStdString(path);
}

void TestHttpServer::SetHandler(Handler handler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handler = std::move(handler);
}

std::vector<TestHttpRequest> TestHttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool TestHttpServer::Start()
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listen < 0)
        return false;
    int yes = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 16) != 0)
        return false;
    socklen_t size = sizeof address;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void TestHttpServer::Stop()
{
    if (m_stop.exchange(true))
        return;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    if (m_listen >= 0)
        ::close(m_listen);
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int socket : m_sockets)
            ::shutdown(socket, SHUT_RDWR);
        threads.swap(m_threads);
    }
    for (auto& thread : threads)
        thread.join();
}

void TestHttpServer::AcceptLoop()
{
    while (!m_stop.load()) {
        pollfd fd{m_listen, POLLIN, 0};
        if (::poll(&fd, 1, 20) <= 0)
            continue;
        const int client = ::accept(m_listen, nullptr, nullptr);
        if (client < 0)
            continue;
        const int number = ++m_connections;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sockets.push_back(client);
        m_threads.emplace_back([this, client, number] { Serve(client, number); });
    }
}

bool TestHttpServer::SendAll(int socket, const char* data, std::size_t length)
{
    while (length > 0) {
        const ssize_t sent = ::send(socket, data, length, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

void TestHttpServer::Serve(int socket, int number)
{
    std::string buffer;
    char chunk[4096];
    // Reads until the buffer holds n bytes; false when the peer left or the
    // server stops.
    auto fill = [&](std::size_t n) {
        while (buffer.size() < n) {
            pollfd fd{socket, POLLIN, 0};
            const int ready = ::poll(&fd, 1, 20);
            if (m_stop.load())
                return false;
            if (ready <= 0)
                continue;
            const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
            if (got <= 0)
                return false;
            buffer.append(chunk, static_cast<std::size_t>(got));
        }
        return true;
    };

    bool open = true;
    while (open && !m_stop.load()) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
            // Not HTTP (a TLS handshake, say): hang up at once.
            if (!buffer.empty() && !std::isupper(static_cast<unsigned char>(buffer[0]))) {
                open = false;
                break;
            }
            if (!fill(buffer.size() + 1)) {
                open = false;
                break;
            }
        }
        if (!open)
            break;
        TestHttpRequest request;
        request.connection = number;
        const std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);
        std::size_t lineEnd = head.find("\r\n");
        const std::string first = head.substr(0, lineEnd);
        const std::size_t sp1 = first.find(' ');
        const std::size_t sp2 = first.find(' ', sp1 + 1);
        request.method = first.substr(0, sp1);
        request.path = first.substr(sp1 + 1, sp2 - sp1 - 1);
        std::size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
        while (pos < head.size()) {
            std::size_t next = head.find("\r\n", pos);
            if (next == std::string::npos)
                next = head.size();
            const std::string line = head.substr(pos, next - pos);
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos) {
                std::size_t valueStart = colon + 1;
                while (valueStart < line.size() && line[valueStart] == ' ')
                    ++valueStart;
                request.headers[Lower(line.substr(0, colon))] = line.substr(valueStart);
            }
            pos = next + 2;
        }
        const std::size_t bodyLength =
            static_cast<std::size_t>(std::strtoull(request.Header("content-length").c_str(), nullptr, 10));
        if (!fill(bodyLength))
            break;
        request.body = buffer.substr(0, bodyLength);
        buffer.erase(0, bodyLength);

        Handler handler;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(request);
            handler = m_handler;
        }
        const TestHttpResponse response = handler(request);
        std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
        for (const auto& [name, value] : response.headers)
            out += name + ": " + value + "\r\n";
        if (response.omitContentLength)
            out += "Connection: close\r\n";
        else
            out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        out += "\r\n";
        const std::size_t count = std::min(response.sendOnly, response.body.size());
        out.append(response.body, 0, count);
        if (!SendAll(socket, out.data(), out.size()))
            break;
        std::size_t sent = count;
        if (response.trickle > 0) {
            while (sent < response.body.size() && !m_stop.load()) {
                const std::size_t piece = std::min(response.trickle, response.body.size() - sent);
                if (!SendAll(socket, response.body.data() + sent, piece))
                    break;
                sent += piece;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        if (sent < response.body.size() || response.omitContentLength) {
            while (response.stall && !m_stop.load()) {
                pollfd fd{socket, POLLIN, 0};
                if (::poll(&fd, 1, 20) > 0 && ::recv(socket, chunk, sizeof chunk, 0) <= 0)
                    break; // the client went away
            }
            open = false;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), socket), m_sockets.end());
    }
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
}

TestHttpResponse ServeFile(const TestHttpRequest& request, const std::string& content,
                           const std::string& etag, const std::string& lastModified, bool honourRange)
{
    TestHttpResponse response;
    response.headers.emplace_back("ETag", etag);
    response.headers.emplace_back("Last-Modified", lastModified);
    response.headers.emplace_back("Content-Type", "application/octet-stream");
    const std::string range = request.Header("range");
    const std::string ifRange = request.Header("if-range");
    const bool rangeValid = ifRange.empty() || ifRange == etag || ifRange == lastModified;
    if (honourRange && range.rfind("bytes=", 0) == 0 && rangeValid) {
        const std::size_t start = static_cast<std::size_t>(std::strtoull(range.c_str() + 6, nullptr, 10));
        if (start < content.size()) {
            response.status = 206;
            response.headers.emplace_back("Content-Range", "bytes " + std::to_string(start) + "-" +
                                                               std::to_string(content.size() - 1) + "/" +
                                                               std::to_string(content.size()));
            response.body = content.substr(start);
            return response;
        }
        response.status = 416;
        return response;
    }
    response.body = content;
    return response;
}
