// TBitmap in memory: sizes, layouts, handles, palettes, transparency, clipboard formats,
// assignment and resources.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/rtl/Stream.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Icon.h"
#include "platform/win/Metafile.h"
#include "tests/platform/win/GraphicsTestSupport.h"

using GraphicsTest::ScanPixel;

namespace {

HPALETTE CopyPalette(HPALETTE Source)
{
    PALETTEENTRY Entries[256];
    const UINT Count = GetPaletteEntries(Source, 0, 256, Entries);
    std::vector<uint8_t> Buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    auto* LP = reinterpret_cast<LOGPALETTE*>(Buffer.data());
    LP->palVersion = 0x300;
    LP->palNumEntries = static_cast<WORD>(Count);
    std::memcpy(LP->palPalEntry, Entries, Count * sizeof(PALETTEENTRY));
    return CreatePalette(LP);
}

TColor Px(TBitmap& B, int32_t X, int32_t Y) { return B.GetCanvas()->GetPixel(X, Y); }

void Fill(TBitmap& B, const TRect& R, TColor Color)
{
    B.GetCanvas()->GetBrush()->SetStyle(bsSolid);
    B.GetCanvas()->GetBrush()->SetColor(Color);
    B.GetCanvas()->FillRect(R);
}

// Four quadrants of distinct colours.
void Quadrants(TBitmap& B, int32_t W, int32_t H)
{
    B.SetSize(W, H);
    Fill(B, Rect(0, 0, W / 2, H / 2), 0x102030);
    Fill(B, Rect(W / 2, 0, W, H / 2), 0x405060);
    Fill(B, Rect(0, H / 2, W / 2, H), 0x708090);
    Fill(B, Rect(W / 2, H / 2, W, H), 0xA0B0C0);
}

void ExpectQuadrants(TBitmap& B, int32_t W, int32_t H)
{
    EXPECT_EQ(Px(B, 0, 0), 0x102030);
    EXPECT_EQ(Px(B, W - 1, 0), 0x405060);
    EXPECT_EQ(Px(B, 0, H - 1), 0x708090);
    EXPECT_EQ(Px(B, W - 1, H - 1), 0xA0B0C0);
}

} // namespace

TEST(Bitmap, ANewBitmapIsEmptyAndSafe)
{
    TBitmap B;
    EXPECT_TRUE(B.GetEmpty());
    EXPECT_EQ(B.GetHandle(), nullptr);
    TBitmap T;
    T.SetSize(4, 4);
    T.GetCanvas()->Draw(0, 0, &B); // nothing to draw
    EXPECT_EQ(Px(T, 0, 0), clWhite);
    TMemoryStream S;
    EXPECT_THROW(B.SaveToStream(&S), EInvalidGraphic);
    EXPECT_THROW(B.ScanLine(0), EInvalidGraphicOperation);
    EXPECT_THROW(B.SetSize(-1, 3), EInvalidGraphicOperation);
}

TEST(Bitmap, ResizingKeepsTheTopLeftAndPaintsNewPixelsWhite)
{
    TBitmap B;
    EXPECT_EQ(B.GetPixelFormat(), pf24bit);
    Quadrants(B, 10, 8);
    ExpectQuadrants(B, 10, 8);
    int Changes = 0;
    B.OnChange = [&](TObject*) { ++Changes; };
    B.SetSize(20, 6);
    EXPECT_GT(Changes, 0);
    EXPECT_EQ(B.GetWidth(), 20);
    EXPECT_EQ(B.GetHeight(), 6);
    EXPECT_EQ(Px(B, 0, 0), 0x102030);
    EXPECT_EQ(Px(B, 9, 5), 0xA0B0C0);
    EXPECT_EQ(Px(B, 10, 0), clWhite);
    EXPECT_EQ(Px(B, 19, 5), clWhite);
    EXPECT_THROW(B.ScanLine(6), EInvalidGraphicOperation);
    EXPECT_THROW(B.ScanLine(-1), EInvalidGraphicOperation);
}

