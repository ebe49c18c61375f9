#pragma once
// Base object, exceptions, Format, and the text and number routines.

#include <concepts>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/rtl/Flags.h"
#include "platform/rtl/LocaleFormats.h"

// ---------------------------------------------------------------------------------------------
// TObject and exceptions

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;
    // The class's own name as the design writes it ("TBitmap"); every class overrides it.
    virtual std::string ClassName() const { return "TObject"; }
};

class Exception : public TObject, public std::exception {
public:
    explicit Exception(std::string Msg) : FMessage(std::move(Msg)) {}
    explicit Exception(const char* Msg) : FMessage(Msg ? Msg : "") {}
    std::string ClassName() const override { return "Exception"; }
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const { return FMessage; }
    void SetMessage(std::string Msg) { FMessage = std::move(Msg); }

private:
    std::string FMessage;
};

// Declares an exception class that only adds its name.
#define QM_DECLARE_EXCEPTION(Name, Base)                                                       \
    class Name : public Base {                                                                 \
    public:                                                                                    \
        using Base::Base;                                                                      \
        std::string ClassName() const override { return #Name; }                             \
    }

QM_DECLARE_EXCEPTION(EConvertError, Exception);
QM_DECLARE_EXCEPTION(EListError, Exception);
QM_DECLARE_EXCEPTION(EStringListError, EListError);
QM_DECLARE_EXCEPTION(EComponentError, Exception);
QM_DECLARE_EXCEPTION(EStreamError, Exception);
QM_DECLARE_EXCEPTION(EReadError, EStreamError);
QM_DECLARE_EXCEPTION(EWriteError, EStreamError);
QM_DECLARE_EXCEPTION(EOutOfMemory, Exception);
QM_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);
QM_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
QM_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
QM_DECLARE_EXCEPTION(EInvalidOperation, Exception);
QM_DECLARE_EXCEPTION(ERegistryException, Exception);
QM_DECLARE_EXCEPTION(EThread, Exception);

// Opening or creating a file failed; keeps the system's error code (errno or GetLastError)
// so a caller can tell "exists" or "not found" from other failures.
class EFileStreamError : public EStreamError {
public:
    EFileStreamError(std::string Msg, std::string FileName, uint32_t ErrorCode)
        : EStreamError(std::move(Msg)), FFileName(std::move(FileName)), FErrorCode(ErrorCode) {}
    std::string ClassName() const override { return "EFileStreamError"; }
    const std::string& GetFileName() const { return FFileName; }
    uint32_t GetErrorCode() const { return FErrorCode; }

private:
    std::string FFileName;
    uint32_t FErrorCode;
};
QM_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
QM_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);

// An input/output failure with the system's error code.
class EInOutError : public Exception {
public:
    EInOutError(std::string Msg, int32_t ErrorCode) : Exception(std::move(Msg)), FErrorCode(ErrorCode) {}
    std::string ClassName() const override { return "EInOutError"; }
    int32_t GetErrorCode() const { return FErrorCode; }

private:
    int32_t FErrorCode;
};

// A failed system call: the code and the system's text (the text is the message).
class EOSError : public Exception {
public:
    EOSError(std::string Msg, uint32_t ErrorCode) : Exception(std::move(Msg)), FErrorCode(ErrorCode) {}
    std::string ClassName() const override { return "EOSError"; }
    uint32_t GetErrorCode() const { return FErrorCode; }

private:
    uint32_t FErrorCode;
};

// ---------------------------------------------------------------------------------------------
// Format

// One argument of Format, captured with its kind so the pattern can be checked against it.
class TFormatArg {
public:
    enum class TKind { Signed, Unsigned, Float, String, Char, Pointer, Bool };

    template <class T>
        requires(std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char>)
    TFormatArg(T Value)
    {
        FBits = sizeof(T) > 4 ? 64 : 32;
        if constexpr (std::is_signed_v<T>) {
            FKind = TKind::Signed;
            FSigned = Value;
        } else {
            FKind = TKind::Unsigned;
            FUnsigned = Value;
        }
    }
    template <class T>
        requires std::is_enum_v<T>
    TFormatArg(T Value) : TFormatArg(static_cast<std::underlying_type_t<T>>(Value)) {}
    TFormatArg(bool Value) : FKind(TKind::Bool), FUnsigned(Value ? 1 : 0) {}
    TFormatArg(char Value) : FKind(TKind::Char), FUnsigned(static_cast<unsigned char>(Value)) {}
    TFormatArg(double Value) : FKind(TKind::Float), FFloat(Value) {}
    TFormatArg(float Value) : FKind(TKind::Float), FFloat(Value) {}
    TFormatArg(long double Value) : FKind(TKind::Float), FFloat(static_cast<double>(Value)) {}
    TFormatArg(const std::string& Value) : FKind(TKind::String), FString(Value) {}
    TFormatArg(std::string_view Value) : FKind(TKind::String), FString(Value) {}
    TFormatArg(const char* Value) : FKind(TKind::String), FString(Value ? Value : "") {}
    TFormatArg(const void* Value) : FKind(TKind::Pointer), FPointer(Value) {}

