// TMetafile and TMetafileCanvas: recording, saving, reloading, placeable metafiles, bad data.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/rtl/Stream.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Metafile.h"

namespace {

// A 200 x 100 metafile holding a red 100 x 50 rectangle at (20, 30).
void Record(TMetafile& M)
{
    M.SetWidth(200);
    M.SetHeight(100);
    TMetafileCanvas C(&M, nullptr);
    C.GetBrush()->SetColor(clRed);
    C.GetPen()->SetStyle(psClear);
    C.FillRect(Rect(20, 30, 120, 80));
}

// Inside the rectangle (a pixel away from its edges, for scaling) red, beyond it white.
void ExpectRectangle(TBitmap& B, const TRect& R, TColor Color, const std::string& What)
{
    int Wrong = 0;
    for (int32_t Y = 0; Y < B.GetHeight(); ++Y)
        for (int32_t X = 0; X < B.GetWidth(); ++X) {
            const bool Inside = X > R.left && X < R.right - 1 && Y > R.top && Y < R.bottom - 1;
            const bool Outside = X < R.left - 1 || X > R.right || Y < R.top - 1 || Y > R.bottom;
            const TColor P = B.GetCanvas()->GetPixel(X, Y);
            if ((Inside && P != Color) || (Outside && P != clWhite))
                ++Wrong;
        }
    EXPECT_EQ(Wrong, 0) << What;
}

std::vector<uint8_t> Bytes(TMemoryStream& S)
{
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(P, P + S.GetSize());
}

void LoadBytes(TMetafile& M, const std::vector<uint8_t>& B)
{
    TMemoryStream S;
    if (!B.empty())
        S.WriteBuffer(B.data(), static_cast<int32_t>(B.size()));
    S.SetPosition(0);
    M.LoadFromStream(&S);
}

void Word(std::vector<uint8_t>& B, uint32_t V)
{
    B.push_back(uint8_t(V));
    B.push_back(uint8_t(V >> 8));
}

// A placeable metafile: bounding box 1440 x 720 at 1440 units per inch (one inch by half an
// inch) filled with a solid brush of Color.
std::vector<uint8_t> Placeable(COLORREF Color)
{
    std::vector<uint8_t> Records;
    auto Rec = [&](uint16_t Function, std::initializer_list<uint32_t> Params) {
        const uint32_t Size = 3 + uint32_t(Params.size());
        Word(Records, Size & 0xFFFF);
        Word(Records, Size >> 16);
        Word(Records, Function);
        for (uint32_t P : Params)
            Word(Records, P);
    };
    Rec(0x020B, {0, 0});                                          // SetWindowOrg (y, x)
    Rec(0x020C, {720, 1440});                                     // SetWindowExt (y, x)
    Rec(0x02FC, {BS_SOLID, Color & 0xFFFF, Color >> 16, 0});      // CreateBrushIndirect
    Rec(0x012D, {0});                                             // SelectObject
    Rec(0x041B, {720, 1440, 0, 0});                               // Rectangle (bottom, right, top, left)
    Rec(0x0000, {});                                              // end
    std::vector<uint8_t> Wmf;
    const uint32_t Words = 9 + uint32_t(Records.size() / 2);
    Word(Wmf, 1);      // in memory
    Word(Wmf, 9);      // header words
    Word(Wmf, 0x300);  // version
    Word(Wmf, Words & 0xFFFF);
    Word(Wmf, Words >> 16);
    Word(Wmf, 1);      // objects
    Word(Wmf, 7);      // largest record
    Word(Wmf, 0);
    Word(Wmf, 0);      // parameters
    Wmf.insert(Wmf.end(), Records.begin(), Records.end());

    std::vector<uint8_t> File;
    uint16_t H[11] = {0xCDD7, 0x9AC6, 0, 0, 0, 1440, 720, 1440, 0, 0, 0};
    for (int I = 0; I < 10; ++I)
        H[10] ^= H[I];
    for (uint16_t V : H)
        Word(File, V);
    File.insert(File.end(), Wmf.begin(), Wmf.end());
    return File;
}

} // namespace

