// libpng over TStream: error, warning and stream callbacks, and the trap every call runs in.
#include "imagelib/PngGlue.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <mutex>

#include "imagelib/ImgMisc.h"

namespace {

std::mutex HookLock;
TPngWarningHook WarningHook;
std::atomic<bool> Silenced{false};

void KeepText(char* Target, size_t Size, const char* Text)
{
    std::strncpy(Target, Text ? Text : "", Size - 1);
    Target[Size - 1] = '\0';
}

TPngGlue* GlueOfError(png_structp Png) { return static_cast<TPngGlue*>(png_get_error_ptr(Png)); }
TPngGlue* GlueOfIo(png_structp Png) { return static_cast<TPngGlue*>(png_get_io_ptr(Png)); }

void PngError(png_structp Png, png_const_charp Message)
{
    TPngGlue* G = GlueOfError(Png);
    if (G)
        KeepText(G->Error, sizeof(G->Error), Message);
    png_longjmp(Png, 1);
}

// Runs the hook outside any libpng error path; whatever it throws stops here.
void DispatchWarning(const char* Message) noexcept
{
    try {
        TPngWarningHook Hook;
        {
            std::lock_guard<std::mutex> Lock(HookLock);
            Hook = WarningHook;
        }
        if (Hook)
            Hook(Message ? Message : "");
    } catch (...) {
        // A warning must not stop the decoder.
    }
}

void PngWarning(png_structp Png, png_const_charp Message)
{
    TPngGlue* G = GlueOfError(Png);
    if (G) {
        G->Warnings++;
        KeepText(G->LastWarning, sizeof(G->LastWarning), Message);
    }
    DispatchWarning(Message);
}

// Exactly Count bytes, or false; a stream exception is kept in the glue.
bool ReadExactly(TPngGlue* G, png_bytep Data, size_t Count) noexcept
{
    try {
        while (Count > 0) {
            const int32_t Part = static_cast<int32_t>(Count > 0x40000000u ? 0x40000000u : Count);
            const int32_t Got = G->Stream->Read(Data, Part);
            if (Got <= 0)
                return false;
            Data += Got;
            Count -= size_t(Got);
        }
        return true;
    } catch (const std::exception& X) {
        KeepText(G->StreamError, sizeof(G->StreamError), X.what());
    } catch (...) {
        KeepText(G->StreamError, sizeof(G->StreamError), "Stream read failed");
    }
    G->StreamFailed = true;
    return false;
}

bool WriteExactly(TPngGlue* G, png_const_bytep Data, size_t Count) noexcept
{
    try {
        while (Count > 0) {
            const int32_t Part = static_cast<int32_t>(Count > 0x40000000u ? 0x40000000u : Count);
            const int32_t Put = G->Stream->Write(Data, Part);
            if (Put <= 0)
                return false;
            Data += Put;
            Count -= size_t(Put);
        }
        return true;
    } catch (const std::exception& X) {
        KeepText(G->StreamError, sizeof(G->StreamError), X.what());
    } catch (...) {
        KeepText(G->StreamError, sizeof(G->StreamError), "Stream write failed");
    }
    G->StreamFailed = true;
    return false;
}

void PngStreamRead(png_structp Png, png_bytep Data, size_t Length)
{
    if (!ReadExactly(GlueOfIo(Png), Data, Length))
        png_error(Png, "Read Error");
}

void PngStreamWrite(png_structp Png, png_bytep Data, size_t Length)
{
    if (!WriteExactly(GlueOfIo(Png), Data, Length))
        png_error(Png, "Write Error");
}

void PngStreamFlush(png_structp) {}

// Ancillary chunks the reader never uses that libpng would read into a buffer of their full
// declared length: text, profiles, palettes and parameters, EXIF. Five bytes each (name, NUL).
const png_byte SkippedChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0pCAL\0sCAL";

__attribute__((noinline)) bool Trap(TPngGlue* G, TPngStep Step, void* Arg)
{
    if (setjmp(png_jmpbuf(G->Png)) != 0)
        return false;
    Step(G, Arg);
    return true;
}

} // namespace

void PngRun(TPngGlue* G, TPngStep Step, void* Arg)
{
    if (!Trap(G, Step, Arg))
        throw EPNGError(G->StreamFailed ? G->StreamError : G->Error);
}

TPngGlueGuard::TPngGlueGuard(TStream* Stream, bool Writing)
{
    std::memset(&FGlue, 0, sizeof(FGlue));
    FGlue.Stream = Stream;
    FGlue.Writing = Writing;
    if (Writing)
        FGlue.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &FGlue, PngError, PngWarning);
    else
        FGlue.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &FGlue, PngError, PngWarning);
    if (!FGlue.Png)
        throw EPNGError(Writing ? "png_create_write_struct failed" : "png_create_read_struct failed");
    // From here on nothing may throw before the structure is in the guard's care.
    if (!Trap(
            &FGlue,
            [](TPngGlue* G, void*) {
                G->Info = png_create_info_struct(G->Png);
                if (!G->Info)
                    return;
                if (G->Writing) {
                    png_set_write_fn(G->Png, G, PngStreamWrite, PngStreamFlush);
                } else {
                    png_set_read_fn(G->Png, G, PngStreamRead);
                    // Ordinary files with an sRGB profile must not raise warnings.
                    png_set_option(G->Png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
                    // A chunk's declared length must not make a small file ask for gigabytes:
                    // no ancillary chunk is allowed more than 8 MiB, and at most 1000 of them
                    // are kept.
                    png_set_chunk_malloc_max(G->Png, 8 << 20);
                    png_set_chunk_cache_max(G->Png, 1000);
                    // The limit above only warns for the chunks libpng reads whole into one
                    // buffer of the declared length (a zTXt claiming 1.7 GB was still
                    // allocated). The pictures use none of them, so they are skipped unread:
                    // their data is passed over in small pieces and only its CRC is checked.
                    png_set_keep_unknown_chunks(G->Png, PNG_HANDLE_CHUNK_NEVER, SkippedChunks,
                                                int(sizeof(SkippedChunks) / 5));
                }
            },
            nullptr) ||
        !FGlue.Info) {
        if (FGlue.Writing)
            png_destroy_write_struct(&FGlue.Png, FGlue.Info ? &FGlue.Info : nullptr);
        else
            png_destroy_read_struct(&FGlue.Png, FGlue.Info ? &FGlue.Info : nullptr, nullptr);
        throw EPNGError("png_create_info_struct failed");
    }
}

TPngGlueGuard::~TPngGlueGuard()
{
    if (FGlue.Writing)
        png_destroy_write_struct(&FGlue.Png, &FGlue.Info);
    else
        png_destroy_read_struct(&FGlue.Png, &FGlue.Info, nullptr);
}

void SetPngWarningHook(TPngWarningHook Hook)
{
    std::lock_guard<std::mutex> Lock(HookLock);
    WarningHook = std::move(Hook);
}

TPngWarningHook GetPngWarningHook()
{
    std::lock_guard<std::mutex> Lock(HookLock);
    return WarningHook;
}

void SetPngWarningsSilenced(bool Value) { Silenced = Value; }
bool GetPngWarningsSilenced() { return Silenced; }
