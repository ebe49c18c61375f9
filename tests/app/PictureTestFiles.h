#pragma once
// Pictures and files the picture-window tests make, and their screenshots.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "imagelib/Gif.h"
#include "imagelib/ImgDib.h"
#include "platform/rtl/Paths.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Files.h"
#include "platform/win/Forms.h"
#include "platform/win/Timer.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

namespace PictureTest {

// Size bytes of noise: no picture reader makes sense of them.
inline void WriteBytes(const std::string& Name, size_t Size, uint8_t Seed = 7)
{
    std::string B(Size, '\0');
    uint32_t X = Seed * 2654435761u + 1;
    for (char& C : B) {
        X = X * 1103515245u + 12345u;
        C = static_cast<char>(X >> 16);
    }
    std::ofstream(Name, std::ios::binary).write(B.data(), static_cast<std::streamsize>(B.size()));
}

// A W x H picture of class T in one colour (0xRRGGBB), with a white top-left and a black
// top-right corner block of Corner pixels, so turns and crops show.
template <class T>
std::string WritePicture(const std::string& Name, int32_t W, int32_t H, uint32_t Rgb = 0x3366CC, int32_t Corner = 0)
{
    T G;
    G.NewImage(W, H, ifTrueColor);
    G.Fill(Rgb);
    for (int32_t Y = 0; Y < Corner && Y < H; ++Y)
        for (int32_t X = 0; X < Corner && X < W; ++X) {
            G.SetPixelColor(X, Y, 0xFFFFFF);
            G.SetPixelColor(W - 1 - X, Y, 0x000000);
        }
    G.SaveToFile(Name);
    return Name;
}

// A one-frame GIF of W x H in red.
inline std::string WriteGif(const std::string& Name, int32_t W, int32_t H)
{
    TBitmap B;
    B.SetSize(W, H);
    B.GetCanvas()->GetBrush()->SetColor(clRed);
    B.GetCanvas()->FillRect(TRect{0, 0, W, H});
    TGif G;
    G.AddBitmap(&B);
    G.SetWidth(W); // the logical screen
    G.SetHeight(H);
    G.SaveToFile(Name);
    return Name;
}

inline bool FileThere(const std::string& Path)
{
    const DWORD A = GetFileAttributesA(Path.c_str());
    return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
}

// Pixels within Tolerance of Colour (0xRRGGBB) in each channel.
inline size_t CountNear(const TestSupport::TShot& S, uint32_t Colour, int Tolerance = 12)
{
    size_t N = 0;
    for (uint32_t P : S.Pixels) {
        bool Near = true;
        for (int Shift : {0, 8, 16})
            Near = Near && std::abs(static_cast<int>((P >> Shift) & 255) - static_cast<int>((Colour >> Shift) & 255)) <= Tolerance;
        N += Near;
    }
    return N;
}

// The window as it draws itself, saved as <build>/screenshots/<Name>.bmp.
inline TestSupport::TShot Shoot(HWND W, const std::string& Name)
{
    TestSupport::PumpFor(100); // the last paints reach the window: nothing exposed to wait on
    TestSupport::TShot S = TestSupport::CaptureFullPaint(W);
    const std::string Folder = ExtractFilePath(ExcludeTrailingBackslash(ProgramFolder())) + "screenshots\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    EXPECT_TRUE(TestSupport::WriteBmp(Folder + Name + ".bmp", S)) << Name;
    return S;
}

// A command as menus and toolbars send it.
inline void Command(HWND Form, uint16_t Id)
{
    SendMessageA(Form, WM_COMMAND, MAKEWPARAM(Id, 0), 0);
}

// Answers every message box (a "#32770" window) of the thread whose caption or text holds Match
// with Button, once When holds (at once without one), and records what each said. It runs on a
// window timer of the platform. A box still there at the next tick after its click (the click
// lost, as when the button lost the mouse between press and release) is clicked again and not
// recorded twice.
class TBoxAnswerer {
public:
    explicit TBoxAnswerer(std::string Match = std::string(), int Button = IDOK, std::function<bool()> When = nullptr)
        : FMatch(std::move(Match)), FButton(Button), FWhen(std::move(When))
    {
        FTimer.SetInterval(20);
        FTimer.SetOnTimer([this](TObject*) { Tick(); });
        FTimer.SetEnabled(true);
    }
    int Count() const { return static_cast<int>(FTexts.size()); }
    // "<caption>\n<texts>" of each box answered, in order.
    const std::vector<std::string>& Texts() const { return FTexts; }
    std::string Last() const { return FTexts.empty() ? std::string() : FTexts.back(); }

private:
    void Tick()
    {
        const std::vector<HWND> Shown = TestSupport::VisibleThreadWindows();
        if (FClicked && std::find(Shown.begin(), Shown.end(), FClicked) == Shown.end())
            FClicked = nullptr;
        for (HWND W : Shown) {
            char Class[16] = {};
            GetClassNameA(W, Class, sizeof(Class));
            if (std::string(Class) != "#32770")
                continue;
            const std::string Text = TestSupport::DialogText(W);
            if (!FMatch.empty() && Text.find(FMatch) == std::string::npos)
                continue;
            if (W != FClicked) {
                if (FWhen && !FWhen())
                    return;
                FTexts.push_back(Text);
                FClicked = W;
            }
            SendMessageA(GetDlgItem(W, FButton), BM_CLICK, 0, 0);
            return;
        }
    }
    std::string FMatch;
    HWND FClicked = nullptr; // the box last clicked, while it shows
    int FButton;
    std::function<bool()> FWhen;
    std::vector<std::string> FTexts;
    TTimer FTimer;
};

// Runs Action once on every modal form of type T that shows while the answerer lives. A form
// handled is marked with its tag, since a new form may take the address of one freed before.
template <class T>
class TModalAnswerer {
public:
    explicit TModalAnswerer(std::function<void(T*)> Action) : FAction(std::move(Action))
    {
        FTimer.SetInterval(20);
        FTimer.SetOnTimer([this](TObject*) { Tick(); });
        FTimer.SetEnabled(true);
    }
    int Count() const { return FCount; }

private:
    static constexpr int32_t kHandled = 0x5EE4;
    void Tick()
    {
        if (FBusy)
            return;
        for (int32_t I = 0; I < AppUI()->GetFormCount(); ++I) {
            T* F = dynamic_cast<T*>(AppUI()->GetForms(I));
            if (!F || F->GetTag() == kHandled || !F->IsModal() || !F->HandleAllocated() ||
                !IsWindowVisible(F->GetHandle()))
                continue;
            F->SetTag(kHandled);
            ++FCount;
            FBusy = true;
            FAction(F);
            FBusy = false;
            return;
        }
    }
    std::function<void(T*)> FAction;
    TTimer FTimer;
    bool FBusy = false;
    int FCount = 0;
};

} // namespace PictureTest
