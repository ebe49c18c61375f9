// The drawn artwork as the program sees it: the resources windres linked in, loaded through the
// system, with the hot spots, sizes and colours the script drew.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

namespace {

HINSTANCE Module()
{
    return GetModuleHandleA(nullptr);
}

// A top-down 24-bit DIB section with its own memory DC.
class TDib {
public:
    TDib(int Width, int Height) : FWidth(Width), FHeight(Height)
    {
        BITMAPINFO Info{};
        Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        Info.bmiHeader.biWidth = Width;
        Info.bmiHeader.biHeight = -Height;
        Info.bmiHeader.biPlanes = 1;
        Info.bmiHeader.biBitCount = 24;
        FDC = CreateCompatibleDC(nullptr);
        void* Bits = nullptr;
        FBitmap = CreateDIBSection(FDC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
        FBits = static_cast<uint8_t*>(Bits);
        FOld = SelectObject(FDC, FBitmap);
    }
    TDib(const TDib&) = delete;
    TDib& operator=(const TDib&) = delete;
    ~TDib()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDC);
    }
    HDC DC() const { return FDC; }
    bool Valid() const { return FBits != nullptr; }
    int Stride() const { return (FWidth * 3 + 3) & ~3; }
    void Fill(COLORREF C)
    {
        HBRUSH B = CreateSolidBrush(C);
        RECT R{0, 0, FWidth, FHeight};
        FillRect(FDC, &R, B);
        DeleteObject(B);
        GdiFlush();
    }
    COLORREF Pixel(int X, int Y) const
    {
        GdiFlush();
        const uint8_t* P = FBits + Y * Stride() + X * 3;
        return RGB(P[2], P[1], P[0]);
    }
    // A .bmp file of the pixels (bottom-up, 24 bits).
    bool Save(const std::string& FileName) const
    {
        GdiFlush();
        const uint32_t ImageSize = static_cast<uint32_t>(Stride() * FHeight);
        BITMAPFILEHEADER F{};
        F.bfType = 0x4D42;
        F.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        F.bfSize = F.bfOffBits + ImageSize;
        BITMAPINFOHEADER H{};
        H.biSize = sizeof(H);
        H.biWidth = FWidth;
        H.biHeight = FHeight;
        H.biPlanes = 1;
        H.biBitCount = 24;
        H.biSizeImage = ImageSize;
        FILE* Out = std::fopen(FileName.c_str(), "wb");
        if (!Out)
            return false;
        bool Ok = std::fwrite(&F, sizeof(F), 1, Out) == 1 && std::fwrite(&H, sizeof(H), 1, Out) == 1;
        for (int Y = FHeight - 1; Ok && Y >= 0; --Y)
            Ok = std::fwrite(FBits + Y * Stride(), Stride(), 1, Out) == 1;
        return std::fclose(Out) == 0 && Ok;
    }

private:
    int FWidth, FHeight;
    HDC FDC = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
    uint8_t* FBits = nullptr;
};

struct TIconFacts {
    bool Ok = false;
    POINT Hot{-1, -1};
    bool IsIcon = false;
    int Width = 0, Height = 0; // of the image (a monochrome one holds image and mask stacked)
    bool Colour = false;
};

TIconFacts Facts(HICON Icon)
{
    TIconFacts F;
    ICONINFO Info{};
    if (!Icon || !GetIconInfo(Icon, &Info))
        return F;
    F.Ok = true;
    F.Hot = POINT{static_cast<LONG>(Info.xHotspot), static_cast<LONG>(Info.yHotspot)};
    F.IsIcon = Info.fIcon != FALSE;
    BITMAP B{};
    GetObjectA(Info.hbmMask, sizeof(B), &B);
    F.Width = B.bmWidth;
    F.Height = Info.hbmColor ? B.bmHeight : B.bmHeight / 2;
    F.Colour = Info.hbmColor != nullptr;
    if (Info.hbmColor)
        DeleteObject(Info.hbmColor);
    if (Info.hbmMask)
        DeleteObject(Info.hbmMask);
    return F;
}

// Where the test program writes the picture to look at (set by the build).
std::string ScreenshotFolder()
{
#ifdef QM_SCREENSHOT_DIR
    return QM_SCREENSHOT_DIR;
#else
    return std::string();
#endif
}

} // namespace

