#include "platform/net/HttpClient.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/net/Uri.h"
#include "platform/net/Version.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuards.h"

namespace {

constexpr size_t kMaxHeaderBytes = 256 * 1024; // status line and all header lines together
constexpr size_t kMaxHeaderLines = 1000;
constexpr size_t kMaxChunkLine = 4096;

[[noreturn]] void Fail(THttpErrorKind Kind, const std::string& Msg, int32_t StatusCode = 0)
{
    throw EHttpError(Kind, Msg, StatusCode);
}

// Once for the process. A failure raises, and the next client tries again (a static whose
// initialisation throws is initialised on the next pass).
void StartWinsock()
{
    static const bool Started = [] {
        WSADATA Data;
        if (const int Error = WSAStartup(MAKEWORD(2, 2), &Data); Error != 0)
            Fail(THttpErrorKind::Connect, Format("Windows Sockets did not start (error %d)", Error));
        return true;
    }();
    (void)Started;
}

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

char Lower(char C) { return (C >= 'A' && C <= 'Z') ? char(C - 'A' + 'a') : C; }

std::string LowerStr(std::string_view S)
{
    std::string R(S);
    for (char& C : R)
        C = Lower(C);
    return R;
}

std::string_view TrimOws(std::string_view S)
{
    while (!S.empty() && (S.front() == ' ' || S.front() == '\t'))
        S.remove_prefix(1);
    while (!S.empty() && (S.back() == ' ' || S.back() == '\t' || S.back() == '\r'))
        S.remove_suffix(1);
    return S;
}

// True when the comma-separated list holds Token (compared without case).
bool HasToken(std::string_view List, std::string_view Token)
{
    while (!List.empty()) {
        size_t Comma = List.find(',');
        std::string_view Item = TrimOws(List.substr(0, Comma));
        if (LowerStr(Item) == Token)
            return true;
        if (Comma == std::string_view::npos)
            break;
        List.remove_prefix(Comma + 1);
    }
    return false;
}

std::string Base64(std::string_view In)
{
    static const char Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string Out;
    size_t I = 0;
    for (; I + 2 < In.size(); I += 3) {
        uint32_t V = (uint8_t(In[I]) << 16) | (uint8_t(In[I + 1]) << 8) | uint8_t(In[I + 2]);
        Out += Digits[V >> 18];
        Out += Digits[(V >> 12) & 63];
        Out += Digits[(V >> 6) & 63];
        Out += Digits[V & 63];
    }
    if (I + 1 == In.size()) {
        uint32_t V = uint8_t(In[I]) << 16;
        Out += Digits[V >> 18];
        Out += Digits[(V >> 12) & 63];
        Out += "==";
    } else if (I + 2 == In.size()) {
        uint32_t V = (uint8_t(In[I]) << 16) | (uint8_t(In[I + 1]) << 8);
        Out += Digits[V >> 18];
        Out += Digits[(V >> 12) & 63];
        Out += Digits[(V >> 6) & 63];
        Out += '=';
    }
    return Out;
}

// A header value may not carry line breaks or NULs: they would start a header of their own.
std::string HeaderSafe(std::string_view S)
{
    std::string R;
    for (char C : S)
        if (C != '\r' && C != '\n' && C != '\0')
            R += C;
    return R;
}

// Addresses are kept as written; only what cannot travel on a request line is escaped
// (a blank or a line break there would end the target or start a header).
std::string EscapeTarget(std::string_view S)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string R;
    for (char C : S) {
        uint8_t B = uint8_t(C);
        if (B <= 0x20 || B >= 0x7F || C == '"' || C == '<' || C == '>') {
            R += '%';
            R += Hex[B >> 4];
            R += Hex[B & 15];
        } else {
            R += C;
        }
    }
    return R;
}

bool ValidHost(std::string_view Host)
{
    if (Host.empty())
        return false;
    if (Host.front() == '[') {
        if (Host.size() < 3 || Host.back() != ']')
            return false;
        for (char C : Host.substr(1, Host.size() - 2))
            if (!(isxdigit(uint8_t(C)) || C == ':' || C == '.'))
                return false;
        return true;
    }
    for (char C : Host)
        if (!(isalnum(uint8_t(C)) || C == '-' || C == '.' || C == '_'))
            return false;
    return true;
}

bool ParseDecimal(std::string_view S, int64_t& Value, size_t MaxDigits = 18)
{
    if (S.empty() || S.size() > MaxDigits)
        return false;
    int64_t V = 0;
    for (char C : S) {
        if (!IsDigit(C))
            return false;
        V = V * 10 + (C - '0');
    }
    Value = V;
    return true;
}

int64_t NowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// ---------------------------------------------------------------------------------------------
// Cookies: one store for the process, as the system's cookie store is, so a session cookie
// set on a page also goes with the pictures other workers fetch from that site.

struct TCookie {
    std::string Name, Value, Domain, Path;
    bool HostOnly = true;
    int64_t Expires = 0; // seconds since 1970; 0 = until the process ends
    uint64_t Order = 0;
};

std::mutex gCookieLock;
std::vector<TCookie> gCookies;
uint64_t gCookieOrder = 0;
constexpr size_t kMaxCookies = 1000;
constexpr size_t kMaxCookieText = 4096;