TEST(Bitmap, PixelFormatsAndHandleTypesKeepTheColours)
{
    TBitmap B;
    Quadrants(B, 12, 10);
    for (TPixelFormat F : {pf32bit, pfDevice, pf24bit}) {
        B.SetPixelFormat(F);
        EXPECT_EQ(B.GetPixelFormat(), F);
        EXPECT_EQ(B.GetHandleType(), F == pfDevice ? bmDDB : bmDIB);
        ExpectQuadrants(B, 12, 10);
    }
    B.SetHandleType(bmDDB);
    EXPECT_EQ(B.GetPixelFormat(), pfDevice);
    ExpectQuadrants(B, 12, 10);
    // ScanLine needs a DIB and makes one.
    B.ScanLine(0);
    EXPECT_EQ(B.GetHandleType(), bmDIB);
    ExpectQuadrants(B, 12, 10);

    // 5-6-5 keeps colours to its precision.
    B.SetPixelFormat(pf16bit);
    const TColor C = Px(B, 0, 0);
    EXPECT_LE(std::abs(int(GetRValue(C)) - 0x30), 8);
    EXPECT_LE(std::abs(int(GetGValue(C)) - 0x20), 4);
    EXPECT_LE(std::abs(int(GetBValue(C)) - 0x10), 8);
    EXPECT_EQ(B.BytesPerScanLine(), 24);
    EXPECT_THROW(B.SetPixelFormat(pfCustom), EInvalidGraphicOperation);
}

TEST(Bitmap, MonochromeIsBlackAndWhite)
{
    TBitmap B;
    B.SetSize(8, 8);
    Fill(B, Rect(0, 0, 4, 8), clBlack);
    B.SetMonochrome(true);
    EXPECT_TRUE(B.GetMonochrome());
    EXPECT_EQ(B.GetPixelFormat(), pf1bit);
    EXPECT_EQ(Px(B, 0, 0), clBlack);
    EXPECT_EQ(Px(B, 7, 7), clWhite);
    EXPECT_EQ(static_cast<uint8_t*>(B.ScanLine(0))[0], 0x0F);
    B.SetHandleType(bmDDB);
    EXPECT_TRUE(B.GetMonochrome());
    EXPECT_EQ(Px(B, 0, 3), clBlack);
    EXPECT_EQ(Px(B, 5, 3), clWhite);
    B.SetMonochrome(false);
    EXPECT_EQ(B.GetPixelFormat(), pfDevice);
    EXPECT_EQ(Px(B, 0, 3), clBlack);
}

TEST(Bitmap, SetHandleTakesOwnershipAndReadsTopDownSections)
{
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = 3;
    Info.bmiHeader.biHeight = -2; // top-down
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HBITMAP H = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    ASSERT_NE(H, nullptr);
    auto* P = static_cast<uint32_t*>(Bits);
    P[0] = 0x00FF0000; // top-left red (B-G-R-A bytes)
    P[5] = 0x000000FF; // bottom-right blue
    {
        TBitmap B;
        B.SetHandle(H);
        EXPECT_EQ(B.GetWidth(), 3);
        EXPECT_EQ(B.GetHeight(), 2);
        EXPECT_EQ(B.GetPixelFormat(), pf32bit);
        EXPECT_EQ(B.GetHandleType(), bmDIB);
        EXPECT_EQ(Px(B, 0, 0), clRed);
        EXPECT_EQ(Px(B, 2, 1), clBlue);
        EXPECT_EQ(static_cast<uint32_t*>(B.ScanLine(0))[0], 0x00FF0000u);
        EXPECT_EQ(static_cast<uint32_t*>(B.ScanLine(1))[2], 0x000000FFu);
        TBitmap Copy;
        Copy.Assign(&B);
        EXPECT_EQ(Px(Copy, 0, 0), clRed);
        EXPECT_EQ(Px(Copy, 2, 1), clBlue);
    }
    EXPECT_EQ(GetObjectType(H), 0u) << "the bitmap did not delete the handle it took";

    TBitmap B;
    B.SetSize(5, 5);
    Fill(B, Rect(0, 0, 5, 5), clTeal);
    HBITMAP Out = B.ReleaseHandle();
    EXPECT_TRUE(B.GetEmpty());
    EXPECT_EQ(GetObjectType(Out), static_cast<DWORD>(OBJ_BITMAP));
    TBitmap Again;
    Again.SetHandle(Out);
    EXPECT_EQ(Px(Again, 4, 4), clTeal);
    EXPECT_THROW(Again.SetHandle(reinterpret_cast<HBITMAP>(GetStockObject(WHITE_BRUSH))), EInvalidGraphic);
    EXPECT_EQ(Px(Again, 4, 4), clTeal) << "a refused handle must leave the bitmap as it was";
}