TEST(Artwork, HandCursorsLoadWithTheirHotSpotsInThePalm)
{
    for (const char* Name : {"HANDOPENEDCURSOR", "HANDCLOSEDCURSOR"}) {
        SCOPED_TRACE(Name);
        HCURSOR C = LoadCursorA(Module(), Name);
        ASSERT_NE(nullptr, C);
        const TIconFacts F = Facts(C);
        ASSERT_TRUE(F.Ok);
        EXPECT_FALSE(F.IsIcon);
        EXPECT_EQ(32, F.Width);
        EXPECT_EQ(32, F.Height);
        EXPECT_EQ(16, F.Hot.x);
        EXPECT_EQ(18, F.Hot.y);

        // The hot spot is on the hand: drawn over black and over white it shows white, while a
        // corner shows the background through.
        for (COLORREF Back : {RGB(0, 0, 0), RGB(255, 255, 255)}) {
            TDib D(32, 32);
            ASSERT_TRUE(D.Valid());
            D.Fill(Back);
            ASSERT_TRUE(DrawIconEx(D.DC(), 0, 0, C, 32, 32, 0, nullptr, DI_NORMAL));
            EXPECT_EQ(RGB(255, 255, 255), D.Pixel(F.Hot.x, F.Hot.y));
            EXPECT_EQ(Back, D.Pixel(0, 0));
            EXPECT_EQ(Back, D.Pixel(31, 31));
        }
    }
}

TEST(Artwork, TheHandsDiffer)
{
    TDib Open(32, 32), Closed(32, 32);
    Open.Fill(RGB(0, 128, 128));
    Closed.Fill(RGB(0, 128, 128));
    DrawIconEx(Open.DC(), 0, 0, LoadCursorA(Module(), "HANDOPENEDCURSOR"), 32, 32, 0, nullptr, DI_NORMAL);
    DrawIconEx(Closed.DC(), 0, 0, LoadCursorA(Module(), "HANDCLOSEDCURSOR"), 32, 32, 0, nullptr, DI_NORMAL);
    // The open hand's raised fingers reach higher than the closed one's knuckles.
    int Differ = 0;
    for (int Y = 0; Y < 32; ++Y)
        for (int X = 0; X < 32; ++X)
            Differ += Open.Pixel(X, Y) != Closed.Pixel(X, Y);
    EXPECT_GT(Differ, 40);
    EXPECT_NE(RGB(0, 128, 128), Open.Pixel(16, 10));   // a finger
    EXPECT_EQ(RGB(0, 128, 128), Closed.Pixel(16, 10)); // above the fist
}

TEST(Artwork, TestCursorHasItsHotSpot)
{
    HCURSOR C = LoadCursorA(Module(), "TESTCURSOR");
    ASSERT_NE(nullptr, C);
    const TIconFacts F = Facts(C);
    ASSERT_TRUE(F.Ok);
    EXPECT_EQ(10, F.Hot.x);
    EXPECT_EQ(6, F.Hot.y);
    // The centre of the cross is transparent, its arms white.
    TDib D(32, 32);
    D.Fill(RGB(0, 0, 255));
    DrawIconEx(D.DC(), 0, 0, C, 32, 32, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(RGB(0, 0, 255), D.Pixel(10, 6));
    EXPECT_EQ(RGB(255, 255, 255), D.Pixel(9, 6));
    EXPECT_EQ(RGB(255, 255, 255), D.Pixel(10, 7));
    EXPECT_EQ(RGB(0, 0, 0), D.Pixel(10, 2));
}

TEST(Artwork, StockCursorsOfTheProgramLoad)
{
    for (const char* Name : {"QMDRAGCURSOR", "QMNODROPCURSOR", "QMHSPLITCURSOR", "QMVSPLITCURSOR"}) {
        SCOPED_TRACE(Name);
        const TIconFacts F = Facts(LoadCursorA(Module(), Name));
        ASSERT_TRUE(F.Ok);
        EXPECT_EQ(32, F.Width);
    }
    EXPECT_EQ(15, Facts(LoadCursorA(Module(), "QMVSPLITCURSOR")).Hot.x);
    EXPECT_EQ(16, Facts(LoadCursorA(Module(), "QMVSPLITCURSOR")).Hot.y);
}

TEST(Artwork, TestIconHasBothSizes)
{
    for (int Size : {16, 32}) {
        SCOPED_TRACE(Size);
        HICON I = static_cast<HICON>(LoadImageA(Module(), "TESTICON", IMAGE_ICON, Size, Size, 0));
        ASSERT_NE(nullptr, I);
        const TIconFacts F = Facts(I);
        EXPECT_TRUE(F.IsIcon);
        EXPECT_EQ(Size, F.Width);
        EXPECT_EQ(Size, F.Height);
        EXPECT_TRUE(F.Colour);
        // The drawn colours at their places: frame black, sky aqua, grass lime; the corner
        // beyond the shadow stays the background.
        TDib D(Size, Size);
        D.Fill(RGB(255, 0, 255));
        ASSERT_TRUE(DrawIconEx(D.DC(), 0, 0, I, Size, Size, 0, nullptr, DI_NORMAL));
        const int F2 = Size / 16;
        EXPECT_EQ(RGB(0, 0, 0), D.Pixel(0, 0));
        EXPECT_EQ(RGB(0, 255, 255), D.Pixel(3 * F2, 3 * F2));
        EXPECT_EQ(RGB(0, 255, 0), D.Pixel(5 * F2, 12 * F2));
        EXPECT_EQ(RGB(255, 0, 255), D.Pixel(15 * F2, 0));
        DestroyIcon(I);
    }
}

TEST(Artwork, TestStripHasItsDrawnSizeAndMaskColour)
{
    HBITMAP B = static_cast<HBITMAP>(LoadImageA(Module(), "TESTSTRIP", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, B);
    BITMAP Info{};
    GetObjectA(B, sizeof(Info), &Info);
    EXPECT_EQ(64, Info.bmWidth);
    EXPECT_EQ(16, Info.bmHeight);
    HDC DC = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, B);
    EXPECT_EQ(RGB(255, 0, 255), GetPixel(DC, 0, 0));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(DC, 8, 8));       // cell 0: red square
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(DC, 16 + 8, 8));  // cell 1: green diamond
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(DC, 32 + 8, 8));  // cell 2: blue cross
    EXPECT_EQ(RGB(255, 255, 0), GetPixel(DC, 48 + 8, 8)); // cell 3: yellow box
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(DC, 48 + 2, 2));     // its frame
    SelectObject(DC, Old);
    DeleteDC(DC);
    DeleteObject(B);
}