bool IsIpAddress(std::string_view Host)
{
    if (!Host.empty() && Host.front() == '[')
        return true;
    for (char C : Host)
        if (!IsDigit(C) && C != '.')
            return false;
    return true;
}

bool DomainMatch(const std::string& Host, const TCookie& C)
{
    if (Host == C.Domain)
        return true;
    if (C.HostOnly || IsIpAddress(Host) || Host.size() <= C.Domain.size())
        return false;
    return Host.compare(Host.size() - C.Domain.size(), C.Domain.size(), C.Domain) == 0 &&
           Host[Host.size() - C.Domain.size() - 1] == '.';
}

bool PathMatch(const std::string& Path, const std::string& CookiePath)
{
    if (Path == CookiePath)
        return true;
    if (Path.compare(0, CookiePath.size(), CookiePath) != 0)
        return false;
    return CookiePath.back() == '/' || Path[CookiePath.size()] == '/';
}

std::string DefaultCookiePath(const std::string& Path)
{
    size_t Slash = Path.rfind('/');
    if (Path.empty() || Path[0] != '/' || Slash == 0 || Slash == std::string::npos)
        return "/";
    return Path.substr(0, Slash);
}

// The lenient cookie date reading: day, month name, year and h:m:s in any order.
bool ParseCookieDate(std::string_view S, int64_t& Seconds)
{
    static const char* Months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    int64_t Day = -1, Month = -1, Year = -1, H = -1, Mi = -1, Se = -1;
    size_t I = 0;
    while (I < S.size()) {
        while (I < S.size() && !isalnum(uint8_t(S[I])) && S[I] != ':')
            ++I;
        size_t Start = I;
        while (I < S.size() && (isalnum(uint8_t(S[I])) || S[I] == ':'))
            ++I;
        std::string_view Tok = S.substr(Start, I - Start);
        if (Tok.empty())
            continue;
        int64_t A, B, C;
        if (H < 0 && Tok.size() >= 5 && Tok.size() <= 8 && Tok.find(':') != std::string_view::npos) {
            size_t C1 = Tok.find(':'), C2 = Tok.find(':', C1 + 1);
            if (C2 != std::string_view::npos && ParseDecimal(Tok.substr(0, C1), A, 2) &&
                ParseDecimal(Tok.substr(C1 + 1, C2 - C1 - 1), B, 2) &&
                ParseDecimal(Tok.substr(C2 + 1), C, 2)) {
                H = A, Mi = B, Se = C;
                continue;
            }
        }
        if (Day < 0 && Tok.size() <= 2 && ParseDecimal(Tok, A, 2)) {
            Day = A;
            continue;
        }
        if (Month < 0 && Tok.size() >= 3) {
            std::string L = LowerStr(Tok.substr(0, 3));
            for (int M = 0; M < 12; ++M)
                if (L == Months[M])
                    Month = M + 1;
            if (Month > 0)
                continue;
        }
        if (Year < 0 && (Tok.size() == 2 || Tok.size() == 4) && ParseDecimal(Tok, A, 4)) {
            Year = A < 70 ? A + 2000 : A < 100 ? A + 1900 : A;
            continue;
        }
    }
    if (Day < 1 || Day > 31 || Month < 1 || Year < 1601 || H < 0 || H > 23 || Mi > 59 || Se > 59)
        return false;
    Seconds = DaysFromCivil(Year, Month, Day) * 86400 + H * 3600 + Mi * 60 + Se;
    return true;
}

void StoreCookie(const std::string& Host, const std::string& RequestPath, std::string_view Header)
{
    if (Header.size() > kMaxCookieText)
        return;
    size_t Semi = Header.find(';');
    std::string_view Pair = Header.substr(0, Semi);
    size_t Eq = Pair.find('=');
    if (Eq == std::string_view::npos)
        return;
    TCookie C;
    C.Name = std::string(TrimOws(Pair.substr(0, Eq)));
    C.Value = std::string(TrimOws(Pair.substr(Eq + 1)));
    if (C.Name.empty())
        return;
    C.Domain = Host;
    C.Path = DefaultCookiePath(RequestPath);
    bool HasMaxAge = false, Delete = false;
    std::string_view Rest = Semi == std::string_view::npos ? std::string_view() : Header.substr(Semi + 1);
    while (!Rest.empty()) {
        size_t Next = Rest.find(';');
        std::string_view Attr = Rest.substr(0, Next);
        Rest = Next == std::string_view::npos ? std::string_view() : Rest.substr(Next + 1);
        size_t AEq = Attr.find('=');
        std::string Name = LowerStr(TrimOws(Attr.substr(0, AEq)));
        std::string_view Val = AEq == std::string_view::npos ? std::string_view() : TrimOws(Attr.substr(AEq + 1));
        if (Name == "domain" && !Val.empty()) {
            std::string D = LowerStr(Val);
            if (D.front() == '.')
                D.erase(0, 1);
            TCookie Probe;
            Probe.Domain = D;
            Probe.HostOnly = false;
            if (D.empty() || !DomainMatch(Host, Probe))
                return; // a cookie for another site is refused
            C.Domain = D;
            C.HostOnly = Host == D && IsIpAddress(Host);
        } else if (Name == "path") {
            if (!Val.empty() && Val.front() == '/')
                C.Path = std::string(Val);
        } else if (Name == "max-age") {
            bool Neg = !Val.empty() && Val.front() == '-';
            int64_t Secs;
            if (ParseDecimal(Neg ? Val.substr(1) : Val, Secs, 10)) {
                HasMaxAge = true;
                Delete = Neg || Secs == 0;
                C.Expires = Delete ? 0 : NowSeconds() + Secs;
            }
        } else if (Name == "expires" && !HasMaxAge) {
            int64_t When;
            if (ParseCookieDate(Val, When)) {
                Delete = When <= NowSeconds();
                C.Expires = Delete ? 0 : When;
            }
        } else if (Name == "secure") {
            return; // sent over https only, which this client never speaks
        }
    }
    std::lock_guard<std::mutex> Lock(gCookieLock);
    std::erase_if(gCookies, [&](const TCookie& Old) {
        return Old.Name == C.Name && Old.Domain == C.Domain && Old.Path == C.Path;
    });
    if (Delete)
        return;
    C.Order = ++gCookieOrder;
    if (gCookies.size() >= kMaxCookies)
        gCookies.erase(gCookies.begin());
    gCookies.push_back(std::move(C));
}

