#include "platform/win/Icon.h"
#include "platform/win/MemoryDC.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/Stream.h"

namespace {

[[noreturn]] void Bad() { throw EInvalidGraphic("Invalid icon file"); }

uint16_t U16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }
uint32_t U32(const uint8_t* P) { return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24); }
int32_t I32(const uint8_t* P) { return static_cast<int32_t>(U32(P)); }
void Put16(std::vector<uint8_t>& B, uint32_t V)
{
    B.push_back(uint8_t(V));
    B.push_back(uint8_t(V >> 8));
}
void Put32(std::vector<uint8_t>& B, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        B.push_back(uint8_t(V >> (8 * I)));
}

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

constexpr int64_t kMaxIconImage = int64_t(1) << 30;

struct TEntry {
    int Width, Height, BitCount;
    uint32_t Bytes, Offset;
};

// Checks one entry's bitmap and pads a missing AND mask with zeros (opaque), so that the
// system never reads beyond what we hand it. PNG entries go to the system as they are.
// Returns true for a PNG entry.
bool CheckImage(std::vector<uint8_t>& Data)
{
    static const uint8_t Png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (Data.size() >= 8 && std::memcmp(Data.data(), Png, 8) == 0)
        return true;
    if (Data.size() < 40)
        Bad();
    const uint32_t HeaderSize = U32(Data.data());
    const int32_t Width = I32(Data.data() + 4);
    const int32_t Height2 = I32(Data.data() + 8);
    const uint16_t Planes = U16(Data.data() + 12);
    const uint16_t Bits = U16(Data.data() + 14);
    const uint32_t Compression = U32(Data.data() + 16);
    const uint32_t ClrUsed = U32(Data.data() + 32);
    if (HeaderSize < 40 || HeaderSize > Data.size() || Width <= 0 || Width > 1024 || Height2 <= 0 || Height2 > 2048 ||
        Planes != 1)
        Bad();
    if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 16 && Bits != 24 && Bits != 32)
        Bad();
    if (Compression != BI_RGB)
        Bad();
    const int64_t Height = Height2 / 2 > 0 ? Height2 / 2 : Height2;
    int64_t Colors = 0;
    if (Bits <= 8) {
        if (ClrUsed > 256)
            Bad();
        Colors = ClrUsed ? ClrUsed : (int64_t(1) << Bits);
    }
    const int64_t XorStride = ((int64_t(Width) * Bits + 31) / 32) * 4;
    const int64_t AndStride = ((int64_t(Width) + 31) / 32) * 4;
    const int64_t XorEnd = int64_t(HeaderSize) + Colors * 4 + XorStride * Height;
    const int64_t Full = XorEnd + AndStride * Height;
    if (XorEnd > int64_t(Data.size()))
        Bad();
    if (Full > int64_t(Data.size()))
        Data.resize(static_cast<size_t>(Full), 0);
    return false;
}

class TScratchDC {
public:
    TScratchDC() : FDC(CreateMemoryDC()) {}
    TScratchDC(const TScratchDC&) = delete;
    TScratchDC& operator=(const TScratchDC&) = delete;
    ~TScratchDC()
    {
        if (FDC)
            DeleteMemoryDC(FDC);
    }
    operator HDC() const { return FDC; }

private:
    HDC FDC;
};

struct TIconBits {
    ICONINFO Info{};
    TIconBits(const TIconBits&) = delete;
    TIconBits& operator=(const TIconBits&) = delete;
    explicit TIconBits(HICON Icon)
    {
        if (!GetIconInfo(Icon, &Info))
            throw EInvalidGraphic("Invalid icon");
    }
    ~TIconBits()
    {
        if (Info.hbmColor)
            DeleteObject(Info.hbmColor);
        if (Info.hbmMask)
            DeleteObject(Info.hbmMask);
    }
};

// Rows bottom-up, as a .ico stores them.
std::vector<uint8_t> ReadBits(HBITMAP Bitmap, int32_t Width, int32_t Height, int Bits)
{
    struct {
        BITMAPINFOHEADER Header;
        RGBQUAD Colors[256];
    } Info;
    std::memset(&Info, 0, sizeof(Info));
    Info.Header.biSize = sizeof(BITMAPINFOHEADER);
    Info.Header.biWidth = Width;
    Info.Header.biHeight = Height;
    Info.Header.biPlanes = 1;
    Info.Header.biBitCount = static_cast<WORD>(Bits);
    Info.Header.biCompression = BI_RGB;
    const size_t Stride = size_t(((int64_t(Width) * Bits + 31) / 32) * 4);
    std::vector<uint8_t> Out(Stride * size_t(Height));
    TScratchDC DC;
    if (!DC || GetDIBits(DC, Bitmap, 0, static_cast<UINT>(Height), Out.data(), reinterpret_cast<BITMAPINFO*>(&Info),
                         DIB_RGB_COLORS) == 0)
        throw EInvalidGraphic("Cannot read the icon's pixels");
    return Out;
}

} // namespace