TEST(Metafile, RecordedRectangleSavesReloadsAndDraws)
{
    TMetafile M;
    Record(M);
    ASSERT_FALSE(M.GetEmpty());
    EXPECT_EQ(M.GetWidth(), 200);
    EXPECT_EQ(M.GetHeight(), 100);
    EXPECT_TRUE(M.GetEnhanced());

    TMemoryStream S;
    M.SaveToStream(&S);
    const auto File = Bytes(S);
    ASSERT_GT(File.size(), 100u);
    EXPECT_EQ(File[0], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(File.data()) + 40, 4), " EMF");

    TMetafile Back;
    S.SetPosition(0);
    Back.LoadFromStream(&S);
    EXPECT_EQ(Back.GetWidth(), 200);
    EXPECT_EQ(Back.GetHeight(), 100);
    EXPECT_EQ(Back.GetMMWidth(), M.GetMMWidth());

    TBitmap B;
    B.SetSize(200, 100);
    B.GetCanvas()->Draw(0, 0, &Back);
    ExpectRectangle(B, Rect(20, 30, 120, 80), clRed, "at its size");
    TBitmap Half;
    Half.SetSize(100, 50);
    Half.GetCanvas()->StretchDraw(Rect(0, 0, 100, 50), &Back);
    ExpectRectangle(Half, Rect(10, 15, 60, 40), clRed, "at half size");

    // Copies and the clipboard's form keep the picture.
    TMetafile Copy;
    Copy.Assign(&Back);
    EXPECT_NE(Copy.GetHandle(), Back.GetHandle());
    EXPECT_EQ(Copy.GetWidth(), 200);
    UINT Format;
    HANDLE Data;
    HPALETTE Palette;
    Copy.SaveToClipboardFormat(Format, Data, Palette);
    EXPECT_EQ(Format, static_cast<UINT>(CF_ENHMETAFILE));
    TMetafile FromClip;
    FromClip.LoadFromClipboardFormat(Format, Data, nullptr);
    DeleteEnhMetaFile(static_cast<HENHMETAFILE>(Data));
    TBitmap C;
    C.SetSize(200, 100);
    C.GetCanvas()->Draw(0, 0, &FromClip);
    ExpectRectangle(C, Rect(20, 30, 120, 80), clRed, "through the clipboard form");
}

TEST(Metafile, PlaceableMetafilesLoadWithTheirBoundingBoxSize)
{
    TMetafile M;
    LoadBytes(M, Placeable(RGB(0, 0, 255)));
    EXPECT_FALSE(M.GetEnhanced());
    EXPECT_EQ(M.GetMMWidth(), 2540);
    EXPECT_EQ(M.GetMMHeight(), 1270);
    EXPECT_EQ(M.GetWidth(), ScreenPixelsPerInch());
    EXPECT_EQ(M.GetHeight(), ScreenPixelsPerInch() / 2);
    TBitmap B;
    B.SetSize(M.GetWidth(), M.GetHeight());
    B.GetCanvas()->Draw(0, 0, &M);
    EXPECT_EQ(B.GetCanvas()->GetPixel(M.GetWidth() / 2, M.GetHeight() / 2), clBlue);

    // Saved again as a placeable metafile, it keeps its size.
    TMemoryStream S;
    M.SaveToStream(&S);
    const auto File = Bytes(S);
    ASSERT_GT(File.size(), 40u);
    EXPECT_EQ(File[0], 0xD7);
    EXPECT_EQ(File[3], 0x9A);
    S.SetPosition(0);
    TMetafile Back;
    Back.LoadFromStream(&S);
    EXPECT_NEAR(Back.GetWidth(), M.GetWidth(), 1);
    EXPECT_NEAR(Back.GetHeight(), M.GetHeight(), 1);
    TBitmap C;
    C.SetSize(M.GetWidth(), M.GetHeight());
    C.GetCanvas()->Draw(0, 0, &Back);
    EXPECT_EQ(C.GetCanvas()->GetPixel(M.GetWidth() / 2, M.GetHeight() / 2), clBlue);
}

