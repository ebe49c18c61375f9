#include "platform/rtl/SysUtils.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int32_t kMaxFormatField = 100000; // width or precision; more is a broken pattern

bool IsBlank(char C)
{
    return static_cast<unsigned char>(C) <= ' ';
}

char ToUpperAscii(char C)
{
    return (C >= 'a' && C <= 'z') ? char(C - 'a' + 'A') : C;
}

char ToLowerAscii(char C)
{
    return (C >= 'A' && C <= 'Z') ? char(C - 'A' + 'a') : C;
}

[[noreturn]] void FormatMismatch(std::string_view Pattern)
{
    throw EConvertError("Format '" + std::string(Pattern) + "' does not match its arguments");
}

std::string UnsignedToDigits(uint64_t Value, unsigned Base, bool Upper)
{
    char Buf[32];
    auto R = std::to_chars(Buf, Buf + sizeof Buf, Value, static_cast<int>(Base));
    std::string S(Buf, R.ptr);
    if (Upper)
        for (char& C : S)
            C = ToUpperAscii(C);
    return S;
}

// Digits and exponent of Value rounded to Digits significant digits: Value = 0.d1d2... * 10^Exp10
// is avoided; here Value = d1.d2d3... * 10^Exp.
void SignificantDigits(double Value, int Digits, std::string& Mantissa, int& Exp)
{
    char Buf[64];
    auto R = std::to_chars(Buf, Buf + sizeof Buf, std::fabs(Value), std::chars_format::scientific, Digits - 1);
    std::string_view Text(Buf, static_cast<size_t>(R.ptr - Buf));
    size_t EPos = Text.find('e');
    Mantissa.clear();
    for (char C : Text.substr(0, EPos))
        if (C != '.')
            Mantissa += C;
    int E = 0;
    std::from_chars(Text.data() + EPos + 1 + (Text[EPos + 1] == '+' ? 1 : 0), Text.data() + Text.size(), E);
    Exp = E;
}

std::string NonFinite(double Value)
{
    if (std::isnan(Value))
        return "NAN";
    return Value < 0 ? "-INF" : "INF";
}

// General form with the given significant digits: trailing zeros dropped, scientific
// ("1.5E20", "1E-5") when the exponent is at least Digits or below -4.
std::string FloatGeneral(double Value, int Digits, char DecimalSeparator)
{
    if (!std::isfinite(Value))
        return NonFinite(Value);
    if (Value == 0)
        return "0";
    std::string M;
    int Exp = 0;
    SignificantDigits(Value, Digits, M, Exp);
    while (M.size() > 1 && M.back() == '0')
        M.pop_back();
    std::string S = Value < 0 ? "-" : "";
    if (Exp >= Digits || Exp < -4) {
        S += M[0];
        if (M.size() > 1) {
            S += DecimalSeparator;
            S.append(M, 1);
        }
        S += 'E';
        S += std::to_string(Exp);
    } else if (Exp < 0) {
        S += '0';
        S += DecimalSeparator;
        S.append(static_cast<size_t>(-Exp - 1), '0');
        S += M;
    } else {
        const size_t IntDigits = static_cast<size_t>(Exp) + 1;
        if (M.size() <= IntDigits) {
            S += M;
            S.append(IntDigits - M.size(), '0');
        } else {
            S.append(M, 0, IntDigits);
            S += DecimalSeparator;
            S.append(M, IntDigits);
        }
    }
    return S;
}

std::string FloatFixed(double Value, int Decimals, char DecimalSeparator)
{
    if (!std::isfinite(Value))
        return NonFinite(Value);
    // Fixed notation of 1e308 needs 309 digits plus the decimals.
    std::string Buf(static_cast<size_t>(Decimals) + 400, '\0');
    auto R = std::to_chars(Buf.data(), Buf.data() + Buf.size(), Value, std::chars_format::fixed, Decimals);
    Buf.resize(static_cast<size_t>(R.ptr - Buf.data()));
    if (Buf == "-0" || (Buf.rfind("-0.", 0) == 0 && Buf.find_first_not_of("0.", 1) == std::string::npos))
        Buf.erase(0, 1); // no "-0.00"
    size_t Dot = Buf.find('.');
    if (Dot != std::string::npos)
        Buf[Dot] = DecimalSeparator;
    return Buf;
}