TIcon::TIcon() = default;

TIcon::~TIcon()
{
    if (FHandle)
        DestroyIcon(FHandle);
}

void TIcon::Install(HICON Value)
{
    int32_t W = 0, H = 0;
    if (Value) {
        TIconBits Bits(Value);
        BITMAP BM;
        if (Bits.Info.hbmColor && GetObjectA(Bits.Info.hbmColor, sizeof(BM), &BM)) {
            W = BM.bmWidth;
            H = BM.bmHeight;
        } else if (Bits.Info.hbmMask && GetObjectA(Bits.Info.hbmMask, sizeof(BM), &BM)) {
            W = BM.bmWidth;
            H = BM.bmHeight / 2;
        }
    }
    if (FHandle && FHandle != Value)
        DestroyIcon(FHandle);
    FHandle = Value;
    FWidth = W;
    FHeight = H;
    Changed(this);
}

void TIcon::SetHandle(HICON Value)
{
    if (Value != FHandle)
        Install(Value);
}

HICON TIcon::ReleaseHandle()
{
    HICON H = FHandle;
    FHandle = nullptr;
    FWidth = FHeight = 0;
    Changed(this);
    return H;
}

void TIcon::SetWidth(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::Assign(TPersistent* Source)
{
    if (!Source) {
        Install(nullptr);
        return;
    }
    if (auto* I = dynamic_cast<TIcon*>(Source)) {
        if (I == this)
            return;
        HICON Copy = I->FHandle ? CopyIcon(I->FHandle) : nullptr;
        if (I->FHandle && !Copy)
            throw EOutOfResources("Cannot copy the icon");
        Install(Copy);
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::Draw(TCanvas* Canvas, const TRect& Rect)
{
    if (!FHandle || !Canvas)
        return;
    DrawIconEx(Canvas->GetHandle(), Rect.left, Rect.top, FHandle, Rect.right - Rect.left, Rect.bottom - Rect.top, 0,
               nullptr, DI_NORMAL);
}

void TIcon::LoadFromStream(TStream* Stream)
{
    const int64_t Start = Stream->GetPosition();
    const int64_t Size = Stream->GetSize() - Start;
    if (Size < 6)
        Bad();
    uint8_t Dir[6];
    ReadExact(Stream, Dir, 6);
    const uint16_t Type = U16(Dir + 2);
    const int64_t Count = U16(Dir + 4);
    if (U16(Dir) != 0 || (Type != 1 && Type != 2) || Count == 0 || 6 + Count * 16 > Size)
        Bad();
    std::vector<uint8_t> Raw(static_cast<size_t>(Count * 16));
    ReadExact(Stream, Raw.data(), Count * 16);
    std::vector<TEntry> Entries;
    for (int64_t I = 0; I < Count; ++I) {
        const uint8_t* E = Raw.data() + I * 16;
        TEntry T{E[0] ? E[0] : 256, E[1] ? E[1] : 256, U16(E + 6), U32(E + 8), U32(E + 12)};
        if (T.Bytes < 8 || T.Bytes > kMaxIconImage || int64_t(T.Offset) < 6 + Count * 16 ||
            int64_t(T.Offset) + int64_t(T.Bytes) > Size)
            Bad();
        Entries.push_back(T);
    }

    // The system size, the deepest one of that size; else the first entry.
    const int CX = GetSystemMetrics(SM_CXICON), CY = GetSystemMetrics(SM_CYICON);
    const TEntry* Pick = &Entries[0];
    bool Found = false;
    for (const auto& T : Entries)
        if (T.Width == CX && T.Height == CY && (!Found || T.BitCount > Pick->BitCount)) {
            Pick = &T;
            Found = true;
        }

    std::vector<uint8_t> Data(Pick->Bytes);
    Stream->Seek(Start + Pick->Offset, soBeginning);
    ReadExact(Stream, Data.data(), Pick->Bytes);
    const bool Png = CheckImage(Data);
    int W = Pick->Width, H = Pick->Height;
    if (!Png) {
        W = I32(Data.data() + 4);
        H = I32(Data.data() + 8) / 2;
    }
    HICON Icon = CreateIconFromResourceEx(Data.data(), static_cast<DWORD>(Data.size()), TRUE, 0x00030000, W, H,
                                          LR_DEFAULTCOLOR);
    if (!Icon)
        Bad();
    Install(Icon);
    // Leave the stream after the whole file, as a reader of a longer stream expects.
    int64_t End = 6 + Count * 16;
    for (const auto& T : Entries)
        End = std::max(End, int64_t(T.Offset) + int64_t(T.Bytes));
    Stream->Seek(Start + End, soBeginning);
}

void TIcon::SaveToStream(TStream* Stream)
{
    if (!FHandle)
        throw EInvalidGraphic("Cannot save an empty icon");
    TIconBits Bits(FHandle);
    BITMAP BM;
    std::vector<uint8_t> Image; // the entry: header, colour table, XOR rows, AND rows
    int32_t W, H, BitCount;
    if (Bits.Info.hbmColor) {
        if (!GetObjectA(Bits.Info.hbmColor, sizeof(BM), &BM))
            throw EInvalidGraphic("Invalid icon");
        W = BM.bmWidth;
        H = BM.bmHeight;
        std::vector<uint8_t> Color = ReadBits(Bits.Info.hbmColor, W, H, 32);
        std::vector<uint8_t> Mask = ReadBits(Bits.Info.hbmMask, W, H, 1);
        bool Alpha = false;
        if (BM.bmBitsPixel == 32)
            for (size_t I = 3; I < Color.size(); I += 4)
                if (Color[I]) {
                    Alpha = true;
                    break;
                }
        BitCount = Alpha ? 32 : 24;
        const size_t XorStride = size_t(((int64_t(W) * BitCount + 31) / 32) * 4);
        Put32(Image, 40);
        Put32(Image, uint32_t(W));
        Put32(Image, uint32_t(H * 2));
        Put16(Image, 1);
        Put16(Image, uint32_t(BitCount));
        Put32(Image, BI_RGB);
        Put32(Image, uint32_t(XorStride * size_t(H) + Mask.size()));
        for (int I = 0; I < 4; ++I)
            Put32(Image, 0);
        for (int32_t Y = 0; Y < H; ++Y) {
            const uint8_t* Row = Color.data() + size_t(Y) * size_t(W) * 4;
            const size_t RowStart = Image.size();
            for (int32_t X = 0; X < W; ++X) {
                Image.insert(Image.end(), Row + X * 4, Row + X * 4 + (BitCount == 32 ? 4 : 3));
            }
            Image.resize(RowStart + XorStride, 0);
        }
        Image.insert(Image.end(), Mask.begin(), Mask.end());
    } else {
        // A monochrome icon: its mask bitmap holds the AND rows on top of the XOR rows.
        if (!GetObjectA(Bits.Info.hbmMask, sizeof(BM), &BM))
            throw EInvalidGraphic("Invalid icon");
        W = BM.bmWidth;
        H = BM.bmHeight / 2;
        BitCount = 1;
        std::vector<uint8_t> Both = ReadBits(Bits.Info.hbmMask, W, H * 2, 1); // bottom-up: XOR rows first
        Put32(Image, 40);
        Put32(Image, uint32_t(W));
        Put32(Image, uint32_t(H * 2));
        Put16(Image, 1);
        Put16(Image, 1);
        Put32(Image, BI_RGB);
        Put32(Image, uint32_t(Both.size()));
        for (int I = 0; I < 4; ++I)
            Put32(Image, 0);
        Put32(Image, 0x000000);
        Put32(Image, 0xFFFFFF);
        Image.insert(Image.end(), Both.begin(), Both.end());
    }
    std::vector<uint8_t> File;
    Put16(File, 0);
    Put16(File, 1);
    Put16(File, 1);
    File.push_back(uint8_t(W >= 256 ? 0 : W));
    File.push_back(uint8_t(H >= 256 ? 0 : H));
    File.push_back(BitCount == 1 ? 2 : 0);
    File.push_back(0);
    Put16(File, 1);
    Put16(File, uint32_t(BitCount));
    Put32(File, uint32_t(Image.size()));
    Put32(File, 22);
    File.insert(File.end(), Image.begin(), Image.end());
    Stream->WriteBuffer(File.data(), static_cast<int32_t>(File.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE Instance, const std::string& ResName)
{
    HICON Icon = static_cast<HICON>(LoadImageA(Instance, ResName.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    if (!Icon)
        throw EInvalidGraphic(Format("Icon resource %s not found", ResName));
    Install(Icon);
}

void TIcon::LoadFromResourceID(HINSTANCE Instance, int32_t ResID)
{
    HICON Icon = static_cast<HICON>(LoadImageA(Instance, MAKEINTRESOURCEA(ResID), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    if (!Icon)
        throw EInvalidGraphic(Format("Icon resource %d not found", ResID));
    Install(Icon);
}

void TIcon::LoadFromClipboardFormat(UINT Format, HANDLE, HPALETTE)
{
    throw EInvalidGraphic(::Format("Unknown clipboard format, %d", static_cast<int32_t>(Format)));
}

void TIcon::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&)
{
    throw EInvalidGraphic("Icons cannot be put on the clipboard");
}