TEST(Bitmap, PaletteBitmapsShowTheirColourTable)
{
    TBitmap B;
    B.SetPixelFormat(pf8bit);
    B.SetSize(4, 4);
    auto* Row = static_cast<uint8_t*>(B.ScanLine(0));
    Row[0] = 0;
    Row[1] = 9;
    EXPECT_EQ(Px(B, 1, 0), clRed); // the default table keeps the 16 standard colours first
    HPALETTE Pal = B.GetPalette();
    ASSERT_NE(Pal, nullptr);
    EXPECT_EQ(GetPaletteEntries(Pal, 0, 0, nullptr), 256u);

    std::vector<uint8_t> Buffer(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* LP = reinterpret_cast<LOGPALETTE*>(Buffer.data());
    LP->palVersion = 0x300;
    LP->palNumEntries = 256;
    for (int I = 0; I < 256; ++I)
        LP->palPalEntry[I] = PALETTEENTRY{uint8_t(I), 0, uint8_t(255 - I), 0};
    B.SetPalette(CreatePalette(LP));
    EXPECT_EQ(Px(B, 0, 0), static_cast<TColor>(RGB(0, 0, 255)));
    EXPECT_EQ(Px(B, 1, 0), static_cast<TColor>(RGB(9, 0, 246)));

    TBitmap Copy;
    Copy.Assign(&B);
    EXPECT_EQ(Copy.GetPixelFormat(), pf8bit);
    EXPECT_EQ(static_cast<uint8_t*>(Copy.ScanLine(0))[1], 9);
    EXPECT_EQ(Px(Copy, 1, 0), static_cast<TColor>(RGB(9, 0, 246)));
}

TEST(Bitmap, TransparentDrawingLeavesOutTheBottomLeftColour)
{
    TBitmap Sprite;
    Sprite.SetSize(20, 20);
    Fill(Sprite, Rect(0, 0, 20, 20), clFuchsia);
    Fill(Sprite, Rect(5, 5, 15, 15), clBlue);
    Fill(Sprite, Rect(0, 0, 3, 3), clLime);
    EXPECT_EQ(Sprite.GetTransparentColor(), clFuchsia);
    EXPECT_EQ(Sprite.GetTransparentMode(), tmAuto);
    Sprite.SetTransparent(true);

    TBitmap Target;
    Target.SetSize(60, 40);
    Target.GetCanvas()->Draw(0, 0, &Sprite);
    for (int32_t Y = 0; Y < 20; ++Y)
        for (int32_t X = 0; X < 20; ++X) {
            const TColor Want = (X >= 5 && X < 15 && Y >= 5 && Y < 15) ? clBlue : (X < 3 && Y < 3) ? clLime : clWhite;
            ASSERT_EQ(ScanPixel(Target, X, Y), Want) << X << "," << Y;
        }
    // Stretched twice as large.
    Target.GetCanvas()->StretchDraw(Rect(20, 0, 60, 40), &Sprite);
    EXPECT_EQ(ScanPixel(Target, 40, 20), clBlue);
    EXPECT_EQ(ScanPixel(Target, 22, 38), clWhite);
    EXPECT_EQ(ScanPixel(Target, 21, 1), clLime);

    // Fixed mode with another colour: that colour is left out instead.
    Sprite.SetTransparentColor(clBlue);
    EXPECT_EQ(Sprite.GetTransparentMode(), tmFixed);
    TBitmap Second;
    Second.SetSize(20, 20);
    Second.GetCanvas()->Draw(0, 0, &Sprite);
    EXPECT_EQ(ScanPixel(Second, 10, 10), clWhite);
    EXPECT_EQ(ScanPixel(Second, 18, 18), clFuchsia);
    EXPECT_EQ(ScanPixel(Second, 1, 1), clLime);
    Sprite.SetTransparentMode(tmAuto);
    EXPECT_EQ(Sprite.GetTransparentColor(), clFuchsia);

    // Not transparent: the canvas's copy mode applies.
    Sprite.SetTransparent(false);
    TBitmap Third;
    Third.SetSize(20, 20);
    Fill(Third, Rect(0, 0, 20, 20), 0x00FF00);
    Third.GetCanvas()->SetCopyMode(cmSrcAnd);
    Third.GetCanvas()->Draw(0, 0, &Sprite);
    EXPECT_EQ(ScanPixel(Third, 18, 18), static_cast<TColor>(0xFF00FF & 0x00FF00));
    EXPECT_EQ(ScanPixel(Third, 1, 1), clLime);
}

TEST(Bitmap, ClipboardFormatsRoundTrip)
{
    TBitmap B;
    Quadrants(B, 7, 5);
    UINT Format = 0;
    HANDLE Data = nullptr;
    HPALETTE Palette = nullptr;
    B.SaveToClipboardFormat(Format, Data, Palette);
    EXPECT_EQ(Format, static_cast<UINT>(CF_BITMAP));
    ASSERT_NE(Data, nullptr);
    EXPECT_EQ(Palette, nullptr);
    TBitmap C;
    C.LoadFromClipboardFormat(CF_BITMAP, Data, nullptr);
    EXPECT_EQ(C.GetWidth(), 7);
    EXPECT_EQ(C.GetHeight(), 5);
    ExpectQuadrants(C, 7, 5);
    EXPECT_EQ(GetObjectType(Data), static_cast<DWORD>(OBJ_BITMAP)) << "the clipboard's bitmap stays its own";
    // With a CF_PALETTE beside it, the bitmap keeps a copy of the palette.
    TBitmap Pal;
    Pal.SetPixelFormat(pf8bit);
    Pal.SetSize(2, 2);
    HPALETTE Given = CopyPalette(Pal.GetPalette());
    TBitmap WithPalette;
    WithPalette.LoadFromClipboardFormat(CF_BITMAP, Data, Given);
    ExpectQuadrants(WithPalette, 7, 5);
    ASSERT_NE(WithPalette.GetPalette(), nullptr);
    EXPECT_NE(WithPalette.GetPalette(), Given);
    EXPECT_EQ(GetPaletteEntries(WithPalette.GetPalette(), 0, 0, nullptr), 256u);
    DeleteObject(Given);
    DeleteObject(Data);

    // A packed DIB in global memory.
    TMemoryStream S;
    B.SaveToStream(&S);
    const SIZE_T Size = SIZE_T(S.GetSize() - 14);
    HGLOBAL G = GlobalAlloc(GMEM_MOVEABLE, Size);
    std::memcpy(GlobalLock(G), static_cast<const uint8_t*>(S.Memory()) + 14, Size);
    GlobalUnlock(G);
    TBitmap D;
    D.LoadFromClipboardFormat(CF_DIB, G, nullptr);
    ExpectQuadrants(D, 7, 5);
    GlobalFree(G);

    // A palette bitmap hands out its palette too.
    TBitmap P;
    P.SetPixelFormat(pf4bit);
    P.SetSize(3, 3);
    P.SaveToClipboardFormat(Format, Data, Palette);
    EXPECT_NE(Palette, nullptr);
    DeleteObject(Data);
    DeleteObject(Palette);

    try {
        D.LoadFromClipboardFormat(99, G, nullptr);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& E) {
        EXPECT_STREQ(E.what(), "Unknown clipboard format, 99");
    }
    TBitmap Empty;
    EXPECT_THROW(Empty.SaveToClipboardFormat(Format, Data, Palette), EInvalidGraphic);
}

TEST(Bitmap, AssignCopiesDeeplyAndDrawsOtherGraphics)
{
    TBitmap A;
    Quadrants(A, 6, 6);
    A.SetTransparent(true);
    TBitmap B;
    B.Assign(&A);
    Fill(A, Rect(0, 0, 6, 6), clBlack);
    ExpectQuadrants(B, 6, 6);
    EXPECT_TRUE(B.GetTransparent());

    // Any other graphic is drawn onto white.
    TIcon Icon;
    Icon.SetHandle(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)));
    ASSERT_FALSE(Icon.GetEmpty());
    B.Assign(&Icon);
    EXPECT_EQ(B.GetWidth(), Icon.GetWidth());
    EXPECT_EQ(B.GetPixelFormat(), pf24bit);
    TBitmap Direct;
    Direct.SetSize(Icon.GetWidth(), Icon.GetHeight());
    Direct.GetCanvas()->Draw(0, 0, &Icon);
    int Differ = 0, NonWhite = 0;
    for (int32_t Y = 0; Y < B.GetHeight(); ++Y)
        for (int32_t X = 0; X < B.GetWidth(); ++X) {
            Differ += Px(B, X, Y) != Px(Direct, X, Y);
            NonWhite += Px(B, X, Y) != clWhite;
        }
    EXPECT_EQ(Differ, 0);
    EXPECT_GT(NonWhite, 0);

    B.Assign(nullptr);
    EXPECT_TRUE(B.GetEmpty());
    TFont F;
    EXPECT_THROW(B.Assign(&F), EConvertError);
}