// d.dddE+ddd with Digits significant digits.
std::string FloatScientific(double Value, int Digits, char DecimalSeparator)
{
    if (!std::isfinite(Value))
        return NonFinite(Value);
    std::string M;
    int Exp = 0;
    if (Value == 0) {
        M.assign(static_cast<size_t>(Digits), '0');
    } else {
        SignificantDigits(Value, Digits, M, Exp);
    }
    std::string S = std::signbit(Value) && Value != 0 ? "-" : "";
    S += M[0];
    if (M.size() > 1) {
        S += DecimalSeparator;
        S.append(M, 1);
    }
    S += Exp < 0 ? "E-" : "E+";
    std::string E = std::to_string(Exp < 0 ? -Exp : Exp);
    if (E.size() < 3)
        S.append(3 - E.size(), '0');
    S += E;
    return S;
}

// Reads a decimal field of a pattern, or "*" from the arguments.
bool ReadField(std::string_view Pattern, size_t& I, std::span<const TFormatArg> Args, size_t& ArgIndex,
               int32_t& Value)
{
    if (I < Pattern.size() && Pattern[I] == '*') {
        ++I;
        if (ArgIndex >= Args.size())
            return false;
        const TFormatArg& A = Args[ArgIndex++];
        if (A.Kind() == TFormatArg::TKind::Signed && A.AsSigned() >= 0 && A.AsSigned() <= kMaxFormatField)
            Value = static_cast<int32_t>(A.AsSigned());
        else if (A.Kind() == TFormatArg::TKind::Unsigned && A.AsUnsigned() <= kMaxFormatField)
            Value = static_cast<int32_t>(A.AsUnsigned());
        else
            return false;
        return true;
    }
    int32_t V = 0;
    bool Any = false;
    while (I < Pattern.size() && Pattern[I] >= '0' && Pattern[I] <= '9') {
        V = V * 10 + (Pattern[I] - '0');
        if (V > kMaxFormatField)
            return false;
        Any = true;
        ++I;
    }
    if (Any)
        Value = V;
    return true;
}

