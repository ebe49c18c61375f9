// THttpClient against the scripted test server (tests/server/testserver.py).

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/HttpClient.h"
#include "platform/net/Version.h"
#include "platform/rtl/Stream.h"
#include "platform/win/Thread.h"
#include "tests/support/TestServer.h"

namespace {

constexpr int64_t MiB = 1024 * 1024;

std::string Pattern(const std::string& Unit, int64_t Size)
{
    std::string R;
    R.reserve(size_t(Size));
    while (int64_t(R.size()) < Size)
        R += Unit;
    R.resize(size_t(Size));
    return R;
}

std::string ToBase64(const std::string& In)
{
    static const char D[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string Out;
    for (size_t I = 0; I < In.size(); I += 3) {
        uint32_t V = uint8_t(In[I]) << 16;
        if (I + 1 < In.size()) V |= uint8_t(In[I + 1]) << 8;
        if (I + 2 < In.size()) V |= uint8_t(In[I + 2]);
        Out += D[V >> 18];
        Out += D[(V >> 12) & 63];
        Out += I + 1 < In.size() ? D[(V >> 6) & 63] : '=';
        Out += I + 2 < In.size() ? D[V & 63] : '=';
    }
    return Out;
}

// A unit of odd length, so a block or chunk boundary in the wrong place shows.
const std::string Unit251 = [] {
    std::string S;
    for (int I = 0; I < 251; ++I)
        S += char('!' + (I * 7) % 90);
    return S;
}();

std::string PatternRoute(const std::string& Unit, int64_t Size, const std::string& Extra = "")
{
    return "{\"generate\": {\"kind\": \"pattern\", \"pattern_base64\": " + JsonQuote(ToBase64(Unit)) +
           ", \"size\": " + std::to_string(Size) + "}" + Extra + "}";
}

std::string StreamText(TMemoryStream& S)
{
    return std::string(static_cast<const char*>(S.Memory()), size_t(S.GetSize()));
}

// The EHttpError that Call raises; returning without one fails the test.
template <class F>
EHttpError Raised(F&& Call)
{
    try {
        Call();
    } catch (const EHttpError& E) {
        return E;
    }
    ADD_FAILURE() << "no EHttpError raised";
    return EHttpError(THttpErrorKind::Protocol, "(none raised)", -1);
}

uint64_t Now() { return GetTickCount64(); }

// Polls until Done or Ms pass; true when Done.
template <class F>
bool WaitUntil(F&& Done, uint64_t Ms)
{
    const uint64_t End = Now() + Ms;
    while (!Done()) {
        if (Now() > End)
            return false;
        Sleep(10);
    }
    return true;
}

// A port nothing listens on: bound, then let go.
uint16_t ClosedPort()
{
    SOCKET S = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(S, reinterpret_cast<sockaddr*>(&A), sizeof A);
    int Len = sizeof A;
    getsockname(S, reinterpret_cast<sockaddr*>(&A), &Len);
    closesocket(S);
    return ntohs(A.sin_port);
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Server.Available()) << "QUILLMOOR_TEST_SERVER is not set (run through run_with_server.py)";
        Server.Reset();
    }
    std::string Url(const std::string& Target) const { return Server.Url(Target); }
    std::vector<TServerLogEntry> LogFor(const std::string& Target)
    {
        std::vector<TServerLogEntry> R;
        for (auto& E : Server.Log())
            if (E.Target == Target)
                R.push_back(E);
        return R;
    }

    TTestServer Server;
};

// A worker that runs one GET into a stream and aborts its client when asked to stop.
class TFetchThread : public TThread {
public:
    TFetchThread(std::string Url, int32_t ReadTimeout = 60000) : FUrl(std::move(Url))
    {
        Client.SetReadTimeout(ReadTimeout);
        Client.OnWork = [this](TObject*, TWorkMode, int64_t Count) { Received.store(Count); };
    }
    ~TFetchThread() override { TerminateAndWait(); }

    THttpClient Client;
    TMemoryStream Body;
    std::atomic<int64_t> Received{0};
    std::atomic<bool> Done{false};
    bool Failed = false;
    THttpErrorKind Kind = THttpErrorKind::Protocol;
    uint64_t EndedAt = 0;

protected:
    void Execute() override
    {
        try {
            Client.Get(FUrl, &Body);
        } catch (const EHttpError& E) {
            Failed = true;
            Kind = E.GetKind();
        }
        EndedAt = Now();
        Done.store(true);
    }
    void StopRequested() override { Client.Abort(); }

private:
    std::string FUrl;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Bodies

TEST_F(HttpClientTest, EveryByteValueArrivesExactThroughStringAndStream)
{
    std::string Unit;
    for (int I = 0; I < 256; ++I)
        Unit += char(I);
    Server.SetRoute("/bytes.bin", PatternRoute(Unit, MiB));
    const std::string Expected = Pattern(Unit, MiB);

    THttpClient Http;
    std::vector<int64_t> Counts;
    int64_t LengthAtFirstCall = -2;
    Http.OnWork = [&](TObject* Sender, TWorkMode Mode, int64_t Count) {
        EXPECT_EQ(Sender, &Http);
        EXPECT_EQ(Mode, wmRead);
        if (Counts.empty())
            LengthAtFirstCall = Http.GetResponse()->GetContentLength();
        Counts.push_back(Count);
    };
    std::string Text = Http.Get(Url("/bytes.bin"));
    ASSERT_EQ(Text.size(), Expected.size());
    EXPECT_TRUE(Text == Expected);
    EXPECT_EQ(Http.GetResponse()->GetResponseCode(), 200);
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), MiB);
    EXPECT_EQ(LengthAtFirstCall, MiB);
    ASSERT_GE(Counts.size(), 2u);
    EXPECT_EQ(Counts.back(), MiB);
    for (size_t I = 1; I < Counts.size(); ++I) {
        EXPECT_GE(Counts[I], Counts[I - 1]);
        EXPECT_LE(Counts[I] - Counts[I - 1], THttpClient::BlockSize);
    }

    TMemoryStream Stream;
    Counts.clear();
    Http.Get(Url("/bytes.bin"), &Stream);
    EXPECT_TRUE(StreamText(Stream) == Expected);
    EXPECT_EQ(Counts.back(), MiB);
}