TEST(Bitmap, HugeSizesFailCleanly)
{
    TBitmap B;
    B.SetPixelFormat(pf32bit);
    EXPECT_THROW(B.SetSize(40000, 40000), EOutOfResources);
    EXPECT_TRUE(B.GetEmpty());
    B.SetSize(2, 2);
    EXPECT_EQ(Px(B, 1, 1), clWhite);
}

#ifdef QM_HAVE_TEST_ARTWORK
TEST(Bitmap, LoadsTheBitmapResourceAsItsFileHasIt)
{
    TBitmap FromResource;
    FromResource.LoadFromResourceName(GetModuleHandleA(nullptr), "TESTSTRIP");
    TBitmap FromFile;
    FromFile.LoadFromFile(GraphicsTest::WindowsPath(QM_ARTWORK_DIR "/TestStrip.bmp"));
    ASSERT_FALSE(FromResource.GetEmpty());
    ASSERT_EQ(FromResource.GetWidth(), FromFile.GetWidth());
    ASSERT_EQ(FromResource.GetHeight(), FromFile.GetHeight());
    for (int32_t Y = 0; Y < FromFile.GetHeight(); ++Y)
        for (int32_t X = 0; X < FromFile.GetWidth(); ++X)
            ASSERT_EQ(Px(FromResource, X, Y), Px(FromFile, X, Y)) << X << "," << Y;
    EXPECT_THROW(FromResource.LoadFromResourceName(GetModuleHandleA(nullptr), "NOSUCHBITMAP"), EInvalidGraphic);
    EXPECT_THROW(FromResource.LoadFromResourceID(GetModuleHandleA(nullptr), 31999), EInvalidGraphic);
}
#endif