// Integer text for %d/%u/%x: sign and digits, with the precision as the minimum digit count.
bool IntegerText(const TFormatArg& A, char Type, int32_t Precision, std::string& Sign, std::string& Digits)
{
    using K = TFormatArg::TKind;
    if (A.Kind() != K::Signed && A.Kind() != K::Unsigned)
        return false;
    uint64_t Magnitude = 0;
    bool Negative = false;
    if (Type == 'd') {
        if (A.Kind() == K::Signed && A.AsSigned() < 0) {
            Negative = true;
            Magnitude = 0 - static_cast<uint64_t>(A.AsSigned());
        } else {
            Magnitude = A.Kind() == K::Signed ? static_cast<uint64_t>(A.AsSigned()) : A.AsUnsigned();
        }
    } else {
        // %u and %x show a negative value as the two's complement of its width.
        Magnitude = A.Kind() == K::Signed ? static_cast<uint64_t>(A.AsSigned()) : A.AsUnsigned();
        if (A.Bits() == 32)
            Magnitude &= 0xFFFFFFFFu;
    }
    Digits = UnsignedToDigits(Magnitude, (Type == 'x' || Type == 'X') ? 16 : 10, Type == 'X');
    if (Precision >= 0 && Digits.size() < static_cast<size_t>(Precision))
        Digits.insert(0, static_cast<size_t>(Precision) - Digits.size(), '0');
    Sign = Negative ? "-" : "";
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Format

std::string FormatArgs(std::string_view Pattern, std::span<const TFormatArg> Args, const TLocaleFormats& Formats)
{
    using K = TFormatArg::TKind;
    std::string Out;
    size_t ArgIndex = 0;
    size_t I = 0;
    while (I < Pattern.size()) {
        const char C = Pattern[I++];
        if (C != '%') {
            Out += C;
            continue;
        }
        if (I >= Pattern.size())
            FormatMismatch(Pattern);
        if (Pattern[I] == '%') {
            Out += '%';
            ++I;
            continue;
        }
        // Optional argument index "N:".
        {
            size_t J = I;
            uint32_t N = 0;
            while (J < Pattern.size() && Pattern[J] >= '0' && Pattern[J] <= '9' && N <= kMaxFormatField)
                N = N * 10 + static_cast<uint32_t>(Pattern[J++] - '0');
            if (J > I && J < Pattern.size() && Pattern[J] == ':') {
                ArgIndex = N;
                I = J + 1;
            }
        }
        bool Left = false;
        bool Zero = false;
        if (I < Pattern.size() && Pattern[I] == '-') {
            Left = true;
            ++I;
        }
        if (I < Pattern.size() && Pattern[I] == '0') {
            Zero = true;
            ++I;
        }
        int32_t Width = 0;
        int32_t Precision = -1;
        if (!ReadField(Pattern, I, Args, ArgIndex, Width))
            FormatMismatch(Pattern);
        if (I < Pattern.size() && Pattern[I] == '.') {
            ++I;
            Precision = 0;
            if (!ReadField(Pattern, I, Args, ArgIndex, Precision))
                FormatMismatch(Pattern);
        }
        if (I >= Pattern.size() || ArgIndex >= Args.size())
            FormatMismatch(Pattern);
        char Type = Pattern[I++];
        if (Type != 'X')
            Type = ToLowerAscii(Type);
        const TFormatArg& A = Args[ArgIndex++];

        std::string Sign;
        std::string Body;
        bool Numeric = true;
        switch (Type) {
        case 'd':
        case 'u':
        case 'x':
        case 'X':
            if (!IntegerText(A, Type, Precision, Sign, Body))
                FormatMismatch(Pattern);
            break;
        case 'f':
        case 'g':
        case 'e': {
            if (A.Kind() != K::Float)
                FormatMismatch(Pattern);
            const double V = A.AsFloat();
            if (Type == 'f')
                Body = FloatFixed(V, Precision < 0 ? 2 : Precision, Formats.DecimalSeparator);
            else if (Type == 'g')
                Body = FloatGeneral(V, Precision <= 0 ? 15 : (Precision > 17 ? 17 : Precision), Formats.DecimalSeparator);
            else
                Body = FloatScientific(V, Precision <= 0 ? 15 : (Precision > 17 ? 17 : Precision), Formats.DecimalSeparator);
            if (!Body.empty() && Body[0] == '-') {
                Sign = "-";
                Body.erase(0, 1);
            }
            if (!std::isfinite(V))
                Zero = false;
            break;
        }
        case 's':
            Numeric = false;
            if (A.Kind() == K::String)
                Body = std::string(A.AsString());
            else if (A.Kind() == K::Char)
                Body = std::string(1, static_cast<char>(A.AsUnsigned()));
            else
                FormatMismatch(Pattern);
            if (Precision >= 0 && Body.size() > static_cast<size_t>(Precision))
                Body.resize(static_cast<size_t>(Precision));
            break;
        case 'c':
            Numeric = false;
            if (A.Kind() == K::Char)
                Body = std::string(1, static_cast<char>(A.AsUnsigned()));
            else if (A.Kind() == K::Signed && A.AsSigned() >= 0 && A.AsSigned() <= 255)
                Body = std::string(1, static_cast<char>(A.AsSigned()));
            else if (A.Kind() == K::Unsigned && A.AsUnsigned() <= 255)
                Body = std::string(1, static_cast<char>(A.AsUnsigned()));
            else
                FormatMismatch(Pattern);
            break;
        case 'p':
            if (A.Kind() != K::Pointer)
                FormatMismatch(Pattern);
            Body = UnsignedToDigits(reinterpret_cast<uintptr_t>(A.AsPointer()), 16, true);
            if (Body.size() < sizeof(void*) * 2)
                Body.insert(0, sizeof(void*) * 2 - Body.size(), '0');
            break;
        default:
            FormatMismatch(Pattern);
        }

        const size_t Len = Sign.size() + Body.size();
        const size_t Pad = static_cast<size_t>(Width) > Len ? static_cast<size_t>(Width) - Len : 0;
        if (Left) {
            Out += Sign;
            Out += Body;
            Out.append(Pad, ' ');
        } else if (Zero && Numeric) {
            Out += Sign;
            Out.append(Pad, '0');
            Out += Body;
        } else {
            Out.append(Pad, ' ');
            Out += Sign;
            Out += Body;
        }
    }
    return Out;
}

// ---------------------------------------------------------------------------------------------
// Text

std::string Trim(std::string_view S)
{
    size_t B = 0;
    size_t E = S.size();
    while (B < E && IsBlank(S[B]))
        ++B;
    while (E > B && IsBlank(S[E - 1]))
        --E;
    return std::string(S.substr(B, E - B));
}

std::string TrimLeft(std::string_view S)
{
    size_t B = 0;
    while (B < S.size() && IsBlank(S[B]))
        ++B;
    return std::string(S.substr(B));
}

std::string TrimRight(std::string_view S)
{
    size_t E = S.size();
    while (E > 0 && IsBlank(S[E - 1]))
        --E;
    return std::string(S.substr(0, E));
}

std::string UpperCase(std::string_view S)
{
    std::string R(S);
    for (char& C : R)
        C = ToUpperAscii(C);
    return R;
}

std::string LowerCase(std::string_view S)
{
    std::string R(S);
    for (char& C : R)
        C = ToLowerAscii(C);
    return R;
}

int32_t CompareStr(std::string_view S1, std::string_view S2)
{
    const size_t N = S1.size() < S2.size() ? S1.size() : S2.size();
    for (size_t I = 0; I < N; ++I) {
        const int A = static_cast<unsigned char>(S1[I]);
        const int B = static_cast<unsigned char>(S2[I]);
        if (A != B)
            return A - B;
    }
    return S1.size() == S2.size() ? 0 : (S1.size() < S2.size() ? -1 : 1);
}

int32_t CompareText(std::string_view S1, std::string_view S2)
{
    const size_t N = S1.size() < S2.size() ? S1.size() : S2.size();
    for (size_t I = 0; I < N; ++I) {
        const int A = static_cast<unsigned char>(ToUpperAscii(S1[I]));
        const int B = static_cast<unsigned char>(ToUpperAscii(S2[I]));
        if (A != B)
            return A - B;
    }
    return S1.size() == S2.size() ? 0 : (S1.size() < S2.size() ? -1 : 1);
}

bool SameText(std::string_view S1, std::string_view S2)
{
    return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

int32_t Pos(std::string_view SubStr, std::string_view S)
{
    if (SubStr.empty())
        return 0;
    const size_t P = S.find(SubStr);
    return P == std::string_view::npos ? 0 : static_cast<int32_t>(P + 1);
}

std::string Copy(std::string_view S, int32_t Index, int32_t Count)
{
    if (Index < 1)
        Index = 1;
    if (Count <= 0 || static_cast<size_t>(Index) > S.size())
        return std::string();
    return std::string(S.substr(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count)));
}

int32_t LastDelimiter(std::string_view Delimiters, std::string_view S)
{
    const size_t P = S.find_last_of(Delimiters);
    return P == std::string_view::npos ? 0 : static_cast<int32_t>(P + 1);
}

std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags)
{
    if (OldPattern.empty())
        return std::string(S);
    const bool IgnoreCase = Flags.Contains(rfIgnoreCase);
    const std::string Haystack = IgnoreCase ? UpperCase(S) : std::string(S);
    const std::string Needle = IgnoreCase ? UpperCase(OldPattern) : std::string(OldPattern);
    std::string Out;
    size_t From = 0;
    while (true) {
        const size_t P = Haystack.find(Needle, From);
        if (P == std::string::npos)
            break;
        Out.append(S.substr(From, P - From));
        Out.append(NewPattern);
        From = P + Needle.size();
        if (!Flags.Contains(rfReplaceAll))
            break;
    }
    Out.append(S.substr(From));
    return Out;
}

