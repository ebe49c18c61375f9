#include "tests/support/TestServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>

// ---------------------------------------------------------------------------------------------
// JSON

class TJsonReader {
public:
    explicit TJsonReader(const std::string& Text) : S(Text) {}

    TJson ReadDocument()
    {
        TJson V = Value(0);
        Blanks();
        if (P != S.size())
            Bad("text after the value");
        return V;
    }

private:
    [[noreturn]] void Bad(const char* What) const
    {
        throw std::runtime_error("JSON: " + std::string(What) + " at " + std::to_string(P));
    }
    void Blanks()
    {
        while (P < S.size() && (S[P] == ' ' || S[P] == '\t' || S[P] == '\r' || S[P] == '\n'))
            ++P;
    }
    bool Take(const char* Word)
    {
        size_t N = strlen(Word);
        if (S.compare(P, N, Word) != 0)
            return false;
        P += N;
        return true;
    }
    TJson Value(int Depth)
    {
        if (Depth > 64)
            Bad("nesting too deep");
        Blanks();
        if (P >= S.size())
            Bad("value expected");
        TJson V;
        char C = S[P];
        if (C == '{') {
            V.FType = TJson::jObject;
            ++P;
            Blanks();
            if (P < S.size() && S[P] == '}') {
                ++P;
                return V;
            }
            for (;;) {
                Blanks();
                if (P >= S.size() || S[P] != '"')
                    Bad("key expected");
                std::string Key = String();
                Blanks();
                if (P >= S.size() || S[P] != ':')
                    Bad("':' expected");
                ++P;
                V.FMembers.emplace_back(std::move(Key), Value(Depth + 1));
                Blanks();
                if (P < S.size() && S[P] == ',') {
                    ++P;
                    continue;
                }
                if (P < S.size() && S[P] == '}') {
                    ++P;
                    return V;
                }
                Bad("',' or '}' expected");
            }
        }
        if (C == '[') {
            V.FType = TJson::jArray;
            ++P;
            Blanks();
            if (P < S.size() && S[P] == ']') {
                ++P;
                return V;
            }
            for (;;) {
                V.FItems.push_back(Value(Depth + 1));
                Blanks();
                if (P < S.size() && S[P] == ',') {
                    ++P;
                    continue;
                }
                if (P < S.size() && S[P] == ']') {
                    ++P;
                    return V;
                }
                Bad("',' or ']' expected");
            }
        }
        if (C == '"') {
            V.FType = TJson::jString;
            V.FString = String();
            return V;
        }
        if (Take("true")) {
            V.FType = TJson::jBool;
            V.FBool = true;
            return V;
        }
        if (Take("false")) {
            V.FType = TJson::jBool;
            return V;
        }
        if (Take("null"))
            return V;
        size_t Start = P;
        if (P < S.size() && S[P] == '-')
            ++P;
        while (P < S.size() && (isdigit(uint8_t(S[P])) || S[P] == '.' || S[P] == 'e' || S[P] == 'E' ||
                                S[P] == '+' || S[P] == '-'))
            ++P;
        if (P == Start)
            Bad("unexpected character");
        std::string Num = S.substr(Start, P - Start);
        char* End = nullptr;
        V.FType = TJson::jNumber;
        V.FNumber = strtod(Num.c_str(), &End);
        if (!End || *End)
            Bad("bad number");
        return V;
    }
    unsigned Hex4()
    {
        if (P + 4 > S.size())
            Bad("short \\u escape");
        unsigned V = 0;
        for (int I = 0; I < 4; ++I) {
            char C = S[P++];
            V <<= 4;
            if (C >= '0' && C <= '9') V |= unsigned(C - '0');
            else if (C >= 'a' && C <= 'f') V |= unsigned(C - 'a' + 10);
            else if (C >= 'A' && C <= 'F') V |= unsigned(C - 'A' + 10);
            else Bad("bad \\u escape");
        }
        return V;
    }
    // Strings come back as UTF-8, except that code points up to 0xFF become one byte: the
    // server reports targets and headers as Latin-1 text, and tests compare them as bytes.
    std::string String()
    {
        ++P; // the opening quote
        std::string R;
        for (;;) {
            if (P >= S.size())
                Bad("unterminated string");
            char C = S[P++];
            if (C == '"')
                return R;
            if (C != '\\') {
                R += C;
                continue;
            }
            if (P >= S.size())
                Bad("unterminated escape");
            char E = S[P++];
            switch (E) {
            case '"': R += '"'; break;
            case '\\': R += '\\'; break;
            case '/': R += '/'; break;
            case 'b': R += '\b'; break;
            case 'f': R += '\f'; break;
            case 'n': R += '\n'; break;
            case 'r': R += '\r'; break;
            case 't': R += '\t'; break;
            case 'u': {
                unsigned Cp = Hex4();
                if (Cp >= 0xD800 && Cp < 0xDC00 && P + 6 <= S.size() && S[P] == '\\' && S[P + 1] == 'u') {
                    P += 2;
                    unsigned Lo = Hex4();
                    Cp = 0x10000 + ((Cp - 0xD800) << 10) + (Lo - 0xDC00);
                }
                if (Cp <= 0xFF) {
                    R += char(Cp);
                } else if (Cp < 0x800) {
                    R += char(0xC0 | (Cp >> 6));
                    R += char(0x80 | (Cp & 63));
                } else if (Cp < 0x10000) {
                    R += char(0xE0 | (Cp >> 12));
                    R += char(0x80 | ((Cp >> 6) & 63));
                    R += char(0x80 | (Cp & 63));
                } else {
                    R += char(0xF0 | (Cp >> 18));
                    R += char(0x80 | ((Cp >> 12) & 63));
                    R += char(0x80 | ((Cp >> 6) & 63));
                    R += char(0x80 | (Cp & 63));
                }
                break;
            }
            default: Bad("bad escape");
            }
        }
    }

