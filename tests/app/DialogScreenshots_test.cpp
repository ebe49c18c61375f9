// Every page of the task dialog, every tab of the options dialog and the three small dialogs,
// saved as pictures under <build>/screenshots for a person to look at. Each picture is checked for
// the dialog's size and for drawn content, so a page that shows nothing fails.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include <windows.h>

#include "app/AddFileForm.h"
#include "app/AddFileMaskForm.h"
#include "app/OptionsForm.h"
#include "app/SchemeForm.h"
#include "app/TaskForm.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Files.h"
#include "platform/win/ListView.h"
#include "platform/win/Tabs.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;

namespace {

std::string ShotFolder()
{
    std::string F = QM_SCREENSHOT_DIR;
    for (char& C : F)
        if (C == '/')
            C = '\\';
    // The build folder is a Unix path: drive Z: is the Unix root under Wine.
    if (!F.empty() && F[0] == '\\')
        F = "Z:" + F;
    ForceDirectories(F);
    return F + "\\";
}

// Saves the form's window as it is on the screen; returns the number of distinct colours seen.
size_t Shoot(TCustomForm* Form, const std::string& Name)
{
    HWND W = Form->GetHandle();
    RedrawWindow(W, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(150);
    RECT R;
    GetWindowRect(W, &R);
    TBitmap B;
    B.SetPixelFormat(pf24bit);
    B.SetSize(R.right - R.left, R.bottom - R.top);
    HDC Screen = GetDC(nullptr);
    BitBlt(B.GetCanvas()->GetHandle(), 0, 0, R.right - R.left, R.bottom - R.top, Screen, R.left, R.top, SRCCOPY);
    ReleaseDC(nullptr, Screen);
    std::set<uint32_t> Colours;
    for (int32_t Y = 0; Y < B.GetHeight(); Y += 2) {
        const auto* P = static_cast<const uint8_t*>(B.ScanLine(Y));
        for (int32_t X = 0; X < B.GetWidth(); X += 2)
            Colours.insert(P[X * 3] | (P[X * 3 + 1] << 8) | (P[X * 3 + 2] << 16));
    }
    const std::string Path = ShotFolder() + "dialog-" + Name + ".bmp";
    B.SaveToFile(Path);
    EXPECT_TRUE(FileExists(Path)) << Path;
    return Colours.size();
}

void Show(TCustomForm* F)
{
    F->Show();
    SetForegroundWindow(F->GetHandle());
    PumpFor(100);
}

} // namespace

TEST(DialogScreenshots, TaskDialogPages)
{
    TComponentPtr<TTaskForm> F(new TTaskForm(nullptr));
    F->SetCaption("New Task");
    F->BeginFill();
    F->DefaultFolderEdit->SetText("C:\\Pictures\\Downloaded Files\\");
    for (const char* M : {"jpg", "gif", "png"}) {
        TListItem* I = F->MasksListView->GetItems()->Add();
        I->SetCaption(M);
        I->GetSubItems()->Add("Saved");
    }
    F->ExcludeFileListView->GetItems()->Add()->SetCaption("spacer.gif");
    F->ExcludeWebsitesListBox->GetItems()->Add("ads.example.com");
    F->NoteMemo->GetLines()->Add("Holiday pictures of the club.");
    F->SchemeTypeComboBox->SetItemIndex(3);
    F->Scheme->SetSchemeCount(1);
    F->EndFill();
    Show(F.get());
    F->URLEdit->SetText("http://www.example.com/gallery/");
    F->TaskNameEdit->SetText("Gallery");
    for (const char* Page : {"General", "Web site", "Scheme", "Name and URL", "Note"}) {
        F->ShowPage(Page);
        std::string Name = std::string("task_") + Page;
        for (char& C : Name)
            if (C == ' ')
                C = '_';
        EXPECT_GT(Shoot(F.get(), Name), 4u) << Page;
    }
}

TEST(DialogScreenshots, OptionsDialogTabs)
{
    TComponentPtr<TOptionForm> F(new TOptionForm(nullptr));
    F->DefaultFolderEdit->SetText("C:\\Pictures\\Downloaded Files\\");
    F->DefaultLogFolderEdit->SetText("C:\\Pictures\\Logs\\");
    F->ProjectPathEdit->SetText("C:\\Pictures\\Projects\\");
    TListItem* I = F->MasksListView->GetItems()->Add();
    I->SetCaption("jpg");
    I->GetSubItems()->Add("Saved");
    Show(F.get());
    for (int32_t T = 0; T < F->OptionPages->GetPageCount(); ++T) {
        F->OptionPages->SetActivePageIndex(T);
        EXPECT_GT(Shoot(F.get(), "options_" + std::to_string(T + 1)), 4u) << T;
    }
}

TEST(DialogScreenshots, SmallDialogs)
{
    {
        TComponentPtr<TSchemeForm> F(new TSchemeForm(nullptr));
        F->SchemeTypeValueLabel->SetCaption("Weekly");
        Show(F.get());
        EXPECT_GT(Shoot(F.get(), "scheme"), 4u);
    }
    {
        TComponentPtr<TAddFileMaskForm> F(new TAddFileMaskForm(nullptr));
        F->ContentEdit->SetText("webp");
        Show(F.get());
        EXPECT_GT(Shoot(F.get(), "addfilemask"), 4u);
    }
    {
        TComponentPtr<TAddFileForm> F(new TAddFileForm(nullptr));
        F->FileNameEdit->SetText("thumb.jpg");
        Show(F.get());
        EXPECT_GT(Shoot(F.get(), "addfile"), 4u);
    }
}
