// libpng over TStream: error, warning and stream callbacks, and the trap every call runs in.
#include "imagelib/PngGlue.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <mutex>

#include "imagelib/ImgMisc.h"

namespace {

std::mutex gHookLock;
TPngWarningHook gWarningHook;
std::atomic<bool> gSilenced{false};

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
            std::lock_guard<std::mutex> Lock(gHookLock);
            Hook = gWarningHook;
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
const png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0pCAL\0sCAL";

__attribute__((noinline)) bool Trap(TPngGlue* G, TPngStep Step, void* Arg)
{
    if (setjmp(png_jmpbuf(G->Png)) != 0)
        return false;
    Step(G, Arg);
    return true;
}

// --- reading ---------------------------------------------------------------------------------

// The transforms and what libpng reports back, under the trap: plain data only.
struct TSetupStep {
    const TPngReadOptions* Options = nullptr;
    TPngReadInfo* Info = nullptr;
    bool TrueColor;
    bool InterlaceBad;
    bool PaletteBad;
};

void HeaderStep(TPngGlue* G, void* Arg)
{
    auto* R = static_cast<TPngReadInfo*>(Arg);
    png_set_sig_bytes(G->Png, 8);
    png_read_info(G->Png, G->Info);
    png_get_IHDR(G->Png, G->Info, &R->Width, &R->Height, &R->BitDepth, &R->ColorType, &R->Interlace, nullptr,
                 nullptr);
}

void SetupStep(TPngGlue* G, void* Arg)
{
    auto* S = static_cast<TSetupStep*>(Arg);
    const TPngReadOptions& O = *S->Options;
    TPngReadInfo& R = *S->Info;
    png_structp P = G->Png;
    png_infop I = G->Info;
    if (R.BitDepth == 16) {
        png_set_strip_16(P);
        png_set_swap(P);
    }
    if (S->TrueColor)
        png_set_bgr(P);
    int Intent = 0;
    if (png_get_sRGB(P, I, &Intent)) {
        png_set_sRGB(P, I, Intent);
    } else if (R.BitDepth > 2) {
        double FileGamma = 0;
        if (!png_get_gAMA(P, I, &FileGamma) || FileGamma == 0)
            FileGamma = 0.5;
        R.GammaSet = true;
        R.Gamma = FileGamma;
        // An identity correction is not requested: libpng would still composite alpha in
        // linear light, and half-transparent pixels would come out far too bright.
        if (std::fabs(FileGamma * O.ScreenGamma - 1.0) > 1e-3)
            png_set_gamma(P, O.ScreenGamma, FileGamma);
    }
    // Alpha and tRNS are composited away; pictures without them need no compositing pass.
    if ((R.ColorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(P, I, PNG_INFO_tRNS)) {
        png_color_16p FileBackground = nullptr;
        if (png_get_bKGD(P, I, &FileBackground) && FileBackground && !O.UseBackgroundColor)
            png_set_background(P, FileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
        else
            png_set_background(P, &O.Background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    png_uint_32 ResX = 0, ResY = 0;
    int Unit = 0;
    if (png_get_pHYs(P, I, &ResX, &ResY, &Unit) && Unit == PNG_RESOLUTION_METER) {
        R.XDpi = static_cast<int32_t>(std::min(std::lround(ResX * 0.0254), 65535L));
        R.YDpi = static_cast<int32_t>(std::min(std::lround(ResY * 0.0254), 65535L));
    }
    if (R.Interlace == PNG_INTERLACE_NONE)
        R.Passes = 1;
    else if (R.Interlace == PNG_INTERLACE_ADAM7)
        R.Passes = png_set_interlace_handling(P);
    else {
        S->InterlaceBad = true;
        return;
    }
    png_read_update_info(P, I);
    R.RowBytes = png_get_rowbytes(P, I);
    if (R.ColorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp Palette = nullptr;
        int Count = 0;
        if (!png_get_PLTE(P, I, &Palette, &Count) || !Palette) {
            S->PaletteBad = true;
            return;
        }
        // Never more entries than the bit depth can address.
        Count = std::min(Count, 1 << R.BitDepth);
        R.PaletteCount = Count;
        std::memcpy(R.Palette, Palette, size_t(Count) * sizeof(png_color));
    }
}

// Rows of one chunk, read under the trap.
struct TRowRun {
    png_bytep* Rows = nullptr;
    int32_t Count;
};

void ReadRowRun(TPngGlue* G, void* Arg)
{
    auto* R = static_cast<TRowRun*>(Arg);
    for (int32_t I = 0; I < R->Count; ++I)
        png_read_row(G->Png, R->Rows[I], nullptr);
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
                    png_set_keep_unknown_chunks(G->Png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                                int(sizeof(kSkippedChunks) / 5));
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

TPngReadInfo PngStartReading(TPngGlue* G, const TPngReadOptions& Options)
{
    png_byte Signature[8];
    if (G->Stream->Read(Signature, sizeof(Signature)) != 8 || png_sig_cmp(Signature, 0, 8) != 0)
        throw EPNGError("PNG file is not valid or corrupted");
    TPngReadInfo Info{};
    PngRun(G, HeaderStep, &Info);
    const int D = Info.BitDepth;
    if (D != 1 && D != 2 && D != 4 && D != 8 && D != 16)
        throw EPNGError("Invalid bit depth");
    int PixelBits; // as the rows come out
    switch (Info.ColorType) {
    case PNG_COLOR_TYPE_GRAY:
        PixelBits = std::min(D, 8);
        break;
    case PNG_COLOR_TYPE_PALETTE:
        if (D == 16)
            throw EPNGError("Invalid color type for bit depth");
        PixelBits = D;
        break;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_RGB_ALPHA:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        if (D < 8)
            throw EPNGError("Invalid color type for bit depth");
        PixelBits = Info.ColorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 8 : 24;
        break;
    default:
        throw EPNGError("Invalid color type for bit depth");
    }
    TSetupStep S{&Options, &Info, PixelBits == 24, false, false};
    PngRun(G, SetupStep, &S);
    if (S.InterlaceBad)
        throw EPNGError("Interlace type not valid");
    if (S.PaletteBad)
        throw EPNGError("png_get_PLTE failed");
    // libpng must deliver exactly the row the chosen layout holds, or rows would overflow.
    if (int64_t(Info.RowBytes) != (int64_t(Info.Width) * PixelBits + 7) / 8 || Info.Width > 0x7FFFFFFFu ||
        Info.Height > 0x7FFFFFFFu)
        throw EPNGError("PNG file is not valid or corrupted");
    return Info;
}

void PngReadRows(TPngGlue* G, const TPngReadInfo& Info, png_bytep* Rows,
                 const std::function<void(int Pass, int32_t RowsDone)>& OnChunk)
{
    const int32_t Height = static_cast<int32_t>(Info.Height);
    for (int Pass = 0; Pass < Info.Passes; ++Pass)
        for (int32_t Y = 0; Y < Height; Y += kPngRowChunk) {
            TRowRun Run{Rows + Y, std::min(kPngRowChunk, Height - Y)};
            PngRun(G, ReadRowRun, &Run);
            if (OnChunk)
                OnChunk(Pass, Y + Run.Count);
        }
}

void SetPngWarningHook(TPngWarningHook Hook)
{
    std::lock_guard<std::mutex> Lock(gHookLock);
    gWarningHook = std::move(Hook);
}

TPngWarningHook GetPngWarningHook()
{
    std::lock_guard<std::mutex> Lock(gHookLock);
    return gWarningHook;
}

void SetPngWarningsSilenced(bool Value) { gSilenced = Value; }
bool GetPngWarningsSilenced() { return gSilenced; }
