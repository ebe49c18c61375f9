#include "platform/win/ImageList.h"

#include <algorithm>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Icon.h"
#include "platform/win/MemoryDC.h"

namespace {

// Raster operation that paints the selected brush where the source is 0 (black) and leaves
// the destination where it is 1 (white).
const DWORD kRopPSDPxax = 0x00B8074A;
// Destination AND NOT source.
const DWORD kRopDSna = 0x00220326;

// A memory DC with one bitmap selected, put back and deleted at the end.
class TMemoryDC {
public:
    explicit TMemoryDC(HBITMAP Bitmap) : FDC(CreateMemoryDC())
    {
        if (!FDC)
            throw EOutOfResources("Out of resources");
        FOld = SelectObject(FDC, Bitmap);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    ~TMemoryDC()
    {
        SelectObject(FDC, FOld);
        DeleteMemoryDC(FDC);
    }
    HDC Get() const { return FDC; }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// A bitmap handle deleted at the end unless released.
class TOwnedBitmap {
public:
    explicit TOwnedBitmap(HBITMAP H = nullptr) : FHandle(H) {}
    TOwnedBitmap(const TOwnedBitmap&) = delete;
    TOwnedBitmap& operator=(const TOwnedBitmap&) = delete;
    ~TOwnedBitmap()
    {
        if (FHandle)
            DeleteObject(FHandle);
    }
    HBITMAP Get() const { return FHandle; }

private:
    HBITMAP FHandle;
};

HBITMAP NewDib(int32_t Width, int32_t Height, int BitCount)
{
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = static_cast<WORD>(BitCount);
    void* Bits = nullptr;
    HBITMAP H = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    if (!H)
        throw EOutOfResources("Out of resources");
    return H;
}

// A copy of Source's top Height rows, never selected into any DC once made: the system image
// list selects what it is given into its own DCs.
HBITMAP CopyStrip(TBitmap* Source, int32_t Height)
{
    const int32_t W = Source->GetWidth();
    HBITMAP Copy = NewDib(W, Height, Source->GetPixelFormat() == pf32bit ? 32 : 24);
    TMemoryDC DC(Copy);
    BitBlt(DC.Get(), 0, 0, W, Height, Source->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
    GdiFlush();
    return Copy;
}

// A monochrome mask of Source: 1 (transparent) where its pixel is Transparent, else 0.
HBITMAP MaskFrom(TBitmap* Source, int32_t Height, COLORREF Transparent)
{
    const int32_t W = Source->GetWidth();
    HBITMAP Mask = CreateBitmap(W, Height, 1, 1, nullptr);
    if (!Mask)
        throw EOutOfResources("Out of resources");
    TMemoryDC DC(Mask);
    HDC Src = Source->GetCanvas()->GetHandle();
    // Colour to monochrome: pixels of the source DC's background colour become 1.
    const COLORREF OldBk = SetBkColor(Src, Transparent);
    BitBlt(DC.Get(), 0, 0, W, Height, Src, 0, 0, SRCCOPY);
    SetBkColor(Src, OldBk);
    GdiFlush();
    return Mask;
}

// Blackens Image where Mask is 1, as the list expects of transparent pixels.
void BlackenMasked(HBITMAP Image, HBITMAP Mask, int32_t Width, int32_t Height)
{
    TMemoryDC I(Image);
    TMemoryDC M(Mask);
    // Monochrome to colour: 0 becomes the text colour, 1 the background colour.
    SetTextColor(I.Get(), RGB(0, 0, 0));
    SetBkColor(I.Get(), RGB(255, 255, 255));
    BitBlt(I.Get(), 0, 0, Width, Height, M.Get(), 0, 0, kRopDSna);
    GdiFlush();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TChangeLink

TChangeLink::~TChangeLink()
{
    if (FSender)
        FSender->UnRegisterChanges(this);
}

void TChangeLink::SetSender(TImageList* Value)
{
    if (Value == FSender)
        return;
    if (FSender)
        FSender->UnRegisterChanges(this);
    if (Value)
        Value->RegisterChanges(this);
}

void TChangeLink::Change()
{
    if (OnChange)
        OnChange(FSender);
}

// ---------------------------------------------------------------------------------------------
// TImageList

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

TImageList::~TImageList()
{
    for (TChangeLink* L : FLinks)
        L->FSender = nullptr;
    FLinks.clear();
    FreeHandle();
}

UINT TImageList::CreateFlags() const
{
    UINT Flags = FMasked ? ILC_MASK : 0;
    switch (FColorDepth) {
    case cd4Bit:
        return Flags | ILC_COLOR4;
    case cd8Bit:
        return Flags | ILC_COLOR8;
    case cd16Bit:
        return Flags | ILC_COLOR16;
    case cd24Bit:
        return Flags | ILC_COLOR24;
    case cd32Bit:
        return Flags | ILC_COLOR32;
    default:
        return Flags | ILC_COLORDDB;
    }
}

void TImageList::CreateList()
{
    FHandle = ImageList_Create(FWidth, FHeight, CreateFlags(), 4, 4);
    if (!FHandle)
        throw EOutOfResources("Cannot create the image list");
    ImageList_SetBkColor(FHandle, FBkColor == clNone ? CLR_NONE : ColorToRGB(FBkColor));
}

void TImageList::FreeHandle()
{
    if (FHandle) {
        ImageList_Destroy(FHandle);
        FHandle = nullptr;
    }
}

HIMAGELIST TImageList::GetHandle()
{
    if (!FHandle)
        CreateList();
    return FHandle;
}

int32_t TImageList::GetCount() const
{
    return FHandle ? ImageList_GetImageCount(FHandle) : 0;
}

void TImageList::SetSize(int32_t Width, int32_t Height)
{
    if (Width < 1 || Height < 1 || Width > 32768 || Height > 32768)
        throw EInvalidOperation("Invalid image size");
    if (Width == FWidth && Height == FHeight)
        return;
    FWidth = Width;
    FHeight = Height;
    if (FHandle)
        ImageList_SetIconSize(FHandle, FWidth, FHeight); // drops every image
    Change();
}

void TImageList::SetMasked(bool Value)
{
    if (Value == FMasked)
        return;
    FMasked = Value;
    if (FHandle) {
        FreeHandle();
        Change();
    }
}

void TImageList::SetColorDepth(TColorDepth Value)
{
    if (Value == FColorDepth)
        return;
    FColorDepth = Value;
    if (FHandle) {
        FreeHandle();
        Change();
    }
}

void TImageList::SetBkColor(TColor Value)
{
    if (Value == FBkColor)
        return;
    FBkColor = Value;
    if (FHandle)
        ImageList_SetBkColor(FHandle, FBkColor == clNone ? CLR_NONE : ColorToRGB(FBkColor));
    Change();
}

void TImageList::CheckIndex(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EInvalidOperation(Format("Image list index %d out of range", Index));
}

int32_t TImageList::Add(TBitmap* Image, TBitmap* Mask)
{
    if (!Image || Image->GetEmpty() || Image->GetWidth() < FWidth)
        return -1;
    if (Image->GetHeight() < FHeight)
        throw EInvalidOperation("The image is lower than the image list");
    HIMAGELIST H = GetHandle();
    TOwnedBitmap Copy(CopyStrip(Image, FHeight));
    int32_t Index;
    if (Mask && !Mask->GetEmpty()) {
        TOwnedBitmap MaskCopy(MaskFrom(Mask, std::min(FHeight, Mask->GetHeight()), RGB(255, 255, 255)));
        BlackenMasked(Copy.Get(), MaskCopy.Get(), Image->GetWidth(), FHeight);
        Index = ImageList_Add(H, Copy.Get(), MaskCopy.Get());
    } else {
        Index = ImageList_Add(H, Copy.Get(), nullptr);
    }
    if (Index >= 0)
        Change();
    return Index;
}

int32_t TImageList::AddMasked(TBitmap* Image, TColor MaskColor)
{
    if (!Image || Image->GetEmpty() || Image->GetWidth() < FWidth)
        return -1;
    if (Image->GetHeight() < FHeight)
        throw EInvalidOperation("The image is lower than the image list");
    if (MaskColor == clDefault)
        MaskColor = Image->GetCanvas()->GetPixel(0, Image->GetHeight() - 1);
    HIMAGELIST H = GetHandle();
    // The system blackens the masked pixels of what it is given: give it a copy.
    TOwnedBitmap Copy(CopyStrip(Image, FHeight));
    const int32_t Index = ImageList_AddMasked(H, Copy.Get(), ColorToRGB(MaskColor));
    if (Index >= 0)
        Change();
    return Index;
}

int32_t TImageList::AddIcon(TIcon* Image)
{
    if (!Image || Image->GetEmpty())
        return -1;
    const int32_t Index = ImageList_ReplaceIcon(GetHandle(), -1, Image->GetHandle());
    if (Index >= 0)
        Change();
    return Index;
}

void TImageList::Replace(int32_t Index, TBitmap* Image, TBitmap* Mask)
{
    CheckIndex(Index);
    if (!Image || Image->GetEmpty())
        throw EInvalidOperation("No image to replace with");
    const int32_t H = std::min(FHeight, Image->GetHeight());
    TOwnedBitmap Copy(CopyStrip(Image, H));
    if (Mask && !Mask->GetEmpty()) {
        TOwnedBitmap MaskCopy(MaskFrom(Mask, std::min(H, Mask->GetHeight()), RGB(255, 255, 255)));
        BlackenMasked(Copy.Get(), MaskCopy.Get(), Image->GetWidth(), H);
        ImageList_Replace(FHandle, Index, Copy.Get(), MaskCopy.Get());
    } else {
        ImageList_Replace(FHandle, Index, Copy.Get(), nullptr);
    }
    Change();
}

void TImageList::ReplaceMasked(int32_t Index, TBitmap* Image, TColor MaskColor)
{
    CheckIndex(Index);
    if (!Image || Image->GetEmpty())
        throw EInvalidOperation("No image to replace with");
    if (MaskColor == clDefault)
        MaskColor = Image->GetCanvas()->GetPixel(0, Image->GetHeight() - 1);
    const int32_t H = std::min(FHeight, Image->GetHeight());
    TOwnedBitmap Copy(CopyStrip(Image, H));
    TOwnedBitmap MaskCopy(MaskFrom(Image, H, ColorToRGB(MaskColor)));
    BlackenMasked(Copy.Get(), MaskCopy.Get(), Image->GetWidth(), H);
    ImageList_Replace(FHandle, Index, Copy.Get(), MaskCopy.Get());
    Change();
}

void TImageList::ReplaceIcon(int32_t Index, TIcon* Image)
{
    CheckIndex(Index);
    if (!Image || Image->GetEmpty())
        throw EInvalidOperation("No image to replace with");
    ImageList_ReplaceIcon(FHandle, Index, Image->GetHandle());
    Change();
}

void TImageList::Delete(int32_t Index)
{
    CheckIndex(Index);
    ImageList_Remove(FHandle, Index);
    Change();
}

void TImageList::Clear()
{
    if (FHandle)
        ImageList_Remove(FHandle, -1);
    Change();
}

void TImageList::Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled)
{
    DrawEx(Canvas, X, Y, Index, FDrawingStyle, itImage, Enabled);
}

void TImageList::DrawEx(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, TDrawingStyle Style, TImageType Type,
                        bool Enabled)
{
    // Controls pass -1 for "no image".
    if (!Canvas || Index < 0 || Index >= GetCount())
        return;
    HDC DC = Canvas->GetHandle();
    if (!Enabled) {
        DrawDisabled(DC, X, Y, Index);
        return;
    }
    UINT Flags = ILD_NORMAL;
    COLORREF Bk = CLR_DEFAULT;
    switch (Style) {
    case dsTransparent:
        Flags = ILD_TRANSPARENT;
        Bk = CLR_NONE;
        break;
    case dsFocus:
        Flags = ILD_FOCUS;
        break;
    case dsSelected:
        Flags = ILD_SELECTED;
        break;
    default:
        break;
    }
    if (Type == itMask)
        Flags |= ILD_MASK;
    ImageList_DrawEx(FHandle, Index, DC, X, Y, 0, 0, Bk, CLR_DEFAULT, Flags);
}

void TImageList::DrawDisabled(HDC DC, int32_t X, int32_t Y, int32_t Index)
{
    // The image over white, then a monochrome copy: everything but the white background and
    // the image's own white is the shape, which is embossed in the 3D highlight and shadow.
    TOwnedBitmap Colour(NewDib(FWidth, FHeight, 24));
    TOwnedBitmap Shape(CreateBitmap(FWidth, FHeight, 1, 1, nullptr));
    if (!Shape.Get())
        throw EOutOfResources("Out of resources");
    {
        TMemoryDC C(Colour.Get());
        RECT R{0, 0, FWidth, FHeight};
        FillRect(C.Get(), &R, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ImageList_DrawEx(FHandle, Index, C.Get(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
        TMemoryDC S(Shape.Get());
        ::SetBkColor(C.Get(), RGB(255, 255, 255));
        BitBlt(S.Get(), 0, 0, FWidth, FHeight, C.Get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    TMemoryDC S(Shape.Get());
    const COLORREF OldText = ::SetTextColor(DC, RGB(0, 0, 0));
    const COLORREF OldBk = ::SetBkColor(DC, RGB(255, 255, 255));
    HGDIOBJ OldBrush = SelectObject(DC, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    BitBlt(DC, X + 1, Y + 1, FWidth, FHeight, S.Get(), 0, 0, kRopPSDPxax);
    SelectObject(DC, GetSysColorBrush(COLOR_BTNSHADOW));
    BitBlt(DC, X, Y, FWidth, FHeight, S.Get(), 0, 0, kRopPSDPxax);
    SelectObject(DC, OldBrush);
    ::SetBkColor(DC, OldBk);
    ::SetTextColor(DC, OldText);
}

void TImageList::GetBitmap(int32_t Index, TBitmap* Image)
{
    CheckIndex(Index);
    if (!Image)
        return;
    Image->SetPixelFormat(pf24bit);
    Image->SetSize(FWidth, FHeight);
    TCanvas* C = Image->GetCanvas();
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(FBkColor == clNone ? clWhite : FBkColor);
    C->FillRect(Rect(0, 0, FWidth, FHeight));
    ImageList_DrawEx(FHandle, Index, C->GetHandle(), 0, 0, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_TRANSPARENT);
    GdiFlush();
}

void TImageList::GetIcon(int32_t Index, TIcon* Image)
{
    CheckIndex(Index);
    if (!Image)
        return;
    HICON H = ImageList_GetIcon(FHandle, Index, ILD_NORMAL);
    if (!H)
        throw EOutOfResources("Out of resources");
    Image->SetHandle(H);
}

int32_t TImageList::LoadFromResourceName(HINSTANCE Instance, const std::string& ResName, int32_t ImageWidth,
                                         TColor MaskColor)
{
    TBitmap Strip;
    Strip.LoadFromResourceName(Instance, ResName);
    if (Strip.GetEmpty())
        throw EInvalidGraphic("Invalid bitmap file");
    const int32_t H = Strip.GetHeight();
    {
        BeginUpdate();
        TScopeExit End([this] { EndUpdate(); });
        SetSize(ImageWidth > 0 ? ImageWidth : H, H);
        Clear();
        if (MaskColor == clNone)
            Add(&Strip, nullptr);
        else
            AddMasked(&Strip, MaskColor);
    }
    return GetCount();
}

void TImageList::RegisterChanges(TChangeLink* Link)
{
    if (!Link)
        return;
    if (Link->FSender && Link->FSender != this)
        Link->FSender->UnRegisterChanges(Link);
    Link->FSender = this;
    if (std::find(FLinks.begin(), FLinks.end(), Link) == FLinks.end())
        FLinks.push_back(Link);
}

void TImageList::UnRegisterChanges(TChangeLink* Link)
{
    if (!Link)
        return;
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end());
    if (Link->FSender == this)
        Link->FSender = nullptr;
}

void TImageList::BeginUpdate()
{
    ++FUpdateCount;
}

void TImageList::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChanged) {
        FChanged = false;
        Change();
    }
}

void TImageList::Change()
{
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    // A link's handler may unregister links: walk a copy and skip the ones gone meanwhile.
    const std::vector<TChangeLink*> Links = FLinks;
    for (TChangeLink* L : Links)
        if (std::find(FLinks.begin(), FLinks.end(), L) != FLinks.end())
            L->Change();
    if (OnChange)
        OnChange(this);
}
