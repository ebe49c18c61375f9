// One picture of every canvas operation and graphic class, saved as
// <build>/screenshots/graphics.png for a person to look at; the test also checks a sample pixel
// of each part so that a part that draws nothing fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Stream.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Icon.h"
#include "platform/win/Metafile.h"
#include "tests/platform/win/GraphicsTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace GraphicsTest;

namespace {

constexpr int32_t Cell = 120;   // each part gets a cell of Cell x Cell
constexpr int32_t Columns = 6;

TRect CellRect(int Index)
{
    const int32_t X = (Index % Columns) * Cell, Y = (Index / Columns) * Cell;
    return Rect(X, Y, X + Cell, Y + Cell);
}

void Label(TCanvas* C, const TRect& R, const std::string& Text)
{
    C->GetFont()->SetName("Tahoma");
    C->GetFont()->SetSize(8);
    C->GetFont()->SetStyle(TFontStyles());
    C->GetFont()->SetOrientation(0);
    C->GetFont()->SetColor(clBlack);
    C->GetBrush()->SetStyle(bsClear);
    C->TextRect(Rect(R.left + 1, R.bottom - 17, R.right - 1, R.bottom - 1), R.left + 3, R.bottom - 16, Text);
    C->GetBrush()->SetStyle(bsSolid);
}

void Reset(TCanvas* C)
{
    C->GetPen()->SetColor(clBlack);
    C->GetPen()->SetWidth(1);
    C->GetPen()->SetStyle(psSolid);
    C->GetPen()->SetMode(pmCopy);
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetBitmap(nullptr);
    C->GetBrush()->SetColor(clWhite);
    C->SetCopyMode(cmSrcCopy);
}

} // namespace

