#pragma once
// Test data of the import tests: list records as the writer makes them, and test-server routes
// that answer with given bytes.

#include <cstdint>
#include <string>

#include <windows.h>

#include "engine/AutoUpdateProjects.h"
#include "platform/rtl/Stream.h"

namespace ImportTestData {

inline std::string Base64(const std::string& Bytes)
{
    static const char T[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string Out;
    for (size_t I = 0; I < Bytes.size(); I += 3) {
        uint32_t V = static_cast<uint32_t>(static_cast<uint8_t>(Bytes[I])) << 16;
        if (I + 1 < Bytes.size())
            V |= static_cast<uint32_t>(static_cast<uint8_t>(Bytes[I + 1])) << 8;
        if (I + 2 < Bytes.size())
            V |= static_cast<uint8_t>(Bytes[I + 2]);
        Out += T[V >> 18];
        Out += T[(V >> 12) & 63];
        Out += I + 1 < Bytes.size() ? T[(V >> 6) & 63] : '=';
        Out += I + 2 < Bytes.size() ? T[V & 63] : '=';
    }
    return Out;
}

// One 604-byte list record.
inline std::string Record(uint32_t Number, const std::string& Name, const std::string& URL,
                          const std::string& Category)
{
    TProjectItem It;
    It.SetNumber(static_cast<int32_t>(Number));
    It.SetName(Name);
    It.SetURL(URL);
    It.SetCategory(Category);
    TMemoryStream S;
    It.WriteToStream(&S);
    return std::string(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.GetSize()));
}

// A route answering with Bytes; Extra adds further members (",\"delay\":1").
inline std::string BodyRoute(const std::string& Bytes, const std::string& Extra = "")
{
    return "{\"body_base64\":\"" + Base64(Bytes) + "\"" + Extra + "}";
}

inline std::string EnvText(const char* Name)
{
    char Buf[1024];
    const DWORD N = GetEnvironmentVariableA(Name, Buf, sizeof(Buf));
    return N > 0 && N < sizeof(Buf) ? std::string(Buf, N) : std::string();
}

} // namespace ImportTestData
