#include "platform/win/Metafile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/Stream.h"

namespace {

[[noreturn]] void Bad() { throw EInvalidGraphic("Invalid metafile"); }

uint16_t U16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }
int16_t I16(const uint8_t* P) { return static_cast<int16_t>(U16(P)); }
uint32_t U32(const uint8_t* P) { return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24); }

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int64_t kMaxMetafile = int64_t(1) << 30;

void ReadExact(TStream* Stream, void* Buffer, int64_t Count)
{
    auto* P = static_cast<uint8_t*>(Buffer);
    while (Count > 0) {
        const int32_t Got = Stream->Read(P, static_cast<int32_t>(std::min<int64_t>(Count, 1 << 24)));
        if (Got <= 0)
            Bad();
        P += Got;
        Count -= Got;
    }
}

// The frame of an enhanced metafile in 0.01 mm; an empty frame falls back on the bounds.
void FrameSize(HENHMETAFILE Handle, int32_t& MMWidth, int32_t& MMHeight)
{
    ENHMETAHEADER H;
    std::memset(&H, 0, sizeof(H));
    if (!GetEnhMetaFileHeader(Handle, sizeof(H), &H)) {
        MMWidth = MMHeight = 0;
        return;
    }
    MMWidth = H.rclFrame.right - H.rclFrame.left;
    MMHeight = H.rclFrame.bottom - H.rclFrame.top;
    if ((MMWidth <= 0 || MMHeight <= 0) && H.szlDevice.cx > 0 && H.szlDevice.cy > 0) {
        MMWidth = MulDiv(H.rclBounds.right - H.rclBounds.left + 1, H.szlMillimeters.cx * 100, H.szlDevice.cx);
        MMHeight = MulDiv(H.rclBounds.bottom - H.rclBounds.top + 1, H.szlMillimeters.cy * 100, H.szlDevice.cy);
    }
    MMWidth = std::max(MMWidth, 0);
    MMHeight = std::max(MMHeight, 0);
}

} // namespace

TMetafile::TMetafile() : FInch(ScreenPixelsPerInch()) {}

TMetafile::~TMetafile() { Clear(); }

void TMetafile::Clear()
{
    if (FHandle)
        DeleteEnhMetaFile(FHandle);
    FHandle = nullptr;
}

int32_t TMetafile::GetWidth() const { return MulDiv(FMMWidth, ScreenPixelsPerInch(), 2540); }
int32_t TMetafile::GetHeight() const { return MulDiv(FMMHeight, ScreenPixelsPerInch(), 2540); }

void TMetafile::SetWidth(int32_t Value) { SetMMWidth(MulDiv(Value, 2540, ScreenPixelsPerInch())); }
void TMetafile::SetHeight(int32_t Value) { SetMMHeight(MulDiv(Value, 2540, ScreenPixelsPerInch())); }

void TMetafile::SetMMWidth(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == FMMWidth)
        return;
    FMMWidth = Value;
    Changed(this);
}

void TMetafile::SetMMHeight(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == FMMHeight)
        return;
    FMMHeight = Value;
    Changed(this);
}

void TMetafile::SetHandle(HENHMETAFILE Value)
{
    if (Value == FHandle)
        return;
    Clear();
    FHandle = Value;
    if (FHandle)
        FrameSize(FHandle, FMMWidth, FMMHeight);
    Changed(this);
}

HENHMETAFILE TMetafile::ReleaseHandle()
{
    HENHMETAFILE H = FHandle;
    FHandle = nullptr;
    Changed(this);
    return H;
}

void TMetafile::Assign(TPersistent* Source)
{
    if (!Source) {
        Clear();
        FMMWidth = FMMHeight = 0;
        Changed(this);
        return;
    }
    if (auto* M = dynamic_cast<TMetafile*>(Source)) {
        if (M == this)
            return;
        HENHMETAFILE Copy = M->FHandle ? CopyEnhMetaFileA(M->FHandle, nullptr) : nullptr;
        if (M->FHandle && !Copy)
            throw EOutOfResources("Cannot copy the metafile");
        Clear();
        FHandle = Copy;
        FMMWidth = M->FMMWidth;
        FMMHeight = M->FMMHeight;
        FEnhanced = M->FEnhanced;
        FInch = M->FInch;
        Changed(this);
        return;
    }
    TGraphic::Assign(Source);
}