TEST_F(HttpClientTest, ChunkedBodyArrivesExactWithoutLength)
{
    const int64_t Size = 3 * MiB;
    Server.SetRoute("/chunked.bin", PatternRoute(Unit251, Size, ", \"chunked\": 1000"));
    const std::string Expected = Pattern(Unit251, Size);

    THttpClient Http;
    int64_t Last = 0, Calls = 0;
    Http.OnWork = [&](TObject*, TWorkMode, int64_t Count) {
        EXPECT_GE(Count, Last);
        Last = Count;
        ++Calls;
    };
    std::string Text = Http.Get(Url("/chunked.bin"));
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), -1);
    ASSERT_EQ(int64_t(Text.size()), Size);
    EXPECT_TRUE(Text == Expected);
    EXPECT_EQ(Last, Size);
    EXPECT_GT(Calls, 1);

    TMemoryStream Stream;
    Last = 0;
    Http.Get(Url("/chunked.bin"), &Stream);
    EXPECT_TRUE(StreamText(Stream) == Expected);
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), -1);
    EXPECT_EQ(Last, Size);
}

TEST_F(HttpClientTest, EmptyBodyReportsWorkOnce)
{
    Server.SetRoute("/empty", "{\"body\": \"\"}");
    THttpClient Http;
    std::vector<int64_t> Counts;
    Http.OnWork = [&](TObject*, TWorkMode, int64_t Count) { Counts.push_back(Count); };
    EXPECT_EQ(Http.Get(Url("/empty")), "");
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), 0);
    ASSERT_EQ(Counts.size(), 1u);
    EXPECT_EQ(Counts[0], 0);
}

// ---------------------------------------------------------------------------------------------
// HEAD

TEST_F(HttpClientTest, HeadGivesLengthAndNoBodyIsSent)
{
    Server.SetRoute("/ten.bin", PatternRoute("x", 10485760));
    Server.SetRoute("/nolength", "{\"body\": \"abc\", \"content_length\": false}");
    THttpClient Http;
    Http.Head(Url("/ten.bin"));
    EXPECT_EQ(Http.GetResponse()->GetResponseCode(), 200);
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), 10485760);
    Http.Head(Url("/nolength"));
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), -1);

    auto Log = LogFor("/ten.bin");
    ASSERT_EQ(Log.size(), 1u);
    EXPECT_EQ(Log[0].Method, "HEAD");
    EXPECT_EQ(Log[0].BodyBytes, 0);
    EXPECT_EQ(Log[0].Ended, "complete");
    // The connection stayed usable after a HEAD that announced a body.
    EXPECT_EQ(Server.Counters().Connections, 1);
}

// ---------------------------------------------------------------------------------------------
// Statuses

TEST_F(HttpClientTest, StatusesOutside2xxRaiseWithTheirCode)
{
    Server.SetRoute("/gone", "{\"status\": 301, \"location\": \"/moved\"}");
    Server.SetRoute("/moved", "{\"body\": \"followed\"}");
    Server.SetRoute("/broken", "{\"status\": 500, \"body\": \"oops\"}");
    THttpClient Http;

    EHttpError E404 = Raised([&] { Http.Get(Url("/nothing-here")); });
    EXPECT_EQ(E404.GetKind(), THttpErrorKind::Status);
    EXPECT_EQ(E404.GetStatusCode(), 404);
    EXPECT_EQ(Http.GetResponse()->GetResponseCode(), 404);

    EHttpError E301 = Raised([&] { Http.Get(Url("/gone")); });
    EXPECT_EQ(E301.GetKind(), THttpErrorKind::Status);
    EXPECT_EQ(E301.GetStatusCode(), 301);
    EXPECT_EQ(Http.GetResponse()->GetHeader("Location"), "/moved");

    TMemoryStream Stream;
    EHttpError E500 = Raised([&] { Http.Get(Url("/broken"), &Stream); });
    EXPECT_EQ(E500.GetStatusCode(), 500);
    EXPECT_EQ(Stream.GetSize(), 0); // an error page never lands in the file

    EHttpError EHead = Raised([&] { Http.Head(Url("/nothing-here")); });
    EXPECT_EQ(EHead.GetStatusCode(), 404);

    EXPECT_TRUE(LogFor("/moved").empty()); // no redirect was followed
    EXPECT_EQ(Server.Log().size(), 4u);
}

TEST_F(HttpClientTest, EveryRedirectStatusFails)
{
    THttpClient Http;
    for (int Code : {300, 302, 303, 307, 308}) {
        Server.SetRoute("/r" + std::to_string(Code),
                        "{\"status\": " + std::to_string(Code) + ", \"location\": \"/target\"}");
        EHttpError E = Raised([&] { Http.Get(Url("/r" + std::to_string(Code))); });
        EXPECT_EQ(E.GetStatusCode(), Code);
    }
    EXPECT_TRUE(LogFor("/target").empty());
}

TEST_F(HttpClientTest, SuccessStatusAndStatusLine)
{
    Server.SetRoute("/ok", "{\"body\": \"fine\"}");
    Server.SetRoute("/made", "{\"status\": 201, \"reason\": \"Made\", \"body\": \"new\"}");
    THttpClient Http;
    EXPECT_EQ(Http.Get(Url("/ok")), "fine");
    EXPECT_EQ(Http.GetResponse()->GetResponseText(), "HTTP/1.1 200 OK");
    EXPECT_EQ(Http.Get(Url("/made")), "new");
    EXPECT_EQ(Http.GetResponse()->GetResponseCode(), 201);
    EXPECT_EQ(Http.GetResponse()->GetResponseText(), "HTTP/1.1 201 Made");
}

// ---------------------------------------------------------------------------------------------
// Truncation, time-outs, abort

TEST_F(HttpClientTest, BodyShorterThanItsLengthIsTruncated)
{
    Server.SetRoute("/cut", PatternRoute(Unit251, 100000, ", \"close_after\": 50000"));
    THttpClient Http;
    TMemoryStream Stream;
    EHttpError E = Raised([&] { Http.Get(Url("/cut"), &Stream); });
    EXPECT_EQ(E.GetKind(), THttpErrorKind::Truncated);
    EXPECT_EQ(E.GetStatusCode(), 0);
    EXPECT_LE(Stream.GetSize(), 50000);
    EXPECT_EQ(Raised([&] { Http.Get(Url("/cut")); }).GetKind(), THttpErrorKind::Truncated);
}

TEST_F(HttpClientTest, ChunkedBodyCutShortIsTruncated)
{
    Server.SetRoute("/cutchunks", PatternRoute(Unit251, 100000, ", \"chunked\": 4000, \"close_after\": 50000"));
    THttpClient Http;
    EXPECT_EQ(Raised([&] { Http.Get(Url("/cutchunks")); }).GetKind(), THttpErrorKind::Truncated);
}

