#pragma once
// A plain-HTTP/1.1 client over ws2_32 (WinINet under Wine does not wake a blocked read when
// its handles are closed, so Abort could not stop a stalled transfer there).
//
// What it does and does not do:
// - never follows a redirect: every status outside 200..299 raises EHttpError with the code;
// - has no cache; asks proxies not to answer from theirs;
// - sends the Basic header with the first request when Username is set;
// - keeps cookies for the whole process in memory (like the system's cookie store), unless
//   AllowCookies is false, when it neither sends nor stores any;
// - uses the given proxy or goes direct; the machine's and the environment's proxy settings
//   are never read;
// - every wait is bounded: ConnectTimeout for connecting, ReadTimeout for each send and
//   receive; Abort (from any thread) ends any wait at once and the client stays aborted;
// - a body shorter than announced, a body over its limit and any framing it cannot trust
//   (a Content-Length that is not a plain number) are failures, never a short success.
// There is no per-server connection limit to raise: each client has its own connection,
// kept alive between its own requests.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Stream.h"
#include "platform/rtl/SysUtils.h"

enum class THttpErrorKind { Status, Connect, TimeOut, Truncated, TooLarge, Aborted, Protocol };

class EHttpError : public Exception {
public:
    EHttpError(THttpErrorKind Kind, std::string Msg, int32_t StatusCode = 0)
        : Exception(std::move(Msg)), FKind(Kind), FStatusCode(StatusCode) {}
    std::string ClassName() const override { return "EHttpError"; }
    THttpErrorKind GetKind() const { return FKind; }
    int32_t GetStatusCode() const { return FStatusCode; } // 0 unless Kind is Status

private:
    THttpErrorKind FKind;
    int32_t FStatusCode;
};

const char* HttpErrorKindName(THttpErrorKind Kind);

enum TWorkMode { wmRead, wmWrite };
using TWorkEvent = std::function<void(TObject* Sender, TWorkMode WorkMode, int64_t WorkCount)>;

class THttpRequest : public TObject {
public:
    THttpRequest();
    std::string ClassName() const override { return "THttpRequest"; }
    const std::string& GetUsername() const { return FUsername; }
    void SetUsername(const std::string& Value) { FUsername = Value; }
    const std::string& GetPassword() const { return FPassword; }
    void SetPassword(const std::string& Value) { FPassword = Value; }
    const std::string& GetUserAgent() const { return FUserAgent; } // "Quillmoor/<version>"
    void SetUserAgent(const std::string& Value) { FUserAgent = Value; }

private:
    std::string FUsername, FPassword, FUserAgent;
};

class THttpResponse : public TObject {
public:
    std::string ClassName() const override { return "THttpResponse"; }
    int32_t GetResponseCode() const { return FResponseCode; }     // 0 before a status line
    int64_t GetContentLength() const { return FContentLength; }   // -1 when not announced
    const std::string& GetResponseText() const { return FResponseText; } // the status line
    // The first value of a response header, "" when absent (names compared without case).
    std::string GetHeader(const std::string& Name) const;

private:
    friend class THttpClient;
    void Clear();
    int32_t FResponseCode = 0;
    int64_t FContentLength = -1;
    std::string FResponseText;
    std::string FRawHeaders; // "Name: value\n" lines as received, folded lines joined
};

class TProxyParams : public TObject {
public:
    std::string ClassName() const override { return "TProxyParams"; }
    const std::string& GetProxyServer() const { return FProxyServer; } // "" = direct
    void SetProxyServer(const std::string& Value) { FProxyServer = Value; }
    int32_t GetProxyPort() const { return FProxyPort; }                // 0 = 80
    void SetProxyPort(int32_t Value) { FProxyPort = Value; }

private:
    std::string FProxyServer;
    int32_t FProxyPort = 0;
};

class THttpClient : public TObject {
public:
    static constexpr int64_t MaxTextBody = 16 * 1024 * 1024; // Get -> string
    static constexpr int32_t BlockSize = 64 * 1024;          // at most this much per OnWork

    // Raises EHttpError (Connect) when Windows Sockets cannot start.
    THttpClient();
    ~THttpClient() override;
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;
    std::string ClassName() const override { return "THttpClient"; }

    // The whole body (binary-safe); capped at MaxTextBody.
    std::string Get(const std::string& Url);
    // The body written to Stream as it arrives; capped at MaxBodySize when that is not 0.
    void Get(const std::string& Url, TStream* Stream);
    void Head(const std::string& Url);

    // Callable from any thread: ends a call in progress at once and fails every later call.
    void Abort();
    bool GetAborted() const { return FAborted.load(); }

    THttpRequest* GetRequest() { return &FRequest; }
    THttpResponse* GetResponse() { return &FResponse; }
    TProxyParams* GetProxyParams() { return &FProxyParams; }
    bool GetAllowCookies() const { return FAllowCookies; }
    void SetAllowCookies(bool Value) { FAllowCookies = Value; }
    int32_t GetReadTimeout() const { return FReadTimeout; }       // ms, each send and receive
    void SetReadTimeout(int32_t Value) { FReadTimeout = Value; }
    int32_t GetConnectTimeout() const { return FConnectTimeout; } // ms
    void SetConnectTimeout(int32_t Value) { FConnectTimeout = Value; }
    int64_t GetMaxBodySize() const { return FMaxBodySize; }       // Get -> stream; 0 = none
    void SetMaxBodySize(int64_t Value) { FMaxBodySize = Value; }

    // After each block read and once at the end, with the running byte count; the
    // response's ContentLength is known before the first call.
    TWorkEvent OnWork;
    // Called each time a request has gone out, before its answer is read: the answer takes at
    // least a trip to the server, and work the body needs first (making the file it goes to)
    // can be done meanwhile. An exception of it ends the call with that exception.
    std::function<void()> OnRequestSent;

    class TConnection; // one TCP connection, private to the client's source

private:
    struct TTarget;
    class TBodySink;

    void DoRequest(const char* Method, const std::string& Url, TBodySink* Sink);
    void Exchange(const char* Method, const TTarget& Target, TBodySink* Sink);
    void ReadBody(TConnection& Conn, TBodySink* Sink, bool Chunked, bool& Reusable);
    void Work(int64_t Count);
    void CheckAborted() const;
    // Connections kept open after their client is gone, for the next client that talks to
    // the same server.
    static std::unique_ptr<TConnection> TakeParked(const std::string& Key);
    static void Park(std::unique_ptr<TConnection> Connection);

    THttpRequest FRequest;
    THttpResponse FResponse;
    TProxyParams FProxyParams;
    bool FAllowCookies = true;
    int32_t FReadTimeout = 60000;
    int32_t FConnectTimeout = 30000;
    int64_t FMaxBodySize = 0;
    std::atomic<bool> FAborted{false};
    void* FAbortEvent = nullptr; // a manual-reset event every wait also waits on
    std::unique_ptr<TConnection> FConnection; // kept alive between requests
};
