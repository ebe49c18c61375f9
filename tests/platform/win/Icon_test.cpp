// TIcon: .ico files of Pillow, our own files read by Pillow, icons made from handles, hostile files.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/rtl/Stream.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Icon.h"
#include "tests/platform/win/GraphicsTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace GraphicsTest;

namespace {

// The icon pattern of pyhelpers/pictures.py: 0xAARRGGBB-like parts; the outer ring is transparent.
bool IconOpaque(int32_t X, int32_t Y, int32_t Size) { return !(X == 0 || Y == 0 || X == Size - 1 || Y == Size - 1); }
TColor IconColor(int32_t X, int32_t Y, int32_t Size)
{
    return RGB((X * 255) / Size, (Y * 255) / Size, Size == 32 ? 128 : 32);
}

// The icon drawn at its size onto white.
std::vector<TColor> Render(TIcon& Icon)
{
    TBitmap B;
    B.SetSize(Icon.GetWidth(), Icon.GetHeight());
    B.GetCanvas()->Draw(0, 0, &Icon);
    std::vector<TColor> Pixels;
    for (int32_t Y = 0; Y < B.GetHeight(); ++Y)
        for (int32_t X = 0; X < B.GetWidth(); ++X)
            Pixels.push_back(B.GetCanvas()->GetPixel(X, Y));
    return Pixels;
}

void ExpectIconPattern(TIcon& Icon, const std::string& What)
{
    const int32_t Size = Icon.GetWidth();
    ASSERT_EQ(Size, 32) << What; // the pattern's entry of the system size
    const auto Pixels = Render(Icon);
    int Wrong = 0;
    for (int32_t Y = 0; Y < Size; ++Y)
        for (int32_t X = 0; X < Size; ++X) {
            const TColor Want = IconOpaque(X, Y, Size) ? IconColor(X, Y, Size) : clWhite;
            Wrong += Pixels[size_t(Y * Size + X)] != Want;
        }
    EXPECT_EQ(Wrong, 0) << What;
}

void LoadBytes(TIcon& I, const std::vector<uint8_t>& Bytes)
{
    TMemoryStream S;
    if (!Bytes.empty())
        S.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    S.SetPosition(0);
    I.LoadFromStream(&S);
}

std::vector<uint8_t> Bytes(TMemoryStream& S)
{
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(P, P + S.GetSize());
}

class IconFiles : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32) << "the tests assume 32 pixel system icons";
    }
    TestSupport::TTempFolder Temp;
};

} // namespace

TEST_F(IconFiles, PillowIconsLoadAtTheSystemSize)
{
    for (const char* Format : {"bmp", "png"}) {
        SCOPED_TRACE(Format);
        const std::string Path = Temp.File(std::string("pillow_") + Format + ".ico");
        std::string Log;
        ASSERT_EQ(RunHelper(Temp.Path(), std::string("ico '") + UnixPath(Path) + "' " + Format, &Log), 0) << Log;
        TIcon Icon;
        Icon.LoadFromFile(Path);
        EXPECT_EQ(Icon.GetWidth(), GetSystemMetrics(SM_CXICON)) << Format;
        EXPECT_EQ(Icon.GetHeight(), GetSystemMetrics(SM_CYICON)) << Format;
        EXPECT_TRUE(Icon.GetTransparent());
        ExpectIconPattern(Icon, Format);
    }
}

TEST_F(IconFiles, SavedIconsOpenInPillowAtTheirSize)
{
    const std::string Source = Temp.File("source.ico");
    std::string Log;
    ASSERT_EQ(RunHelper(Temp.Path(), "ico '" + UnixPath(Source) + "' bmp", &Log), 0) << Log;
    TIcon Icon;
    Icon.LoadFromFile(Source);
    const std::string Saved = Temp.File("saved.ico");
    Icon.SaveToFile(Saved);
    const std::string Info = Temp.File("saved.txt");
    ASSERT_EQ(RunHelper(Temp.Path(), "icoinfo '" + UnixPath(Saved) + "' '" + UnixPath(Info) + "'", &Log), 0) << Log;
    const std::string Text = ReadTextFile(Info);
    const size_t LineEnd = Text.find('\n');
    ASSERT_NE(LineEnd, std::string::npos);
    EXPECT_EQ(Text.substr(0, LineEnd), "32x32");
    TPixelDump D;
    ASSERT_TRUE(ReadPixelDump(Info + ".px", D));
    ASSERT_EQ(D.Width, 32);
    int Wrong = 0;
    for (int32_t Y = 0; Y < 32; ++Y)
        for (int32_t X = 0; X < 32; ++X) {
            const uint32_t P = D.At(X, Y);
            if (!IconOpaque(X, Y, 32)) {
                Wrong += (P & 0xFF) != 0; // transparent
                continue;
            }
            const TColor C = IconColor(X, Y, 32);
            Wrong += P != ((uint32_t(GetRValue(C)) << 24) | (uint32_t(GetGValue(C)) << 16) | (uint32_t(GetBValue(C)) << 8) | 0xFF);
        }
    EXPECT_EQ(Wrong, 0);
}