void TMetafile::Draw(TCanvas* Canvas, const TRect& Rect)
{
    if (!FHandle || !Canvas)
        return;
    PlayEnhMetaFile(Canvas->GetHandle(), FHandle, &Rect);
}

void TMetafile::LoadEnhanced(const uint8_t* Data, uint32_t Size)
{
    // Every record must lie inside the data, the first be the header and the last EMR_EOF.
    uint32_t Off = 0;
    bool End = false;
    while (Off + 8 <= Size) {
        const uint32_t Type = U32(Data + Off);
        const uint32_t RecSize = U32(Data + Off + 4);
        if (RecSize < 8 || (RecSize & 3) != 0 || RecSize > Size - Off)
            Bad();
        if (Off == 0 && (Type != EMR_HEADER || RecSize < 88))
            Bad();
        Off += RecSize;
        if (Type == EMR_EOF) {
            End = true;
            break;
        }
    }
    if (!End)
        Bad();
    HENHMETAFILE H = SetEnhMetaFileBits(Off, Data);
    if (!H)
        Bad();
    Clear();
    FHandle = H;
    FEnhanced = true;
    FrameSize(FHandle, FMMWidth, FMMHeight);
}

void TMetafile::LoadPlaceable(const uint8_t* Data, uint32_t Size)
{
    if (Size < 22 + 18)
        Bad();
    const int32_t Width = std::abs(int32_t(I16(Data + 10)) - I16(Data + 6));
    const int32_t Height = std::abs(int32_t(I16(Data + 12)) - I16(Data + 8));
    const int32_t Inch = U16(Data + 14);
    if (Inch == 0 || Width == 0 || Height == 0)
        Bad();
    const uint8_t* W = Data + 22;
    const uint32_t Available = Size - 22;
    const uint16_t Type = U16(W);
    const uint16_t HeaderWords = U16(W + 2);
    const uint64_t Bytes = uint64_t(U32(W + 6)) * 2;
    if ((Type != 1 && Type != 2) || HeaderWords != 9 || Bytes < 18 || Bytes > Available)
        Bad();
    uint32_t Off = 18;
    bool End = false;
    while (Off + 6 <= Bytes) {
        const uint64_t RecBytes = uint64_t(U32(W + Off)) * 2;
        const uint16_t Function = U16(W + Off + 4);
        if (RecBytes < 6 || RecBytes > Bytes - Off)
            Bad();
        Off += static_cast<uint32_t>(RecBytes);
        if (Function == 0) {
            End = true;
            break;
        }
    }
    if (!End)
        Bad();
    METAFILEPICT Pict;
    Pict.mm = MM_ANISOTROPIC;
    Pict.xExt = MulDiv(Width, 2540, Inch);
    Pict.yExt = MulDiv(Height, 2540, Inch);
    Pict.hMF = nullptr;
    HENHMETAFILE H = SetWinMetaFileBits(Off, W, nullptr, &Pict);
    if (!H)
        Bad();
    Clear();
    FHandle = H;
    FEnhanced = false;
    FInch = Inch;
    FMMWidth = Pict.xExt;
    FMMHeight = Pict.yExt;
}

void TMetafile::LoadFromStream(TStream* Stream)
{
    const int64_t Start = Stream->GetPosition();
    const int64_t Size = Stream->GetSize() - Start;
    if (Size < 8 || Size > kMaxMetafile)
        Bad();
    uint8_t Head[88];
    const int64_t HeadSize = std::min<int64_t>(Size, 88);
    ReadExact(Stream, Head, HeadSize);
    std::vector<uint8_t> Data;
    if (U32(Head) == kPlaceableKey) {
        Data.resize(static_cast<size_t>(Size));
        std::memcpy(Data.data(), Head, static_cast<size_t>(HeadSize));
        ReadExact(Stream, Data.data() + HeadSize, Size - HeadSize);
        LoadPlaceable(Data.data(), static_cast<uint32_t>(Size));
        const uint64_t Used = 22 + uint64_t(U32(Data.data() + 22 + 6)) * 2;
        Stream->Seek(Start + int64_t(Used), soBeginning);
    } else if (HeadSize == 88 && U32(Head) == EMR_HEADER && std::memcmp(Head + 40, " EMF", 4) == 0) {
        const uint32_t Bytes = U32(Head + 48);
        if (Bytes < 88 || int64_t(Bytes) > Size)
            Bad();
        Data.resize(Bytes);
        std::memcpy(Data.data(), Head, 88);
        ReadExact(Stream, Data.data() + 88, int64_t(Bytes) - 88);
        LoadEnhanced(Data.data(), Bytes);
    } else {
        Bad();
    }
    Changed(this);
}

