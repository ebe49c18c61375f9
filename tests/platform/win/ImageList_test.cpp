#include <gtest/gtest.h>

#include <memory>

#include <windows.h>

#include "platform/win/Bitmap.h"
#include "platform/win/Icon.h"
#include "platform/win/ImageList.h"

namespace {

// A 24-bit bitmap filled with one colour.
std::unique_ptr<TBitmap> Filled(int32_t Width, int32_t Height, TColor Colour)
{
    auto B = std::make_unique<TBitmap>();
    B->SetPixelFormat(pf24bit);
    B->SetSize(Width, Height);
    B->GetCanvas()->GetBrush()->SetStyle(bsSolid);
    B->GetCanvas()->GetBrush()->SetColor(Colour);
    B->GetCanvas()->FillRect(Rect(0, 0, Width, Height));
    return B;
}

void FillBox(TBitmap* B, const TRect& R, TColor Colour)
{
    B->GetCanvas()->GetBrush()->SetColor(Colour);
    B->GetCanvas()->FillRect(R);
}

TColor Pixel(TBitmap* B, int32_t X, int32_t Y)
{
    GdiFlush();
    return B->GetCanvas()->GetPixel(X, Y);
}

// A red 8 x 8 square in the middle of fuchsia.
std::unique_ptr<TBitmap> RedOnFuchsia()
{
    auto B = Filled(16, 16, clFuchsia);
    FillBox(B.get(), Rect(4, 4, 12, 12), clRed);
    return B;
}

int CountDifferences(TBitmap* A, TBitmap* B)
{
    int N = 0;
    for (int Y = 0; Y < A->GetHeight(); ++Y)
        for (int X = 0; X < A->GetWidth(); ++X)
            N += Pixel(A, X, Y) != Pixel(B, X, Y);
    return N;
}

} // namespace

TEST(ImageList, Defaults)
{
    TImageList L;
    EXPECT_EQ(16, L.GetWidth());
    EXPECT_EQ(16, L.GetHeight());
    EXPECT_TRUE(L.GetMasked());
    EXPECT_EQ(clNone, L.GetBkColor());
    EXPECT_EQ(0, L.GetCount());
    EXPECT_FALSE(L.HandleAllocated());
    ASSERT_NE(nullptr, L.GetHandle());
    int Cx = 0, Cy = 0;
    ImageList_GetIconSize(L.GetHandle(), &Cx, &Cy);
    EXPECT_EQ(16, Cx);
    EXPECT_EQ(16, Cy);
    EXPECT_THROW(L.SetSize(0, 16), EInvalidOperation);
}

TEST(ImageList, AddMaskedLeavesTheBackgroundAroundTheShape)
{
    TImageList L;
    auto Source = RedOnFuchsia();
    EXPECT_EQ(0, L.AddMasked(Source.get(), clFuchsia));
    EXPECT_EQ(1, L.GetCount());
    // The caller's bitmap keeps its mask colour.
    EXPECT_EQ(clFuchsia, Pixel(Source.get(), 0, 0));
    EXPECT_EQ(clFuchsia, Pixel(Source.get(), 15, 15));

    auto Target = Filled(16, 16, clWhite);
    L.Draw(Target->GetCanvas(), 0, 0, 0);
    for (int Y = 0; Y < 16; ++Y) {
        for (int X = 0; X < 16; ++X) {
            const bool InShape = X >= 4 && X < 12 && Y >= 4 && Y < 12;
            ASSERT_EQ(InShape ? clRed : clWhite, Pixel(Target.get(), X, Y)) << X << "," << Y;
        }
    }
}

TEST(ImageList, AddMaskedWithTheDefaultColourTakesTheBottomLeftPixel)
{
    TImageList L;
    auto Source = Filled(16, 16, clLime);
    FillBox(Source.get(), Rect(2, 2, 6, 6), clBlue);
    EXPECT_EQ(0, L.AddMasked(Source.get(), clDefault));
    auto Target = Filled(16, 16, clWhite);
    L.Draw(Target->GetCanvas(), 0, 0, 0);
    EXPECT_EQ(clWhite, Pixel(Target.get(), 10, 10));
    EXPECT_EQ(clBlue, Pixel(Target.get(), 3, 3));
}

