#pragma once
// A small HTTP/1.1 server on 127.0.0.1 (ephemeral port) for the update tests.
// Each connection runs on its own thread and may carry several requests.
#include <QString>

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct TestHttpRequest
{
    std::string method;
    std::string path;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    int connection = 0; // 1-based number of the connection it came on

    std::string Header(const std::string& name) const
    {
        auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

struct TestHttpResponse
{
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // Content-Length is announced for the whole body unless omitted; the
    // connection then closes after the body.
    bool omitContentLength = false;
    // Send only this many body bytes, then close (or stall) the connection.
    std::size_t sendOnly = std::string::npos;
    // After sendOnly bytes, keep the connection open without sending more
    // until the server stops.
    bool stall = false;
    // After sendOnly bytes, send the rest this many bytes at a time with a
    // short pause between pieces, until done or the client goes away. A
    // client that stops reading early never gets the whole body.
    std::size_t trickle = 0;
};

class TestHttpServer
{
public:
    using Handler = std::function<TestHttpResponse(const TestHttpRequest&)>;

    explicit TestHttpServer(Handler handler);
    ~TestHttpServer();

    bool Start();
    void Stop();

    int Port() const { return m_port; }
    // "127.0.0.1:<port>", the form a host takes in an address.
    QString Host() const;
    QString Url(const std::string& path) const;

    std::vector<TestHttpRequest> Requests() const;
    int Connections() const { return m_connections.load(); }
    void SetHandler(Handler handler);

private:
    void AcceptLoop();
    void Serve(int socket, int number);
    bool SendAll(int socket, const char* data, std::size_t length);

    Handler m_handler;
    mutable std::mutex m_mutex;
    std::vector<TestHttpRequest> m_requests;
    std::vector<int> m_sockets;
    std::vector<std::thread> m_threads;
    std::thread m_acceptThread;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
};

// Answers a GET for content like a file server with ETag, Last-Modified and
// "Range: bytes=N-" support (If-Range honoured when present).
TestHttpResponse ServeFile(const TestHttpRequest& request, const std::string& content,
                           const std::string& etag, const std::string& lastModified,
                           bool honourRange = true);