void TMetafile::SaveToStream(TStream* Stream)
{
    if (!FHandle)
        throw EInvalidGraphic("Cannot save an empty metafile");
    if (FEnhanced) {
        const UINT Size = GetEnhMetaFileBits(FHandle, 0, nullptr);
        std::vector<uint8_t> Data(Size);
        if (Size == 0 || GetEnhMetaFileBits(FHandle, Size, Data.data()) != Size)
            throw EInvalidGraphic("Cannot read the metafile");
        Stream->WriteBuffer(Data.data(), static_cast<int32_t>(Size));
        return;
    }
    HDC Screen = GetDC(nullptr);
    const UINT Size = GetWinMetaFileBits(FHandle, 0, nullptr, MM_ANISOTROPIC, Screen);
    std::vector<uint8_t> Data(Size);
    const UINT Got = Size ? GetWinMetaFileBits(FHandle, Size, Data.data(), MM_ANISOTROPIC, Screen) : 0;
    ReleaseDC(nullptr, Screen);
    if (Size == 0 || Got != Size)
        throw EInvalidGraphic("Cannot convert the metafile");
    uint16_t Header[11];
    std::memset(Header, 0, sizeof(Header));
    Header[0] = uint16_t(kPlaceableKey & 0xFFFF);
    Header[1] = uint16_t(kPlaceableKey >> 16);
    Header[5] = static_cast<uint16_t>(MulDiv(FMMWidth, FInch, 2540));
    Header[6] = static_cast<uint16_t>(MulDiv(FMMHeight, FInch, 2540));
    Header[7] = static_cast<uint16_t>(FInch);
    for (int I = 0; I < 10; ++I)
        Header[10] ^= Header[I];
    Stream->WriteBuffer(Header, 22);
    Stream->WriteBuffer(Data.data(), static_cast<int32_t>(Size));
}

void TMetafile::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE)
{
    if (Format != CF_ENHMETAFILE || !Data)
        throw EInvalidGraphic(::Format("Unknown clipboard format, %d", static_cast<int32_t>(Format)));
    HENHMETAFILE Copy = CopyEnhMetaFileA(static_cast<HENHMETAFILE>(Data), nullptr);
    if (!Copy)
        Bad();
    SetHandle(Copy);
}

void TMetafile::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette)
{
    if (!FHandle)
        throw EInvalidGraphic("Cannot copy an empty metafile");
    HENHMETAFILE Copy = CopyEnhMetaFileA(FHandle, nullptr);
    if (!Copy)
        throw EOutOfResources("Cannot copy the metafile");
    Format = CF_ENHMETAFILE;
    Data = Copy;
    Palette = nullptr;
}

// ---------------------------------------------------------------------------------------------
// TMetafileCanvas

TMetafileCanvas::TMetafileCanvas(TMetafile* Metafile, HDC ReferenceDevice) : FMetafile(Metafile)
{
    RECT Frame{0, 0, Metafile->GetMMWidth(), Metafile->GetMMHeight()};
    const bool Sized = Frame.right > 0 && Frame.bottom > 0;
    HDC DC = CreateEnhMetaFileA(ReferenceDevice, nullptr, Sized ? &Frame : nullptr, nullptr);
    if (!DC)
        throw EOutOfResources("Cannot create a metafile");
    SetHandle(DC);
}

TMetafileCanvas::~TMetafileCanvas()
{
    if (!HandleAllocated())
        return;
    HDC DC = GetHandle();
    DeselectHandles();
    HENHMETAFILE H = CloseEnhMetaFile(DC);
    if (!H)
        return;
    const int32_t W = FMetafile->GetMMWidth(), Ht = FMetafile->GetMMHeight();
    try {
        FMetafile->SetHandle(H);
        // A size given before recording stays the picture's size.
        if (W > 0 && Ht > 0) {
            FMetafile->SetMMWidth(W);
            FMetafile->SetMMHeight(Ht);
        }
    } catch (...) {
        // A handler of OnChange failed; the metafile holds the recording all the same.
    }
}