std::string CookieHeader(const std::string& Host, const std::string& Path)
{
    std::lock_guard<std::mutex> Lock(gCookieLock);
    const int64_t Now = NowSeconds();
    std::erase_if(gCookies, [&](const TCookie& C) { return C.Expires != 0 && C.Expires <= Now; });
    std::vector<const TCookie*> Match;
    for (const TCookie& C : gCookies)
        if (DomainMatch(Host, C) && PathMatch(Path, C.Path))
            Match.push_back(&C);
    std::stable_sort(Match.begin(), Match.end(), [](const TCookie* A, const TCookie* B) {
        return A->Path.size() != B->Path.size() ? A->Path.size() > B->Path.size() : A->Order < B->Order;
    });
    std::string R;
    for (const TCookie* C : Match) {
        if (!R.empty())
            R += "; ";
        R += C->Name + "=" + C->Value;
    }
    return R;
}

} // namespace

const char* HttpErrorKindName(THttpErrorKind Kind)
{
    switch (Kind) {
    case THttpErrorKind::Status: return "status";
    case THttpErrorKind::Connect: return "connect";
    case THttpErrorKind::TimeOut: return "time-out";
    case THttpErrorKind::Truncated: return "truncated";
    case THttpErrorKind::TooLarge: return "too large";
    case THttpErrorKind::Aborted: return "aborted";
    case THttpErrorKind::Protocol: return "protocol";
    }
    return "?";
}

THttpRequest::THttpRequest() : FUserAgent("Quillmoor/" QM_VERSION) {}

void THttpResponse::Clear()
{
    FResponseCode = 0;
    FContentLength = -1;
    FResponseText.clear();
    FRawHeaders.clear();
}

std::string THttpResponse::GetHeader(const std::string& Name) const
{
    std::string Want = LowerStr(Name);
    size_t Pos = 0;
    while (Pos < FRawHeaders.size()) {
        size_t End = FRawHeaders.find('\n', Pos);
        std::string_view Line(FRawHeaders.data() + Pos, End - Pos);
        size_t Colon = Line.find(':');
        if (Colon != std::string_view::npos && LowerStr(Line.substr(0, Colon)) == Want)
            return std::string(TrimOws(Line.substr(Colon + 1)));
        Pos = End + 1;
    }
    return "";
}

// ---------------------------------------------------------------------------------------------
// One TCP connection. Every wait also waits on the client's abort event and is bounded.

