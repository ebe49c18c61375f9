#include "imagelib/Gif.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Application.h"
#include "platform/win/BmpFormat.h"

namespace {

std::atomic<int32_t> gLivePalettes{0};

HPALETTE MakePalette(const TGifColorTable& Table, int32_t Count)
{
    struct {
        WORD Version;
        WORD Entries;
        PALETTEENTRY Colors[256];
    } Log{};
    Log.Version = 0x300;
    Log.Entries = static_cast<WORD>(Count);
    for (int32_t I = 0; I < Count; ++I) {
        const uint32_t C = Table.Colors[I];
        Log.Colors[I] = PALETTEENTRY{static_cast<BYTE>(C), static_cast<BYTE>(C >> 8), static_cast<BYTE>(C >> 16), 0};
    }
    HPALETTE P = CreatePalette(reinterpret_cast<LOGPALETTE*>(&Log));
    if (!P)
        throw EOutOfResources("Out of system resources");
    ++gLivePalettes;
    return P;
}

void DeletePalette(HPALETTE P)
{
    if (P && DeleteObject(P))
        --gLivePalettes;
}

TColor FromBmp(const TBmpColor& C) { return C.Red | (C.Green << 8) | (C.Blue << 16); }

} // namespace

int32_t GifPaletteCount() { return gLivePalettes.load(); }

TGif::TGif()
{
    // Created disabled: its window appears only if an animation ever runs.
    FTimer = std::make_unique<TTimer>(nullptr);
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer([this](TObject* Sender) { TimerTick(Sender); });
}

TGif::~TGif()
{
    FTimer.reset();
    FreeImage();
}

void TGif::FreeImage()
{
    FBitmaps.clear();
    for (HPALETTE P : FPalettes)
        DeletePalette(P);
    FPalettes.clear();
    FDoc.Clear();
}

void TGif::SyncPalettes()
{
    while (FPalettes.size() < FDoc.Tables.size()) {
        const TGifColorTable& T = FDoc.Tables[FPalettes.size()];
        FPalettes.push_back(MakePalette(T, std::clamp<int32_t>(T.Count, 1, 256)));
    }
    FBitmaps.resize(FDoc.Images.size());
}

HPALETTE TGif::TablePalette(int32_t Index) const
{
    if (Index < 0 || Index >= static_cast<int32_t>(FPalettes.size()))
        return nullptr;
    return FPalettes[static_cast<size_t>(Index)];
}

HPALETTE TGif::GetPalette()
{
    if (!FDoc.Screen.GlobalTable)
        return nullptr;
    return TablePalette(FDoc.Screen.GlobalTableIndex);
}

void TGif::ReportProgress(int32_t Stage, uint8_t Percent, const std::string& Msg)
{
    Progress(this, static_cast<TProgressStage>(Stage), Percent, false, TRect{0, 0, 0, 0}, Msg);
}

// ---------------------------------------------------------------------------------------------
// Loading and saving

void TGif::LoadFromStream(TStream* Stream)
{
    FreeImage();
    GifResetLastError();
    TGifProgress Prog([this](int32_t Stage, uint8_t Percent, const std::string& Msg) {
        ReportProgress(Stage, Percent, Msg);
    });
    TGifReadHooks Hooks;
    Hooks.Progress = &Prog;

    // Progressive display: the pixels also go straight into the image's bitmap as they come.
    TGifPixelSink Sink;
    TBitmap* Target = nullptr;
    int32_t Current = 0;
    uint8_t* Row = nullptr;
    int32_t RowY = -1;
    if (FProgressiveDisplay) {
        Hooks.BeforeDecode = [&](TGifImage& Image) -> const TGifPixelSink* {
            SyncPalettes();
            PrepareBitmap(Image.Index);
            Target = FBitmaps[static_cast<size_t>(Image.Index)].get();
            Current = Image.Index;
            RowY = -1;
            return Target->GetEmpty() ? nullptr : &Sink;
        };
        Sink.RowStart = [&](int32_t Y) {
            if (FCanvas) {
                DrawImage(Current);
                if (Application)
                    Application->ProcessMessages();
            }
            Row = static_cast<uint8_t*>(Target->ScanLine(Y));
            RowY = Y;
        };
        Sink.Pixel = [&](int32_t X, int32_t Y, uint8_t Index) {
            if (Y != RowY) {
                Row = static_cast<uint8_t*>(Target->ScanLine(Y));
                RowY = Y;
            }
            Row[X] = Index;
        };
    }

    {
        // What was read so far stays, with its palettes, also when the read fails.
        TScopeExit Sync([this] { SyncPalettes(); });
        GifReadStream(FDoc, Stream, Hooks);
    }
    Changed(this);
}

