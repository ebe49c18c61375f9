#pragma once
// Support routines shared by every codec of the image library: its exceptions, progress
// dispatch, number and date helpers and the temporary-file namer. Portable except
// CreateTempFile, which asks Windows for the temporary folder.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/SysUtils.h"

// One catch takes every failure of the library.
QM_DECLARE_EXCEPTION(EDidodazaError, Exception);
QM_DECLARE_EXCEPTION(ETiffError, EDidodazaError);
QM_DECLARE_EXCEPTION(EJpegError, EDidodazaError);
QM_DECLARE_EXCEPTION(EPNGError, EDidodazaError);
QM_DECLARE_EXCEPTION(EBmcError, EDidodazaError);
QM_DECLARE_EXCEPTION(EDcxError, EDidodazaError);
QM_DECLARE_EXCEPTION(ETgaError, EDidodazaError);

// Progress of a long operation: the sender and a percentage 0..100.
using TDidodazaProgressEvent = std::function<void(TObject* Sender, uint8_t Percent)>;

// Percent of Current within Min..Max, clamped to 0..100 (0 when Max <= Min). Calls Handler
// only when the percent differs from LastPercent; pass 255 to force a call. Without a handler
// it returns 0. Keep the result as the next LastPercent.
uint8_t NotifyProgress(TObject* Sender, int64_t Current, int64_t Min, uint8_t LastPercent, int64_t Max,
                       const TDidodazaProgressEvent& Handler);

// Temp folder + Prefix + N + Extension for the first N whose file does not exist; the file is
// not created. Windows only.
void CreateTempFile(const std::string& Prefix, const std::string& Extension, std::string& FileName);
// The same in a given folder (the part that does not ask Windows).
std::string UnusedFileName(const std::string& Folder, const std::string& Prefix, const std::string& Extension,
                           const std::function<bool(const std::string&)>& Exists);

// "" gives "\"; a backslash is added unless the text ends in "\" or ":".
std::string AddBackslash(const std::string& Folder);

// Formatted with Pattern directly; the program-wide patterns are never touched.
std::string DateToTextWithPattern(const std::string& Pattern, TDateTime Date);
std::string TimeToTextWithPattern(const std::string& Pattern, TDateTime Time);

// Value rounded to Digits decimals.
double RoundToDigits(int32_t Digits, double Value);
// Toward zero; outside the 64-bit range (or NaN) raises Exception "ImgMisc unit: Error in SafeTrunc.".
int64_t SafeTrunc(double Value);
int64_t Ceil(double Value);
int64_t Floor(double Value);
int32_t Clamp(int32_t Value, int32_t Min, int32_t Max);
void SwapInt(int32_t& A, int32_t& B);
bool HasFlags(uint32_t Value, uint32_t Mask);
[[noreturn]] void RaiseLzwNotSupported();

// The display gamma the PNG reader corrects for; set when the library starts.
extern double ScreenGamma;
constexpr double kStartScreenGamma = 2.0;