    const std::string& S;
    size_t P = 0;
};

TJson TJson::Parse(const std::string& Text) { return TJsonReader(Text).ReadDocument(); }

bool TJson::AsBool() const
{
    if (FType != jBool)
        throw std::runtime_error("JSON: not a boolean");
    return FBool;
}
double TJson::AsNumber() const
{
    if (FType != jNumber)
        throw std::runtime_error("JSON: not a number");
    return FNumber;
}
int64_t TJson::AsInt() const { return int64_t(AsNumber()); }
const std::string& TJson::AsString() const
{
    if (FType != jString)
        throw std::runtime_error("JSON: not a string");
    return FString;
}
const std::vector<TJson>& TJson::Items() const
{
    if (FType != jArray)
        throw std::runtime_error("JSON: not an array");
    return FItems;
}
const std::vector<std::pair<std::string, TJson>>& TJson::Members() const
{
    if (FType != jObject)
        throw std::runtime_error("JSON: not an object");
    return FMembers;
}
const TJson* TJson::Find(const std::string& Key) const
{
    for (const auto& [K, V] : Members())
        if (K == Key)
            return &V;
    return nullptr;
}
const TJson& TJson::operator[](const std::string& Key) const
{
    const TJson* V = Find(Key);
    if (!V)
        throw std::runtime_error("JSON: no member " + Key);
    return *V;
}

std::string JsonQuote(const std::string& Text)
{
    static const char Hex[] = "0123456789abcdef";
    std::string R = "\"";
    for (char C : Text) {
        uint8_t B = uint8_t(C);
        if (C == '"' || C == '\\') {
            R += '\\';
            R += C;
        } else if (B < 0x20 || B >= 0x7F) {
            R += "\\u00";
            R += Hex[B >> 4];
            R += Hex[B & 15];
        } else {
            R += C;
        }
    }
    return R + "\"";
}

// ---------------------------------------------------------------------------------------------
// Log entries

namespace {
bool SameName(const std::string& A, const std::string& B)
{
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); ++I)
        if (tolower(uint8_t(A[I])) != tolower(uint8_t(B[I])))
            return false;
    return true;
}
} // namespace

bool TServerLogEntry::HasHeader(const std::string& Name) const
{
    for (const auto& H : Headers)
        if (SameName(H.first, Name))
            return true;
    return false;
}

std::string TServerLogEntry::Header(const std::string& Name) const
{
    for (const auto& H : Headers)
        if (SameName(H.first, Name))
            return H.second;
    return "";
}

// ---------------------------------------------------------------------------------------------
// The server

TTestServer::TTestServer()
{
    const char* Env = getenv("QUILLMOOR_TEST_SERVER");
    if (Env && *Env)
        *this = TTestServer(Env);
}

TTestServer::TTestServer(const std::string& Address)
{
    size_t Colon = Address.rfind(':');
    if (Colon == std::string::npos)
        return;
    int Port = atoi(Address.c_str() + Colon + 1);
    if (Port <= 0 || Port > 65535 || Address.substr(0, Colon) != "127.0.0.1")
        return; // the server is on 127.0.0.1 only
    FAddress = Address;
    FHost = Address.substr(0, Colon);
    FPort = uint16_t(Port);
}

std::string TTestServer::Url(const std::string& Target) const { return "http://" + FAddress + Target; }