void TGif::SaveToStream(TStream* Stream)
{
    TGifProgress Prog([this](int32_t Stage, uint8_t Percent, const std::string& Msg) {
        ReportProgress(Stage, Percent, Msg);
    });
    TMemoryStream Work;
    GifWrite(FDoc, &Work, &Prog);
    Work.SaveToStream(Stream);
}

void TGif::Assign(TPersistent* Source)
{
    if (Source == this)
        return;
    if (auto* Gif = dynamic_cast<TGif*>(Source)) {
        // The model itself: an exact copy, signature and code sizes included.
        FreeImage();
        FDoc = Gif->FDoc;
        SyncPalettes();
        Changed(this);
        return;
    }
    if (auto* Bitmap = dynamic_cast<TBitmap*>(Source)) {
        FreeImage();
        AddBitmap(Bitmap);
        return;
    }
    GifError(gifInvalidBitmap);
}

// ---------------------------------------------------------------------------------------------
// Bitmaps

void TGif::PrepareBitmap(int32_t Index)
{
    const TGifImage& Image = FDoc.Images[static_cast<size_t>(Index)];
    auto Bitmap = std::make_unique<TBitmap>();
    if (Image.Width > 0 && Image.Height > 0) {
        static const TGifColorTable NoTable;
        const bool HasTable = Image.TableIndex >= 0 && Image.TableIndex < static_cast<int32_t>(FDoc.Tables.size());
        const TGifColorTable& Table = HasTable ? FDoc.Tables[static_cast<size_t>(Image.TableIndex)] : NoTable;
        TBmpImage Bmp;
        Bmp.Width = Image.Width;
        Bmp.Height = Image.Height;
        Bmp.BitCount = 8;
        // Indices beyond the used entries show the table's unused (black) slots.
        Bmp.Colors.resize(256);
        for (int32_t I = 0; I < 256; ++I) {
            const uint32_t C = Table.Colors[I];
            Bmp.Colors[static_cast<size_t>(I)] =
                TBmpColor{static_cast<uint8_t>(C >> 16), static_cast<uint8_t>(C >> 8), static_cast<uint8_t>(C), 0};
        }
        try {
            Bmp.Pixels.assign(static_cast<size_t>(Bmp.Stride()) * static_cast<size_t>(Bmp.Height), 0);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory("Out of memory");
        }
        Bitmap->LoadFromImage(Bmp);
        const TGifExtension* GC = Image.GraphicControl();
        if (GC && GC->TransparentFlag && GC->TransparentIndex < Table.Count) {
            Bitmap->SetTransparentColor(static_cast<TColor>(Table.Colors[GC->TransparentIndex]));
            Bitmap->SetTransparent(true);
        }
    }
    FBitmaps[static_cast<size_t>(Index)] = std::move(Bitmap);
}

void TGif::FillBitmap(int32_t Index)
{
    const TGifImage& Image = FDoc.Images[static_cast<size_t>(Index)];
    TBitmap* Bitmap = FBitmaps[static_cast<size_t>(Index)].get();
    TGifProgress Prog([this](int32_t Stage, uint8_t Percent, const std::string& Msg) {
        ReportProgress(Stage, Percent, Msg);
    });
    const int64_t Total = static_cast<int64_t>(Image.Width) * Image.Height;
    Prog.Start(Total, "make bitmap");
    if (!Bitmap->GetEmpty()) {
        for (int32_t Y = 0; Y < Image.Height; ++Y) {
            const size_t Offset = static_cast<size_t>(Y) * static_cast<size_t>(Image.Width);
            if (Offset >= Image.Pixels.size())
                break;
            const size_t N = std::min(static_cast<size_t>(Image.Width), Image.Pixels.size() - Offset);
            std::memcpy(Bitmap->ScanLine(Y), Image.Pixels.data() + Offset, N);
            Prog.Step(static_cast<int64_t>(Offset + N));
        }
    }
    Prog.End();
}

