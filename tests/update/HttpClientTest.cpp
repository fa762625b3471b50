#include "TestHttpServer.h"
#include "common/TestNames.h"
#include "update/OruInternetRequestSync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct UrlCase
{
    const char* address;
    bool valid;
    bool secure;
    const char* scheme;
    const char* host;
    const char* path;
};

class ParseUrlTest : public ::testing::TestWithParam<UrlCase>
{
};

TEST_P(ParseUrlTest, SplitsAddress)
{
    const UrlCase& c = GetParam();
    const ParsedUrl url = ParseUrl(QString::fromUtf8(c.address));
    EXPECT_EQ(url.valid, c.valid);
    if (!c.valid)
        return;
    EXPECT_EQ(url.secure, c.secure);
    EXPECT_EQ(url.scheme, QString::fromUtf8(c.scheme));
    EXPECT_EQ(url.host, QString::fromUtf8(c.host));
    EXPECT_EQ(url.path, QString::fromUtf8(c.path));
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, ParseUrlTest,
    ::testing::Values(UrlCase{"www.talvane.com/x", false, false, "", "", ""},
                      UrlCase{"https://www.talvane.com", true, true, "https", "www.talvane.com", "/"},
                      UrlCase{"http://a.b/c/d?e=1", true, false, "http", "a.b", "/c/d?e=1"},
                      UrlCase{"http://127.0.0.1:8080/f", true, false, "http", "127.0.0.1:8080", "/f"},
                      UrlCase{"HTTPS://x/", true, false, "HTTPS", "x", "/"},
                      UrlCase{"file:///etc/passwd", true, false, "file", "", "/etc/passwd"}),
    [](const auto& info) { return TestNames::Sanitize(info.param.address); });

// Records what the client reports to its filter.
class RecordingFilter : public OruInternetFilter
{
public:
    bool refuseStatus404 = false;
    bool stream = false;
    long status = 0;
    std::uint64_t rangeStart = ~0ull;
    std::uint64_t length = ~0ull;
    std::string streamed;
    std::atomic<std::uint64_t> progressed{0};

    bool OnStatus(long code) override
    {
        status = code;
        return !(refuseStatus404 && code == 404);
    }
    bool OnContentType(const std::string&) override { return true; }
    void OnProgress(std::uint64_t received, std::uint64_t) override { progressed = received; }
    bool WantsStream() override { return stream; }
    bool OnData(const char* block, std::size_t size) override
    {
        streamed.append(block, size);
        progressed += size;
        return true;
    }
    void OnHeaders(std::uint64_t start, std::uint64_t len) override
    {
        rangeStart = start;
        length = len;
    }
};

TestHttpResponse TextResponse(const std::string& body)
{
    TestHttpResponse response;
    response.headers.emplace_back("Content-Type", "text/plain");
    response.body = body;
    return response;
}

TEST(HttpClient, SameHostReusesConnectionOtherHostReconnects)
{
    TestHttpServer server([](const TestHttpRequest&) { return TextResponse("hello"); });
    ASSERT_TRUE(server.Start());
    OruInternetRequestSync request(QStringLiteral("Talvane/AutoUpdate-2.0"));

    ASSERT_TRUE(request.ExecuteRequest({}, {}, false, server.Host(), QStringLiteral("/a"), QStringLiteral("GET")));
    EXPECT_EQ(request.ResponseBody(), QByteArray("hello"));
    EXPECT_EQ(request.ContentType(), "text/plain");
    ASSERT_TRUE(request.ExecuteRequest({}, {}, false, server.Host(), QStringLiteral("/b"), QStringLiteral("GET")));
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(request.HandlesCreated(), 1);

    const QString otherHost = QStringLiteral("localhost:%1").arg(server.Port());
    ASSERT_TRUE(request.ExecuteRequest({}, {}, false, otherHost, QStringLiteral("/c"), QStringLiteral("GET")));
    EXPECT_EQ(request.HandlesCreated(), 2);

    // HTTPS to a plain server: a new handle, and the handshake fails.
    EXPECT_FALSE(request.ExecuteRequest({}, {}, true, otherHost, QStringLiteral("/d"), QStringLiteral("GET")));
    EXPECT_EQ(request.HandlesCreated(), 3);
    EXPECT_NE(request.LastError(), 0);

    const auto requests = server.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("user-agent"), "Talvane/AutoUpdate-2.0");
    EXPECT_EQ(requests[0].path, "/a");
}