int32_t TTestServer::Request(const std::string& Method, const std::string& Target, const std::string& Body,
                             std::string& ResponseBody)
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        WSADATA Data;
        WSAStartup(MAKEWORD(2, 2), &Data);
    });
    if (!Available())
        throw std::runtime_error("QUILLMOOR_TEST_SERVER is not set");
    SOCKET S = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (S == INVALID_SOCKET)
        throw std::runtime_error("test server: no socket");
    struct TClose {
        SOCKET S;
        ~TClose() { closesocket(S); }
    } Closer{S};
    DWORD Timeout = 30000; // the control answers wait at most 2 s on the server's side
    setsockopt(S, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&Timeout), sizeof Timeout);
    setsockopt(S, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&Timeout), sizeof Timeout);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_port = htons(FPort);
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(S, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0)
        throw std::runtime_error("test server: cannot connect to " + FAddress);
    std::string Req = Method + " " + Target + " HTTP/1.0\r\nHost: " + FAddress +
                      "\r\nConnection: close\r\nContent-Type: application/json\r\nContent-Length: " +
                      std::to_string(Body.size()) + "\r\n\r\n" + Body;
    for (size_t Sent = 0; Sent < Req.size();) {
        int N = send(S, Req.data() + Sent, int(Req.size() - Sent), 0);
        if (N <= 0)
            throw std::runtime_error("test server: send failed");
        Sent += size_t(N);
    }
    std::string All;
    char Buf[16384];
    for (;;) {
        int N = recv(S, Buf, sizeof Buf, 0);
        if (N == 0)
            break;
        if (N < 0)
            throw std::runtime_error("test server: receive failed");
        All.append(Buf, size_t(N));
    }
    size_t HeadEnd = All.find("\r\n\r\n");
    if (All.compare(0, 9, "HTTP/1.1 ") != 0 && All.compare(0, 9, "HTTP/1.0 ") != 0)
        throw std::runtime_error("test server: bad answer");
    if (HeadEnd == std::string::npos)
        throw std::runtime_error("test server: answer without header end");
    ResponseBody = All.substr(HeadEnd + 4);
    return atoi(All.c_str() + 9);
}

TJson TTestServer::Control(const std::string& Method, const std::string& Target, const std::string& Body)
{
    std::string Answer;
    int32_t Code = Request(Method, Target, Body, Answer);
    TJson J = TJson::Parse(Answer);
    if (Code != 200 || !J["ok"].AsBool()) {
        const TJson* E = J.Find("error");
        throw std::runtime_error("test server: " + Target + ": " + (E ? E->AsString() : std::to_string(Code)));
    }
    return J;
}

void TTestServer::SetRoutes(const std::string& RoutesJson, bool Replace)
{
    Control("POST", "/__control/routes",
            "{\"routes\": " + RoutesJson + ", \"replace\": " + (Replace ? "true" : "false") + "}");
}

void TTestServer::SetRoute(const std::string& Target, const std::string& RouteJson)
{
    SetRoutes("{" + JsonQuote(Target) + ": " + RouteJson + "}");
}

void TTestServer::SetDefaults(const std::string& DefaultsJson)
{
    Control("POST", "/__control/routes", "{\"defaults\": " + DefaultsJson + "}");
}

void TTestServer::Reset() { Control("POST", "/__control/reset"); }

void TTestServer::Clear() { Control("POST", "/__control/clear"); }

std::vector<TServerLogEntry> TTestServer::Log(int64_t Since)
{
    TJson J = Control("GET", Since > 0 ? "/__control/log?since=" + std::to_string(Since) : "/__control/log");
    std::vector<TServerLogEntry> R;
    for (const TJson& E : J["requests"].Items()) {
        TServerLogEntry L;
        L.Id = E["id"].AsInt();
        L.Connection = E["connection"].AsInt();
        L.Method = E["method"].AsString();
        L.Target = E["target"].AsString();
        L.Version = E["version"].AsString();
        for (const TJson& H : E["headers"].Items())
            L.Headers.emplace_back(H.Items().at(0).AsString(), H.Items().at(1).AsString());
        L.Arrival = E["arrival"].AsNumber();
        L.End = E["end"].IsNull() ? -1 : E["end"].AsNumber();
        L.Status = E["status"].IsNull() ? 0 : int32_t(E["status"].AsInt());
        L.BodyBytes = E["body_bytes"].AsInt();
        L.Ended = E["ended"].AsString();
        R.push_back(std::move(L));
    }
    return R;
}

TServerCounters TTestServer::Counters()
{
    TJson J = Control("GET", "/__control/counters");
    TServerCounters C;
    C.InFlight = J["in_flight"].AsInt();
    C.MaxInFlight = J["max_in_flight"].AsInt();
    C.Requests = J["requests"].AsInt();
    C.Connections = J["connections"].AsInt();
    return C;
}