TBitmap* TGif::GetBitmap(int32_t Index)
{
    if (Index < 0 || Index >= GetImageCount())
        GifError(gifValueOutOfRange);
    SyncPalettes();
    // Only the image asked for: a long animation would otherwise hold every frame as a bitmap.
    if (!FBitmaps[static_cast<size_t>(Index)]) {
        PrepareBitmap(Index);
        TScopeExit Discard([this, Index] { FBitmaps[static_cast<size_t>(Index)].reset(); });
        FillBitmap(Index);
        Discard.Dismiss();
    }
    return FBitmaps[static_cast<size_t>(Index)].get();
}

bool TGif::BuildColorTable(const TBmpImage& Source, uint32_t Mask, TGifImage& Image, TGifColorTable& Table)
{
    Table = TGifColorTable();
    TGifProgress Prog([this](int32_t Stage, uint8_t Percent, const std::string& Msg) {
        ReportProgress(Stage, Percent, Msg);
    });
    const int64_t Total = static_cast<int64_t>(Source.Width) * Source.Height;
    Prog.Start(Total, "make color-table");
    // The first equal entry is the only one: a colour is appended only when it is absent.
    std::unordered_map<uint32_t, uint8_t> Known;
    Known.reserve(512);
    bool HavePrevious = false;
    uint32_t Previous = 0;
    uint8_t PreviousIndex = 0;
    for (int32_t Y = 0; Y < Source.Height; ++Y) {
        const uint8_t* Row = Source.Row(Y);
        uint8_t* Out = Image.Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Source.Width);
        for (int32_t X = 0; X < Source.Width; ++X) {
            uint32_t C;
            switch (Source.BitCount) {
            case 1:
                C = static_cast<uint32_t>(FromBmp(Source.Colors[(Row[X >> 3] >> (7 - (X & 7))) & 1]));
                break;
            case 4:
                C = static_cast<uint32_t>(FromBmp(Source.Colors[(X & 1) ? (Row[X >> 1] & 15) : (Row[X >> 1] >> 4)]));
                break;
            case 8:
                C = static_cast<uint32_t>(FromBmp(Source.Colors[Row[X]]));
                break;
            default: {
                const uint8_t* P = Row + X * 3;
                C = P[2] | (P[1] << 8) | (P[0] << 16);
            }
            }
            C &= Mask;
            if (!HavePrevious || C != Previous) {
                auto It = Known.find(C);
                if (It != Known.end()) {
                    PreviousIndex = It->second;
                } else {
                    if (Table.Count >= 256)
                        return false;
                    PreviousIndex = static_cast<uint8_t>(Table.Count);
                    Table.Colors[Table.Count++] = C;
                    Known.emplace(C, PreviousIndex);
                }
                Previous = C;
                HavePrevious = true;
            }
            Out[X] = PreviousIndex;
        }
        Prog.Step(static_cast<int64_t>(Y + 1) * Source.Width);
    }
    Prog.End();
    return true;
}

int32_t TGif::FindColorIndex(const TGifColorTable& Table, TColor Color) const
{
    for (uint32_t Mask : {0xFFFFFFu, 0xE0E0E0u, 0xC0E0E0u}) {
        const uint32_t C = static_cast<uint32_t>(Color) & Mask;
        for (int32_t I = 0; I < Table.Count && I < 256; ++I)
            if (Table.Colors[I] == C)
                return I;
    }
    return 0;
}