TEST_F(HttpClientTest, StalledBodyTimesOut)
{
    // The stall is shorter than the default read time-out and longer than the one set: only
    // the time-out set here can end the read before the body goes on.
    Server.SetRoute("/stall", PatternRoute("s", 100000, ", \"stall_after\": 1000, \"stall_seconds\": 8"));
    THttpClient Http;
    ASSERT_GT(Http.GetReadTimeout(), 8000);
    Http.SetReadTimeout(2000);
    EHttpError E = Raised([&] { Http.Get(Url("/stall")); });
    EXPECT_EQ(E.GetKind(), THttpErrorKind::TimeOut);
}

TEST_F(HttpClientTest, SilentServerTimesOutBeforeTheStatusLine)
{
    Server.SetRoute("/slow", "{\"delay\": 30, \"body\": \"late\"}");
    THttpClient Http;
    Http.SetReadTimeout(1500);
    const uint64_t Start = Now();
    EXPECT_EQ(Raised([&] { Http.Get(Url("/slow")); }).GetKind(), THttpErrorKind::TimeOut);
    EXPECT_LT(Now() - Start, 10000u);
}

TEST_F(HttpClientTest, AbortFromAnotherThreadEndsAStalledGetAtOnce)
{
    Server.SetRoute("/stall", PatternRoute("s", 100000, ", \"stall_after\": 1000, \"stall_seconds\": 60"));
    auto Worker = std::make_unique<TFetchThread>(Url("/stall"));
    Worker->Resume();
    ASSERT_TRUE(WaitUntil([&] { return Worker->Received.load() >= 1000; }, 20000));
    Sleep(300); // let it block in the stall
    ASSERT_FALSE(Worker->Done.load());

    const uint64_t Start = Now();
    Worker->Terminate(); // its StopRequested aborts the client
    ASSERT_TRUE(WaitUntil([&] { return Worker->Done.load(); }, 5000));
    EXPECT_LT(Worker->EndedAt - Start, 1000u);
    Worker->WaitFor();
    EXPECT_TRUE(Worker->Failed);
    EXPECT_EQ(Worker->Kind, THttpErrorKind::Aborted);
    EXPECT_TRUE(Worker->Client.GetAborted());

    // The client stays aborted: the next call fails at once and sends nothing.
    const size_t Logged = Server.Log().size();
    const uint64_t Again = Now();
    EXPECT_EQ(Raised([&] { Worker->Client.Get(Url("/stall")); }).GetKind(), THttpErrorKind::Aborted);
    EXPECT_EQ(Raised([&] { Worker->Client.Head(Url("/stall")); }).GetKind(), THttpErrorKind::Aborted);
    EXPECT_LT(Now() - Again, 500u);
    EXPECT_EQ(Server.Log().size(), Logged);
    EXPECT_EQ(Logged, 1u);
}

TEST_F(HttpClientTest, AbortClosesTheConnection)
{
    // A stall that lasts until the client closes: the log shows whether it really did.
    Server.SetRoute("/hold", PatternRoute("s", 100000, ", \"stall_after\": 1000"));
    auto Worker = std::make_unique<TFetchThread>(Url("/hold"));
    Worker->Resume();
    ASSERT_TRUE(WaitUntil([&] { return Worker->Received.load() >= 1000; }, 20000));
    Sleep(200);
    const uint64_t Start = Now();
    Worker->Terminate();
    ASSERT_TRUE(WaitUntil([&] { return Worker->Done.load(); }, 5000));
    EXPECT_LT(Worker->EndedAt - Start, 1000u);
    EXPECT_EQ(Worker->Kind, THttpErrorKind::Aborted);
    EXPECT_EQ(Worker->Body.GetSize(), 1000);
    ASSERT_TRUE(WaitUntil([&] { return Server.Log().at(0).Ended != "in-progress"; }, 5000));
    EXPECT_EQ(Server.Log().at(0).Ended, "client-closed");
}

TEST_F(HttpClientTest, AbortEndsAWaitForTheStatusLine)
{
    Server.SetRoute("/slow", "{\"delay\": 30, \"body\": \"late\"}");
    auto Worker = std::make_unique<TFetchThread>(Url("/slow"));
    Worker->Resume();
    ASSERT_TRUE(WaitUntil([&] { return LogFor("/slow").size() == 1; }, 20000));
    Sleep(200);
    const uint64_t Start = Now();
    Worker->Client.Abort(); // plain Abort, from this thread
    ASSERT_TRUE(WaitUntil([&] { return Worker->Done.load(); }, 5000));
    EXPECT_LT(Worker->EndedAt - Start, 1000u);
    EXPECT_EQ(Worker->Kind, THttpErrorKind::Aborted);
}

TEST_F(HttpClientTest, AbortBeforeTheFirstCallSendsNothing)
{
    Server.SetRoute("/ok", "{\"body\": \"fine\"}");
    THttpClient Http;
    Http.Abort();
    EXPECT_EQ(Raised([&] { Http.Get(Url("/ok")); }).GetKind(), THttpErrorKind::Aborted);
    EXPECT_TRUE(Server.Log().empty());
}

TEST_F(HttpClientTest, AnAbortedClientNeverHandsItsAbortToALaterClient)
{
    // Clients one after the other, on this thread and on others, some aborted before, during
    // or after their request: every client that was not aborted gets its answer.
    Server.SetRoute("/ok", "{\"body\": \"fine\"}");
    for (int I = 0; I < 60; ++I) {
        THttpClient Http;
        if (I % 3 == 0) {
            Http.Abort();
            Http.Abort(); // twice is the same as once
            EXPECT_EQ(Raised([&] { Http.Get(Url("/ok")); }).GetKind(), THttpErrorKind::Aborted) << I;
        } else {
            EXPECT_EQ(Http.Get(Url("/ok")), "fine") << I;
            if (I % 3 == 2)
                Http.Abort();
        }
    }
    std::vector<std::thread> Threads;
    std::atomic<int> Wrong{0};
    for (int T = 0; T < 4; ++T)
        Threads.emplace_back([&, T] {
            for (int I = 0; I < 20; ++I) {
                THttpClient Http;
                if ((I + T) % 4 == 0) {
                    Http.Abort();
                    continue;
                }
                try {
                    if (Http.Get(Url("/ok")) != "fine")
                        ++Wrong;
                } catch (const Exception&) {
                    ++Wrong;
                }
            }
        });
    for (auto& T : Threads)
        T.join();
    EXPECT_EQ(Wrong, 0);
}

// ---------------------------------------------------------------------------------------------
// Cookies