// Everything drawn onto one picture to look at.
TEST(Artwork, DrawnOntoOnePicture)
{
    const std::string Folder = ScreenshotFolder();
    if (Folder.empty())
        GTEST_SKIP() << "no screenshot folder given by the build";
    const int Cell = 72;
    TDib D(Cell * 8, Cell * 2);
    ASSERT_TRUE(D.Valid());
    D.Fill(RGB(0, 128, 128));
    RECT Light{0, Cell, Cell * 8, Cell * 2};
    HBRUSH B = CreateSolidBrush(RGB(236, 233, 216));
    FillRect(D.DC(), &Light, B);
    DeleteObject(B);
    const char* Cursors[] = {"HANDOPENEDCURSOR", "HANDCLOSEDCURSOR", "TESTCURSOR", "QMDRAGCURSOR",
                             "QMNODROPCURSOR", "QMHSPLITCURSOR", "QMVSPLITCURSOR"};
    for (int Row = 0; Row < 2; ++Row) {
        for (int I = 0; I < 7; ++I) {
            HCURSOR C = LoadCursorA(Module(), Cursors[I]);
            ASSERT_NE(nullptr, C);
            DrawIconEx(D.DC(), I * Cell + 4, Row * Cell + 4, C, 64, 64, 0, nullptr, DI_NORMAL);
        }
        HICON Small = static_cast<HICON>(LoadImageA(Module(), "TESTICON", IMAGE_ICON, 16, 16, 0));
        HICON Large = static_cast<HICON>(LoadImageA(Module(), "TESTICON", IMAGE_ICON, 32, 32, 0));
        DrawIconEx(D.DC(), 7 * Cell + 4, Row * Cell + 4, Small, 16, 16, 0, nullptr, DI_NORMAL);
        DrawIconEx(D.DC(), 7 * Cell + 24, Row * Cell + 4, Large, 32, 32, 0, nullptr, DI_NORMAL);
        DestroyIcon(Small);
        DestroyIcon(Large);
        HBITMAP Strip = static_cast<HBITMAP>(LoadImageA(Module(), "TESTSTRIP", IMAGE_BITMAP, 0, 0, 0));
        HDC S = CreateCompatibleDC(D.DC());
        HGDIOBJ Old = SelectObject(S, Strip);
        BitBlt(D.DC(), 7 * Cell + 4, Row * Cell + 44, 64, 16, S, 0, 0, SRCCOPY);
        SelectObject(S, Old);
        DeleteDC(S);
        DeleteObject(Strip);
    }
    CreateDirectoryA(Folder.c_str(), nullptr);
    EXPECT_TRUE(D.Save(Folder + "\\artwork.bmp"));
}