TEST(Metafile, BadDataRaisesInvalidGraphic)
{
    auto Expect = [](const std::vector<uint8_t>& B, const std::string& What) {
        TMetafile M;
        try {
            LoadBytes(M, B);
            ADD_FAILURE() << What << ": loaded";
        } catch (const EInvalidGraphic& E) {
            EXPECT_STREQ(E.what(), "Invalid metafile") << What;
        }
        EXPECT_TRUE(M.GetEmpty());
    };
    std::mt19937 Random(4321);
    for (int Round = 0; Round < 50; ++Round) {
        std::vector<uint8_t> Noise(200);
        for (auto& B : Noise)
            B = uint8_t(Random());
        Expect(Noise, "200 random bytes");
    }
    Expect({}, "empty");

    TMetafile Good;
    Record(Good);
    TMemoryStream S;
    Good.SaveToStream(&S);
    const auto Emf = Bytes(S);
    Expect(std::vector<uint8_t>(Emf.begin(), Emf.begin() + 60), "cut header");
    auto F = Emf;
    F[48] = 0xFF; // nBytes beyond the data
    F[49] = 0xFF;
    F[50] = 0xFF;
    Expect(F, "size beyond the end");
    const uint32_t HeaderSize = uint32_t(Emf[4]) | (uint32_t(Emf[5]) << 8);
    F = Emf;
    F[HeaderSize + 4] = 0xF0;
    F[HeaderSize + 5] = 0xFF;
    F[HeaderSize + 6] = 0xFF;
    Expect(F, "record beyond the end");
    F = Emf;
    F[HeaderSize + 4] = 6; // a record size not a multiple of 4
    F[HeaderSize + 5] = 0;
    F[HeaderSize + 6] = 0;
    F[HeaderSize + 7] = 0;
    Expect(F, "misaligned record");
    F = Emf;
    F.resize(F.size() - 20); // EOF record gone
    F[48] = uint8_t(F.size());
    F[49] = uint8_t(F.size() >> 8);
    F[50] = 0;
    F[51] = 0;
    Expect(F, "no end record");

    auto P = Placeable(0);
    auto Q = P;
    Q[14] = 0; // zero units per inch
    Q[15] = 0;
    Expect(Q, "zero inch");
    Q = P;
    Q[22 + 6] = 0xFF; // WMF size beyond the data
    Q[22 + 7] = 0xFF;
    Expect(Q, "wmf size beyond the end");
    Q = P;
    Q[22 + 18] = 0xFF; // first record size beyond the data
    Q[22 + 19] = 0xFF;
    Expect(Q, "wmf record beyond the end");
    Q = P;
    Q[22 + 18] = 1; // a record of one word
    Q[22 + 19] = 0;
    Expect(Q, "wmf record too small");
}

TEST(Metafile, ABitmapDrawnIntoAMetafileCanvasPlaysBack)
{
    // As the image library saves a picture as a metafile and reads one back into pixels.
    TBitmap Source;
    Source.SetSize(40, 30);
    Source.GetCanvas()->GetBrush()->SetColor(clTeal);
    Source.GetCanvas()->FillRect(Rect(0, 0, 20, 30));
    Source.GetCanvas()->GetBrush()->SetColor(clYellow);
    Source.GetCanvas()->FillRect(Rect(20, 0, 40, 30));
    TMetafile M;
    M.SetWidth(40);
    M.SetHeight(30);
    {
        TMetafileCanvas C(&M, nullptr);
        C.Draw(0, 0, &Source);
    }
    EXPECT_EQ(M.GetWidth(), 40);
    TMemoryStream S;
    M.SaveToStream(&S);
    S.SetPosition(0);
    TMetafile Back;
    Back.LoadFromStream(&S);
    TBitmap Target;
    Target.Assign(&Back);
    EXPECT_EQ(Target.GetWidth(), 40);
    EXPECT_EQ(Target.GetHeight(), 30);
    EXPECT_EQ(Target.GetCanvas()->GetPixel(5, 15), clTeal);
    EXPECT_EQ(Target.GetCanvas()->GetPixel(35, 15), clYellow);
}
