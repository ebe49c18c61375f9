// Front end of the bitmap codec library.
#include "imagelib/ImgBmc.h"

#include <cstring>
#include <vector>

#include "imagelib/bmc/Bmc.h"
#include "platform/rtl/Stream.h"

namespace {

struct TProgressTarget {
    TDibGraphic* Graphic = nullptr;
    const TDidodazaProgressEvent* Handler = nullptr;
};

void ForwardProgress(int32_t Percent, void* Data)
{
    auto* Target = static_cast<TProgressTarget*>(Data);
    if (Target && Target->Handler && *Target->Handler)
        NotifyProgress(Target->Graphic, Percent, 0, 255, 100, *Target->Handler);
}

} // namespace

void BmcProgress(int32_t Percent, void* Data)
{
    auto* Graphic = static_cast<TDibGraphic*>(Data);
    if (Graphic && Graphic->OnProgress)
        NotifyProgress(Graphic, Percent, 0, 255, 100, Graphic->OnProgress);
}

TStream* StreamFromStart(TStream* Stream, TMemoryStream& Copy)
{
    const int64_t Pos = Stream->GetPosition();
    if (Pos == 0)
        return Stream;
    const int64_t Rest = Stream->GetSize() - Pos;
    if (Rest > 0)
        Copy.CopyFrom(Stream, Rest);
    Copy.SetPosition(0);
    return &Copy;
}

void BmcReadGraphic(TStream* Stream, TDibGraphic* Graphic, const std::string& FileName,
                    const TDidodazaProgressEvent& OnProgress, const std::string& Options)
{
    NotifyProgress(Graphic, 0, 0, 255, 100, OnProgress);
    int32_t Type = -1;
    if (bmc_guess_filetype(FileName.c_str(), &Type) != BMC_OK)
        throw EBmcError("bmc_guess_filetype failed.");
    BMC Bmc;
    if (bmc_read_header(FileName.c_str(), Stream, Type, &Bmc, Options.c_str()) != BMC_OK)
        throw EBmcError("bmc_read_header failed.");
    ImageFormat Format;
    switch (Bmc.bpp) {
    case 1: Format = ifBlackWhite; break;
    case 4: Format = ifColor16; break;
    case 8: Format = ifColor256; break;
    case 24: Format = ifTrueColor; break;
    default: throw EBmcError("Internal error: Invalid image format");
    }
    TDibLogPalette LogPalette{};
    const TDibLogPalette* Palette = nullptr;
    if (Format != ifTrueColor) {
        BMCRGB Entries[256] = {};
        if (bmc_read_palette(Stream, Type, &Bmc, Entries) != BMC_OK)
            throw EBmcError("bmc_read_header failed.");
        LogPalette.Version = 0x300;
        LogPalette.NumEntries = static_cast<uint16_t>(1u << Bmc.bpp);
        for (int32_t I = 0; I < LogPalette.NumEntries; ++I)
            LogPalette.Entries[I] = TPaletteEntry{Entries[I].red, Entries[I].green, Entries[I].blue, 0};
        Palette = &LogPalette;
    }
    Graphic->NewImage(Bmc.width, Bmc.height, Format, Palette, 0, 0);
    // The codec's layout is the picture's own: bottom-up rows of BytesPerLine.
    if (bmc_row_bytes(&Bmc) != Graphic->BytesPerLine())
        throw EBmcError("Internal error: Invalid image format");
    uint8_t* Bits = Graphic->ScanLine(Graphic->GetHeight() - 1);
    TProgressTarget Target{Graphic, &OnProgress};
    if (bmc_read_data(Stream, Type, &Bmc, ForwardProgress, &Target, Bits) != BMC_OK) {
        Graphic->FreeImage();
        throw EBmcError("bmc_read_data failed.");
    }
    NotifyProgress(Graphic, 100, 0, 255, 100, OnProgress);
}

void BmcWriteGraphic(TStream* Stream, TDibGraphic* Graphic, const std::string& FileName,
                     const TDidodazaProgressEvent& OnProgress)
{
    int32_t Type = -1;
    if (bmc_guess_filetype(FileName.c_str(), &Type) != BMC_OK)
        throw EBmcError("bmc_guess_filetype failed.");
    if (Graphic->GetEmpty())
        throw EBmcError("Internal error: Invalid image format");
    BMC Bmc;
    Bmc.width = Graphic->GetWidth();
    Bmc.height = Graphic->GetHeight();
    switch (Graphic->GetImageFormat()) {
    case ifBlackWhite: Bmc.bpp = 1; break;
    case ifGray16: case ifColor16: Bmc.bpp = 4; break;
    case ifGray256: case ifColor256: Bmc.bpp = 8; break;
    case ifTrueColor: Bmc.bpp = 24; break;
    default: throw EBmcError("Internal error: Invalid image format");
    }
    BMCRGB Palette[256] = {};
    if (Bmc.bpp != 24) {
        const TDibLogPalette* Log = Graphic->LogPalette();
        for (int32_t I = 0; I < Log->NumEntries && I < 256; ++I)
            Palette[I] = BMCRGB{Log->Entries[I].Red, Log->Entries[I].Green, Log->Entries[I].Blue};
    }
    const uint8_t* Bits = Graphic->ScanLine(Graphic->GetHeight() - 1);
    TProgressTarget Target{Graphic, &OnProgress};
    if (bmc_write(FileName.c_str(), Stream, Type, &Bmc, Palette, Bits, "", ForwardProgress, &Target) != BMC_OK)
        throw EBmcError("bmc_write failed.");
}