TEST(ImageList, AddWithAMaskBitmap)
{
    TImageList L;
    auto Image = Filled(16, 16, clGreen);
    auto Mask = Filled(16, 16, clWhite); // white: transparent
    FillBox(Mask.get(), Rect(0, 0, 8, 16), clBlack);
    EXPECT_EQ(0, L.Add(Image.get(), Mask.get()));
    auto Target = Filled(16, 16, clYellow);
    L.Draw(Target->GetCanvas(), 0, 0, 0);
    EXPECT_EQ(clGreen, Pixel(Target.get(), 3, 8));
    EXPECT_EQ(clYellow, Pixel(Target.get(), 12, 8));
    // The caller's image is untouched.
    EXPECT_EQ(clGreen, Pixel(Image.get(), 12, 8));
}

TEST(ImageList, AStripAddsOneImagePerWidth)
{
    TImageList L;
    auto Strip = Filled(48, 16, clFuchsia);
    FillBox(Strip.get(), Rect(0, 0, 16, 16), clRed);
    FillBox(Strip.get(), Rect(16, 0, 32, 16), clLime);
    FillBox(Strip.get(), Rect(36, 4, 44, 12), clBlue);
    EXPECT_EQ(0, L.AddMasked(Strip.get(), clFuchsia));
    EXPECT_EQ(3, L.GetCount());
    EXPECT_EQ(3, L.Add(Filled(16, 16, clNavy).get(), nullptr));
    EXPECT_EQ(4, L.GetCount());
    TBitmap B;
    L.GetBitmap(1, &B);
    EXPECT_EQ(16, B.GetWidth());
    EXPECT_EQ(clLime, Pixel(&B, 8, 8));
    L.GetBitmap(2, &B);
    EXPECT_EQ(clBlue, Pixel(&B, 8, 8));
    EXPECT_EQ(clWhite, Pixel(&B, 0, 0)); // no background colour: white behind the mask
    L.GetBitmap(3, &B);
    EXPECT_EQ(clNavy, Pixel(&B, 0, 0));
    // Too narrow for one image, or empty: nothing added.
    EXPECT_EQ(-1, L.Add(Filled(8, 16, clRed).get(), nullptr));
    TBitmap Empty;
    EXPECT_EQ(-1, L.AddMasked(&Empty, clRed));
    EXPECT_EQ(4, L.GetCount());
}

TEST(ImageList, AddIconAddsOneImage)
{
    TImageList L;
    TIcon Icon;
    Icon.SetHandle(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "TESTICON", IMAGE_ICON, 16, 16, 0)));
    ASSERT_FALSE(Icon.GetEmpty());
    EXPECT_EQ(0, L.AddIcon(&Icon));
    EXPECT_EQ(1, L.GetCount());
    EXPECT_EQ(1, L.AddIcon(&Icon));
    EXPECT_EQ(2, L.GetCount());
    auto Target = Filled(16, 16, clFuchsia);
    L.Draw(Target->GetCanvas(), 0, 0, 0);
    EXPECT_EQ(clBlack, Pixel(Target.get(), 0, 0));     // the frame
    EXPECT_EQ(clAqua, Pixel(Target.get(), 3, 3));      // the sky
    EXPECT_EQ(clFuchsia, Pixel(Target.get(), 15, 0));  // transparent corner

    // An icon comes back out, and can replace another image.
    TIcon Out;
    L.GetIcon(1, &Out);
    EXPECT_FALSE(Out.GetEmpty());
    L.AddMasked(RedOnFuchsia().get(), clFuchsia);
    L.ReplaceIcon(2, &Out);
    auto Again = Filled(16, 16, clFuchsia);
    L.Draw(Again->GetCanvas(), 0, 0, 2);
    EXPECT_EQ(clAqua, Pixel(Again.get(), 3, 3));
    EXPECT_THROW(L.ReplaceIcon(3, &Out), EInvalidOperation);
}