// ---------------------------------------------------------------------------------------------
// Numbers

std::string IntToStr(int64_t Value)
{
    return std::to_string(Value);
}

std::string UIntToStr(uint64_t Value)
{
    return std::to_string(Value);
}

std::string IntToHex(uint64_t Value, int32_t Digits)
{
    std::string S = UnsignedToDigits(Value, 16, true);
    if (Digits > 64)
        Digits = 64;
    if (Digits > 0 && S.size() < static_cast<size_t>(Digits))
        S.insert(0, static_cast<size_t>(Digits) - S.size(), '0');
    return S;
}

bool TryStrToInt64(std::string_view S, int64_t& Value)
{
    size_t I = 0;
    while (I < S.size() && (S[I] == ' ' || (S[I] >= 9 && S[I] <= 13)))
        ++I;
    bool Negative = false;
    if (I < S.size() && (S[I] == '+' || S[I] == '-')) {
        Negative = S[I] == '-';
        ++I;
    }
    if (I >= S.size())
        return false;
    // Accumulate the magnitude; the negative range is one larger.
    const uint64_t Limit = Negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t M = 0;
    for (; I < S.size(); ++I) {
        const char C = S[I];
        if (C < '0' || C > '9')
            return false;
        const unsigned D = static_cast<unsigned>(C - '0');
        if (M > (Limit - D) / 10)
            return false;
        M = M * 10 + D;
    }
    Value = Negative ? static_cast<int64_t>(0 - M) : static_cast<int64_t>(M);
    return true;
}