    TKind Kind() const { return FKind; }
    int Bits() const { return FBits; }
    int64_t AsSigned() const { return FSigned; }
    uint64_t AsUnsigned() const { return FUnsigned; }
    double AsFloat() const { return FFloat; }
    std::string_view AsString() const { return FString; }
    const void* AsPointer() const { return FPointer; }

private:
    TKind FKind;
    int FBits = 32;
    int64_t FSigned = 0;
    uint64_t FUnsigned = 0;
    double FFloat = 0;
    std::string_view FString;
    const void* FPointer = nullptr;
};

// Pattern: "%" [index ":"] ["-"] ["0"] [width | "*"] ["." precision | ".*"] type, with the
// types s d u x X f g e c p and "%%". %f defaults to 2 decimals, %g and %e to 15 digits.
// A pattern that does not match its arguments raises EConvertError.
std::string FormatArgs(std::string_view Pattern, std::span<const TFormatArg> Args,
                       const TLocaleFormats& Formats);

template <class... Args>
std::string Format(std::string_view Pattern, const Args&... A)
{
    const TFormatArg List[] = {TFormatArg(A)..., TFormatArg(0)};
    return FormatArgs(Pattern, std::span<const TFormatArg>(List, sizeof...(Args)), DefaultLocaleFormats());
}

template <class... Args>
std::string Format(const TLocaleFormats& Formats, std::string_view Pattern, const Args&... A)
{
    const TFormatArg List[] = {TFormatArg(A)..., TFormatArg(0)};
    return FormatArgs(Pattern, std::span<const TFormatArg>(List, sizeof...(Args)), Formats);
}

// ---------------------------------------------------------------------------------------------
// Text (8-bit, ASCII case rules; positions are 1-based)

std::string Trim(std::string_view S);      // drops characters up to the blank at both ends
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
int32_t CompareStr(std::string_view S1, std::string_view S2);  // <0, 0, >0; bytes unsigned
int32_t CompareText(std::string_view S1, std::string_view S2); // ignoring ASCII case
bool SameText(std::string_view S1, std::string_view S2);
int32_t Pos(std::string_view SubStr, std::string_view S);       // 0 when absent or SubStr empty
std::string Copy(std::string_view S, int32_t Index, int32_t Count);
int32_t LastDelimiter(std::string_view Delimiters, std::string_view S); // 0 when none

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TFlags<TReplaceFlag>;
std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags);

// ---------------------------------------------------------------------------------------------
// Numbers

std::string IntToStr(int64_t Value);
std::string UIntToStr(uint64_t Value);
// Upper-case hex of at least Digits digits; negative values as two's complement of their width.
std::string IntToHex(uint64_t Value, int32_t Digits);
template <class T>
    requires std::integral<T>
std::string IntToHex(T Value, int32_t Digits)
{
    return IntToHex(static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(Value)), Digits);
}

// Optional leading blanks and sign, decimal digits, nothing after them, no overflow.
int32_t StrToInt(std::string_view S);
int64_t StrToInt64(std::string_view S);
int32_t StrToIntDef(std::string_view S, int32_t Default);
int64_t StrToInt64Def(std::string_view S, int64_t Default);
bool TryStrToInt(std::string_view S, int32_t& Value);
bool TryStrToInt64(std::string_view S, int64_t& Value);

// General form, 15 significant digits, the locale's decimal separator.
std::string FloatToStr(double Value);
std::string FloatToStr(double Value, const TLocaleFormats& Formats);
double StrToFloat(std::string_view S);
double StrToFloat(std::string_view S, const TLocaleFormats& Formats);
double StrToFloatDef(std::string_view S, double Default);
bool TryStrToFloat(std::string_view S, double& Value);
bool TryStrToFloat(std::string_view S, double& Value, const TLocaleFormats& Formats);

// Half to the even number; a value outside the 64-bit range (or not a number) raises EConvertError.
int64_t Round(double Value);
int64_t Trunc(double Value);