TEST(ImageList, ChangeLinksHearOfEachChangeOnce)
{
    TImageList L;
    TChangeLink A, B;
    int CountA = 0, CountB = 0, OwnChanges = 0;
    A.OnChange = [&](TObject* Sender) {
        EXPECT_EQ(&L, Sender);
        ++CountA;
    };
    B.OnChange = [&](TObject*) { ++CountB; };
    L.OnChange = [&](TObject*) { ++OwnChanges; };
    L.RegisterChanges(&A);
    L.RegisterChanges(&A); // twice is still once
    B.SetSender(&L);
    EXPECT_EQ(&L, A.GetSender());

    L.AddMasked(RedOnFuchsia().get(), clFuchsia);
    EXPECT_EQ(1, CountA);
    EXPECT_EQ(1, CountB);
    TIcon Icon;
    Icon.SetHandle(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "TESTICON", IMAGE_ICON, 16, 16, 0)));
    L.AddIcon(&Icon);
    EXPECT_EQ(2, CountA);
    L.Add(Filled(32, 16, clRed).get(), nullptr); // two images, one change
    EXPECT_EQ(3, CountA);
    EXPECT_EQ(4, L.GetCount());
    L.Delete(0);
    EXPECT_EQ(4, CountA);
    EXPECT_EQ(3, L.GetCount());
    EXPECT_THROW(L.Delete(3), EInvalidOperation);
    EXPECT_EQ(4, CountA);
    L.Clear();
    EXPECT_EQ(5, CountA);
    EXPECT_EQ(0, L.GetCount());
    L.SetSize(24, 24);
    EXPECT_EQ(6, CountA);
    L.SetSize(24, 24); // no change, no call
    EXPECT_EQ(6, CountA);
    EXPECT_EQ(6, CountB);
    EXPECT_EQ(6, OwnChanges);

    // Gathered into one.
    L.BeginUpdate();
    L.Add(Filled(24, 24, clRed).get(), nullptr);
    L.Add(Filled(24, 24, clRed).get(), nullptr);
    L.Delete(0);
    EXPECT_EQ(6, CountA);
    L.EndUpdate();
    EXPECT_EQ(7, CountA);

    // Unhooked links hear nothing more.
    L.UnRegisterChanges(&B);
    EXPECT_EQ(nullptr, B.GetSender());
    L.Clear();
    EXPECT_EQ(8, CountA);
    EXPECT_EQ(7, CountB);
}

TEST(ImageList, FreeingEitherSideUnhooksTheOther)
{
    int Count = 0;
    auto Link = std::make_unique<TChangeLink>();
    Link->OnChange = [&](TObject*) { ++Count; };
    {
        TImageList L;
        Link->SetSender(&L);
        {
            TChangeLink Short;
            Short.SetSender(&L);
        } // gone first: the list must not call it
        L.Clear();
        EXPECT_EQ(1, Count);
    }
    EXPECT_EQ(nullptr, Link->GetSender());
    Link.reset(); // after its list: nothing to unhook
}

TEST(ImageList, DisabledDrawingDiffersFromEnabled)
{
    TImageList L;
    auto Source = Filled(16, 16, clFuchsia);
    FillBox(Source.get(), Rect(3, 3, 13, 13), clBlue);
    FillBox(Source.get(), Rect(6, 6, 10, 10), clWhite);
    L.AddMasked(Source.get(), clFuchsia);
    auto Enabled = Filled(20, 20, clBtnFace);
    auto Disabled = Filled(20, 20, clBtnFace);
    L.Draw(Enabled->GetCanvas(), 2, 2, 0, true);
    L.Draw(Disabled->GetCanvas(), 2, 2, 0, false);
    EXPECT_GT(CountDifferences(Enabled.get(), Disabled.get()), 50);
    // Greyed: the shape in the 3D shadow colour, the background left as it was, and none of the
    // image's own colour.
    const TColor Shadow = static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW));
    const TColor Face = static_cast<TColor>(GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(Shadow, Pixel(Disabled.get(), 2 + 4, 2 + 4));
    EXPECT_EQ(Face, Pixel(Disabled.get(), 0, 0));
    EXPECT_EQ(Face, Pixel(Disabled.get(), 2 + 1, 2 + 1));
    for (int Y = 0; Y < 20; ++Y)
        for (int X = 0; X < 20; ++X)
            ASSERT_NE(clBlue, Pixel(Disabled.get(), X, Y)) << X << "," << Y;
    // The enabled drawing shows it.
    EXPECT_EQ(clBlue, Pixel(Enabled.get(), 2 + 4, 2 + 4));
}

