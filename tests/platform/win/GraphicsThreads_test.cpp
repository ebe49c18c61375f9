// Drawing on worker threads: every bitmap, font, pen and brush owns its handles, so eight
// workers and the user-interface thread drawing at once give the same bytes as one thread.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/Stream.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Graphics.h"
#include "tests/platform/win/GraphicsTestSupport.h"

namespace {

// 200 shapes and texts chosen by Seed, with fonts of the drawing's own.
std::vector<uint8_t> DrawScene(uint32_t Seed)
{
    TBitmap B;
    B.SetPixelFormat(pf24bit);
    B.SetSize(160, 120);
    TCanvas* C = B.GetCanvas();
    uint32_t State = Seed * 2654435761u + 12345;
    auto Next = [&](uint32_t Range) {
        State = State * 1103515245u + 12345u;
        return (State >> 8) % Range;
    };
    static const char* Faces[] = {"Tahoma", "Arial", "Courier New", "Times New Roman"};
    for (int I = 0; I < 200; ++I) {
        const TColor Color = static_cast<TColor>(Next(0x1000000));
        const int32_t X = int32_t(Next(160)), Y = int32_t(Next(120));
        const int32_t W = int32_t(Next(60)) + 1, H = int32_t(Next(40)) + 1;
        switch (Next(6)) {
        case 0:
            C->GetBrush()->SetColor(Color);
            C->GetBrush()->SetStyle(Next(2) ? bsSolid : bsDiagCross);
            C->Rectangle(X, Y, X + W, Y + H);
            break;
        case 1:
            C->GetPen()->SetColor(Color);
            C->GetPen()->SetWidth(int32_t(Next(4)) + 1);
            C->Ellipse(X, Y, X + W, Y + H);
            break;
        case 2:
            C->GetPen()->SetMode(Next(2) ? pmXor : pmCopy);
            C->MoveTo(X, Y);
            C->LineTo(X + W, Y + H);
            C->GetPen()->SetMode(pmCopy);
            break;
        case 3:
        case 4:
            C->GetFont()->SetName(Faces[Next(4)]);
            C->GetFont()->SetSize(int32_t(Next(14)) + 6);
            C->GetFont()->SetStyle(Next(2) ? TFontStyles{fsBold} : TFontStyles{fsItalic});
            C->GetFont()->SetColor(Color);
            C->GetBrush()->SetStyle(Next(2) ? bsClear : bsSolid);
            C->TextOut(X, Y, "Seed " + std::to_string(Seed) + " #" + std::to_string(I));
            break;
        default:
            C->GetBrush()->SetStyle(bsSolid);
            C->GetBrush()->SetColor(Color);
            C->FillRect(Rect(X, Y, X + W / 2, Y + H / 2));
            break;
        }
    }
    TMemoryStream S;
    B.SaveToStream(&S);
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(P, P + S.GetSize());
}

} // namespace

TEST(GraphicsThreads, EightWorkersDrawTheSameBytesAsOneThread)
{
    constexpr int Workers = 8;
    std::vector<std::vector<uint8_t>> Results(Workers);
    std::vector<std::string> Failures(Workers);
    std::atomic<int> Running{Workers};
    std::vector<std::thread> Threads;
    for (int I = 0; I < Workers; ++I)
        Threads.emplace_back([&, I] {
            try {
                Results[I] = DrawScene(uint32_t(I + 1));
            } catch (const std::exception& E) {
                Failures[I] = E.what();
            }
            --Running;
        });
    // The user-interface thread draws its own scenes meanwhile.
    int Mine = 0;
    std::vector<uint8_t> UiFirst;
    while (Running.load() > 0 || Mine < 2) {
        auto R = DrawScene(100);
        if (Mine == 0)
            UiFirst = R;
        else
            EXPECT_EQ(R, UiFirst);
        ++Mine;
    }
    for (auto& T : Threads)
        T.join();

    for (int I = 0; I < Workers; ++I) {
        EXPECT_EQ(Failures[I], "");
        ASSERT_GT(Results[I].size(), 160u * 120u * 3u);
        const auto Alone = DrawScene(uint32_t(I + 1));
        size_t First = 0;
        while (First < Alone.size() && First < Results[I].size() && Alone[First] == Results[I][First])
            ++First;
        if (Results[I] != Alone) {
            // Both pictures go next to the screenshots for a look.
            for (int K = 0; K < 2; ++K) {
                const auto& Bytes = K ? Alone : Results[I];
                TMemoryStream S;
                S.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
                CreateDirectoryA(GraphicsTest::WindowsPath(QM_SCREENSHOT_DIR).c_str(), nullptr);
                S.SaveToFile(GraphicsTest::WindowsPath(QM_SCREENSHOT_DIR) + (K ? "\\threads_alone.bmp" : "\\threads_worker.bmp"));
            }
        }
        EXPECT_TRUE(Results[I] == Alone) << "worker " << I << " differs from the same drawing on one thread at byte "
                                         << First << " (pixel " << (First - 54) / 3 % 160 << ","
                                         << 119 - (First - 54) / 3 / 160 << ")";
        if (I > 0) {
            EXPECT_NE(Results[I], Results[I - 1]) << "the scenes do not depend on their seed";
        }
    }
}