TEST(HttpClient, PostSendsContentTypeAndBody)
{
    TestHttpServer server([](const TestHttpRequest& r) { return TextResponse(r.body + "!"); });
    ASSERT_TRUE(server.Start());
    OruInternetRequestSync request(QStringLiteral("agent"));
    ASSERT_TRUE(request.PostRequest(QStringLiteral("check-for-update.php"), QStringLiteral("application/x-test"),
                                    QByteArray("ABCD"), server.Host()));
    EXPECT_EQ(request.ResponseBody(), QByteArray("ABCD!"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/check-for-update.php");
    EXPECT_EQ(requests[0].Header("content-type"), "application/x-test");
    EXPECT_EQ(requests[0].body, "ABCD");
}

TEST(HttpClient, PartialContentGivesRangeStartAndLength)
{
    const std::string content(1000, 'x');
    TestHttpServer server([&](const TestHttpRequest& r) { return ServeFile(r, content, "\"e1\"", "Mon"); });
    ASSERT_TRUE(server.Start());
    OruInternetRequestSync request(QStringLiteral("agent"));
    RecordingFilter filter;
    filter.stream = true;
    request.SetFilter(&filter);
    ASSERT_TRUE(request.ExecuteRequest("Range: bytes=500-\r\n", {}, false, server.Host(), QStringLiteral("/f"),
                                       QStringLiteral("GET")));
    EXPECT_EQ(filter.status, 206);
    EXPECT_EQ(filter.rangeStart, 500u);
    EXPECT_EQ(filter.length, 500u);
    EXPECT_EQ(filter.streamed.size(), 500u);
    EXPECT_EQ(request.QueryHeaderText("ETag"), QStringLiteral("\"e1\""));
    EXPECT_EQ(request.QueryHeaderText("X-Missing"), QString());
}

TEST(HttpClient, MissingContentLengthReadsToEnd)
{
    TestHttpServer server([](const TestHttpRequest&) {
        TestHttpResponse response = TextResponse(std::string(40000, 'z'));
        response.omitContentLength = true;
        return response;
    });
    ASSERT_TRUE(server.Start());
    OruInternetRequestSync request(QStringLiteral("agent"));
    RecordingFilter filter;
    request.SetFilter(&filter);
    ASSERT_TRUE(request.ExecuteRequest({}, {}, false, server.Host(), QStringLiteral("/"), QStringLiteral("GET")));
    EXPECT_EQ(filter.length, 0u);
    EXPECT_EQ(request.ResponseBody().size(), 40000);
}

TEST(HttpClient, FilterRefusingStatusFailsWithoutError)
{
    TestHttpServer server([](const TestHttpRequest&) {
        TestHttpResponse response = TextResponse("missing");
        response.status = 404;
        return response;
    });
    ASSERT_TRUE(server.Start());
    OruInternetRequestSync request(QStringLiteral("agent"));
    RecordingFilter filter;
    filter.refuseStatus404 = true;
    request.SetFilter(&filter);
    EXPECT_FALSE(request.ExecuteRequest({}, {}, false, server.Host(), QStringLiteral("/"), QStringLiteral("GET")));
    EXPECT_EQ(request.LastError(), 0);
    EXPECT_EQ(request.StatusCode(), 404);
}

struct BrokenBodyCase
{
    const char* name;
    std::size_t bodySize;
    std::size_t sendOnly;
    std::size_t cap;
    const char* contentRange = nullptr; // sent with status 206 when set
};

class HttpClientBrokenBody : public ::testing::TestWithParam<BrokenBodyCase>
{
};

// A body cut short of its announced length or range, or larger than the
// cap, fails.
TEST_P(HttpClientBrokenBody, Fails)
{
    const BrokenBodyCase c = GetParam();
    TestHttpServer server([&](const TestHttpRequest&) {
        TestHttpResponse response = TextResponse(std::string(c.bodySize, 'q'));
        response.sendOnly = c.sendOnly;
        if (c.contentRange) {
            response.status = 206;
            response.headers.emplace_back("Content-Range", c.contentRange);
        }
        return response;
    });
    ASSERT_TRUE(server.Start());
    OruInternetRequestSync request(QStringLiteral("agent"));
    request.SetMaxBodySize(c.cap);
    EXPECT_FALSE(request.ExecuteRequest({}, {}, false, server.Host(), QStringLiteral("/"), QStringLiteral("GET")));
    EXPECT_LE(static_cast<std::size_t>(request.ResponseBody().size()), c.cap);
}

INSTANTIATE_TEST_SUITE_P(Bodies, HttpClientBrokenBody,
                         ::testing::Values(BrokenBodyCase{"Truncated", 1000, 600, 64 * 1024},
                                           BrokenBodyCase{"OverCap", 70 * 1024, std::string::npos, 64 * 1024},
                                           BrokenBodyCase{"TruncatedToNothing", 10, 0, 64 * 1024},
                                           // The body is whole by its own length but short of
                                           // the range it announces.
                                           BrokenBodyCase{"ShortOfItsRange", 600, std::string::npos, 64 * 1024,
                                                          "bytes 0-999/1000"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HttpClient, StreamedBodyOverCapIsAllowed)
{
    TestHttpServer server([](const TestHttpRequest&) { return TextResponse(std::string(200 * 1024, 's')); });
    ASSERT_TRUE(server.Start());
    OruInternetRequestSync request(QStringLiteral("agent"));
    RecordingFilter filter;
    filter.stream = true;
    request.SetFilter(&filter);
    ASSERT_TRUE(request.ExecuteRequest({}, {}, false, server.Host(), QStringLiteral("/"), QStringLiteral("GET")));
    EXPECT_EQ(filter.streamed.size(), 200u * 1024u);
    EXPECT_TRUE(request.ResponseBody().isEmpty());
}

struct CancelCase
{
    const char* name;
    bool stall;          // the server stops sending (a blocked read)
    std::size_t trickle; // or keeps sending slowly: left alone, the body would arrive whole
};

class HttpClientCancel : public ::testing::TestWithParam<CancelCase>
{
};

TEST_P(HttpClientCancel, FromAnotherThreadEndsTheTransfer)
{
    const CancelCase c = GetParam();
    const std::string body(60000, 'c');
    TestHttpServer server([&](const TestHttpRequest&) {
        TestHttpResponse response = TextResponse(body);
        response.sendOnly = 100;
        response.stall = c.stall;
        response.trickle = c.trickle;
        return response;
    });
    ASSERT_TRUE(server.Start());
    OruInternetRequestSync request(QStringLiteral("agent"));
    RecordingFilter filter;
    filter.stream = true;
    request.SetFilter(&filter);
    std::thread canceller([&] {
        // Wait (bounded) until the first bytes arrived, then cancel.
        for (int i = 0; i < 500 && filter.progressed.load() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        request.Cancel();
    });
    EXPECT_FALSE(request.ExecuteRequest({}, {}, false, server.Host(), QStringLiteral("/"), QStringLiteral("GET")));
    canceller.join();
    EXPECT_TRUE(request.IsCancelled());
    EXPECT_GT(filter.streamed.size(), 0u);
    EXPECT_LT(filter.streamed.size(), body.size()) << "the transfer went on after the cancel";
    // A cancelled client refuses further requests until reset.
    EXPECT_FALSE(request.ExecuteRequest({}, {}, false, server.Host(), QStringLiteral("/"), QStringLiteral("GET")));
}

INSTANTIATE_TEST_SUITE_P(Transfers, HttpClientCancel,
                         ::testing::Values(CancelCase{"Stalled", true, 0}, CancelCase{"Trickling", false, 64}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
