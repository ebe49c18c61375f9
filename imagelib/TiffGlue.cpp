// libtiff over TStream. Every client procedure catches everything: libtiff only sees return codes.
#include "imagelib/TiffGlue.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgHooks.h"
#include "imagelib/TiffGraphic.h"
#include "platform/rtl/Stream.h"

namespace {

uint16_t gUserTagNumbers[kUserTagCount];
bool gUserTagNumbersSet = false;
char gUserTagNames[kUserTagCount][12];
TIFFFieldInfo gUserTagFields[kUserTagCount];

std::mutex gInitLock;
int32_t gInitCount = 0;
TIFFExtendProc gPreviousExtender = nullptr;
TIFFErrorHandler gPreviousError = nullptr;
TIFFErrorHandler gPreviousWarning = nullptr;

// Plain characters, not a std::string: with this tool chain the destructor of a thread_local
// object can run on storage the runtime has already reused when a worker thread ends.
thread_local char gLastMessage[600];

void SetLastMessage(const std::string& Text) noexcept
{
    std::snprintf(gLastMessage, sizeof(gLastMessage), "%s", Text.c_str());
}

void KeepMessage(const char* Module, const char* Fmt, va_list Args) noexcept
{
    try {
        char Text[512];
        std::vsnprintf(Text, sizeof(Text), Fmt ? Fmt : "", Args);
        SetLastMessage(Module ? std::string(Module) + ": " + Text : std::string(Text));
    } catch (...) {
        // Called from libtiff: a message that cannot be kept is lost, the failure still reported.
    }
}

void ErrorHandler(const char* Module, const char* Fmt, va_list Args) { KeepMessage(Module, Fmt, Args); }
// Warnings are kept too, but never replace an error of the same call.
void WarningHandler(const char* Module, const char* Fmt, va_list Args)
{
    if (gLastMessage[0] == '\0')
        KeepMessage(Module, Fmt, Args);
}

void UserTagExtender(TIFF* Tiff)
{
    TIFFMergeFieldInfo(Tiff, gUserTagFields, kUserTagCount);
    if (gPreviousExtender)
        gPreviousExtender(Tiff);
}

void BuildUserTagFields()
{
    if (!gUserTagNumbersSet)
        for (int32_t I = 0; I < kUserTagCount; ++I)
            gUserTagNumbers[I] = static_cast<uint16_t>(kFirstUserTag + I);
    for (int32_t I = 0; I < kUserTagCount; ++I) {
        std::snprintf(gUserTagNames[I], sizeof(gUserTagNames[I]), "UserTag%d", static_cast<int>(I + 1));
        gUserTagFields[I] = TIFFFieldInfo{gUserTagNumbers[I], TIFF_VARIABLE, TIFF_VARIABLE, TIFF_ASCII,
                                         FIELD_CUSTOM,      1,             0,             gUserTagNames[I]};
    }
}

TStream* StreamOf(thandle_t Handle) { return static_cast<TStream*>(Handle); }

tmsize_t TiffStreamRead(thandle_t Handle, void* Buffer, tmsize_t Size)
{
    try {
        tmsize_t Done = 0;
        auto* Out = static_cast<uint8_t*>(Buffer);
        while (Done < Size) {
            const tmsize_t Chunk = std::min<tmsize_t>(Size - Done, 1 << 30);
            const int32_t N = StreamOf(Handle)->Read(Out + Done, static_cast<int32_t>(Chunk));
            if (N <= 0)
                break;
            Done += N;
        }
        return Done;
    } catch (...) {
        return -1; // libtiff reports a failed read; nothing may unwind into it
    }
}

tmsize_t TiffStreamWrite(thandle_t Handle, void* Buffer, tmsize_t Size)
{
    try {
        tmsize_t Done = 0;
        const auto* In = static_cast<const uint8_t*>(Buffer);
        while (Done < Size) {
            const tmsize_t Chunk = std::min<tmsize_t>(Size - Done, 1 << 30);
            const int32_t N = StreamOf(Handle)->Write(In + Done, static_cast<int32_t>(Chunk));
            if (N <= 0)
                break;
            Done += N;
        }
        return Done;
    } catch (...) {
        return -1; // libtiff reports a failed write; nothing may unwind into it
    }
}

toff_t TiffStreamSeek(thandle_t Handle, toff_t Offset, int Whence)
{
    try {
        TSeekOrigin Origin = soBeginning;
        if (Whence == SEEK_CUR)
            Origin = soCurrent;
        else if (Whence == SEEK_END)
            Origin = soEnd;
        // Offsets are signed for SEEK_CUR/SEEK_END; anything beyond 63 bits is no offset at all.
        const int64_t Signed = static_cast<int64_t>(Offset);
        if (Origin == soBeginning && Signed < 0)
            return static_cast<toff_t>(-1);
        const int64_t Result = StreamOf(Handle)->Seek(Signed, Origin);
        return Result < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(Result);
    } catch (...) {
        return static_cast<toff_t>(-1); // libtiff reports a failed seek
    }
}

// The stream belongs to its owner.
int TiffStreamClose(thandle_t) { return 0; }

toff_t TiffStreamSize(thandle_t Handle)
{
    try {
        return static_cast<toff_t>(StreamOf(Handle)->GetSize());
    } catch (...) {
        return 0; // an unknown size reads as 0; nothing may unwind into libtiff
    }
}

int TiffStreamMap(thandle_t, void**, toff_t*) { return 0; }
void TiffStreamUnmap(thandle_t, void*, toff_t) {}

} // namespace