TEST_F(HttpClientTest, CookieComesBackOnTheNextRequest)
{
    Server.SetRoute("/jar/set", "{\"set_cookie\": \"sid=42\", \"body\": \"set\"}");
    Server.SetRoute("/jar/check", "{\"body\": \"checked\"}");
    THttpClient Http;
    Http.Get(Url("/jar/set"));
    Http.Get(Url("/jar/check"));
    auto Set = LogFor("/jar/set");
    auto Check = LogFor("/jar/check");
    ASSERT_EQ(Set.size(), 1u);
    ASSERT_EQ(Check.size(), 1u);
    EXPECT_FALSE(Set[0].HasHeader("Cookie"));
    EXPECT_EQ(Check[0].Header("Cookie"), "sid=42");
}

TEST_F(HttpClientTest, CookiesOffNeitherSendsNorKeeps)
{
    Server.SetRoute("/nojar/set", "{\"set_cookie\": \"nsid=7\", \"body\": \"set\"}");
    Server.SetRoute("/nojar/check", "{\"body\": \"checked\"}");
    THttpClient Http;
    Http.SetAllowCookies(false);
    Http.Get(Url("/nojar/set"));
    Http.Get(Url("/nojar/check"));
    // A client with cookies on finds none kept from the one with cookies off.
    THttpClient Other;
    Other.Get(Url("/nojar/check"));
    auto Check = LogFor("/nojar/check");
    ASSERT_EQ(Check.size(), 2u);
    EXPECT_FALSE(Check[0].HasHeader("Cookie"));
    EXPECT_FALSE(Check[1].HasHeader("Cookie"));
}

TEST_F(HttpClientTest, CookieRulesOfScopeAndDeletion)
{
    Server.SetRoute("/scope/a/set", "{\"set_cookie\": [\"deep=1\", \"wide=2; Path=/scope\", \"evil=3; Domain=other.test\"]}");
    Server.SetRoute("/scope/a/x", "{\"body\": \"\"}");
    Server.SetRoute("/scope/b/x", "{\"body\": \"\"}");
    Server.SetRoute("/scope/del", "{\"set_cookie\": [\"wide=; Path=/scope; Max-Age=0\", \"deep=; Path=/scope/a; Expires=Thu, 01 Jan 1970 00:00:00 GMT\"]}");
    THttpClient Http;
    Http.Get(Url("/scope/a/set"));
    Http.Get(Url("/scope/a/x"));
    Http.Get(Url("/scope/b/x"));
    Http.Get(Url("/scope/del"));
    Http.Get(Url("/scope/a/x"));
    auto A = LogFor("/scope/a/x");
    auto B = LogFor("/scope/b/x");
    ASSERT_EQ(A.size(), 2u);
    ASSERT_EQ(B.size(), 1u);
    EXPECT_EQ(A[0].Header("Cookie"), "deep=1; wide=2"); // longer path first; no foreign domain
    EXPECT_EQ(B[0].Header("Cookie"), "wide=2");
    EXPECT_FALSE(A[1].HasHeader("Cookie"));
}

// ---------------------------------------------------------------------------------------------
// Login, proxy, cache, request shape

TEST_F(HttpClientTest, BasicLoginGoesWithTheFirstRequest)
{
    Server.SetRoute("/guarded", "{\"auth\": {\"user\": \"user\", \"password\": \"pass\"}, \"body\": \"secret\"}");
    THttpClient Http;
    Http.GetRequest()->SetUsername("user");
    Http.GetRequest()->SetPassword("pass");
    EXPECT_EQ(Http.Get(Url("/guarded")), "secret");
    auto Log = Server.Log();
    ASSERT_EQ(Log.size(), 1u);
    EXPECT_EQ(Log[0].Header("Authorization"), "Basic dXNlcjpwYXNz");
    EXPECT_EQ(Log[0].Status, 200);

    THttpClient Anonymous;
    EHttpError E = Raised([&] { Anonymous.Get(Url("/guarded")); });
    EXPECT_EQ(E.GetKind(), THttpErrorKind::Status);
    EXPECT_EQ(E.GetStatusCode(), 401);
    EXPECT_FALSE(Server.Log().back().HasHeader("Authorization"));
}

TEST_F(HttpClientTest, ProxyGetsTheAbsoluteTarget)
{
    Server.SetRoute("http://www.site.test/a.jpg", "{\"body\": \"through the proxy\"}");
    THttpClient Http;
    Http.GetProxyParams()->SetProxyServer("127.0.0.1");
    Http.GetProxyParams()->SetProxyPort(Server.Port());
    EXPECT_EQ(Http.Get("http://www.site.test/a.jpg"), "through the proxy");
    Http.Head("http://www.site.test/a.jpg");
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), 17);
    auto Log = Server.Log();
    ASSERT_EQ(Log.size(), 2u);
    EXPECT_EQ(Log[0].Target, "http://www.site.test/a.jpg");
    EXPECT_EQ(Log[0].Header("Host"), "www.site.test");
    // Unknown absolute targets are not found, also through the proxy.
    EXPECT_EQ(Raised([&] { Http.Get("http://www.site.test/b.jpg"); }).GetStatusCode(), 404);
}

TEST_F(HttpClientTest, EnvironmentProxyIsNeverUsed)
{
    Server.SetRoute("/direct", "{\"body\": \"direct\"}");
    const std::string Dead = "http://127.0.0.1:" + std::to_string(ClosedPort());
    for (const char* Name : {"http_proxy", "HTTP_PROXY", "all_proxy"}) {
        SetEnvironmentVariableA(Name, Dead.c_str());
        _putenv((std::string(Name) + "=" + Dead).c_str());
    }
    std::string Body;
    {
        THttpClient Http;
        Body = Http.Get(Url("/direct"));
    }
    for (const char* Name : {"http_proxy", "HTTP_PROXY", "all_proxy"}) {
        SetEnvironmentVariableA(Name, nullptr);
        _putenv((std::string(Name) + "=").c_str());
    }
    EXPECT_EQ(Body, "direct");
    auto Log = Server.Log();
    ASSERT_EQ(Log.size(), 1u);
    EXPECT_EQ(Log[0].Target, "/direct");
}

TEST_F(HttpClientTest, NothingIsCached)
{
    Server.SetRoute("/count", "{\"counter\": true}");
    Server.SetRoute("/count-cacheable", "{\"counter\": true, \"headers\": [[\"Cache-Control\", \"max-age=3600\"], [\"Expires\", \"Thu, 01 Jan 2099 00:00:00 GMT\"]]}");
    for (const char* Target : {"/count", "/count-cacheable"}) {
        THttpClient Http;
        EXPECT_EQ(Http.Get(Url(Target)), "1");
        EXPECT_EQ(Http.Get(Url(Target)), "2");
        THttpClient Other;
        EXPECT_EQ(Other.Get(Url(Target)), "3");
        auto Log = LogFor(Target);
        ASSERT_EQ(Log.size(), 3u);
        EXPECT_EQ(Log[1].Header("Pragma"), "no-cache");
    }
}

