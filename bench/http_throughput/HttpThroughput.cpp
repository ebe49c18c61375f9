// Throughput of THttpClient::Get into a stream against a plain ws2_32 GET of the same 64 MiB
// route, measured in the same run; prints both rates and their ratio.

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/support/BenchSupport.h"
#include "platform/net/HttpClient.h"
#include "tests/support/TestServer.h"

namespace {

constexpr int64_t BodySize = 64 * 1024 * 1024;
constexpr int Rounds = 3;
const char* const Target = "/bench/64m";

// Takes the body and keeps only its length, so only the transfer is measured.
class TCountingStream : public TStream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t Count) override
    {
        FSize += Count;
        return Count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
    int64_t GetSize() override { return FSize; }
    int64_t FSize = 0;
};

using Bench::Seconds;

// The reference: one blocking socket, HTTP/1.0, read to the close; returns the body bytes.
int64_t RawGet(const TTestServer& Server)
{
    SOCKET S = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_port = htons(Server.Port());
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (S == INVALID_SOCKET || connect(S, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0) {
        closesocket(S);
        return -1;
    }
    std::string Req = std::string("GET ") + Target + " HTTP/1.0\r\nHost: " + Server.Address() + "\r\n\r\n";
    send(S, Req.data(), int(Req.size()), 0);
    static char Buf[64 * 1024];
    int64_t Total = 0;
    std::string Head;
    bool InHead = true;
    for (;;) {
        int N = recv(S, Buf, sizeof Buf, 0);
        if (N <= 0)
            break;
        if (InHead) {
            Head.append(Buf, size_t(N));
            size_t End = Head.find("\r\n\r\n");
            if (End != std::string::npos) {
                InHead = false;
                Total += int64_t(Head.size() - End - 4);
            }
            continue;
        }
        Total += N;
    }
    closesocket(S);
    return Total;
}

} // namespace

int main()
{
    TTestServer Server;
    if (!Server.Available()) {
        printf("http_throughput: skipped, QUILLMOOR_TEST_SERVER is not set; run it as\n"
               "  tests/server/run_with_server.py -- tools/wine-run.sh build/bench/bench_http_throughput.exe\n");
        return 0;
    }
    try {
        Server.Reset();
        Server.SetRoute(Target, "{\"generate\": {\"kind\": \"pattern\", \"pattern\": \"0123456789abcdef\", \"size\": " +
                                    std::to_string(BodySize) + "}}");
        double BestRaw = 1e9, BestClient = 1e9;
        for (int Round = 0; Round < Rounds; ++Round) {
            double T0 = Seconds();
            int64_t Raw = RawGet(Server);
            double T1 = Seconds();
            if (Raw != BodySize) {
                fprintf(stderr, "http_throughput: raw GET got %lld bytes\n", (long long)Raw);
                return 1;
            }
            TCountingStream Sink;
            THttpClient Http;
            double T2 = Seconds();
            Http.Get(Server.Url(Target), &Sink);
            double T3 = Seconds();
            if (Sink.FSize != BodySize) {
                fprintf(stderr, "http_throughput: client got %lld bytes\n", (long long)Sink.FSize);
                return 1;
            }
            BestRaw = std::min(BestRaw, T1 - T0);
            BestClient = std::min(BestClient, T3 - T2);
        }
        const double MiBytes = double(BodySize) / (1024.0 * 1024.0);
        printf("http_throughput: 64 MiB, best of %d\n", Rounds);
        printf("  raw ws2_32 GET        %8.1f MiB/s  (%.3f s)\n", MiBytes / BestRaw, BestRaw);
        printf("  THttpClient Get>stream %7.1f MiB/s  (%.3f s)\n", MiBytes / BestClient, BestClient);
        printf("  ratio client/raw throughput: %.2f\n", BestRaw / BestClient);
    } catch (const std::exception& E) {
        fprintf(stderr, "http_throughput: %s\n", E.what());
        return 1;
    }
    return 0;
}