void TGif::AddBitmap(TBitmap* Bitmap)
{
    if (!Bitmap)
        GifError(gifInvalidBitmap);
    TBmpImage Source;
    if (!Bitmap->GetEmpty())
        Bitmap->SaveToImage(Source);
    if (Source.BitCount != 1 && Source.BitCount != 4 && Source.BitCount != 8 && Source.BitCount != 24)
        Source = TBmpImage(); // an empty bitmap gives an empty image

    TGifImage Image;
    Image.Index = GetImageCount();
    Image.Width = Source.Width;
    Image.Height = Source.Height;
    Image.LZWSize = 8;
    GifAllocatePixels(Image.Pixels, Image.Width, Image.Height);

    TGifColorTable Table;
    if (!BuildColorTable(Source, 0xFFFFFF, Image, Table) && !BuildColorTable(Source, 0xE0E0E0, Image, Table) &&
        !BuildColorTable(Source, 0xC0E0E0, Image, Table))
        GifError(gifTooManyColors);
    int32_t Count = 2;
    while (Count < Table.Count)
        Count *= 2;
    Table.Count = Count;
    FDoc.Tables.push_back(Table);
    SyncPalettes();
    const int32_t TableIndex = GetColorTableCount() - 1;

    TGifScreen& S = FDoc.Screen;
    if (!S.GlobalTable) {
        S.GlobalTable = true;
        uint8_t Bits = 1;
        while ((1 << Bits) < Count)
            ++Bits;
        S.ColorResolution = Bits;
        S.Sort = false;
        S.GlobalTableSize = Count;
        S.BackgroundIndex = 0;
        S.GlobalTableIndex = TableIndex;
        Image.LocalTable = false;
    } else {
        Image.LocalTable = true;
    }
    Image.TableSize = Count;
    Image.TableIndex = TableIndex;
    FDoc.Images.push_back(std::move(Image));
    FBitmaps.resize(FDoc.Images.size());
    for (TGifImage& I : FDoc.Images)
        I.EnsureGraphicControl();
    if (Bitmap->GetTransparent()) {
        TGifImage& Added = FDoc.Images.back();
        Added.EnsureGraphicControl().TransparentIndex =
            static_cast<uint8_t>(FindColorIndex(FDoc.Tables.back(), Bitmap->GetTransparentColor()));
    }
    FDoc.Signature = "GIF89a";
    Changed(this);
}

// ---------------------------------------------------------------------------------------------
// Properties

bool TGif::GetTransparent() const
{
    if (FDoc.Images.empty())
        GifError(gifValueOutOfRange);
    const TGifExtension* GC = FDoc.Images[0].GraphicControl();
    return GC && GC->TransparentFlag;
}

void TGif::SetTransparent(bool Value)
{
    for (TGifImage& Image : FDoc.Images) {
        TGifExtension& GC = Image.EnsureGraphicControl();
        GC.TransparentFlag = Value;
        if (Value) {
            if (Image.Width <= 0 || Image.Height <= 0 || Image.Pixels.empty())
                GifError(gifValueOutOfRange);
            GC.TransparentIndex = Image.Pixels[static_cast<size_t>(Image.Height - 1) * static_cast<size_t>(Image.Width)];
        }
        // A bitmap already made follows the flag.
        if (TBitmap* B = Image.Index < static_cast<int32_t>(FBitmaps.size()) ? FBitmaps[static_cast<size_t>(Image.Index)].get() : nullptr) {
            if (Value && Image.TableIndex >= 0 && Image.TableIndex < GetColorTableCount())
                B->SetTransparentColor(static_cast<TColor>(FDoc.Tables[static_cast<size_t>(Image.TableIndex)].Colors[GC.TransparentIndex]));
            B->SetTransparent(Value);
        }
    }
}

TColor TGif::GetTransparentColor() const
{
    if (FDoc.Images.empty())
        GifError(gifValueOutOfRange);
    const TGifImage& Image = FDoc.Images[0];
    const TGifExtension* GC = Image.GraphicControl();
    const int32_t Index = GC ? GC->TransparentIndex : 0;
    if (Image.TableIndex < 0 || Image.TableIndex >= GetColorTableCount())
        GifError(gifValueOutOfRange);
    return static_cast<TColor>(FDoc.Tables[static_cast<size_t>(Image.TableIndex)].Colors[Index]);
}

void TGif::SetTransparentColor(TColor Value)
{
    for (TGifImage& Image : FDoc.Images) {
        TGifExtension& GC = Image.EnsureGraphicControl();
        const bool HasTable = Image.TableIndex >= 0 && Image.TableIndex < GetColorTableCount();
        const int32_t Index = HasTable ? FindColorIndex(FDoc.Tables[static_cast<size_t>(Image.TableIndex)], Value) : 0;
        GC.TransparentFlag = true;
        GC.TransparentIndex = static_cast<uint8_t>(Index);
        if (TBitmap* B = Image.Index < static_cast<int32_t>(FBitmaps.size()) ? FBitmaps[static_cast<size_t>(Image.Index)].get() : nullptr) {
            if (HasTable)
                B->SetTransparentColor(static_cast<TColor>(FDoc.Tables[static_cast<size_t>(Image.TableIndex)].Colors[Index]));
            B->SetTransparent(true);
        }
    }
}

