// The common dialogs driven by a user-interface-thread timer: it finds the dialog among the
// thread's windows, fills its fields and presses OK or Cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include "platform/win/Dialogs.h"
#include "platform/win/Thread.h"
#include "tests/support/TestSupport.h"

namespace {

std::string ClassOf(HWND W)
{
    char Buf[64] = {};
    GetClassNameA(W, Buf, sizeof(Buf));
    return Buf;
}

HWND FindDialog()
{
    for (HWND W : TestSupport::VisibleThreadWindows())
        if (ClassOf(W) == "#32770")
            return W;
    return nullptr;
}

struct TFind {
    std::string Class;
    HWND Found = nullptr;
};

BOOL CALLBACK FindChild(HWND W, LPARAM P)
{
    auto* F = reinterpret_cast<TFind*>(P);
    if (ClassOf(W) == F->Class && IsWindowVisible(W) && IsWindowEnabled(W)) {
        F->Found = W;
        return FALSE;
    }
    return TRUE;
}

HWND ChildOfClass(HWND Parent, const std::string& Class)
{
    TFind F{Class};
    EnumChildWindows(Parent, FindChild, reinterpret_cast<LPARAM>(&F));
    return F.Found;
}

// The edit inside a dialog item that is an edit or a combo box.
HWND EditOf(HWND Dialog, int Id)
{
    HWND W = GetDlgItem(Dialog, Id);
    if (!W)
        return nullptr;
    if (ClassOf(W) == "Edit")
        return W;
    return FindWindowExA(W, nullptr, "Edit", nullptr);
}

void Press(HWND Dialog, int Id)
{
    if (HWND B = GetDlgItem(Dialog, Id))
        SendMessageA(B, BM_CLICK, 0, 0);
    else
        PostMessageA(Dialog, WM_COMMAND, static_cast<WPARAM>(Id), 0);
}

// A thread timer: each tick hands the dialog (when one is up) to Act, which returns true when
// it has done its part. Win32 runs the callback; nothing in it throws.
class TDriver {
public:
    explicit TDriver(std::function<bool(HWND)> Act) : FAct(std::move(Act))
    {
        GDriver = this;
        FTimer = SetTimer(nullptr, 0, 100, Tick);
    }
    TDriver(const TDriver&) = delete;
    TDriver& operator=(const TDriver&) = delete;
    ~TDriver()
    {
        KillTimer(nullptr, FTimer);
        GDriver = nullptr;
    }
    bool Done() const { return FDone; }
    std::string DialogTextSeen;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        TDriver* D = GDriver;
        if (!D || D->FDone || D->FBusy)
            return;
        HWND Dlg = FindDialog();
        if (!Dlg)
            return;
        D->FBusy = true;
        D->DialogTextSeen = TestSupport::DialogText(Dlg);
        D->FDone = D->FAct(Dlg);
        D->FBusy = false;
    }
    static inline TDriver* GDriver = nullptr;
    std::function<bool(HWND)> FAct;
    UINT_PTR FTimer = 0;
    bool FDone = false;
    bool FBusy = false;
};

HWND FileNameEdit(HWND Dlg)
{
    if (HWND E = EditOf(Dlg, cmb13))
        return E;
    if (HWND E = EditOf(Dlg, edt1))
        return E;
    return ChildOfClass(Dlg, "Edit");
}

bool TypeAndOk(HWND Dlg, const std::string& Text)
{
    HWND E = FileNameEdit(Dlg);
    if (!E)
        return false;
    SendMessageA(E, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text.c_str()));
    Press(Dlg, IDOK);
    return true;
}

} // namespace

TEST(TSaveDialog, TypedNameDefaultExtensionAndCancel)
{
    CreateDirectoryA("C:\\x", nullptr);
    TSaveDialog D(nullptr);
    D.SetFilter("Text files (*.txt)|*.txt|All files (*.*)|*.*");
    D.SetTitle("Save the list");
    {
        TDriver Drv([](HWND Dlg) { return TypeAndOk(Dlg, "C:\\x\\a.txt"); });
        EXPECT_TRUE(D.Execute());
        EXPECT_TRUE(Drv.Done());
        EXPECT_NE(Drv.DialogTextSeen.find("Save the list"), std::string::npos) << Drv.DialogTextSeen;
    }
    EXPECT_EQ(D.GetFileName(), "C:\\x\\a.txt");
    D.SetDefaultExt("txt");
    D.SetFileName("");
    {
        TDriver Drv([](HWND Dlg) { return TypeAndOk(Dlg, "C:\\x\\b"); });
        EXPECT_TRUE(D.Execute());
    }
    EXPECT_EQ(D.GetFileName(), "C:\\x\\b.txt");
    {
        TDriver Drv([](HWND Dlg) { Press(Dlg, IDCANCEL); return true; });
        EXPECT_FALSE(D.Execute());
        EXPECT_TRUE(Drv.Done());
    }
    EXPECT_EQ(D.GetFileName(), "C:\\x\\b.txt");
}

TEST(TOpenDialog, WorkersAreServedWhileItIsOpen)
{
    std::atomic<int> Served{0};
    std::vector<std::thread> Workers;
    TOpenDialog D(nullptr);
    bool Opened = false;
    TDriver Drv([&](HWND Dlg) {
        if (!Opened) {
            Opened = true;
            for (int W = 0; W < 8; ++W)
                Workers.emplace_back([&Served] {
                    for (int I = 0; I < 200; ++I)
                        if (TThread::SynchronizeCall([&Served] { ++Served; }) == false)
                            return;
                });
        }
        if (Served.load() < 1600)
            return false;
        Press(Dlg, IDCANCEL);
        return true;
    });
    EXPECT_FALSE(D.Execute());
    EXPECT_TRUE(Opened);
    EXPECT_EQ(Served.load(), 1600);
    for (auto& T : Workers)
        T.join();
}

TEST(TColorDialog, ReturnsTheColourTypedInItsFields)
{
    TColorDialog D(nullptr);
    D.SetColor(clWhite);
    TDriver Drv([](HWND Dlg) {
        const std::pair<int, const char*> Fields[] = {{706, "10"}, {707, "200"}, {708, "30"}};
        for (auto [Id, Text] : Fields) {
            HWND E = GetDlgItem(Dlg, Id);
            if (!E)
                return false;
            SendMessageA(E, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text));
            SendMessageA(Dlg, WM_COMMAND, MAKEWPARAM(Id, EN_UPDATE), reinterpret_cast<LPARAM>(E));
        }
        Press(Dlg, IDOK);
        return true;
    });
    EXPECT_TRUE(D.Execute());
    EXPECT_EQ(ColorToRGB(D.GetColor()), RGB(10, 200, 30));
}

TEST(TFontDialog, ReturnsTheSizeTypedInItsField)
{
    TFontDialog D(nullptr);
    D.GetFont()->SetName("Tahoma");
    D.GetFont()->SetSize(9);
    TDriver Drv([](HWND Dlg) {
        HWND E = EditOf(Dlg, cmb3);
        if (!E)
            return false;
        HWND Combo = GetDlgItem(Dlg, cmb3);
        SendMessageA(E, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("20"));
        if (SendMessageA(Combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("20")) != CB_ERR)
            SendMessageA(Dlg, WM_COMMAND, MAKEWPARAM(cmb3, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Combo));
        Press(Dlg, IDOK);
        return true;
    });
    EXPECT_TRUE(D.Execute());
    EXPECT_EQ(D.GetFont()->GetSize(), 20);
    EXPECT_FALSE(D.GetFont()->GetName().empty());
}