TEST(GraphicsScreenshot, EveryCanvasOperationAndGraphicClass)
{
    TBitmap Shot;
    Shot.SetSize(Columns * Cell, 3 * Cell);
    TCanvas* C = Shot.GetCanvas();
    C->GetBrush()->SetColor(0xF0F0F0);
    C->FillRect(Rect(0, 0, Shot.GetWidth(), Shot.GetHeight()));
    struct TSample {
        int32_t X, Y;
        TColor Color;
        std::string What;
    };
    std::vector<TSample> Samples;
    int N = 0;
    auto Next = [&](const std::string& Name) {
        TRect R = CellRect(N++);
        Reset(C);
        C->GetPen()->SetColor(clSilver);
        C->GetBrush()->SetStyle(bsClear);
        C->Rectangle(R);
        Reset(C);
        Label(C, R, Name);
        return R;
    };

    TRect R = Next("MoveTo/LineTo");
    C->GetPen()->SetColor(clRed);
    C->GetPen()->SetWidth(3);
    for (int I = 0; I < 5; ++I) {
        C->MoveTo(R.left + 10, R.top + 10 + I * 18);
        C->LineTo(R.right - 10, R.top + 10 + I * 18);
    }
    Samples.push_back({R.left + 50, R.top + 10, clRed, "LineTo"});

    R = Next("Polyline");
    const TPoint Zig[] = {{R.left + 10, R.top + 90}, {R.left + 30, R.top + 10}, {R.left + 50, R.top + 90},
                          {R.left + 70, R.top + 10}, {R.left + 90, R.top + 90}, {R.left + 110, R.top + 10}};
    C->GetPen()->SetColor(clBlue);
    C->GetPen()->SetWidth(2);
    C->Polyline(Zig);
    Samples.push_back({R.left + 30, R.top + 11, clBlue, "Polyline"});

    R = Next("Polygon");
    const TPoint Star[] = {{R.left + 60, R.top + 5},  {R.left + 75, R.top + 45}, {R.left + 115, R.top + 45},
                           {R.left + 82, R.top + 68}, {R.left + 95, R.top + 100}, {R.left + 60, R.top + 80},
                           {R.left + 25, R.top + 100}, {R.left + 38, R.top + 68}, {R.left + 5, R.top + 45},
                           {R.left + 45, R.top + 45}};
    C->GetBrush()->SetColor(clYellow);
    C->Polygon(Star);
    Samples.push_back({R.left + 60, R.top + 55, clYellow, "Polygon"});

    R = Next("Rectangle / RoundRect");
    C->GetBrush()->SetColor(clLime);
    C->Rectangle(R.left + 10, R.top + 10, R.left + 60, R.top + 90);
    C->GetBrush()->SetColor(clAqua);
    C->RoundRect(R.left + 65, R.top + 10, R.right - 10, R.top + 90, 20, 20);
    Samples.push_back({R.left + 35, R.top + 50, clLime, "Rectangle"});
    Samples.push_back({R.left + 85, R.top + 50, clAqua, "RoundRect"});

    R = Next("Ellipse / Arc / Pie");
    C->GetBrush()->SetColor(clFuchsia);
    C->Ellipse(R.left + 5, R.top + 5, R.left + 60, R.top + 60);
    C->GetPen()->SetColor(clNavy);
    C->GetPen()->SetWidth(3);
    C->Arc(R.left + 62, R.top + 5, R.right - 5, R.top + 60, R.right, R.top, R.left + 62, R.top + 60);
    C->GetPen()->SetWidth(1);
    C->GetBrush()->SetColor(clTeal);
    C->Pie(R.left + 30, R.top + 45, R.left + 100, R.top + 100, R.left + 100, R.top + 70, R.left + 65, R.top + 45);
    Samples.push_back({R.left + 25, R.top + 25, clFuchsia, "Ellipse"});

    R = Next("FillRect/FrameRect/Focus");
    C->GetBrush()->SetColor(clMaroon);
    C->FillRect(Rect(R.left + 10, R.top + 10, R.left + 55, R.top + 55));
    C->GetBrush()->SetColor(clGreen);
    C->FrameRect(Rect(R.left + 65, R.top + 10, R.right - 10, R.top + 55));
    C->DrawFocusRect(Rect(R.left + 10, R.top + 65, R.right - 10, R.top + 95));
    Samples.push_back({R.left + 30, R.top + 30, clMaroon, "FillRect"});
    Samples.push_back({R.left + 65, R.top + 30, clGreen, "FrameRect"});

    R = Next("Pen styles");
    const TPenStyle Styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
    for (int I = 0; I < 7; ++I) {
        C->GetPen()->SetStyle(Styles[I]);
        C->GetPen()->SetColor(clBlack);
        C->MoveTo(R.left + 10, R.top + 8 + I * 13);
        C->LineTo(R.right - 10, R.top + 8 + I * 13);
    }
    Samples.push_back({R.left + 10, R.top + 8, clBlack, "psSolid"});

    R = Next("Pen modes (xor, not)");
    C->GetBrush()->SetColor(clBlue);
    C->FillRect(Rect(R.left + 10, R.top + 10, R.right - 10, R.top + 50));
    C->GetPen()->SetWidth(8);
    C->GetPen()->SetMode(pmXor);
    C->GetPen()->SetColor(clWhite);
    C->MoveTo(R.left + 5, R.top + 30);
    C->LineTo(R.right - 5, R.top + 30);
    C->GetPen()->SetMode(pmNot);
    C->MoveTo(R.left + 5, R.top + 70);
    C->LineTo(R.right - 5, R.top + 70);
    Samples.push_back({R.left + 60, R.top + 30, static_cast<TColor>(0x00FFFF), "pmXor"});
    Samples.push_back({R.left + 60, R.top + 70, static_cast<TColor>(0x0F0F0F), "pmNot"});

    R = Next("Brush styles + pattern");
    const TBrushStyle Hatches[] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    for (int I = 0; I < 6; ++I) {
        C->GetBrush()->SetStyle(Hatches[I]);
        C->GetBrush()->SetColor(clPurple);
        C->Rectangle(R.left + 5 + (I % 3) * 37, R.top + 5 + (I / 3) * 32, R.left + 40 + (I % 3) * 37, R.top + 35 + (I / 3) * 32);
    }
    TBitmap Pattern;
    Pattern.SetSize(8, 8);
    Pattern.GetCanvas()->GetBrush()->SetColor(clRed);
    Pattern.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    Pattern.GetCanvas()->FillRect(Rect(4, 4, 8, 8));
    C->GetBrush()->SetBitmap(&Pattern);
    C->FillRect(Rect(R.left + 5, R.top + 72, R.right - 5, R.top + 100));
    Samples.push_back({R.left + 8, R.top + 75, clRed, "pattern brush"});

    R = Next("Fonts");
    C->GetBrush()->SetStyle(bsClear);
    const TFontStyles FontStyles[] = {{fsBold}, {fsItalic}, {fsUnderline}, {fsStrikeOut}};
    for (int I = 0; I < 4; ++I) {
        C->GetFont()->SetName(I % 2 ? "Times New Roman" : "Arial");
        C->GetFont()->SetSize(10 + I * 2);
        C->GetFont()->SetStyle(FontStyles[I]);
        C->GetFont()->SetColor(I == 0 ? clRed : clNavy);
        C->TextOut(R.left + 5, R.top + 3 + I * 22, "Quillmoor");
    }
    C->GetFont()->SetStyle(TFontStyles());
    C->GetFont()->SetSize(9);
    C->GetFont()->SetOrientation(900);
    C->TextOut(R.right - 18, R.bottom - 20, "Rotated");
    C->GetFont()->SetOrientation(0);

    R = Next("TextOut/TextRect/DrawText");
    C->GetBrush()->SetColor(clInfoBk);
    C->GetFont()->SetColor(clInfoText);
    C->TextOut(R.left + 5, R.top + 5, "Opaque text");
    C->GetBrush()->SetColor(clHighlight);
    C->GetFont()->SetColor(clHighlightText);
    C->TextRect(Rect(R.left + 5, R.top + 25, R.left + 80, R.top + 42), R.left + 8, R.top + 26, "Clipped text rectangle");
    TRect T = Rect(R.left + 5, R.top + 48, R.right - 5, R.top + 100);
    C->GetBrush()->SetStyle(bsClear);
    C->GetFont()->SetColor(clBlack);
    C->TextRect(T, "Word-wrapped DrawText in a box, centred", DT_WORDBREAK | DT_CENTER);
    Samples.push_back({R.left + 6, R.top + 6, static_cast<TColor>(ColorToRGB(clInfoBk)), "opaque text"});
    Samples.push_back({R.left + 78, R.top + 40, static_cast<TColor>(ColorToRGB(clHighlight)), "TextRect"});

    R = Next("Pixels / CopyRect");
    for (int32_t Y = 0; Y < 40; ++Y)
        for (int32_t X = 0; X < 40; ++X)
            C->SetPixel(R.left + 10 + X, R.top + 10 + Y, RGB(X * 6, Y * 6, 128));
    C->CopyRect(Rect(R.left + 60, R.top + 10, R.left + 110, R.top + 60), C, Rect(R.left + 10, R.top + 10, R.left + 50, R.top + 50));
    C->SetCopyMode(cmNotSrcCopy);
    C->CopyRect(Rect(R.left + 10, R.top + 60, R.left + 50, R.top + 100), C, Rect(R.left + 10, R.top + 10, R.left + 50, R.top + 50));
    Samples.push_back({R.left + 10 + 5, R.top + 10 + 7, static_cast<TColor>(RGB(30, 42, 128)), "Pixels"});
    Samples.push_back({R.left + 10 + 5, R.top + 60 + 7, static_cast<TColor>(RGB(225, 213, 127)), "CopyRect not-copy"});

    // Graphic classes.
    TBitmap Sprite;
    Sprite.SetSize(40, 40);
    Sprite.GetCanvas()->GetBrush()->SetColor(clFuchsia);
    Sprite.GetCanvas()->FillRect(Rect(0, 0, 40, 40));
    Sprite.GetCanvas()->GetBrush()->SetColor(clRed);
    Sprite.GetCanvas()->Ellipse(2, 2, 38, 38);
    Sprite.GetCanvas()->GetFont()->SetStyle({fsBold});
    Sprite.GetCanvas()->GetBrush()->SetStyle(bsClear);
    Sprite.GetCanvas()->TextOut(12, 12, "Bm");

    R = Next("TBitmap: plain, stretched");
    C->Draw(R.left + 5, R.top + 5, &Sprite);
    C->StretchDraw(Rect(R.left + 50, R.top + 5, R.right - 5, R.top + 95), &Sprite);
    Samples.push_back({R.left + 6, R.top + 6, clFuchsia, "plain bitmap"});

    R = Next("TBitmap: transparent");
    C->GetBrush()->SetStyle(bsDiagCross);
    C->GetBrush()->SetColor(clGray);
    C->FillRect(Rect(R.left + 5, R.top + 5, R.right - 5, R.top + 95));
    Sprite.SetTransparent(true);
    C->Draw(R.left + 10, R.top + 10, &Sprite);
    C->StretchDraw(Rect(R.left + 55, R.top + 30, R.right - 5, R.top + 95), &Sprite);
    Sprite.SetTransparent(false);
    Samples.push_back({R.left + 18, R.top + 30, clRed, "transparent bitmap"});

    R = Next("TBitmap: loaded .bmp (8 bit)");
    TBitmap Loaded;
    Loaded.SetPixelFormat(pf8bit);
    Loaded.SetSize(64, 64);
    for (int32_t Y = 0; Y < 64; ++Y) {
        auto* Row = static_cast<uint8_t*>(Loaded.ScanLine(Y));
        for (int32_t X = 0; X < 64; ++X)
            Row[X] = uint8_t(16 + ((X / 11) * 36 + (Y / 11) * 6 + 3) % 216);
    }
    TMemoryStream S;
    Loaded.SaveToStream(&S);
    S.SetPosition(0);
    TBitmap Reloaded;
    Reloaded.LoadFromStream(&S);
    C->StretchDraw(Rect(R.left + 10, R.top + 5, R.left + 100, R.top + 95), &Reloaded);

    R = Next("TIcon: system icons");
    const char* Ids[] = {MAKEINTRESOURCEA(32512), MAKEINTRESOURCEA(32513), MAKEINTRESOURCEA(32514), MAKEINTRESOURCEA(32515)};
    for (int I = 0; I < 4; ++I) {
        TIcon Icon;
        Icon.SetHandle(static_cast<HICON>(CopyImage(LoadIconA(nullptr, Ids[I]), IMAGE_ICON, 0, 0, 0)));
        C->Draw(R.left + 5 + (I % 2) * 55, R.top + 5 + (I / 2) * 45, &Icon);
    }

    R = Next("TMetafile: recorded, played");
    TMetafile Meta;
    Meta.SetWidth(100);
    Meta.SetHeight(50);
    {
        TMetafileCanvas M(&Meta, nullptr);
        M.GetBrush()->SetColor(clOlive);
        M.Rectangle(0, 0, 100, 50);
        M.GetBrush()->SetColor(clSkyBlue);
        M.Ellipse(10, 5, 90, 45);
        M.GetFont()->SetColor(clMaroon);
        M.GetBrush()->SetStyle(bsClear);
        M.TextOut(25, 17, "EMF");
    }
    C->Draw(R.left + 10, R.top + 5, &Meta);
    C->StretchDraw(Rect(R.left + 10, R.top + 58, R.left + 60, R.top + 83), &Meta);
    Samples.push_back({R.left + 12, R.top + 7, clOlive, "metafile"});

    R = Next("Monochrome / 16 bit");
    TBitmap Mono;
    Mono.SetMonochrome(true);
    Mono.SetSize(48, 48);
    Mono.GetCanvas()->GetBrush()->SetColor(clBlack);
    Mono.GetCanvas()->Ellipse(4, 4, 44, 44);
    C->Draw(R.left + 5, R.top + 5, &Mono);
    TBitmap Sixteen;
    Sixteen.SetPixelFormat(pf16bit);
    Sixteen.SetSize(48, 48);
    for (int32_t X = 0; X < 48; ++X) {
        Sixteen.GetCanvas()->GetPen()->SetColor(RGB(X * 5, 255 - X * 5, 128));
        Sixteen.GetCanvas()->MoveTo(X, 0);
        Sixteen.GetCanvas()->LineTo(X, 48);
    }
    C->Draw(R.left + 60, R.top + 5, &Sixteen);
    Samples.push_back({R.left + 29, R.top + 29, clBlack, "monochrome"});

    for (const auto& S : Samples)
        EXPECT_EQ(ScanPixel(Shot, S.X, S.Y), S.Color) << S.What;

    // BMP first, then PNG through Pillow.
    const std::string Folder = WindowsPath(QM_SCREENSHOT_DIR);
    CreateDirectoryA(Folder.c_str(), nullptr);
    const std::string Bmp = Folder + "\\graphics.bmp";
    Shot.SaveToFile(Bmp);
    const std::string Png = Folder + "\\graphics.png";
    DeleteFileA(Png.c_str());
    TestSupport::TTempFolder Temp;
    std::string Log;
    ASSERT_EQ(RunHelper(Temp.Path(), "png '" + UnixPath(Bmp) + "' '" + UnixPath(Png) + "'", &Log), 0) << Log;
    EXPECT_TRUE(FileExists(Png));
}
