// Colours, drawing objects and the canvas, checked through DIB pixels.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/win/Bitmap.h"
#include "platform/win/Graphics.h"
#include "tests/platform/win/GraphicsTestSupport.h"

using GraphicsTest::ScanPixel;

namespace {

std::vector<uint8_t> Snapshot(TBitmap& B)
{
    std::vector<uint8_t> Bytes;
    for (int32_t Y = 0; Y < B.GetHeight(); ++Y) {
        const auto* Row = static_cast<const uint8_t*>(B.ScanLine(Y));
        Bytes.insert(Bytes.end(), Row, Row + B.GetWidth() * 3);
    }
    return Bytes;
}

void MakeBitmap(TBitmap& B, int32_t W = 64, int32_t H = 64)
{
    B.SetPixelFormat(pf24bit);
    B.SetSize(W, H);
}

// A varied background, so that xor and clear-brush checks see real colours.
void FillGradient(TBitmap& B)
{
    for (int32_t Y = 0; Y < B.GetHeight(); ++Y) {
        auto* Row = static_cast<uint8_t*>(B.ScanLine(Y));
        for (int32_t X = 0; X < B.GetWidth(); ++X) {
            Row[X * 3] = uint8_t(X * 4);
            Row[X * 3 + 1] = uint8_t(Y * 4);
            Row[X * 3 + 2] = uint8_t((X + Y) * 2);
        }
    }
}

} // namespace

TEST(Colors, SystemColorsResolveThroughGetSysColor)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    for (int I = COLOR_SCROLLBAR; I <= COLOR_MENUBAR; ++I)
        EXPECT_EQ(ColorToRGB(SystemColor(I)), GetSysColor(I) & 0xFFFFFF) << "index " << I;
    EXPECT_EQ(ColorToRGB(clNavy), 0x800000u);
    EXPECT_EQ(ColorToRGB(clBlue), 0xFF0000u);
    EXPECT_TRUE(IsSystemColor(clWindow));
    EXPECT_FALSE(IsSystemColor(clWhite));
}