class THttpClient::TConnection {
public:
    TConnection(HANDLE AbortEvent, const std::string& Key) : FAbortEvent(AbortEvent), FKey(Key)
    {
        // Reset by the wait that takes its signal: a read or write needs no call to clear it.
        FEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!FEvent)
            FEvent = WSA_INVALID_EVENT;
        FBuffer.resize(BlockSize);
    }
    ~TConnection()
    {
        if (FSocket != INVALID_SOCKET)
            closesocket(FSocket);
        if (FEvent != WSA_INVALID_EVENT)
            WSACloseEvent(FEvent);
    }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    const std::string& Key() const { return FKey; }
    // A parked connection has no client; the client that takes it gives it its abort event.
    void SetAbortEvent(HANDLE AbortEvent) { FAbortEvent = AbortEvent; }
    void SetTimeout(int32_t Ms) { FTimeout = Ms; }

    void Connect(const std::string& Host, const std::string& Port, int32_t TimeoutMs)
    {
        if (FEvent == WSA_INVALID_EVENT)
            Fail(THttpErrorKind::Connect, "No event for the connection");
        std::string Name = Host;
        if (Name.size() > 2 && Name.front() == '[')
            Name = Name.substr(1, Name.size() - 2);
        addrinfo Hints{};
        Hints.ai_family = AF_UNSPEC;
        Hints.ai_socktype = SOCK_STREAM;
        Hints.ai_protocol = IPPROTO_TCP;
        addrinfo* List = nullptr;
        if (getaddrinfo(Name.c_str(), Port.c_str(), &Hints, &List) != 0 || !List)
            Fail(THttpErrorKind::Connect, "Cannot resolve host " + Host);
        struct TFree {
            void operator()(addrinfo* P) const { freeaddrinfo(P); }
        };
        std::unique_ptr<addrinfo, TFree> Hold(List);
        const ULONGLONG Deadline = GetTickCount64() + ULONGLONG(TimeoutMs);
        int LastError = 0;
        for (addrinfo* A = List; A; A = A->ai_next) {
            SOCKET S = socket(A->ai_family, A->ai_socktype, A->ai_protocol);
            if (S == INVALID_SOCKET) {
                LastError = WSAGetLastError();
                continue;
            }
            FSocket = S;
            WSAResetEvent(FEvent);
            if (WSAEventSelect(S, FEvent, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
                LastError = WSAGetLastError();
                Close();
                continue;
            }
            if (connect(S, A->ai_addr, int(A->ai_addrlen)) == 0) {
                SetNoDelay();
                return;
            }
            LastError = WSAGetLastError();
            if (LastError == WSAEWOULDBLOCK) {
                LastError = 0;
                for (;;) {
                    WSANETWORKEVENTS Events = Wait(Deadline, "connecting to " + Host, true);
                    if (Events.lNetworkEvents & FD_CONNECT) {
                        LastError = Events.iErrorCode[FD_CONNECT_BIT];
                        break;
                    }
                }
                if (LastError == 0) {
                    SetNoDelay();
                    return;
                }
            }
            Close();
        }
        Fail(THttpErrorKind::Connect, Format("Cannot connect to %s:%s (error %d)", Host, Port, LastError));
    }

    void Send(std::string_view Data)
    {
        while (!Data.empty()) {
            int N = send(FSocket, Data.data(), int(std::min<size_t>(Data.size(), 1 << 20)), 0);
            if (N > 0) {
                Data.remove_prefix(size_t(N));
                continue;
            }
            int Err = WSAGetLastError();
            if (Err != WSAEWOULDBLOCK)
                throw TLost();
            Wait(GetTickCount64() + ULONGLONG(FTimeout), "sending");
        }
        // The answer takes at least a trip to the server: a read tried at once would only find
        // nothing, at the price of a call to the system.
        FAwaitReply = true;
    }

    // Up to Max bytes, from the buffer first; 0 at the end of the stream (or a reset).
    int32_t ReadSome(char* Dest, int32_t Max)
    {
        if (FPos < FEnd) {
            int32_t N = int32_t(std::min<size_t>(size_t(Max), FEnd - FPos));
            memcpy(Dest, FBuffer.data() + FPos, size_t(N));
            FPos += size_t(N);
            return N;
        }
        return Receive(Dest, Max);
    }

    // One line without its CR LF, at most MaxLen bytes (else a protocol failure). False at
    // the end of the stream before the first byte; an end in the middle of a line throws.
    bool ReadLine(std::string& Line, size_t MaxLen, const char* What)
    {
        Line.clear();
        bool Any = false;
        for (;;) {
            if (FPos == FEnd) {
                FPos = FEnd = 0;
                int32_t N = Receive(FBuffer.data(), int32_t(FBuffer.size()));
                if (N == 0) {
                    if (!Any)
                        return false;
                    throw TCutShort();
                }
                FEnd = size_t(N);
            }
            Any = true;
            const char* Start = FBuffer.data() + FPos;
            const char* Nl = static_cast<const char*>(memchr(Start, '\n', FEnd - FPos));
            size_t Take = Nl ? size_t(Nl - Start) : FEnd - FPos;
            if (Line.size() + Take > MaxLen)
                Fail(THttpErrorKind::Protocol, std::string(What) + " too long");
            Line.append(Start, Take);
            FPos += Take;
            if (Nl) {
                ++FPos;
                if (!Line.empty() && Line.back() == '\r')
                    Line.pop_back();
                return true;
            }
        }
    }

    size_t Buffered() const { return FEnd - FPos; }

    // Kept-alive connections are checked before reuse: one the server closed, or one with
    // bytes nobody asked for, is not used again.
    bool Idle()
    {
        if (FSocket == INVALID_SOCKET || Buffered() != 0 || FClosed)
            return false;
        // The last read re-armed the event: unset, nothing came since, neither bytes nor a close.
        if (WaitForSingleObject(FEvent, 0) == WAIT_TIMEOUT)
            return true;
        char B;
        int N = recv(FSocket, &B, 1, MSG_PEEK);
        return N == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK;
    }

    struct TLost {};     // the peer went away while sending
    struct TCutShort {}; // the stream ended inside a line

private:
    int32_t Receive(char* Dest, int32_t Max)
    {
        ULONGLONG Deadline = GetTickCount64() + ULONGLONG(FTimeout);
        if (FAwaitReply) {
            FAwaitReply = false;
            Wait(Deadline, "reading");
        }
        for (;;) {
            int N = recv(FSocket, Dest, Max, 0);
            if (N == 0)
                FClosed = true;
            if (N >= 0)
                return N;
            int Err = WSAGetLastError();
            if (Err != WSAEWOULDBLOCK)
                return 0; // a reset ends the stream like a close; lengths tell the caller more
            Wait(Deadline, "reading");
        }
    }

    // Waits for a network event (the signal is taken by the wait); Enumerate also reads which.
    WSANETWORKEVENTS Wait(ULONGLONG Deadline, const std::string& What, bool Enumerate = false)
    {
        HANDLE Handles[2] = {FAbortEvent, FEvent};
        ULONGLONG Now = GetTickCount64();
        DWORD Ms = Now >= Deadline ? 0 : DWORD(std::min<ULONGLONG>(Deadline - Now, 0x7FFFFFFF));
        DWORD R = WaitForMultipleObjects(2, Handles, FALSE, Ms);
        if (R == WAIT_OBJECT_0)
            Fail(THttpErrorKind::Aborted, "Aborted");
        if (R == WAIT_TIMEOUT)
            Fail(THttpErrorKind::TimeOut, "Time-out " + What);
        if (R != WAIT_OBJECT_0 + 1)
            Fail(THttpErrorKind::Connect, "Wait failed " + What);
        WSANETWORKEVENTS Events{};
        if (!Enumerate)
            return Events;
        WSAEnumNetworkEvents(FSocket, FEvent, &Events);
        // The event no longer tells of the close: the connection is never taken as idle again.
        if (Events.lNetworkEvents & FD_CLOSE)
            FClosed = true;
        return Events;
    }

    void SetNoDelay()
    {
        BOOL On = TRUE;
        setsockopt(FSocket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&On), sizeof On);
    }

    void Close()
    {
        if (FSocket != INVALID_SOCKET)
            closesocket(FSocket);
        FSocket = INVALID_SOCKET;
    }

    HANDLE FAbortEvent;
    std::string FKey;
    SOCKET FSocket = INVALID_SOCKET;
    WSAEVENT FEvent = WSA_INVALID_EVENT;
    int32_t FTimeout = 60000;
    std::vector<char> FBuffer;
    size_t FPos = 0, FEnd = 0;
    bool FAwaitReply = false; // a request went out and no read was tried since
    bool FClosed = false;     // the peer's close was reported
};