int32_t TGif::GetImageDelay() const
{
    for (const TGifImage& Image : FDoc.Images)
        if (const TGifExtension* GC = Image.GraphicControl())
            if (GC->Delay != 0)
                return GC->Delay;
    return 1;
}

void TGif::SetImageDelay(int32_t Value)
{
    const uint16_t Delay = static_cast<uint16_t>(std::clamp<int32_t>(Value, 1, 65535));
    for (TGifImage& Image : FDoc.Images)
        Image.EnsureGraphicControl().Delay = Delay;
}

bool TGif::GetInterlaced() const
{
    if (FDoc.Images.empty())
        GifError(gifValueOutOfRange);
    return FDoc.Images[0].Interlaced;
}

void TGif::SetInterlaced(bool Value)
{
    for (TGifImage& Image : FDoc.Images)
        Image.Interlaced = Value;
}

int32_t TGif::GetLZWSize() const
{
    if (FDoc.Images.empty())
        GifError(gifValueOutOfRange);
    return FDoc.Images[0].LZWSize;
}

void TGif::SetLZWSize(int32_t Value)
{
    for (TGifImage& Image : FDoc.Images)
        Image.LZWSize = static_cast<uint8_t>(Value);
}

// ---------------------------------------------------------------------------------------------
// Drawing and animation

void TGif::Draw(TCanvas* Canvas, const TRect& Rect)
{
    if (!Canvas || GetEmpty())
        return;
    Canvas->StretchDraw(Rect, GetBitmap(0));
}

void TGif::SetCanvas(TCanvas* Canvas, const TRect& Rect)
{
    FCanvas = Canvas;
    FRect = Rect;
    FTimer->SetEnabled(false);
    FCurrentImage = 0;
    FPassesLeft = 0;
}

TRect TGif::DrawRect() const
{
    if (FRect.right < 1 || FRect.bottom < 1)
        return TRect{0, 0, FDoc.Screen.Width, FDoc.Screen.Height};
    return FRect;
}

void TGif::DrawImage(int32_t Index)
{
    if (FCanvas)
        FCanvas->StretchDraw(DrawRect(), GetBitmap(Index));
}

void TGif::DrawBackground()
{
    const TGifScreen& S = FDoc.Screen;
    if (!FCanvas || !S.GlobalTable || S.GlobalTableIndex < 0 || S.GlobalTableIndex >= GetColorTableCount())
        return;
    TBrush* Brush = FCanvas->GetBrush();
    const TColor OldColor = Brush->GetColor();
    const TBrushStyle OldStyle = Brush->GetStyle();
    Brush->SetColor(static_cast<TColor>(FDoc.Tables[static_cast<size_t>(S.GlobalTableIndex)].Colors[S.BackgroundIndex]));
    Brush->SetStyle(bsSolid);
    FCanvas->FillRect(DrawRect());
    Brush->SetColor(OldColor);
    Brush->SetStyle(OldStyle);
}

void TGif::AnimateImage(int32_t Loops)
{
    FImageDelay = GetImageDelay();
    if (FCanvas && GetImageCount() == 1) {
        FTimer->SetEnabled(false);
        DrawImage(0);
    } else if (GetImageCount() > 1 && Loops != 0) {
        FCurrentImage = 0;
        FPassesLeft = Loops < 0 ? 32767 : Loops;
        FTimer->SetInterval(static_cast<uint32_t>(FImageDelay));
        FTimer->SetEnabled(true);
    } else {
        FTimer->SetEnabled(false);
    }
}

bool TGif::GetAnimating() const { return FTimer->GetEnabled() && FPassesLeft > 0; }

void TGif::TimerTick(TObject*)
{
    if (GetEmpty() || FPassesLeft <= 0) {
        FTimer->SetEnabled(false);
        return;
    }
    DrawImage(FCurrentImage);
    if (Application)
        Application->ProcessMessages();
    if (++FCurrentImage >= GetImageCount()) {
        FCurrentImage = 0;
        if (--FPassesLeft <= 0)
            FTimer->SetEnabled(false);
    }
}
