#include "imagelib/ImgMisc.h"

#include <cmath>
#include <cstdio>

#ifdef _WIN32
#include "platform/win/Files.h"
#endif

double ScreenGamma = kStartScreenGamma;

uint8_t NotifyProgress(TObject* Sender, int64_t Current, int64_t Min, uint8_t LastPercent, int64_t Max,
                       const TDidodazaProgressEvent& Handler)
{
    if (!Handler)
        return 0;
    int64_t Percent = 0;
    if (Max - Min > 0) {
        // Current may lie far outside the range; clamp before narrowing.
        Percent = (Current - Min) * 100 / (Max - Min);
        if (Percent < 0)
            Percent = 0;
        if (Percent > 100)
            Percent = 100;
    }
    const uint8_t Result = static_cast<uint8_t>(Percent);
    if (Result != LastPercent)
        Handler(Sender, Result);
    return Result;
}

std::string UnusedFileName(const std::string& Folder, const std::string& Prefix, const std::string& Extension,
                           const std::function<bool(const std::string&)>& Exists)
{
    const std::string Dir = AddBackslash(Folder);
    std::string Ext = Extension;
    if (!Ext.empty() && Ext[0] != '.')
        Ext = "." + Ext;
    for (uint32_t N = 0;; ++N) {
        std::string Name = Dir + Prefix + std::to_string(N) + Ext;
        if (!Exists(Name))
            return Name;
        if (N == UINT32_MAX)
            throw Exception("ImgMisc.CreateTempFile: no free name");
    }
}

#ifdef _WIN32
void CreateTempFile(const std::string& Prefix, const std::string& Extension, std::string& FileName)
{
    const std::string Folder = GetTempPath();
    if (Folder.empty())
        throw Exception("ImgMisc.CreateTempFile.GetTempPath failed");
    FileName = UnusedFileName(Folder, Prefix, Extension, [](const std::string& Name) {
        return FileExists(Name) || DirectoryExists(Name);
    });
}
#endif

std::string AddBackslash(const std::string& Folder)
{
    if (Folder.empty())
        return "\\";
    const char Last = Folder.back();
    if (Last == '\\' || Last == ':')
        return Folder;
    return Folder + "\\";
}

std::string DateToTextWithPattern(const std::string& Pattern, TDateTime Date)
{
    return FormatDateTime(Pattern, Date);
}

std::string TimeToTextWithPattern(const std::string& Pattern, TDateTime Time)
{
    return FormatDateTime(Pattern, Time);
}

double RoundToDigits(int32_t Digits, double Value)
{
    if (Digits < 0)
        Digits = 0;
    if (Digits > 20)
        Digits = 20;
    char Buffer[400];
    std::snprintf(Buffer, sizeof(Buffer), "%40.*f", static_cast<int>(Digits), Value);
    return std::strtod(Buffer, nullptr);
}

int64_t SafeTrunc(double Value)
{
    // 2^63 itself does not fit; NaN fails every comparison.
    if (!(Value >= -9223372036854775808.0 && Value < 9223372036854775808.0))
        throw Exception("ImgMisc unit: Error in SafeTrunc.");
    return static_cast<int64_t>(Value);
}

int64_t Ceil(double Value)
{
    const int64_t T = SafeTrunc(Value);
    return Value - static_cast<double>(T) > 0 ? T + 1 : T;
}

int64_t Floor(double Value)
{
    const int64_t T = SafeTrunc(Value);
    return Value - static_cast<double>(T) < 0 ? T - 1 : T;
}

int32_t Clamp(int32_t Value, int32_t Min, int32_t Max)
{
    if (Value < Min)
        return Min;
    if (Value > Max)
        return Max;
    return Value;
}

void SwapInt(int32_t& A, int32_t& B)
{
    const int32_t T = A;
    A = B;
    B = T;
}

bool HasFlags(uint32_t Value, uint32_t Mask) { return (Value & Mask) == Mask; }

void RaiseLzwNotSupported() { throw EDidodazaError("LZW compression not supported"); }