bool TryStrToInt(std::string_view S, int32_t& Value)
{
    int64_t V = 0;
    if (!TryStrToInt64(S, V) || V < std::numeric_limits<int32_t>::min() || V > std::numeric_limits<int32_t>::max())
        return false;
    Value = static_cast<int32_t>(V);
    return true;
}

int32_t StrToInt(std::string_view S)
{
    int32_t V = 0;
    if (!TryStrToInt(S, V))
        throw EConvertError(Format("'%s' is not an integer", S));
    return V;
}

int64_t StrToInt64(std::string_view S)
{
    int64_t V = 0;
    if (!TryStrToInt64(S, V))
        throw EConvertError(Format("'%s' is not an integer", S));
    return V;
}

int32_t StrToIntDef(std::string_view S, int32_t Default)
{
    int32_t V = 0;
    return TryStrToInt(S, V) ? V : Default;
}

int64_t StrToInt64Def(std::string_view S, int64_t Default)
{
    int64_t V = 0;
    return TryStrToInt64(S, V) ? V : Default;
}

std::string FloatToStr(double Value)
{
    return FloatToStr(Value, DefaultLocaleFormats());
}

std::string FloatToStr(double Value, const TLocaleFormats& Formats)
{
    return FloatGeneral(Value, 15, Formats.DecimalSeparator);
}

bool TryStrToFloat(std::string_view S, double& Value, const TLocaleFormats& Formats)
{
    const std::string T = Trim(S);
    // Sign, digits with at most one decimal separator, optional exponent; nothing else.
    std::string Plain;
    size_t I = 0;
    if (I < T.size() && (T[I] == '+' || T[I] == '-')) {
        if (T[I] == '-')
            Plain += '-';
        ++I;
    }
    bool Digits = false;
    bool Separator = false;
    for (; I < T.size(); ++I) {
        const char C = T[I];
        if (C >= '0' && C <= '9') {
            Plain += C;
            Digits = true;
        } else if (C == Formats.DecimalSeparator && !Separator) {
            Plain += '.';
            Separator = true;
        } else {
            break;
        }
    }
    if (!Digits)
        return false;
    if (I < T.size() && (T[I] == 'e' || T[I] == 'E')) {
        Plain += 'e';
        ++I;
        if (I < T.size() && (T[I] == '+' || T[I] == '-'))
            Plain += T[I++];
        bool ExpDigits = false;
        for (; I < T.size() && T[I] >= '0' && T[I] <= '9'; ++I) {
            Plain += T[I];
            ExpDigits = true;
        }
        if (!ExpDigits)
            return false;
    }
    if (I != T.size())
        return false;
    double V = 0;
    auto R = std::from_chars(Plain.data(), Plain.data() + Plain.size(), V);
    if (R.ec != std::errc() || R.ptr != Plain.data() + Plain.size() || !std::isfinite(V))
        return false;
    Value = V;
    return true;
}

bool TryStrToFloat(std::string_view S, double& Value)
{
    return TryStrToFloat(S, Value, DefaultLocaleFormats());
}

double StrToFloat(std::string_view S, const TLocaleFormats& Formats)
{
    double V = 0;
    if (!TryStrToFloat(S, V, Formats))
        throw EConvertError(Format("'%s' is not a valid floating point value", S));
    return V;
}

double StrToFloat(std::string_view S)
{
    return StrToFloat(S, DefaultLocaleFormats());
}

double StrToFloatDef(std::string_view S, double Default)
{
    double V = 0;
    return TryStrToFloat(S, V) ? V : Default;
}

namespace {

// 2^63 as a double: the first value past the int64 range.
constexpr double kTwo63 = 9223372036854775808.0;

int64_t CheckedInt64(double Value, double Whole)
{
    if (!(Whole >= -kTwo63 && Whole < kTwo63))
        throw EConvertError("Floating point value " + FloatToStr(Value) + " is out of the integer range");
    return static_cast<int64_t>(Whole);
}

} // namespace

int64_t Round(double Value)
{
    // Halves to even, whatever the current rounding mode; the difference is exact.
    double Whole = std::floor(Value);
    const double Diff = Value - Whole;
    if (Diff > 0.5 || (Diff == 0.5 && std::fmod(Whole, 2.0) != 0))
        Whole += 1;
    return CheckedInt64(Value, Whole);
}

int64_t Trunc(double Value)
{
    return CheckedInt64(Value, std::trunc(Value));
}