// ---------------------------------------------------------------------------------------------

struct THttpClient::TTarget {
    std::string Host;        // as written in the address
    std::string Port;        // "80" when the address has none
    std::string HostHeader;  // host, with ":port" unless it is 80
    std::string Path;        // path and document, for cookies
    std::string RequestLine; // origin form, or absolute form through a proxy
    std::string ConnectHost, ConnectPort;
};

class THttpClient::TBodySink {
public:
    TBodySink(int64_t Limit, TStream* Stream) : FLimit(Limit), FStream(Stream) {}
    int64_t Limit() const { return FLimit; }
    void Write(const char* Data, int32_t Count)
    {
        if (FStream)
            FStream->WriteBuffer(Data, Count);
        else
            FText.append(Data, size_t(Count));
    }
    std::string FText;

private:
    int64_t FLimit; // 0 = none
    TStream* FStream = nullptr;
};

namespace {

// Abort events of finished clients that were never aborted, so never signalled: a crawl makes a
// client per address, and making and closing an event are two trips to the system.
struct TSpareEvents {
    std::mutex Lock;
    std::vector<HANDLE> Items;
};
constexpr size_t kMaxSpareEvents = 32;

TSpareEvents& SpareEvents()
{
    static auto* S = new TSpareEvents;
    return *S;
}

HANDLE TakeAbortEvent()
{
    {
        TSpareEvents& S = SpareEvents();
        std::lock_guard<std::mutex> G(S.Lock);
        if (!S.Items.empty()) {
            HANDLE E = S.Items.back();
            S.Items.pop_back();
            return E;
        }
    }
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void GiveBackAbortEvent(HANDLE E)
{
    {
        TSpareEvents& S = SpareEvents();
        std::lock_guard<std::mutex> G(S.Lock);
        if (S.Items.size() < kMaxSpareEvents) {
            S.Items.push_back(E);
            return;
        }
    }
    CloseHandle(E);
}

} // namespace

THttpClient::THttpClient()
{
    StartWinsock();
    FAbortEvent = TakeAbortEvent();
}

namespace {

// A crawl makes one client per address, and most addresses are on one server: a connection
// left open by a finished client serves the next one, which saves the connection set-up on
// both sides. Only connections whose last exchange ended cleanly are parked, and each is
// checked again when it is taken. The pool lives to the end of the process.
struct TParkedConnections {
    std::mutex Lock;
    std::vector<std::unique_ptr<THttpClient::TConnection>> Items; // the newest last
};
constexpr size_t kMaxParked = 32;

TParkedConnections& Parked()
{
    static auto* P = new TParkedConnections;
    return *P;
}

} // namespace

std::unique_ptr<THttpClient::TConnection> THttpClient::TakeParked(const std::string& Key)
{
    for (;;) {
        std::unique_ptr<TConnection> C;
        {
            TParkedConnections& P = Parked();
            std::lock_guard<std::mutex> G(P.Lock);
            for (size_t I = P.Items.size(); I-- > 0;)
                if (P.Items[I]->Key() == Key) {
                    C = std::move(P.Items[I]);
                    P.Items.erase(P.Items.begin() + std::ptrdiff_t(I));
                    break;
                }
        }
        if (!C)
            return nullptr;
        if (C->Idle())
            return C;
        // closed by the server meanwhile: the next one, if any
    }
}

void THttpClient::Park(std::unique_ptr<TConnection> Connection)
{
    Connection->SetAbortEvent(nullptr);
    std::unique_ptr<TConnection> Oldest;
    TParkedConnections& P = Parked();
    std::lock_guard<std::mutex> G(P.Lock);
    if (P.Items.size() >= kMaxParked) {
        Oldest = std::move(P.Items.front());
        P.Items.erase(P.Items.begin());
    }
    P.Items.push_back(std::move(Connection));
}

THttpClient::~THttpClient()
{
    // A connection is only kept while its last exchange ended cleanly; an aborted client's
    // connection is closed.
    if (FConnection && !FAborted.load() && FConnection->Buffered() == 0)
        Park(std::move(FConnection));
    FConnection.reset();
    // Taking the aborted flag here settles a late Abort: either it came first and the event,
    // which it signalled, is closed, or it finds the flag set and leaves the event alone.
    if (FAbortEvent) {
        if (FAborted.exchange(true))
            CloseHandle(FAbortEvent);
        else
            GiveBackAbortEvent(FAbortEvent);
    }
}

void THttpClient::Abort()
{
    // Signalled once, by whoever sets the flag first; the event stays signalled.
    if (!FAborted.exchange(true) && FAbortEvent)
        SetEvent(FAbortEvent);
}

void THttpClient::CheckAborted() const
{
    if (FAborted.load())
        Fail(THttpErrorKind::Aborted, "Aborted");
}

std::string THttpClient::Get(const std::string& Url)
{
    TBodySink Sink(MaxTextBody, nullptr);
    DoRequest("GET", Url, &Sink);
    return std::move(Sink.FText);
}

void THttpClient::Get(const std::string& Url, TStream* Stream)
{
    if (!Stream)
        throw EInvalidOperation("THttpClient.Get: no stream");
    TBodySink Sink(FMaxBodySize > 0 ? FMaxBodySize : 0, Stream);
    DoRequest("GET", Url, &Sink);
}

void THttpClient::Head(const std::string& Url)
{
    DoRequest("HEAD", Url, nullptr);
}

void THttpClient::Work(int64_t Count)
{
    if (OnWork)
        OnWork(this, wmRead, Count);
}

void THttpClient::DoRequest(const char* Method, const std::string& Url, TBodySink* Sink)
{
    FResponse.Clear();
    if (FAborted.load()) {
        FConnection.reset();
        CheckAborted();
    }
    if (!FAbortEvent)
        Fail(THttpErrorKind::Connect, "No abort event");

    TUri Uri(Url);
    if (LowerStr(Uri.GetProtocol()) != "http")
        Fail(THttpErrorKind::Protocol, "Not an http address: " + Url);
    TTarget T;
    T.Host = Uri.GetHost();
    if (!ValidHost(T.Host))
        Fail(THttpErrorKind::Protocol, "Bad host in " + Url);
    int64_t PortNo = 80;
    if (!Uri.GetPort().empty() && (!ParseDecimal(Uri.GetPort(), PortNo, 5) || PortNo < 1 || PortNo > 65535))
        Fail(THttpErrorKind::Protocol, "Bad port in " + Url);
    T.Port = std::to_string(PortNo);
    T.HostHeader = PortNo == 80 ? T.Host : T.Host + ":" + T.Port;
    T.Path = EscapeTarget(Uri.GetPath() + Uri.GetDocument());
    if (T.Path.empty() || T.Path[0] != '/')
        T.Path.insert(0, "/");
    std::string Origin = T.Path;
    if (!Uri.GetParams().empty())
        Origin += "?" + EscapeTarget(Uri.GetParams());

    const std::string& Proxy = FProxyParams.GetProxyServer();
    if (Proxy.empty()) {
        T.ConnectHost = T.Host;
        T.ConnectPort = T.Port;
        T.RequestLine = Origin;
    } else {
        if (!ValidHost(Proxy))
            Fail(THttpErrorKind::Connect, "Bad proxy host " + Proxy);
        int32_t P = FProxyParams.GetProxyPort();
        if (P < 0 || P > 65535)
            Fail(THttpErrorKind::Connect, "Bad proxy port");
        T.ConnectHost = Proxy;
        T.ConnectPort = std::to_string(P == 0 ? 80 : P);
        T.RequestLine = "http://" + T.HostHeader + Origin;
    }
    const std::string Key = T.ConnectHost + ":" + T.ConnectPort;
    const int32_t ReadTimeout = FReadTimeout > 0 ? FReadTimeout : 60000;
    const int32_t ConnectTimeout = FConnectTimeout > 0 ? FConnectTimeout : 30000;

    // A failed request leaves no half-used connection behind.
    TScopeExit DropConnection([this] { FConnection.reset(); });
    try {
        bool Reused = FConnection && FConnection->Key() == Key && FConnection->Idle();
        if (!Reused) {
            FConnection.reset();
            FConnection = TakeParked(Key);
            if (FConnection) {
                FConnection->SetAbortEvent(FAbortEvent);
                Reused = true;
            }
        }
        for (int Attempt = 0;; ++Attempt) {
            if (!Reused) {
                FConnection.reset();
                auto Conn = std::make_unique<TConnection>(FAbortEvent, Key);
                Conn->Connect(T.ConnectHost, T.ConnectPort, ConnectTimeout);
                FConnection = std::move(Conn);
            }
            FConnection->SetTimeout(ReadTimeout);
            try {
                Exchange(Method, T, Sink);
                DropConnection.Dismiss();
                return;
            } catch (const TConnection::TLost&) {
                if (!Reused || Attempt > 0)
                    Fail(THttpErrorKind::Connect, "Connection lost while sending the request");
            } catch (const EHttpError& E) {
                // A kept-alive connection the server dropped before answering: once more, afresh.
                if (!Reused || Attempt > 0 || FResponse.GetResponseCode() != 0 ||
                    E.GetKind() != THttpErrorKind::Protocol || FAborted.load())
                    throw;
            }
            Reused = false;
        }
    } catch (const EHttpError& E) {
        FConnection.reset();
        if (FAborted.load() && E.GetKind() != THttpErrorKind::Aborted)
            Fail(THttpErrorKind::Aborted, "Aborted");
        throw;
    }
}

void THttpClient::Exchange(const char* Method, const TTarget& T, TBodySink* Sink)
{
    TConnection& Conn = *FConnection;
    std::string Req = std::string(Method) + " " + T.RequestLine + " HTTP/1.1\r\n";
    Req += "Host: " + T.HostHeader + "\r\n";
    Req += "User-Agent: " + HeaderSafe(FRequest.GetUserAgent()) + "\r\n";
    Req += "Accept: */*\r\n";
    Req += "Pragma: no-cache\r\nCache-Control: no-cache\r\n";
    if (!FRequest.GetUsername().empty())
        Req += "Authorization: Basic " + Base64(FRequest.GetUsername() + ":" + FRequest.GetPassword()) + "\r\n";
    const std::string CookieHost = LowerStr(T.Host);
    if (FAllowCookies) {
        std::string C = CookieHeader(CookieHost, T.Path);
        if (!C.empty())
            Req += "Cookie: " + C + "\r\n";
    }
    Req += "\r\n";
    Conn.Send(Req);
    if (OnRequestSent)
        OnRequestSent();

    // Status line and headers; interim 1xx answers are passed over.
    std::string Line;
    size_t Budget = kMaxHeaderBytes;
    int32_t Code = 0;
    bool Http10 = false;
    std::vector<std::pair<std::string, std::string>> Headers;
    try {
        for (;;) {
            if (!Conn.ReadLine(Line, Budget, "Status line"))
                Fail(THttpErrorKind::Protocol, "Connection closed before the response");
            Budget -= std::min(Budget, Line.size());
            // "HTTP/1.x NNN reason"
            if (Line.size() < 12 || Line.compare(0, 7, "HTTP/1.") != 0 || !IsDigit(Line[7]) ||
                Line[8] != ' ' || !IsDigit(Line[9]) || !IsDigit(Line[10]) || !IsDigit(Line[11]) ||
                (Line.size() > 12 && Line[12] != ' '))
                Fail(THttpErrorKind::Protocol, "Bad status line");
            Http10 = Line[7] == '0';
            Code = (Line[9] - '0') * 100 + (Line[10] - '0') * 10 + (Line[11] - '0');
            if (Code < 100)
                Fail(THttpErrorKind::Protocol, "Bad status code");
            Headers.clear();
            std::string StatusLine = Line;
            for (;;) {
                if (!Conn.ReadLine(Line, Budget, "Header"))
                    Fail(THttpErrorKind::Protocol, "Connection closed in the headers");
                Budget -= std::min(Budget, Line.size());
                if (Line.empty())
                    break;
                if (Line[0] == ' ' || Line[0] == '\t') {
                    if (Headers.empty())
                        Fail(THttpErrorKind::Protocol, "Bad header line");
                    Headers.back().second += " " + std::string(TrimOws(Line));
                    continue;
                }
                size_t Colon = Line.find(':');
                if (Colon == 0 || Colon == std::string::npos || Line[Colon - 1] == ' ' || Line[Colon - 1] == '\t')
                    Fail(THttpErrorKind::Protocol, "Bad header line");
                if (Headers.size() >= kMaxHeaderLines)
                    Fail(THttpErrorKind::Protocol, "Too many headers");
                Headers.emplace_back(Line.substr(0, Colon), std::string(TrimOws(std::string_view(Line).substr(Colon + 1))));
            }
            if (Code >= 200 || Code == 101) {
                FResponse.FResponseCode = Code;
                FResponse.FResponseText = StatusLine;
                break;
            }
        }
    } catch (const TConnection::TCutShort&) {
        Fail(THttpErrorKind::Protocol, "Connection closed in the response header");
    }
    for (const auto& [Name, Value] : Headers)
        FResponse.FRawHeaders += Name + ": " + Value + "\n";

    // Framing: chunked wins over a length; a length must be a plain number (or a list of the
    // same number), else the body's end cannot be trusted.
    bool Chunked = false, HasLength = false, HasTransferEncoding = false, Close = Http10;
    int64_t Length = -1;
    for (const auto& [Name, Value] : Headers) {
        std::string N = LowerStr(Name);
        if (N == "transfer-encoding") {
            HasTransferEncoding = true;
            std::string V = LowerStr(Value);
            std::string_view Rest = V;
            Chunked = false;
            while (!Rest.empty()) {
                size_t Comma = Rest.find(',');
                std::string_view Item = TrimOws(Rest.substr(0, Comma));
                if (Item == "chunked")
                    Chunked = true;
                else if (!Item.empty() && Item != "identity")
                    Fail(THttpErrorKind::Protocol, "Unsupported transfer coding " + std::string(Item));
                Rest = Comma == std::string_view::npos ? std::string_view() : Rest.substr(Comma + 1);
            }
        } else if (N == "content-length") {
            std::string_view Rest = Value;
            do {
                size_t Comma = Rest.find(',');
                int64_t V;
                if (!ParseDecimal(TrimOws(Rest.substr(0, Comma)), V) || (HasLength && V != Length))
                    Length = -2;
                else if (Length != -2)
                    Length = V, HasLength = true;
                Rest = Comma == std::string_view::npos ? std::string_view() : Rest.substr(Comma + 1);
            } while (!Rest.empty() && Length != -2);
            HasLength = true;
        } else if (N == "connection") {
            if (HasToken(Value, "close"))
                Close = true;
            else if (HasToken(Value, "keep-alive"))
                Close = false;
        } else if (N == "set-cookie" && FAllowCookies) {
            StoreCookie(CookieHost, T.Path, Value);
        }
    }
    if (HasTransferEncoding) {
        Length = -1;
        if (!Chunked || HasLength)
            Close = true; // read to the close, or a length beside a coding: never reused
    } else if (HasLength && Length < 0) {
        Fail(THttpErrorKind::Protocol, "Bad Content-Length");
    }
    FResponse.FContentLength = Length;

    if (Code == 101)
        Fail(THttpErrorKind::Protocol, "Unexpected protocol switch");
    if (Code < 200 || Code > 299)
        Fail(THttpErrorKind::Status, FResponse.FResponseText, Code); // no redirect is ever followed

    const bool NoBody = !Sink || Code == 204 || Code == 304;
    bool Reusable = !Close && (Chunked || Length >= 0 || NoBody);
    if (!NoBody) {
        if (Sink->Limit() > 0 && Length > Sink->Limit())
            Fail(THttpErrorKind::TooLarge, Format("Body of %d bytes is over the limit of %d", Length, Sink->Limit()));
        bool BodyReusable = true;
        ReadBody(Conn, Sink, Chunked, BodyReusable);
        Reusable = Reusable && BodyReusable;
    }
    if (!Reusable || Conn.Buffered() != 0)
        FConnection.reset();
}

void THttpClient::ReadBody(TConnection& Conn, TBodySink* Sink, bool Chunked, bool& Reusable)
{
    int64_t Total = 0;
    const int64_t Length = FResponse.FContentLength;
    // A body of known length smaller than a block needs no more room than its length.
    std::vector<char> Block(!Chunked && Length > 0 && Length < BlockSize ? static_cast<size_t>(Length) : BlockSize);
    const int64_t BlockBytes = static_cast<int64_t>(Block.size());

    auto Deliver = [&](int32_t N) {
        if (Sink->Limit() > 0 && Total + N > Sink->Limit())
            Fail(THttpErrorKind::TooLarge, Format("Body passes the limit of %d bytes", Sink->Limit()));
        Sink->Write(Block.data(), N);
        Total += N;
        Work(Total);
    };
    // Exactly Count bytes (Count < 0: to the end of the stream).
    auto Copy = [&](int64_t Count) {
        while (Count != 0) {
            int32_t Want = int32_t(Count < 0 ? BlockBytes : std::min<int64_t>(Count, BlockBytes));
            int32_t N = Conn.ReadSome(Block.data(), Want);
            if (N == 0) {
                if (Count < 0)
                    return;
                Fail(THttpErrorKind::Truncated, Format("Body cut short after %d bytes", Total));
            }
            Deliver(N);
            if (Count > 0)
                Count -= N;
        }
    };

    try {
        if (Chunked) {
            std::string Line;
            for (;;) {
                if (!Conn.ReadLine(Line, kMaxChunkLine, "Chunk size line"))
                    Fail(THttpErrorKind::Truncated, Format("Body cut short after %d bytes", Total));
                size_t I = 0;
                int64_t Size = 0;
                while (I < Line.size() && isxdigit(uint8_t(Line[I]))) {
                    if (I >= 15)
                        Fail(THttpErrorKind::Protocol, "Chunk size too large");
                    char C = Lower(Line[I]);
                    Size = Size * 16 + (IsDigit(C) ? C - '0' : C - 'a' + 10);
                    ++I;
                }
                std::string_view Rest = TrimOws(std::string_view(Line).substr(I));
                if (I == 0 || (!Rest.empty() && Rest.front() != ';'))
                    Fail(THttpErrorKind::Protocol, "Bad chunk size line");
                if (Size == 0)
                    break;
                Copy(Size);
                if (!Conn.ReadLine(Line, kMaxChunkLine, "Chunk end"))
                    Fail(THttpErrorKind::Truncated, Format("Body cut short after %d bytes", Total));
                if (!Line.empty())
                    Fail(THttpErrorKind::Protocol, "Bad chunk end");
            }
            // Trailers, up to the empty line; a close instead ends the body just as well.
            size_t Budget = kMaxHeaderBytes;
            for (;;) {
                if (!Conn.ReadLine(Line, Budget, "Trailer")) {
                    Reusable = false;
                    break;
                }
                if (Line.empty())
                    break;
                Budget -= std::min(Budget, Line.size());
            }
        } else {
            Copy(Length);
            if (Length < 0)
                Reusable = false;
        }
    } catch (const TConnection::TCutShort&) {
        Fail(THttpErrorKind::Truncated, Format("Body cut short after %d bytes", Total));
    }
    Work(Total);
}