void TIFFSetUserTagNumbers(const uint16_t* Numbers, int32_t Count)
{
    std::lock_guard<std::mutex> Lock(gInitLock);
    if (gInitCount > 0 || !Numbers)
        return; // the extender already uses the table
    for (int32_t I = 0; I < kUserTagCount; ++I)
        gUserTagNumbers[I] = I < Count ? Numbers[I] : static_cast<uint16_t>(kFirstUserTag + I);
    gUserTagNumbersSet = true;
}

uint32_t UserTagNumber(int32_t Slot)
{
    if (Slot < 0 || Slot >= kUserTagCount)
        return 0;
    return gUserTagNumbersSet ? gUserTagNumbers[Slot] : kFirstUserTag + static_cast<uint32_t>(Slot);
}

void TiffLibInit()
{
    std::lock_guard<std::mutex> Lock(gInitLock);
    if (gInitCount++ > 0)
        return;
    BuildUserTagFields();
    gPreviousError = TIFFSetErrorHandler(ErrorHandler);
    gPreviousWarning = TIFFSetWarningHandler(WarningHandler);
    gPreviousExtender = TIFFSetTagExtender(UserTagExtender);
    SetAnnotationTextReader([](TDibGraphic* Picture) -> std::string {
        const auto* Tiff = dynamic_cast<TTiffGraphic*>(Picture);
        return Tiff ? Tiff->GetAnnotations() : std::string();
    });
}

void TiffLibDone()
{
    std::lock_guard<std::mutex> Lock(gInitLock);
    if (gInitCount == 0 || --gInitCount > 0)
        return;
    SetAnnotationTextReader(nullptr);
    TIFFSetTagExtender(gPreviousExtender);
    TIFFSetWarningHandler(gPreviousWarning);
    TIFFSetErrorHandler(gPreviousError);
    gPreviousExtender = nullptr;
}

void RegisterTiffGraphic()
{
    RegisterDibGraphic("TIF", "TIFF file", DibGraphicClassOf<TTiffGraphic>());
    RegisterDibGraphic("TIFF", "TIFF file", DibGraphicClassOf<TTiffGraphic>());
}

TIFF* TiffStreamOpen(TStream* Stream, const char* Mode)
{
    if (!Stream)
        return nullptr;
    return TIFFClientOpen("", Mode, static_cast<thandle_t>(Stream), TiffStreamRead, TiffStreamWrite, TiffStreamSeek,
                          TiffStreamClose, TiffStreamSize, TiffStreamMap, TiffStreamUnmap);
}

std::string TiffLastMessage() { return gLastMessage; }
void TiffClearLastMessage() { gLastMessage[0] = '\0'; }
