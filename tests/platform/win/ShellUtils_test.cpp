// Folder browse driven through its edit box, small shell icons, and shell open through the seam.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <windows.h>

#include <commctrl.h>

#include "platform/win/ImageList.h"
#include "platform/win/ShellUtils.h"
#include "tests/support/TestSupport.h"

namespace {

std::string ClassName(HWND W)
{
    char Buf[64] = {};
    GetClassNameA(W, Buf, sizeof(Buf));
    return Buf;
}

struct TSeen {
    std::string Class;
    HWND Found = nullptr;
};

BOOL CALLBACK Find(HWND W, LPARAM P)
{
    auto* S = reinterpret_cast<TSeen*>(P);
    if (ClassName(W) == S->Class) {
        S->Found = W;
        return FALSE;
    }
    return TRUE;
}

HWND Child(HWND Parent, const char* Class)
{
    TSeen S{Class};
    EnumChildWindows(Parent, Find, reinterpret_cast<LPARAM>(&S));
    return S.Found;
}

struct TBrowse {
    std::string Type;      // typed into the edit box; empty: Cancel
    std::string Text;      // the dialog's texts
    std::string Selected;  // the tree's selected item when it opened
    bool Done = false;
};
TBrowse* GBrowse = nullptr;

void CALLBACK BrowseTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!GBrowse || GBrowse->Done)
        return;
    for (HWND D : TestSupport::VisibleThreadWindows()) {
        if (ClassName(D) != "#32770")
            continue;
        GBrowse->Done = true;
        GBrowse->Text = TestSupport::DialogText(D);
        if (HWND T = Child(D, "SysTreeView32")) {
            char Buf[MAX_PATH] = {};
            TVITEMA I{};
            I.mask = TVIF_TEXT | TVIF_HANDLE;
            I.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(T, TVM_GETNEXTITEM, TVGN_CARET, 0));
            I.pszText = Buf;
            I.cchTextMax = sizeof(Buf);
            if (I.hItem && SendMessageA(T, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I)))
                GBrowse->Selected = Buf;
        }
        if (GBrowse->Type.empty()) {
            SendMessageA(GetDlgItem(D, IDCANCEL), BM_CLICK, 0, 0);
            return;
        }
        if (HWND E = Child(D, "Edit"))
            SendMessageA(E, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(GBrowse->Type.c_str()));
        SendMessageA(GetDlgItem(D, IDOK), BM_CLICK, 0, 0);
        return;
    }
}

std::string ReadAll(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
}

} // namespace

TEST(BrowseForFolder, TitleStartFolderTypedFolderAndCancel)
{
    TestSupport::TTempFolder Temp;
    const std::string Typed = Temp.Path() + "chosen";
    CreateDirectoryA(Typed.c_str(), nullptr);
    TBrowse B;
    B.Type = Typed;
    GBrowse = &B;
    UINT_PTR T = SetTimer(nullptr, 0, 100, BrowseTick);
    std::string Folder;
    // A fresh prefix may just have written into the start folder: its entry must not change
    // while the dialog opens on it.
    TestSupport::SettleFolderTimes("C:\\windows\\system32");
    const bool Ok = BrowseForFolder(nullptr, "Pick the download folder", "C:\\windows\\system32", Folder);
    KillTimer(nullptr, T);
    GBrowse = nullptr;
    EXPECT_TRUE(B.Done);
    EXPECT_NE(B.Text.find("Pick the download folder"), std::string::npos) << B.Text;
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, B.Selected.c_str(), -1, "system32", -1), CSTR_EQUAL)
        << B.Selected;
    ASSERT_TRUE(Ok);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Folder.c_str(), -1, Typed.c_str(), -1), CSTR_EQUAL)
        << Folder;

    TBrowse C;
    GBrowse = &C;
    T = SetTimer(nullptr, 0, 100, BrowseTick);
    Folder = "unchanged";
    EXPECT_FALSE(BrowseForFolder(nullptr, "Cancel me", "C:\\windows", Folder));
    KillTimer(nullptr, T);
    GBrowse = nullptr;
    EXPECT_TRUE(C.Done);
    EXPECT_EQ(Folder, "unchanged");
}

TEST(ShellSmallIcon, GivesSmallIconsAnImageListTakesWithoutLeaking)
{
    TestSupport::TTempFolder Temp;
    TImageList List;
    List.SetSize(16, 16);
    for (const std::string& Path : {std::string("x.jpg"), std::string("C:\\nowhere\\nothing.qqq"), Temp.Path()}) {
        auto Icon = ShellSmallIcon(Path);
        ASSERT_NE(Icon, nullptr) << Path;
        ICONINFO Info{};
        ASSERT_TRUE(GetIconInfo(Icon->GetHandle(), &Info)) << Path;
        BITMAP Bm{};
        GetObjectA(Info.hbmMask, sizeof(Bm), &Bm);
        EXPECT_EQ(Bm.bmWidth, 16) << Path;
        EXPECT_EQ(Info.hbmColor ? Bm.bmHeight : Bm.bmHeight / 2, 16) << Path;
        if (Info.hbmColor)
            DeleteObject(Info.hbmColor);
        DeleteObject(Info.hbmMask);
        EXPECT_GE(List.AddIcon(Icon.get()), 0) << Path;
    }
    EXPECT_EQ(List.GetCount(), 3);
    const DWORD Before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int I = 0; I < 500; ++I) {
        auto Icon = ShellSmallIcon(I % 2 ? "x.jpg" : Temp.Path());
        ASSERT_NE(Icon, nullptr);
    }
    const DWORD After = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (Before != 0) { // the system keeps that count
        EXPECT_LE(After, Before + 4);
    }
}

TEST(ShellOpen, GoesThroughTheTestLogAndFailsForAMissingFile)
{
    TestSupport::TTempFolder Temp;
    const std::string Log = Temp.File("seam.log");
    SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", Log.c_str());
    _putenv(("QUILLMOOR_TEST_LOG=" + Log).c_str());
    EXPECT_TRUE(ShellOpen(nullptr, "open", "C:\\x\\Saved", "", "", SW_SHOWNORMAL));
    SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", nullptr);
    _putenv("QUILLMOOR_TEST_LOG=");
    EXPECT_EQ(ReadAll(Log), "shell\topen\tC:\\x\\Saved\t\t1\r\n");
    EXPECT_FALSE(ShellOpen(nullptr, "open", Temp.File("there is no such file.qqq"), "", "", SW_SHOWNORMAL));
}