TEST(Icon, AnIconMadeFromAHandleKeepsItsColours)
{
    // As the image library makes icons: a 24-bit colour image with an all-opaque mask, plus a
    // transparent corner here.
    TBitmap Color;
    Color.SetSize(32, 32);
    for (int32_t Y = 0; Y < 32; ++Y)
        for (int32_t X = 0; X < 32; ++X)
            Color.GetCanvas()->SetPixel(X, Y, RGB(X * 8, Y * 8, 200 - X - Y));
    TBitmap Mask;
    Mask.SetMonochrome(true);
    Mask.SetSize(32, 32);
    Mask.GetCanvas()->GetBrush()->SetColor(clBlack);
    Mask.GetCanvas()->FillRect(Rect(0, 0, 32, 32));
    Mask.GetCanvas()->GetBrush()->SetColor(clWhite);
    Mask.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    Color.GetCanvas()->GetBrush()->SetColor(clBlack);
    Color.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    // CreateIconIndirect wants the bitmaps outside any DC: they are handed out first.
    HBITMAP ColorHandle = Color.ReleaseHandle(), MaskHandle = Mask.ReleaseHandle();
    ICONINFO II{};
    II.fIcon = TRUE;
    II.hbmColor = ColorHandle;
    II.hbmMask = MaskHandle;
    HICON Handle = CreateIconIndirect(&II);
    DeleteObject(ColorHandle);
    DeleteObject(MaskHandle);
    ASSERT_NE(Handle, nullptr);
    TIcon Icon;
    Icon.SetHandle(Handle);
    EXPECT_EQ(Icon.GetWidth(), 32);
    const auto Before = Render(Icon);
    EXPECT_EQ(Before[0], clWhite);
    EXPECT_EQ(Before[size_t(10 * 32 + 20)], static_cast<TColor>(RGB(160, 80, 170)));

    TMemoryStream S;
    Icon.SaveToStream(&S);
    const auto File = Bytes(S);
    ASSERT_GT(File.size(), 22u);
    EXPECT_EQ(File[2], 1);  // an icon
    EXPECT_EQ(File[4], 1);  // one entry
    EXPECT_EQ(File[6], 32); // 32 pixels
    S.SetPosition(0);
    TIcon Back;
    Back.LoadFromStream(&S);
    EXPECT_EQ(Render(Back), Before);
    EXPECT_EQ(S.GetPosition(), S.GetSize());

    TIcon Copy;
    Copy.Assign(&Back);
    EXPECT_NE(Copy.GetHandle(), Back.GetHandle());
    EXPECT_EQ(Render(Copy), Before);
    HICON Out = Copy.ReleaseHandle();
    EXPECT_TRUE(Copy.GetEmpty());
    EXPECT_TRUE(DestroyIcon(Out));
    EXPECT_THROW(Copy.SetWidth(16), EInvalidGraphicOperation);
    UINT F;
    HANDLE D;
    HPALETTE P;
    EXPECT_THROW(Back.SaveToClipboardFormat(F, D, P), EInvalidGraphic);
}

TEST(Icon, HostileDirectoriesRaiseInvalidGraphic)
{
    auto Expect = [](const std::vector<uint8_t>& B, const std::string& What) {
        TIcon I;
        try {
            LoadBytes(I, B);
            ADD_FAILURE() << What << ": loaded";
        } catch (const EInvalidGraphic& E) {
            EXPECT_STREQ(E.what(), "Invalid icon file") << What;
        }
        EXPECT_TRUE(I.GetEmpty());
    };
    // A sound one-entry icon to break: 1 x 1, 32 bits.
    TIcon Source;
    Source.SetHandle(static_cast<HICON>(CopyImage(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)), IMAGE_ICON, 0, 0, 0)));
    TMemoryStream S;
    Source.SaveToStream(&S);
    const auto Good = Bytes(S);
    {
        TIcon I;
        LoadBytes(I, Good);
        EXPECT_FALSE(I.GetEmpty());
    }
    Expect({}, "empty");
    Expect({0, 0, 1, 0, 0, 0}, "0 entries");
    auto F = Good;
    F[18] = 0xFF; // offset beyond the end
    F[19] = 0x7F;
    Expect(F, "entry beyond the end");
    F = Good;
    F[14] = 0xFF; // size beyond the end
    F[15] = 0xFF;
    F[16] = 0xFF;
    Expect(F, "entry size beyond the end");
    F = Good;
    F[4] = 200; // 200 entries claimed
    Expect(F, "directory beyond the end");
    F = Good;
    F[2] = 7;
    Expect(F, "type 7");
    F = Good;
    F[22 + 14] = 7; // 7 bits per pixel
    Expect(F, "bit count 7");
    F = Good;
    F[22 + 8] = 0xFF; // height far beyond the data
    F[22 + 9] = 0x7F;
    Expect(F, "image beyond its entry");
    Expect(std::vector<uint8_t>(Good.begin(), Good.begin() + 40), "cut");

    std::mt19937 Random(77);
    int Loaded = 0;
    for (int I = 0; I < 1500; ++I) {
        auto M = Good;
        for (int K = 0; K < 3; ++K)
            M[Random() % 70] = uint8_t(Random());
        TIcon Icon;
        try {
            LoadBytes(Icon, M);
            ++Loaded;
        } catch (const EInvalidGraphic&) {
        }
    }
    EXPECT_GT(Loaded, 0);
}

#ifdef QM_HAVE_TEST_ARTWORK
TEST(Icon, LoadsTheIconResourceAtTheSystemSize)
{
    TIcon I;
    I.LoadFromResourceName(GetModuleHandleA(nullptr), "TESTICON");
    EXPECT_EQ(I.GetWidth(), GetSystemMetrics(SM_CXICON));
    const auto Pixels = Render(I);
    int NonWhite = 0;
    for (TColor C : Pixels)
        NonWhite += C != clWhite;
    EXPECT_GT(NonWhite, 0);
    EXPECT_THROW(I.LoadFromResourceName(GetModuleHandleA(nullptr), "NOSUCHICON"), EInvalidGraphic);
}
#endif