TEST_F(HttpClientTest, RequestLineAndHeaders)
{
    Server.SetRoute("/dir/pic.jpg?x=1&y=/z", "{\"body\": \"q\"}");
    THttpClient Http;
    EXPECT_EQ(Http.Get(Url("/dir/pic.jpg?x=1&y=/z#top")), "q");
    auto Log = Server.Log();
    ASSERT_EQ(Log.size(), 1u);
    EXPECT_EQ(Log[0].Method, "GET");
    EXPECT_EQ(Log[0].Version, "HTTP/1.1");
    EXPECT_EQ(Log[0].Header("User-Agent"), "Quillmoor/" QM_VERSION);
    EXPECT_EQ(Log[0].Header("Host"), Server.Address());
    EXPECT_FALSE(Log[0].HasHeader("Authorization"));
}

TEST_F(HttpClientTest, AddressWithoutPathAsksForTheRoot)
{
    Server.SetRoute("/", "{\"body\": \"root\"}");
    THttpClient Http;
    EXPECT_EQ(Http.Get("HTTP://" + Server.Address()), "root");
}

TEST_F(HttpClientTest, LineBreaksInAnAddressCannotAddHeaders)
{
    THttpClient Http;
    EHttpError E = Raised([&] { Http.Get(Url("/a\r\nX-Injected: 1\r\n\r\nGET /b")); });
    EXPECT_EQ(E.GetStatusCode(), 404);
    Http.GetRequest()->SetUserAgent("Agent\r\nX-Injected: 2");
    Raised([&] { Http.Get(Url("/c d")); });
    auto Log = Server.Log();
    ASSERT_EQ(Log.size(), 2u);
    EXPECT_EQ(Log[0].Target, "/a%0D%0AX-Injected:%201%0D%0A%0D%0AGET%20/b");
    EXPECT_EQ(Log[1].Target, "/c%20d");
    for (auto& Entry : Log)
        EXPECT_FALSE(Entry.HasHeader("X-Injected"));
    EXPECT_EQ(Log[1].Header("User-Agent"), "AgentX-Injected: 2");
}

TEST_F(HttpClientTest, OnlyPlainHttpAddresses)
{
    THttpClient Http;
    for (std::string U : {std::string("https://127.0.0.1/"), std::string("ftp://127.0.0.1/x"),
                          std::string("127.0.0.1/x"), std::string("http://"),
                          "http://" + Server.Host() + ":99999/x", "http://" + Server.Host() + ":12ab/x",
                          std::string("http://bad host/x")}) {
        EHttpError E = Raised([&] { Http.Get(U); });
        EXPECT_EQ(E.GetKind(), THttpErrorKind::Protocol) << U;
        EXPECT_STREQ(HttpErrorKindName(E.GetKind()), "protocol");
    }
    EXPECT_TRUE(Server.Log().empty());
}

TEST_F(HttpClientTest, RefusedConnectionFailsAsConnect)
{
    THttpClient Http;
    Http.SetConnectTimeout(5000);
    const uint64_t Start = Now();
    EHttpError E = Raised([&] { Http.Get("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x"); });
    EXPECT_EQ(E.GetKind(), THttpErrorKind::Connect);
    EXPECT_LT(Now() - Start, 15000u);
}

// ---------------------------------------------------------------------------------------------
// Connections

namespace {
class TCallThread : public TThread {
public:
    explicit TCallThread(std::function<void()> Work) : FWork(std::move(Work)) {}
    ~TCallThread() override { TerminateAndWait(); }

protected:
    void Execute() override { FWork(); }

private:
    std::function<void()> FWork;
};

void RunThreads(int Count, const std::function<void(int)>& Work)
{
    std::vector<std::unique_ptr<TCallThread>> Threads;
    for (int I = 0; I < Count; ++I)
        Threads.push_back(std::make_unique<TCallThread>([&Work, I] { Work(I); }));
    for (auto& T : Threads)
        T->Resume();
    for (auto& T : Threads) {
        T->WaitFor();
        EXPECT_FALSE(T->GetFailure()) << T->GetFailureClassName() << ": " << T->GetFailureMessage();
    }
}
} // namespace

// Up to 8 workers of a task, and several tasks, talk to one host at once: nothing may queue
// them behind each other.
TEST_F(HttpClientTest, ManyClientsTalkToOneHostAtOnce)
{
    for (int Count : {8, 32}) {
        Server.Reset();
        Server.SetRoute("/wait", "{\"delay\": 1, \"body\": \"waited\"}");
        std::atomic<int> Ok{0};
        RunThreads(Count, [&](int) {
            THttpClient Http;
            if (Http.Get(Url("/wait")) == "waited")
                ++Ok;
        });
        EXPECT_EQ(Ok.load(), Count);
        // Requests of earlier tests may still hang in the server, so the counter is a lower
        // bound; the log shows the answers overlapping.
        EXPECT_GE(Server.Counters().MaxInFlight, Count);
        auto Log = LogFor("/wait");
        ASSERT_EQ(int(Log.size()), Count);
        double LastArrival = 0, FirstEnd = 1e9;
        for (auto& E : Log) {
            LastArrival = std::max(LastArrival, E.Arrival);
            FirstEnd = std::min(FirstEnd, E.End);
        }
        EXPECT_LT(LastArrival, FirstEnd) << Count << " clients";
    }
}

TEST_F(HttpClientTest, LoadOfEightClientsTimesFifty)
{
    std::string Routes = "{";
    for (int I = 0; I < 8; ++I)
        Routes += std::string(I ? ", " : "") + JsonQuote("/load/" + std::to_string(I)) + ": " +
                  PatternRoute("client " + std::to_string(I) + ";", 5000 + I * 977);
    Server.SetRoutes(Routes + "}");
    std::atomic<int> Exact{0};
    RunThreads(8, [&](int I) {
        const std::string Expected = Pattern("client " + std::to_string(I) + ";", 5000 + I * 977);
        THttpClient Http;
        for (int N = 0; N < 50; ++N)
            if (Http.Get(Url("/load/" + std::to_string(I))) == Expected)
                ++Exact;
    });
    EXPECT_EQ(Exact.load(), 400);
    auto Log = Server.Log();
    EXPECT_EQ(Log.size(), 400u);
    for (auto& E : Log)
        EXPECT_EQ(E.Ended, "complete");
    auto C = Server.Counters();
    EXPECT_EQ(C.Requests, 400);
    EXPECT_EQ(C.Connections, 8); // each client kept its connection
}

