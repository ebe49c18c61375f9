// BMP pictures.
#include "imagelib/BitmapGraphic.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "imagelib/ImgBmc.h"
#include "platform/rtl/Stream.h"

namespace {

uint32_t Get32(const uint8_t* P)
{
    return static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) | (static_cast<uint32_t>(P[2]) << 16) |
           (static_cast<uint32_t>(P[3]) << 24);
}
void Put16(uint8_t* P, uint16_t V)
{
    P[0] = static_cast<uint8_t>(V);
    P[1] = static_cast<uint8_t>(V >> 8);
}
void Put32(uint8_t* P, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        P[I] = static_cast<uint8_t>(V >> (8 * I));
}

// Pels per metre as dots per inch; values outside 0..65535 dpi are not resolutions.
int32_t DpiOf(uint32_t PelsPerMetre)
{
    const double Dpi = std::round(static_cast<int32_t>(PelsPerMetre) * 0.0254);
    return Dpi < 0 || Dpi > 65535 ? 0 : static_cast<int32_t>(Dpi);
}

} // namespace

std::unique_ptr<TDibGraphic> TBitmapGraphic::CreateNew() const { return std::make_unique<TBitmapGraphic>(); }

bool TBitmapGraphic::CanLoadStream(TStream* Stream)
{
    const int64_t Pos = Stream->GetPosition();
    uint8_t Head[2] = {};
    const int32_t Got = Stream->Read(Head, 2);
    Stream->SetPosition(Pos);
    return Got == 2 && Head[0] == 'B' && (Head[1] == 'M' || Head[1] == 'A');
}

void TBitmapGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    TMemoryStream Copy;
    TStream* Source = StreamFromStart(Stream, Copy);
    // Resolution only from info headers that carry it (40 bytes and more); in a "BA" array,
    // from the "BM" file behind the array's 14-byte header.
    uint8_t Head[14 + 14 + 40] = {};
    const int32_t Got = Source->Read(Head, sizeof(Head));
    Source->SetPosition(0);
    int32_t XDpi = 0, YDpi = 0;
    const int32_t FileStart = Got >= 2 && Head[0] == 'B' && Head[1] == 'A' ? 14 : 0;
    if (Got >= FileStart + 46 && Head[FileStart] == 'B' && Head[FileStart + 1] == 'M' &&
        Get32(Head + FileStart + 14) >= 40) {
        XDpi = DpiOf(Get32(Head + FileStart + 38));
        YDpi = DpiOf(Get32(Head + FileStart + 42));
    }
    try {
        BmcReadGraphic(Source, this, "File.bmp", OnProgress, "inv");
    } catch (const EDidodazaError& E) {
        // Data the codecs understood but could not read is damaged: no second opinion.
        if (E.Message() == "bmc_read_data failed.")
            throw;
        // What the codecs refuse (bit fields, 16 and 32 bits, top-down rows) the platform reads.
        Source->SetPosition(0);
        NotifyProgress(this, 5, 0, 255, 100, OnProgress);
        LoadBitmapThroughPlatform(Source, this);
        NotifyProgress(this, 95, 0, 255, 100, OnProgress);
    }
    SetXDpi(XDpi);
    SetYDpi(YDpi);
}

void TBitmapGraphic::SaveToStream(TStream* Stream)
{
    if (GetEmpty())
        throw EDidodazaError("The picture is empty");
    NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    const TDibInfo& Info = GetBitmapInfo();
    const uint32_t Entries = GetImageFormat() == ifTrueColor ? 0 : LogPalette()->NumEntries;
    const uint32_t PaletteBytes = 4 * Entries;
    const uint64_t ImageBytes = static_cast<uint64_t>(BytesPerLine()) * static_cast<uint64_t>(GetHeight());
    uint8_t Head[14] = {'B', 'M'};
    Put32(Head + 2, static_cast<uint32_t>(54 + PaletteBytes + ImageBytes));
    Put16(Head + 6, 0);
    Put16(Head + 8, 0);
    Put32(Head + 10, 54 + PaletteBytes);
    Stream->WriteBuffer(Head, sizeof(Head));
    Stream->WriteBuffer(&Info.Header, sizeof(Info.Header));
    NotifyProgress(this, 5, 0, 255, 100, OnProgress);
    if (PaletteBytes)
        Stream->WriteBuffer(Info.Colors, static_cast<int32_t>(PaletteBytes));
    NotifyProgress(this, 10, 0, 255, 100, OnProgress);
    Stream->WriteBuffer(ScanLine(GetHeight() - 1), static_cast<int32_t>(ImageBytes));
    NotifyProgress(this, 100, 0, 255, 100, OnProgress);
}