TEST(Colors, NoneAndDefaultNeverReachGdiAsColours)
{
    // Their own bit patterns would mean palette references to GDI.
    EXPECT_EQ(ColorToRGB(clNone) & 0xFF000000u, 0u);
    EXPECT_EQ(ColorToRGB(clDefault) & 0xFF000000u, 0u);
    EXPECT_EQ(ColorToRGB(clNone), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ColorToRGB(clDefault), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(ColorToRGB(clDefault, clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clNone, clNone), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ColorToRGB(TColorOf(0x02123456)), 0x123456u); // a palette-relative flag is dropped

    TBitmap B;
    MakeBitmap(B);
    FillGradient(B);
    const auto Before = Snapshot(B);
    TCanvas* C = B.GetCanvas();
    C->GetBrush()->SetColor(clNone);
    C->FillRect(Rect(0, 0, 64, 64));
    C->GetPen()->SetColor(clNone);
    C->Rectangle(4, 4, 60, 60);
    C->LineTo(63, 63);
    C->SetPixel(3, 3, clNone);
    EXPECT_EQ(Snapshot(B), Before) << "clNone painted something";

    C->GetBrush()->SetColor(clDefault);
    C->FillRect(Rect(0, 0, 8, 8));
    EXPECT_EQ(static_cast<COLORREF>(ScanPixel(B, 2, 2)), GetSysColor(COLOR_WINDOW));
    C->GetPen()->SetColor(clDefault);
    C->GetPen()->SetStyle(psSolid);
    C->MoveTo(10, 20);
    C->LineTo(40, 20);
    EXPECT_EQ(static_cast<COLORREF>(ScanPixel(B, 20, 20)), GetSysColor(COLOR_WINDOWTEXT));
}

TEST(Canvas, FillRectWithRedGivesRedPixels)
{
    TBitmap B;
    MakeBitmap(B);
    B.GetCanvas()->GetBrush()->SetColor(clRed);
    B.GetCanvas()->FillRect(Rect(0, 0, 64, 64));
    for (int32_t Y = 0; Y < 64; ++Y) {
        const auto* Row = static_cast<const uint8_t*>(B.ScanLine(Y));
        for (int32_t X = 0; X < 64; ++X)
            ASSERT_TRUE(Row[X * 3] == 0 && Row[X * 3 + 1] == 0 && Row[X * 3 + 2] == 0xFF) << X << "," << Y;
    }
}

TEST(Canvas, DottedXorRectangleDrawnTwiceRestoresEveryPixel)
{
    TBitmap B;
    MakeBitmap(B);
    FillGradient(B);
    const auto Before = Snapshot(B);
    TCanvas* C = B.GetCanvas();
    C->GetPen()->SetStyle(psDot);
    C->GetPen()->SetMode(pmXor);
    C->GetPen()->SetColor(clWhite);
    C->GetBrush()->SetStyle(bsClear);
    C->Rectangle(5, 6, 50, 40);
    const auto Once = Snapshot(B);
    EXPECT_NE(Once, Before) << "the first rectangle drew nothing";
    // Only the outline changed, and not every pixel of it (dots).
    EXPECT_EQ(ScanPixel(B, 20, 20), [&] {
        const uint8_t* P = Before.data() + (20 * 64 + 20) * 3;
        return static_cast<TColor>(RGB(P[2], P[1], P[0]));
    }());
    int Changed = 0;
    for (int32_t X = 5; X < 50; ++X)
        Changed += std::memcmp(Once.data() + (6 * 64 + X) * 3, Before.data() + (6 * 64 + X) * 3, 3) != 0;
    EXPECT_GT(Changed, 10);
    EXPECT_LT(Changed, 45);
    C->Rectangle(5, 6, 50, 40);
    EXPECT_EQ(Snapshot(B), Before);
}

TEST(Canvas, ClearBrushRectangleLeavesTheInsideUntouched)
{
    TBitmap B;
    MakeBitmap(B);
    FillGradient(B);
    const auto Before = Snapshot(B);
    TCanvas* C = B.GetCanvas();
    C->GetPen()->SetColor(clBlack);
    C->GetBrush()->SetStyle(bsClear);
    C->Rectangle(10, 10, 50, 50);
    const auto After = Snapshot(B);
    for (int32_t Y = 11; Y < 49; ++Y)
        for (int32_t X = 11; X < 49; ++X)
            ASSERT_EQ(std::memcmp(After.data() + (Y * 64 + X) * 3, Before.data() + (Y * 64 + X) * 3, 3), 0) << X << "," << Y;
    EXPECT_EQ(ScanPixel(B, 10, 30), clBlack);
    EXPECT_EQ(ScanPixel(B, 49, 30), clBlack);
    // A solid brush fills the same inside.
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(clLime);
    C->Rectangle(10, 10, 50, 50);
    EXPECT_EQ(ScanPixel(B, 30, 30), clLime);
}

TEST(Canvas, PixelsSetAndGetAgree)
{
    TBitmap B;
    MakeBitmap(B, 20, 10);
    TCanvas* C = B.GetCanvas();
    C->SetPixel(5, 7, 0x123456);
    C->SetPixel(19, 0, clBtnFace);
    EXPECT_EQ(C->GetPixel(5, 7), 0x123456);
    EXPECT_EQ(ScanPixel(B, 5, 7), 0x123456);
    EXPECT_EQ(static_cast<COLORREF>(C->GetPixel(19, 0)), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(C->GetPixel(100, 100), clNone); // outside the bitmap
}

TEST(Canvas, TextWidthEqualsGetTextExtentPoint32)
{
    TBitmap B;
    MakeBitmap(B);
    TCanvas* C = B.GetCanvas();
    for (int Variant = 0; Variant < 3; ++Variant) {
        if (Variant == 1) {
            C->GetFont()->SetName("Arial");
            C->GetFont()->SetSize(14);
            C->GetFont()->SetStyle({fsBold});
        } else if (Variant == 2) {
            C->GetFont()->SetName("Courier New");
            C->GetFont()->SetHeight(-23);
            C->GetFont()->SetStyle({fsItalic, fsUnderline});
        }
        LOGFONTA LF = C->GetFont()->GetLogFont();
        HFONT Font = CreateFontIndirectA(&LF);
        HDC DC = CreateCompatibleDC(nullptr);
        HGDIOBJ Old = SelectObject(DC, Font);
        SIZE S{};
        GetTextExtentPoint32A(DC, "Quillmoor", 9, &S);
        SelectObject(DC, Old);
        DeleteDC(DC);
        DeleteObject(Font);
        EXPECT_GT(S.cx, 20);
        EXPECT_EQ(C->TextWidth("Quillmoor"), S.cx) << "variant " << Variant;
        EXPECT_EQ(C->TextHeight("Quillmoor"), S.cy) << "variant " << Variant;
    }
    EXPECT_EQ(C->TextWidth(""), 0);
}

TEST(Canvas, TextOutMovesThePenAndTextRectMeasures)
{
    TBitmap B;
    MakeBitmap(B, 200, 40);
    TCanvas* C = B.GetCanvas();
    C->GetFont()->SetColor(clBlue);
    C->GetBrush()->SetColor(clYellow);
    C->TextOut(3, 4, "Hello");
    EXPECT_EQ(C->GetPenPos().x, 3 + C->TextWidth("Hello"));
    EXPECT_EQ(C->GetPenPos().y, 4);
    // The background of the text is the brush colour; some pixel is the font colour.
    EXPECT_EQ(ScanPixel(B, 3, 4), clYellow);
    bool Blue = false;
    for (int32_t Y = 4; Y < 4 + C->TextHeight("Hello") && !Blue; ++Y)
        for (int32_t X = 3; X < 3 + C->TextWidth("Hello"); ++X)
            Blue = Blue || ScanPixel(B, X, Y) == clBlue;
    EXPECT_TRUE(Blue);

    TRect R = Rect(0, 0, 1000, 0);
    const int32_t H = C->TextRect(R, "Two\nlines", DT_CALCRECT);
    EXPECT_EQ(H, 2 * C->TextHeight("Two"));
    EXPECT_EQ(R.right, C->TextWidth("lines"));

    // TextRect clips to its rectangle.
    C->GetBrush()->SetColor(clWhite);
    C->FillRect(Rect(0, 0, 200, 40));
    C->GetBrush()->SetColor(clAqua);
    C->TextRect(Rect(10, 10, 20, 30), 10, 10, "WWWWWWWW");
    EXPECT_EQ(ScanPixel(B, 25, 15), clWhite);
    EXPECT_EQ(ScanPixel(B, 10, 29), clAqua);
}

TEST(Canvas, CopyRectHonoursCopyMode)
{
    TBitmap Source;
    MakeBitmap(Source, 10, 10);
    Source.GetCanvas()->GetBrush()->SetColor(0x204060);
    Source.GetCanvas()->FillRect(Rect(0, 0, 10, 10));
    TBitmap B;
    MakeBitmap(B, 30, 30);
    B.GetCanvas()->CopyRect(Rect(0, 0, 10, 10), Source.GetCanvas(), Rect(0, 0, 10, 10));
    EXPECT_EQ(ScanPixel(B, 5, 5), 0x204060);
    B.GetCanvas()->SetCopyMode(cmNotSrcCopy);
    B.GetCanvas()->CopyRect(Rect(10, 10, 30, 30), Source.GetCanvas(), Rect(0, 0, 10, 10)); // stretched
    EXPECT_EQ(ScanPixel(B, 29, 29), 0xDFBF9F);
    EXPECT_EQ(ScanPixel(B, 15, 5), clWhite);
}

TEST(Canvas, PatternBrushAndHatches)
{
    TBitmap Pattern;
    MakeBitmap(Pattern, 8, 8);
    for (int32_t Y = 0; Y < 8; ++Y)
        for (int32_t X = 0; X < 8; ++X)
            Pattern.GetCanvas()->SetPixel(X, Y, ((X + Y) & 1) ? clBlack : clWhite);
    TBitmap B;
    MakeBitmap(B, 16, 16);
    B.GetCanvas()->GetBrush()->SetBitmap(&Pattern);
    B.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(ScanPixel(B, 0, 0), clWhite);
    EXPECT_EQ(ScanPixel(B, 1, 0), clBlack);
    EXPECT_EQ(ScanPixel(B, 9, 4), clBlack);
    B.GetCanvas()->GetBrush()->SetBitmap(nullptr);
    B.GetCanvas()->GetBrush()->SetStyle(bsCross);
    B.GetCanvas()->GetBrush()->SetColor(clRed);
    B.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
    int Red = 0;
    for (int32_t X = 0; X < 16; ++X)
        for (int32_t Y = 0; Y < 16; ++Y)
            Red += ScanPixel(B, X, Y) == clRed;
    EXPECT_GT(Red, 16);
    EXPECT_LT(Red, 256);
}

TEST(Canvas, WidePatternedPenAndShapes)
{
    TBitmap B;
    MakeBitmap(B, 80, 80);
    TCanvas* C = B.GetCanvas();
    C->GetPen()->SetWidth(3);
    C->GetPen()->SetStyle(psDash);
    C->GetPen()->SetColor(clNavy);
    C->MoveTo(0, 10);
    C->LineTo(80, 10);
    int Navy = 0;
    for (int32_t X = 0; X < 80; ++X)
        Navy += ScanPixel(B, X, 10) == clNavy;
    EXPECT_GT(Navy, 20);
    EXPECT_LT(Navy, 80);
    EXPECT_EQ(ScanPixel(B, 40, 20), clWhite);
    C->GetPen()->SetWidth(1);
    C->GetPen()->SetStyle(psSolid);
    C->GetBrush()->SetColor(clGreen);
    C->Ellipse(20, 20, 60, 60);
    EXPECT_EQ(ScanPixel(B, 40, 40), clGreen);
    EXPECT_EQ(ScanPixel(B, 21, 21), clWhite);
    const TPoint Tri[] = {{0, 79}, {10, 60}, {20, 79}};
    C->GetBrush()->SetColor(clPurple);
    C->Polygon(Tri);
    EXPECT_EQ(ScanPixel(B, 10, 75), clPurple);
    C->RoundRect(62, 62, 80, 80, 6, 6);
    EXPECT_EQ(ScanPixel(B, 70, 70), clPurple);
    EXPECT_EQ(C->GetClipRect().right, 80);
    EXPECT_EQ(C->GetClipRect().bottom, 80);
}

TEST(Canvas, ObjectsAreDeselectedWhenTheHandleIsReleased)
{
    HDC DC = CreateCompatibleDC(nullptr);
    HBITMAP Bmp = CreateCompatibleBitmap(DC, 10, 10);
    HGDIOBJ OldBitmap = SelectObject(DC, Bmp);
    const HGDIOBJ OrigPen = GetCurrentObject(DC, OBJ_PEN);
    const HGDIOBJ OrigBrush = GetCurrentObject(DC, OBJ_BRUSH);
    const HGDIOBJ OrigFont = GetCurrentObject(DC, OBJ_FONT);
    {
        TCanvas C;
        C.SetHandle(DC);
        C.GetPen()->SetColor(clRed);
        C.GetBrush()->SetColor(clBlue);
        C.Rectangle(0, 0, 5, 5);
        C.TextOut(0, 0, "x");
        HPEN Pen = C.GetPen()->GetHandle();
        EXPECT_EQ(GetCurrentObject(DC, OBJ_PEN), Pen);
        EXPECT_EQ(GetCurrentObject(DC, OBJ_BRUSH), C.GetBrush()->GetHandle());
        EXPECT_EQ(GetCurrentObject(DC, OBJ_FONT), C.GetFont()->GetHandle());
        // A change takes the old pen out before it is deleted.
        C.GetPen()->SetColor(clLime);
        EXPECT_EQ(GetCurrentObject(DC, OBJ_PEN), OrigPen);
        C.LineTo(9, 9);
        EXPECT_EQ(GetCurrentObject(DC, OBJ_PEN), C.GetPen()->GetHandle());
        C.SetHandle(nullptr);
        EXPECT_EQ(GetCurrentObject(DC, OBJ_PEN), OrigPen);
        EXPECT_EQ(GetCurrentObject(DC, OBJ_BRUSH), OrigBrush);
        EXPECT_EQ(GetCurrentObject(DC, OBJ_FONT), OrigFont);
        C.SetHandle(DC);
        C.Rectangle(0, 0, 5, 5);
    } // the destructor deselects as well
    EXPECT_EQ(GetCurrentObject(DC, OBJ_PEN), OrigPen);
    EXPECT_EQ(GetCurrentObject(DC, OBJ_BRUSH), OrigBrush);
    SelectObject(DC, OldBitmap);
    DeleteObject(Bmp);
    DeleteDC(DC);
}

TEST(Canvas, WithoutAHandleDrawingRaises)
{
    TCanvas C;
    EXPECT_THROW(C.Rectangle(0, 0, 1, 1), EInvalidOperation);
}

TEST(Canvas, LockIsHeldAgainstOtherThreads)
{
    TBitmap B;
    MakeBitmap(B, 4, 4);
    TCanvas* C = B.GetCanvas();
    C->Lock();
    C->Lock(); // re-entrant
    EXPECT_EQ(C->GetLockCount(), 2);
    std::atomic<int> Other{-1};
    std::thread([&] { Other = C->TryLock() ? 1 : 0; }).join();
    EXPECT_EQ(Other.load(), 0);
    C->Unlock();
    C->Unlock();
    EXPECT_EQ(C->GetLockCount(), 0);
    std::thread([&] {
        Other = C->TryLock() ? 1 : 0;
        if (Other)
            C->Unlock();
    }).join();
    EXPECT_EQ(Other.load(), 1);
}

TEST(Fonts, PropertiesHandlesAndChangeEvents)
{
    TFont F;
    EXPECT_EQ(F.GetPixelsPerInch(), ScreenPixelsPerInch());
    int Changes = 0;
    F.OnChange = [&](TObject*) { ++Changes; };
    F.SetPixelsPerInch(96);
    F.SetSize(12);
    EXPECT_EQ(F.GetHeight(), -16);
    EXPECT_EQ(F.GetSize(), 12);
    F.SetSize(12); // unchanged: no event
    F.SetName("Arial");
    F.SetStyle({fsBold, fsStrikeOut});
    F.SetOrientation(900);
    EXPECT_EQ(Changes, 4);

    LOGFONTA LF{};
    LF.lfHeight = -20;
    LF.lfWeight = FW_BOLD;
    LF.lfItalic = TRUE;
    LF.lfCharSet = ANSI_CHARSET;
    LF.lfPitchAndFamily = FIXED_PITCH;
    std::strcpy(LF.lfFaceName, "Courier New");
    HFONT Given = CreateFontIndirectA(&LF);
    TFont G;
    G.SetHandle(Given);
    EXPECT_EQ(G.GetName(), "Courier New");
    EXPECT_EQ(G.GetHeight(), -20);
    EXPECT_TRUE(G.GetStyle().Contains(fsBold));
    EXPECT_TRUE(G.GetStyle().Contains(fsItalic));
    EXPECT_FALSE(G.GetStyle().Contains(fsUnderline));
    EXPECT_EQ(G.GetPitch(), fpFixed);
    EXPECT_NE(G.GetHandle(), Given); // the given handle stays the caller's
    EXPECT_TRUE(DeleteObject(Given));

    TFont H;
    H.Assign(&G);
    EXPECT_EQ(H.GetName(), "Courier New");
    EXPECT_EQ(H.GetHeight(), -20);
    EXPECT_EQ(H.GetLogFont().lfWeight, FW_BOLD);
    TPen P;
    EXPECT_THROW(H.Assign(&P), EConvertError);
}

TEST(Canvas, HandlesAreDeletedWithTheirOwnersAndAfterChanges)
{
    HPEN OldPen;
    HFONT OldFont;
    HBRUSH Brush;
    HBITMAP Bitmap;
    HDC DC;
    {
        TBitmap B;
        B.SetSize(8, 8);
        TCanvas* C = B.GetCanvas();
        C->GetPen()->SetColor(clRed);
        C->LineTo(7, 7);
        OldPen = C->GetPen()->GetHandle();
        C->GetPen()->SetColor(clBlue); // the old pen is deselected and deleted
        EXPECT_EQ(GetObjectType(OldPen), 0u);
        C->LineTo(0, 7);
        C->TextOut(0, 0, "a");
        OldFont = C->GetFont()->GetHandle();
        C->GetFont()->SetSize(20);
        EXPECT_EQ(GetObjectType(OldFont), 0u);
        C->TextOut(0, 0, "b");
        C->FillRect(Rect(0, 0, 2, 2));
        Brush = C->GetBrush()->GetHandle();
        Bitmap = B.GetHandle();
        DC = C->GetHandle();
        EXPECT_EQ(GetObjectType(Brush), static_cast<DWORD>(OBJ_BRUSH));
        EXPECT_EQ(GetObjectType(DC), static_cast<DWORD>(OBJ_MEMDC));
        // Resizing makes a new bitmap and a new DC; the old ones go.
        B.SetSize(9, 9);
        EXPECT_EQ(GetObjectType(Bitmap), 0u);
        EXPECT_EQ(GetObjectType(DC), 0u);
        Bitmap = B.GetHandle();
        DC = C->GetHandle();
    }
    EXPECT_EQ(GetObjectType(Brush), 0u);
    EXPECT_EQ(GetObjectType(Bitmap), 0u);
    EXPECT_EQ(GetObjectType(DC), 0u);
}