TEST_F(HttpClientTest, ServerThatClosesAfterAnswerIsNotReusedBlindly)
{
    // No "Connection: close", yet the server hangs up after each answer.
    Server.SetRoute("/hangup", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok\"}");
    Server.SetRoute("/closing", "{\"body\": \"bye\", \"keep_alive\": false}");
    THttpClient Http;
    for (int I = 0; I < 5; ++I) {
        EXPECT_EQ(Http.Get(Url("/hangup")), "ok");
        Sleep(I * 20);
    }
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(Http.Get(Url("/closing")), "bye");
    EXPECT_EQ(LogFor("/hangup").size(), 5u);
    EXPECT_EQ(LogFor("/closing").size(), 3u);
}

// A crawl makes one client per address: a connection whose client is gone serves the next
// client of the same server, but only when its last exchange ended cleanly.
TEST_F(HttpClientTest, AFinishedClientsConnectionServesTheNextClient)
{
    Server.SetRoute("/a", "{\"body\": \"first\"}");
    Server.SetRoute("/b", "{\"body\": \"second\"}");
    Server.SetRoute("/c", "{\"body\": \"third\"}");
    {
        THttpClient Http;
        EXPECT_EQ(Http.Get(Url("/a")), "first");
    }
    {
        THttpClient Http;
        EXPECT_EQ(Http.Get(Url("/b")), "second");
        Http.Abort(); // after a complete answer: the connection goes all the same
    }
    {
        THttpClient Http;
        EXPECT_EQ(Http.Get(Url("/c")), "third");
    }
    ASSERT_EQ(LogFor("/a").size(), 1u);
    ASSERT_EQ(LogFor("/b").size(), 1u);
    ASSERT_EQ(LogFor("/c").size(), 1u);
    EXPECT_EQ(LogFor("/b")[0].Connection, LogFor("/a")[0].Connection);
    EXPECT_NE(LogFor("/c")[0].Connection, LogFor("/b")[0].Connection);
}

TEST_F(HttpClientTest, AKeptConnectionIsNotUsedAfterTheServerClosedIt)
{
    // No "Connection: close", yet the server hangs up after the answer.
    Server.SetRoute("/hangup", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok\"}");
    Server.SetRoute("/after", "{\"body\": \"fresh\"}");
    {
        THttpClient Http;
        EXPECT_EQ(Http.Get(Url("/hangup")), "ok");
    }
    ASSERT_TRUE(WaitUntil([&] { return LogFor("/hangup").size() == 1 && LogFor("/hangup")[0].Ended != "in-progress"; },
                          5000));
    Sleep(100);
    for (int I = 0; I < 3; ++I) {
        THttpClient Http;
        EXPECT_EQ(Http.Get(Url("/after")), "fresh");
    }
    auto After = LogFor("/after");
    ASSERT_EQ(After.size(), 3u);
    EXPECT_NE(After[0].Connection, LogFor("/hangup")[0].Connection);
    // The three later clients share one connection among them.
    EXPECT_EQ(After[1].Connection, After[0].Connection);
    EXPECT_EQ(After[2].Connection, After[0].Connection);
}

// A kept connection is checked before it serves the next request, by its own client or by a
// later one. Bytes that came on it after its answer keep it from serving: here they form a whole
// second answer, which must never be taken for the answer to the next request.
TEST_F(HttpClientTest, BytesArrivingAfterTheAnswerKeepTheConnectionFromTheNextRequest)
{
    // A body of 70,000 bytes, read to its announced end, then a forged answer on the same
    // connection: the body is read in exact pieces, so the forged bytes stay with the socket.
    const std::string Late = "{\"raw\": [\"HTTP/1.1 200 OK\\r\\nContent-Length: 70000\\r\\n\\r\\n\", "
                             "{\"pattern\": \"a\", \"size\": 70000}, "
                             "\"HTTP/1.1 200 OK\\r\\nContent-Length: 6\\r\\n\\r\\nforged\"]}";
    for (int Round = 0; Round < 2; ++Round) {
        Server.Reset();
        Server.SetRoute("/first", "{\"body\": \"first\"}");
        Server.SetRoute("/late", Late);
        Server.SetRoute("/next", "{\"body\": \"genuine\"}");
        auto Settled = [&] { return !LogFor("/late").empty() && LogFor("/late")[0].Ended != "in-progress"; };
        if (Round == 0) {
            // The same client asks again once the forged answer is on the wire.
            THttpClient Http;
            EXPECT_EQ(Http.Get(Url("/first")), "first");
            EXPECT_EQ(Http.Get(Url("/late")), std::string(70000, 'a'));
            ASSERT_TRUE(WaitUntil(Settled, 5000));
            Sleep(50);
            EXPECT_EQ(Http.Get(Url("/next")), "genuine");
        } else {
            // A later client finds the connection parked by the first.
            {
                THttpClient Http;
                EXPECT_EQ(Http.Get(Url("/first")), "first");
                EXPECT_EQ(Http.Get(Url("/late")), std::string(70000, 'a'));
            }
            ASSERT_TRUE(WaitUntil(Settled, 5000));
            Sleep(50);
            THttpClient Later;
            EXPECT_EQ(Later.Get(Url("/next")), "genuine");
        }
        auto First = LogFor("/first");
        auto Late = LogFor("/late");
        auto Next = LogFor("/next");
        ASSERT_EQ(First.size(), 1u) << "round " << Round;
        ASSERT_EQ(Late.size(), 1u) << "round " << Round;
        ASSERT_EQ(Next.size(), 1u) << "round " << Round;
        EXPECT_EQ(Late[0].Connection, First[0].Connection) << "round " << Round;
        EXPECT_NE(Next[0].Connection, Late[0].Connection) << "round " << Round;
    }
}

// A server that drops its kept connections at once after each answer: every request reaches
// it exactly once, each over a connection of its own, and each gets its own answer.
TEST_F(HttpClientTest, ConnectionsDroppedRightAfterTheAnswerCostNoRequestTwice)
{
    Server.SetRoute("/drop", "{\"counter\": true, \"keep_alive\": false}");
    Server.SetRoute("/hang", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nContent-Length: 3\\r\\n\\r\\nraw\"}");
    THttpClient Http;
    for (int I = 1; I <= 6; ++I) {
        EXPECT_EQ(Http.Get(Url("/drop")), std::to_string(I));
        // The raw answer announces no close: the client finds out only by using the connection.
        EXPECT_EQ(Http.Get(Url("/hang")), "raw");
    }
    auto Drops = LogFor("/drop");
    auto Hangs = LogFor("/hang");
    ASSERT_EQ(Drops.size(), 6u);
    ASSERT_EQ(Hangs.size(), 6u);
    std::set<int64_t> Connections;
    for (const auto& E : Drops)
        Connections.insert(E.Connection);
    for (const auto& E : Hangs)
        Connections.insert(E.Connection);
    EXPECT_EQ(Connections.size(), 12u);
}

