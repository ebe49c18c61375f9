#pragma once
// The test side of tests/server/testserver.py: sets routes, resets, reads the request log and
// the counters. It talks over its own plain ws2_32 socket (HTTP/1.0, one request per
// connection), never through THttpClient, which is what the tests examine.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A small JSON value: enough to read the server's answers.
class TJson {
public:
    enum TType { jNull, jBool, jNumber, jString, jArray, jObject };

    static TJson Parse(const std::string& Text); // throws std::runtime_error on bad input

    TType Type() const { return FType; }
    bool IsNull() const { return FType == jNull; }
    bool AsBool() const;
    double AsNumber() const;
    int64_t AsInt() const;
    const std::string& AsString() const;
    const std::vector<TJson>& Items() const;                   // array
    const std::vector<std::pair<std::string, TJson>>& Members() const; // object, in order
    const TJson* Find(const std::string& Key) const;           // object member or nullptr
    const TJson& operator[](const std::string& Key) const;     // throws when missing

private:
    TType FType = jNull;
    bool FBool = false;
    double FNumber = 0;
    std::string FString;
    std::vector<TJson> FItems;
    std::vector<std::pair<std::string, TJson>> FMembers;
    friend class TJsonReader;
};

// Quotes Text as a JSON string (bytes above 0x7F are taken as Latin-1 characters).
std::string JsonQuote(const std::string& Text);

struct TServerLogEntry {
    int64_t Id = 0;
    int64_t Connection = 0;
    std::string Method, Target, Version;
    std::vector<std::pair<std::string, std::string>> Headers;
    double Arrival = 0;
    double End = -1;      // -1 while in progress
    int32_t Status = 0;   // 0 when the server sent no status line
    int64_t BodyBytes = 0;
    std::string Ended;    // "complete", "client-closed", "server-closed", "in-progress"

    bool HasHeader(const std::string& Name) const;
    std::string Header(const std::string& Name) const; // first value; "" when absent
};

struct TServerCounters {
    int64_t InFlight = 0, MaxInFlight = 0, Requests = 0, Connections = 0;
};

class TTestServer {
public:
    // From QUILLMOOR_TEST_SERVER ("127.0.0.1:<port>"); Available() is false without it.
    TTestServer();
    explicit TTestServer(const std::string& Address);

    bool Available() const { return FPort != 0; }
    const std::string& Address() const { return FAddress; } // "127.0.0.1:<port>"
    const std::string& Host() const { return FHost; }
    uint16_t Port() const { return FPort; }
    std::string Url(const std::string& Target) const; // "http://127.0.0.1:<port>" + Target

    // Adds routes: RoutesJson is the JSON object {"<target>": route, ...}.
    void SetRoutes(const std::string& RoutesJson, bool Replace = false);
    void SetRoute(const std::string& Target, const std::string& RouteJson);
    void SetDefaults(const std::string& DefaultsJson); // "{}" clears them
    void Reset(); // routes, defaults, log and counters
    void Clear(); // log and counters only

    std::vector<TServerLogEntry> Log(int64_t Since = 0);
    TServerCounters Counters();

    // One raw exchange with the server: the status code and the body of the answer.
    int32_t Request(const std::string& Method, const std::string& Target, const std::string& Body,
                    std::string& ResponseBody);

private:
    TJson Control(const std::string& Method, const std::string& Target, const std::string& Body = "");

    std::string FAddress, FHost;
    uint16_t FPort = 0;
};