TEST(GraphicsThreads, BitmapMadeOnAWorkerIsDrawnOnTheUserInterfaceThread)
{
    std::unique_ptr<TBitmap> B;
    std::thread([&] {
        B = std::make_unique<TBitmap>();
        B->SetSize(10, 10);
        B->GetCanvas()->GetBrush()->SetColor(clMaroon);
        B->GetCanvas()->FillRect(Rect(0, 0, 10, 10));
    }).join();
    TBitmap Target;
    Target.SetSize(20, 20);
    Target.GetCanvas()->Draw(5, 5, B.get());
    EXPECT_EQ(Target.GetCanvas()->GetPixel(10, 10), clMaroon);
    EXPECT_EQ(Target.GetCanvas()->GetPixel(2, 2), clWhite);
    B.reset();
}

TEST(GraphicsThreads, ThinEllipsesComeOutTheSameEveryTime)
{
    // Tall, thin ellipses over each other, drawn on worker threads: Wine's own Ellipse fills
    // these from memory it never set, so they come out differently from thread to thread.
    auto Draw = [](int Pen, int W, bool Solid) {
        TBitmap B;
        B.SetSize(64, 64);
        TCanvas* C = B.GetCanvas();
        C->GetPen()->SetStyle(Pen == 0 ? psClear : psSolid);
        C->GetPen()->SetWidth(Pen == 0 ? 1 : Pen);
        C->GetPen()->SetColor(RGB(200, 0, 0));
        C->GetBrush()->SetStyle(Solid ? bsSolid : bsDiagCross);
        C->GetBrush()->SetColor(RGB(0, 0, 200));
        for (int I = 0; I < 6; ++I)
            C->Ellipse(10 + I % 3, 10 + I % 2, 10 + I % 3 + W, 36 + I % 2);
        std::vector<uint8_t> Bytes;
        for (int32_t Y = 0; Y < 64; ++Y) {
            const auto* Row = static_cast<const uint8_t*>(B.ScanLine(Y));
            Bytes.insert(Bytes.end(), Row, Row + 64 * 3);
        }
        return Bytes;
    };
    int Cases = 0, Differ = 0;
    for (int Pen = 0; Pen < 4; ++Pen)
        for (int W = 3; W <= 4; ++W)
            for (bool Solid : {true, false}) {
                const auto Reference = Draw(Pen, W, Solid);
                ASSERT_NE(Reference, std::vector<uint8_t>(Reference.size(), 0xFF)) << "nothing drawn";
                std::atomic<int> Wrong{0};
                std::vector<std::thread> Threads;
                for (int T = 0; T < 4; ++T)
                    Threads.emplace_back([&] {
                        for (int I = 0; I < 4; ++I)
                            Wrong += Draw(Pen, W, Solid) != Reference;
                    });
                for (auto& T : Threads)
                    T.join();
                ++Cases;
                Differ += Wrong.load() > 0;
            }
    EXPECT_EQ(Differ, 0) << "of " << Cases << " cases";
}