// Work done once a request has gone out overlaps the server's answer: the callback runs once per
// request, when the server has the request and before any byte of the body is written. An
// exception of it ends the call with that exception, the call is not tried again, and the
// half-used connection serves no later request.
TEST_F(HttpClientTest, RequestSentCallbackComesBeforeTheAnswerAndCanEndTheCall)
{
    Server.SetRoute("/slow", "{\"body\": \"answer\", \"delay\": 0.3}");
    Server.SetRoute("/next", "{\"body\": \"next\"}");
    THttpClient Http;
    TMemoryStream Body;
    int Calls = 0;
    int64_t WrittenAtCall = -1;
    bool ServerHadIt = false;
    Http.OnRequestSent = [&] {
        ++Calls;
        WrittenAtCall = Body.GetSize();
        // The server's log of the request may lag its arrival a little on a loaded machine;
        // the answer is held back 0.3 s, so the request shows as under way meanwhile.
        auto Seen = LogFor("/slow");
        for (int Tries = 0; Seen.empty() && Tries < 50; ++Tries) {
            Sleep(5);
            Seen = LogFor("/slow");
        }
        ServerHadIt = Seen.size() == 1 && Seen[0].Ended == "in-progress";
    };
    Http.Get(Url("/slow"), &Body);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(WrittenAtCall, 0);
    EXPECT_TRUE(ServerHadIt);
    EXPECT_EQ(std::string(static_cast<const char*>(Body.Memory()), static_cast<size_t>(Body.GetSize())), "answer");

    Http.OnRequestSent = [&] { throw EFCreateError("No file for the body", "x.jpg", 5); };
    TMemoryStream Second;
    EXPECT_THROW(Http.Get(Url("/slow"), &Second), EFCreateError);
    EXPECT_EQ(Second.GetSize(), 0);
    Http.OnRequestSent = nullptr;
    EXPECT_EQ(Http.Get(Url("/next")), "next");
    auto Slow = LogFor("/slow");
    ASSERT_EQ(Slow.size(), 2u);
    ASSERT_EQ(LogFor("/next").size(), 1u);
    EXPECT_EQ(Slow[1].Connection, Slow[0].Connection);
    EXPECT_NE(LogFor("/next")[0].Connection, Slow[1].Connection);
}

// Connections parked by eight threads' clients and taken again by the next ones: every answer
// arrives whole, and no more connections are made than clients ever ran at once.
TEST_F(HttpClientTest, EightThreadsShareTheKeptConnections)
{
    Server.SetRoute("/part", PatternRoute("part;", 3001));
    const std::string Expected = Pattern("part;", 3001);
    std::atomic<int> Exact{0};
    RunThreads(8, [&](int) {
        for (int N = 0; N < 25; ++N) {
            THttpClient Http;
            if (Http.Get(Url("/part")) == Expected)
                ++Exact;
        }
    });
    EXPECT_EQ(Exact.load(), 200);
    auto Log = LogFor("/part");
    ASSERT_EQ(Log.size(), 200u);
    std::vector<int64_t> Seen;
    for (auto& E : Log) {
        EXPECT_EQ(E.Ended, "complete");
        if (std::find(Seen.begin(), Seen.end(), E.Connection) == Seen.end())
            Seen.push_back(E.Connection);
    }
    EXPECT_LE(Seen.size(), 8u + 32u); // at most the running clients plus the parked ones
    EXPECT_LT(Seen.size(), 200u);
}

// ---------------------------------------------------------------------------------------------
// Limits

TEST_F(HttpClientTest, TextOverSixteenMegabytesIsTooLarge)
{
    // The bodies are far larger than any socket buffer (a receive buffer may grow to 32 MiB): a
    // server that got the whole body out was read to the end, whatever the machine.
    const int64_t Huge = 256 * MiB;
    Server.SetRoute("/huge", PatternRoute("h", Huge));
    Server.SetRoute("/huge-chunked", PatternRoute("h", Huge, ", \"chunked\": 65536"));
    Server.SetRoute("/exact", PatternRoute(Unit251, THttpClient::MaxTextBody));
    THttpClient Http;
    int64_t MaxSeen = 0;
    Http.OnWork = [&](TObject*, TWorkMode, int64_t Count) { MaxSeen = std::max(MaxSeen, Count); };

    EXPECT_EQ(Raised([&] { Http.Get(Url("/huge")); }).GetKind(), THttpErrorKind::TooLarge);
    EXPECT_EQ(MaxSeen, 0); // refused on its announced length, before reading
    EXPECT_EQ(Raised([&] { Http.Get(Url("/huge-chunked")); }).GetKind(), THttpErrorKind::TooLarge);
    EXPECT_LE(MaxSeen, THttpClient::MaxTextBody);
    EXPECT_EQ(Http.Get(Url("/exact")).size(), size_t(THttpClient::MaxTextBody)); // the cap itself passes

    for (const char* Target : {"/huge", "/huge-chunked"}) {
        ASSERT_TRUE(WaitUntil([&] { return LogFor(Target).at(0).Ended != "in-progress"; }, 10000));
        auto Log = LogFor(Target);
        EXPECT_EQ(Log[0].Ended, "client-closed") << Target;
        EXPECT_LT(Log[0].BodyBytes, Huge) << Target;
    }
}

TEST_F(HttpClientTest, StreamStopsOncePastMaxBodySize)
{
    const int64_t Max = 10485760;
    // HEAD announces 20 KiB; the GET then streams 100 MB without a length.
    Server.SetRoute("/liar", "{\"sequence\": [" + PatternRoute("L", 20480) + ", " +
                                 PatternRoute(Unit251, 100000000, ", \"chunked\": 65536") + "]}");
    Server.SetRoute("/endless", PatternRoute(Unit251, 100000000, ", \"content_length\": false"));
    Server.SetRoute("/announced", PatternRoute("A", 20 * MiB));
    THttpClient Http;
    Http.SetMaxBodySize(Max);

    Http.Head(Url("/liar"));
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), 20480);
    for (const char* Target : {"/liar", "/endless"}) {
        TMemoryStream Stream;
        EHttpError E = Raised([&] { Http.Get(Url(Target), &Stream); });
        EXPECT_EQ(E.GetKind(), THttpErrorKind::TooLarge) << Target;
        EXPECT_LE(Stream.GetSize(), Max + THttpClient::BlockSize) << Target;
        EXPECT_GE(Stream.GetSize(), Max - THttpClient::BlockSize) << Target;
        EXPECT_TRUE(StreamText(Stream) == Pattern(Unit251, Stream.GetSize())) << Target;
    }
    TMemoryStream Stream;
    EXPECT_EQ(Raised([&] { Http.Get(Url("/announced"), &Stream); }).GetKind(), THttpErrorKind::TooLarge);
    EXPECT_EQ(Stream.GetSize(), 0);

    for (const char* Target : {"/endless", "/announced"}) {
        ASSERT_TRUE(WaitUntil([&] { return LogFor(Target).at(0).Ended != "in-progress"; }, 10000));
        auto Log = LogFor(Target);
        EXPECT_EQ(Log[0].Ended, "client-closed") << Target;
    }
}