TEST(ImageList, StylesAndMaskDrawing)
{
    TImageList L;
    L.AddMasked(RedOnFuchsia().get(), clFuchsia);
    // The mask drawn: black where the image is, never black around it (white, or the
    // background left through, as the system chooses).
    auto M = Filled(16, 16, clGreen);
    L.DrawEx(M->GetCanvas(), 0, 0, 0, dsNormal, itMask);
    EXPECT_EQ(clBlack, Pixel(M.get(), 8, 8));
    EXPECT_NE(clBlack, Pixel(M.get(), 0, 0));
    EXPECT_NE(clRed, Pixel(M.get(), 8, 8));
    // A background colour replaces the mask.
    L.SetBkColor(clYellow);
    auto B = Filled(16, 16, clWhite);
    L.Draw(B->GetCanvas(), 0, 0, 0);
    EXPECT_EQ(clYellow, Pixel(B.get(), 0, 0));
    EXPECT_EQ(clRed, Pixel(B.get(), 8, 8));
    // Transparent ignores it.
    auto T = Filled(16, 16, clWhite);
    L.DrawEx(T->GetCanvas(), 0, 0, 0, dsTransparent, itImage);
    EXPECT_EQ(clWhite, Pixel(T.get(), 0, 0));
    // A bad index draws nothing.
    auto N = Filled(16, 16, clWhite);
    L.Draw(N->GetCanvas(), 0, 0, 5);
    L.Draw(N->GetCanvas(), 0, 0, -1);
    EXPECT_EQ(clWhite, Pixel(N.get(), 8, 8));
}

TEST(ImageList, LoadsTheTestStripWithItsMask)
{
    TImageList L;
    int Changes = 0;
    TChangeLink Link;
    Link.OnChange = [&](TObject*) { ++Changes; };
    Link.SetSender(&L);
    L.AddMasked(RedOnFuchsia().get(), clFuchsia); // replaced by the load
    Changes = 0;
    EXPECT_EQ(4, L.LoadFromResourceName(GetModuleHandleA(nullptr), "TESTSTRIP", 16, clFuchsia));
    EXPECT_EQ(1, Changes); // one change for the whole load
    EXPECT_EQ(4, L.GetCount());
    EXPECT_EQ(16, L.GetWidth());
    EXPECT_EQ(16, L.GetHeight());
    const TColor Colours[] = {clRed, clLime, clBlue, clYellow};
    for (int I = 0; I < 4; ++I) {
        auto Target = Filled(16, 16, clWhite);
        L.Draw(Target->GetCanvas(), 0, 0, I);
        EXPECT_EQ(Colours[I], Pixel(Target.get(), 8, 8)) << I;
        EXPECT_EQ(clWhite, Pixel(Target.get(), 0, 0)) << I;
        EXPECT_EQ(clWhite, Pixel(Target.get(), 15, 15)) << I;
    }
    // The bottom-left pixel as the mask colour gives the same.
    TImageList D;
    EXPECT_EQ(4, D.LoadFromResourceName(GetModuleHandleA(nullptr), "TESTSTRIP", 0, clDefault));
    auto Target = Filled(16, 16, clWhite);
    D.Draw(Target->GetCanvas(), 0, 0, 1);
    EXPECT_EQ(clWhite, Pixel(Target.get(), 0, 0));
    EXPECT_EQ(clLime, Pixel(Target.get(), 8, 8));
    EXPECT_THROW(D.LoadFromResourceName(GetModuleHandleA(nullptr), "NOSUCHSTRIP", 16, clFuchsia), EInvalidGraphic);
}

TEST(ImageList, ChangingTheKindOfListEmptiesIt)
{
    TImageList L;
    L.AddMasked(RedOnFuchsia().get(), clFuchsia);
    L.SetColorDepth(cd32Bit);
    EXPECT_EQ(0, L.GetCount());
    L.AddMasked(RedOnFuchsia().get(), clFuchsia);
    EXPECT_EQ(1, L.GetCount());
    L.SetMasked(false);
    EXPECT_EQ(0, L.GetCount());
    // Unmasked: the mask colour is drawn as it is.
    L.AddMasked(RedOnFuchsia().get(), clFuchsia);
    auto Target = Filled(16, 16, clWhite);
    L.Draw(Target->GetCanvas(), 0, 0, 0);
    EXPECT_NE(clWhite, Pixel(Target.get(), 0, 0));
    EXPECT_EQ(clRed, Pixel(Target.get(), 8, 8));
}