TEST_F(HttpClientTest, BytesBeyondTheAnnouncedLengthAreNotTheBody)
{
    Server.SetRoute("/oversend", PatternRoute(Unit251, 100000000, ", \"content_length\": 20480"));
    Server.SetRoute("/after", "{\"body\": \"clean\"}");
    THttpClient Http;
    TMemoryStream Stream;
    Http.Get(Url("/oversend"), &Stream);
    EXPECT_EQ(Stream.GetSize(), 20480);
    EXPECT_TRUE(StreamText(Stream) == Pattern(Unit251, 20480));
    // The rest is never read as the next answer.
    EXPECT_EQ(Http.Get(Url("/after")), "clean");
}

// ---------------------------------------------------------------------------------------------
// Hostile servers: each ends in EHttpError, never a crash or a hang.

TEST_F(HttpClientTest, HostileServers)
{
    struct TCase {
        const char* Target;
        std::string Route;
        THttpErrorKind Kind;
    };
    const std::vector<TCase> Cases = {
        {"/garbage", "{\"raw\": \"GARBAGE\\r\\n\\r\\n\"}", THttpErrorKind::Protocol},
        {"/http09", "{\"raw\": \"<html>hello</html>\"}", THttpErrorKind::Protocol},
        {"/bigcode", "{\"raw\": \"HTTP/1.1 2000 OK\\r\\nContent-Length: 0\\r\\n\\r\\n\"}", THttpErrorKind::Protocol},
        {"/longheader", "{\"raw\": [\"HTTP/1.1 200 OK\\r\\nX-Big: \", {\"pattern\": \"a\", \"size\": 1048576}, \"\\r\\nContent-Length: 0\\r\\n\\r\\n\"]}",
         THttpErrorKind::Protocol},
        {"/manyheaders", "{\"raw\": [\"HTTP/1.1 200 OK\\r\\n\", {\"pattern\": \"X-A: b\\r\\n\", \"size\": 80000}, \"Content-Length: 0\\r\\n\\r\\n\"]}",
         THttpErrorKind::Protocol},
        {"/len-abc", "{\"body\": \"hello\", \"content_length\": \"abc\"}", THttpErrorKind::Protocol},
        {"/len-neg", "{\"body\": \"hello\", \"content_length\": \"-5\"}", THttpErrorKind::Protocol},
        {"/len-two", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nContent-Length: 5\\r\\nContent-Length: 3\\r\\n\\r\\nhello\"}",
         THttpErrorKind::Protocol},
        {"/closed", "{\"close_before\": true}", THttpErrorKind::Protocol},
        {"/headcut", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nContent-Le\"}", THttpErrorKind::Protocol},
        {"/badchunk", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\nzz\\r\\nhello\\r\\n0\\r\\n\\r\\n\"}",
         THttpErrorKind::Protocol},
        {"/hugechunk", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\nFFFFFFFFFFFFFFFFFF\\r\\nhello\"}",
         THttpErrorKind::Protocol},
        {"/chunkcut", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n100\\r\\nhello\"}",
         THttpErrorKind::Truncated},
        {"/gzipte", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nTransfer-Encoding: gzip\\r\\n\\r\\nxxxx\"}", THttpErrorKind::Protocol},
        {"/switch", "{\"raw\": \"HTTP/1.1 101 Switching\\r\\n\\r\\n\"}", THttpErrorKind::Protocol},
        {"/nocolon", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nNoColonHere\\r\\nContent-Length: 0\\r\\n\\r\\n\"}",
         THttpErrorKind::Protocol},
    };
    std::string Routes = "{";
    for (size_t I = 0; I < Cases.size(); ++I)
        Routes += std::string(I ? ", " : "") + JsonQuote(Cases[I].Target) + ": " + Cases[I].Route;
    Server.SetRoutes(Routes + "}");

    THttpClient Http;
    Http.SetReadTimeout(5000);
    for (const TCase& C : Cases) {
        TMemoryStream Stream;
        EHttpError E = Raised([&] { Http.Get(Url(C.Target), &Stream); });
        // None of the kinds is a time-out: each answer failed on its own.
        EXPECT_EQ(E.GetKind(), C.Kind) << C.Target << ": " << E.Message();
        EXPECT_EQ(Raised([&] { Http.Get(Url(C.Target)); }).GetKind(), C.Kind) << C.Target;
    }
    EXPECT_EQ(Raised([&] { Http.Head(Url("/len-abc")); }).GetKind(), THttpErrorKind::Protocol);
    // After all that the same client still works.
    Server.SetRoute("/fine", "{\"body\": \"fine\"}");
    EXPECT_EQ(Http.Get(Url("/fine")), "fine");
}

TEST_F(HttpClientTest, InterimAnswersAndFoldedHeadersAreRead)
{
    Server.SetRoute("/interim", "{\"raw\": \"HTTP/1.1 100 Continue\\r\\n\\r\\nHTTP/1.1 200 OK\\r\\nX-Long: a\\r\\n  b\\r\\nContent-Length: 2\\r\\n\\r\\nok\"}");
    Server.SetRoute("/http10", "{\"raw\": \"HTTP/1.0 200 OK\\r\\n\\r\\nold server\"}");
    Server.SetRoute("/samelen", "{\"raw\": \"HTTP/1.1 200 OK\\r\\nContent-Length: 2, 2\\r\\n\\r\\nok\"}");
    THttpClient Http;
    EXPECT_EQ(Http.Get(Url("/interim")), "ok");
    EXPECT_EQ(Http.GetResponse()->GetHeader("x-long"), "a b");
    EXPECT_EQ(Http.Get(Url("/http10")), "old server");
    EXPECT_EQ(Http.GetResponse()->GetContentLength(), -1);
    EXPECT_EQ(Http.Get(Url("/samelen")), "ok");
}
