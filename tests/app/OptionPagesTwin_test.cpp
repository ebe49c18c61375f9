// The handlers the task dialog and the default-options dialog share, run against both:
// extensions, excluded files, excluded sites, the size-limit box, the depth bar and the
// schedule page with its schedule dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include <windows.h>

#include "app/AddFileForm.h"
#include "app/AddFileMaskForm.h"
#include "app/OptionsForm.h"
#include "app/SchemeForm.h"
#include "app/TaskForm.h"
#include "platform/rtl/DateUtils.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/NoClippedText.h"
#include "tests/support/TestSupport.h"

using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::TDialogAnswerer;
using namespace DialogTest;

namespace {

template <class T>
TComponentPtr<T> OpenDialog()
{
    return OpenFilled<T>(std::is_same_v<T, TTaskForm> ? "Edit Task" : "", nullptr);
}

template <class T>
void ShowPageOf(T* F, const std::string& Page)
{
    if constexpr (std::is_same_v<T, TTaskForm>)
        F->ShowPage(Page);
    else
        for (int32_t I = 0; I < F->OptionPages->GetPageCount(); ++I)
            if (F->OptionPages->GetPage(I)->GetCaption() == Page)
                F->OptionPages->SetActivePageIndex(I);
}

std::vector<std::string> Rows(TListView* L, bool WithFolder)
{
    std::vector<std::string> R;
    for (int32_t I = 0; I < L->GetItems()->GetCount(); ++I) {
        TListItem* Item = L->GetItems()->GetItem(I);
        std::string S = Item->GetCaption();
        if (WithFolder)
            S += "|" + (Item->GetSubItems()->GetCount() > 0 ? Item->GetSubItems()->GetStrings(0) : std::string("?"));
        R.push_back(S);
    }
    return R;
}

std::vector<std::string> Lines(TStrings* S)
{
    std::vector<std::string> R;
    for (int32_t I = 0; I < S->GetCount(); ++I)
        R.push_back(S->GetStrings(I));
    return R;
}

// Answers the extension dialog with Text and OK; with an error box expected, records it and then
// cancels the still open dialog.
struct TMaskAnswer {
    std::string Text;
    bool ExpectError = false;
    bool ErrorSeen = false;
    bool StayedOpen = false;
    std::string ErrorText;
    std::string Folder;
    bool FolderEnabled = true;
    std::string Caption;
};

void AnswerMask(TAddFileMaskForm* M, TMaskAnswer& A)
{
    A.Folder = M->DescriptionEdit->GetText();
    A.FolderEnabled = M->DescriptionEdit->GetEnabled();
    A.Caption = M->GetCaption();
    ExpectNoClippedText(M);
    M->ContentEdit->SetText(A.Text);
    if (!A.ExpectError) {
        M->OkButton->Click();
        return;
    }
    TDialogAnswerer Box("Sorry");
    M->OkButton->Click();
    A.ErrorSeen = Box.AnsweredCount() == 1 && Box.Caption() == "Error";
    A.ErrorText = Box.Text();
    A.StayedOpen = M->GetModalResult() == mrNone && IsWindowVisible(M->GetHandle());
    M->CancelButton->Click();
}

} // namespace

template <class T>
class OptionPagesTwin : public ::testing::Test {};

using TDialogs = ::testing::Types<TTaskForm, TOptionForm>;
TYPED_TEST_SUITE(OptionPagesTwin, TDialogs);

TYPED_TEST(OptionPagesTwin, ExtensionsAddDeleteClear)
{
    auto F = OpenDialog<TypeParam>();
    TListView* L = F->MasksListView;
    EXPECT_EQ(L->GetColumns()->GetCount(), 2);
    EXPECT_EQ(L->GetColumns()->GetItem(0)->GetCaption(), "Image extname");
    EXPECT_EQ(L->GetColumns()->GetItem(0)->GetWidth(), 90);
    EXPECT_EQ(L->GetColumns()->GetItem(1)->GetCaption(), "Directory");
    EXPECT_EQ(L->GetColumns()->GetItem(1)->GetWidth(), 180);
    EXPECT_TRUE(L->GetGridLines());
    EXPECT_TRUE(L->GetRowSelect());
    EXPECT_TRUE(L->GetReadOnly());

    for (const char* Ext : {"png", ".jpg"}) {
        TMaskAnswer A;
        A.Text = Ext;
        TFormAnswerer<TAddFileMaskForm> Answer([&](TAddFileMaskForm* M) { AnswerMask(M, A); });
        F->AddButton->Click();
        EXPECT_EQ(Answer.Count(), 1);
        EXPECT_EQ(A.Caption, "Add image extend name");
        EXPECT_EQ(A.Folder, "Saved");
        EXPECT_FALSE(A.FolderEnabled);
    }
    EXPECT_EQ(Rows(L, true), (std::vector<std::string>{"png|Saved", "jpg|Saved"}));

    for (const char* Bad : {"", "a,b", "."}) {
        TMaskAnswer A;
        A.Text = Bad;
        A.ExpectError = true;
        TFormAnswerer<TAddFileMaskForm> Answer([&](TAddFileMaskForm* M) { AnswerMask(M, A); });
        F->AddButton->Click();
        EXPECT_EQ(Answer.Count(), 1);
        EXPECT_TRUE(A.ErrorSeen) << Bad;
        EXPECT_NE(A.ErrorText.find("Sorry, the extend name is invalid, please change it and try again!"),
                  std::string::npos)
            << A.ErrorText;
        EXPECT_TRUE(A.StayedOpen) << Bad;
    }
    EXPECT_EQ(Rows(L, true), (std::vector<std::string>{"png|Saved", "jpg|Saved"}));

    // Delete without a selection removes nothing; with one, that row.
    L->SetSelected(nullptr);
    F->DeleteButton->Click();
    EXPECT_EQ(L->GetItems()->GetCount(), 2);
    L->SetSelected(L->GetItems()->GetItem(0));
    F->DeleteButton->Click();
    EXPECT_EQ(Rows(L, true), (std::vector<std::string>{"jpg|Saved"}));
    F->ClearButton->Click();
    EXPECT_EQ(L->GetItems()->GetCount(), 0);
}

TYPED_TEST(OptionPagesTwin, ExcludedFilesAddAndDelete)
{
    auto F = OpenDialog<TypeParam>();
    TListView* L = F->ExcludeFileListView;
    ASSERT_EQ(L->GetColumns()->GetCount(), 1);
    EXPECT_EQ(L->GetColumns()->GetItem(0)->GetCaption(), "Filename");
    EXPECT_EQ(L->GetColumns()->GetItem(0)->GetWidth(), 270);
    for (const char* Name : {"thumb.jpg", "spacer.gif"}) {
        std::string Caption, Prompt;
        TFormAnswerer<TAddFileForm> Answer([&](TAddFileForm* A) {
            Caption = A->GetCaption();
            Prompt = A->PromptLabel->GetCaption();
            ExpectNoClippedText(A);
            A->FileNameEdit->SetText(Name);
            A->OkButton->Click();
        });
        F->AddFileButton->Click();
        EXPECT_EQ(Answer.Count(), 1);
        EXPECT_EQ(Caption, "Add filename");
        EXPECT_EQ(Prompt, "Enter the filename below :");
    }
    EXPECT_EQ(Rows(L, false), (std::vector<std::string>{"thumb.jpg", "spacer.gif"}));
    {
        TFormAnswerer<TAddFileForm> Answer([&](TAddFileForm* A) {
            A->FileNameEdit->SetText("cancelled.png");
            A->CancelButton->Click();
        });
        F->AddFileButton->Click();
        EXPECT_EQ(Answer.Count(), 1);
    }
    EXPECT_EQ(L->GetItems()->GetCount(), 2);
    L->SetSelected(nullptr);
    F->DeleteFileButton->Click();
    EXPECT_EQ(L->GetItems()->GetCount(), 2);
    L->SetSelected(L->GetItems()->GetItem(0));
    F->DeleteFileButton->Click();
    EXPECT_EQ(Rows(L, false), (std::vector<std::string>{"spacer.gif"}));
}

TYPED_TEST(OptionPagesTwin, ExcludedSitesAddReplaceDelete)
{
    auto F = OpenDialog<TypeParam>();
    TEdit* E = F->SiteEdit();
    if constexpr (std::is_same_v<TypeParam, TTaskForm>)
        EXPECT_EQ(E, F->ExcludeUrlEdit);
    else
        EXPECT_EQ(E, F->UrlEdit);
    TListBox* L = F->ExcludeWebsitesListBox;
    E->SetText("http://WWW.Ads.COM/path");
    F->AddUrlBtn->Click();
    EXPECT_EQ(Lines(L->GetItems()), (std::vector<std::string>{"www.ads.com"}));
    EXPECT_EQ(E->GetText(), "");
    E->SetText("http://WWW.Ads.COM/path");
    F->AddUrlBtn->Click();
    EXPECT_EQ(L->GetItems()->GetCount(), 1);
    EXPECT_EQ(E->GetText(), "");
    E->SetText("tracker.net/x");
    F->AddUrlBtn->Click();
    E->SetText("   ");
    F->AddUrlBtn->Click();
    // An address without a host adds no empty line and stays to be corrected.
    E->SetText("http://");
    F->AddUrlBtn->Click();
    EXPECT_EQ(E->GetText(), "http://");
    EXPECT_EQ(Lines(L->GetItems()), (std::vector<std::string>{"www.ads.com", "tracker.net"}));

    ClickListBoxLine(L, 1);
    EXPECT_EQ(E->GetText(), "tracker.net");
    E->SetText("Foo.Bar");
    F->ReplaceUrlBtn->Click();
    EXPECT_EQ(Lines(L->GetItems()), (std::vector<std::string>{"www.ads.com", "Foo.Bar"}));
    // Replace needs a text and a selection.
    L->SetItemIndex(-1);
    E->SetText("nothing.selected");
    F->ReplaceUrlBtn->Click();
    L->SetItemIndex(0);
    E->SetText("  ");
    F->ReplaceUrlBtn->Click();
    EXPECT_EQ(Lines(L->GetItems()), (std::vector<std::string>{"www.ads.com", "Foo.Bar"}));

    L->SetItemIndex(0);
    F->DeleteUrlBtn->Click();
    EXPECT_EQ(Lines(L->GetItems()), (std::vector<std::string>{"Foo.Bar"}));
    L->SetItemIndex(-1);
    F->DeleteUrlBtn->Click();
    EXPECT_EQ(L->GetItems()->GetCount(), 1);
}

TYPED_TEST(OptionPagesTwin, LimitBoxAndDepthBar)
{
    auto F = OpenDialog<TypeParam>();
    TControl* Six[] = {F->MaxEdit, F->MinEdit, F->MaxLabel, F->MinLabel, F->KBLabel, F->KB2Label};
    const bool Task = std::is_same_v<TypeParam, TTaskForm>;
    EXPECT_EQ(F->EnableLimitCheckBox->GetChecked(), Task);
    for (TControl* C : Six)
        EXPECT_EQ(C->GetEnabled(), Task) << C->GetText();
    F->EnableLimitCheckBox->SetChecked(!Task);
    for (TControl* C : Six)
        EXPECT_EQ(C->GetEnabled(), !Task) << C->GetText();
    EXPECT_EQ(WindowEnabled(F->MaxEdit), !Task);
    F->EnableLimitCheckBox->SetChecked(Task);
    for (TControl* C : Six)
        EXPECT_EQ(C->GetEnabled(), Task) << C->GetText();

    EXPECT_EQ(F->DeepTrackBar->GetMin(), 0);
    EXPECT_EQ(F->DeepTrackBar->GetMax(), 30);
    EXPECT_EQ(F->DeepTrackBar->GetPosition(), 10);
    EXPECT_EQ(F->DeepValueLabel->GetCaption(), "10");
    MoveTrackBar(F->DeepTrackBar, 17);
    EXPECT_EQ(F->DeepTrackBar->GetPosition(), 17);
    EXPECT_EQ(F->DeepValueLabel->GetCaption(), "17");
    F->DeepTrackBar->SetPosition(0);
    EXPECT_EQ(F->DeepValueLabel->GetCaption(), "0");
}

TYPED_TEST(OptionPagesTwin, ScheduleTypeChoice)
{
    auto F = OpenDialog<TypeParam>();
    ShowPageOf(F.get(), "Scheme");
    EXPECT_EQ(Lines(F->SchemeTypeComboBox->GetItems()),
              (std::vector<std::string>{"None", "Every", "Daily", "Weekly", "Monthly"}));
    EXPECT_EQ(F->SchemeTypeComboBox->GetStyle(), csDropDownList);
    EXPECT_TRUE(F->SchemeMemo->GetReadOnly());
    F->Scheme->SetSchemeCount(2);
    F->Scheme->SetStartDate(EncodeDate(2027, 1, 2));
    F->Scheme->SetStartTime(EncodeTime(3, 4, 5, 0));
    ChooseComboItem(F->SchemeTypeComboBox, 3);
    EXPECT_TRUE(WindowEnabled(F->ChangeSchemeButton));
    EXPECT_EQ(F->Scheme->GetSchemeType(), 3);
    ASSERT_FALSE(F->Scheme->Description().empty());
    EXPECT_EQ(Lines(F->SchemeMemo->GetLines()), (std::vector<std::string>{F->Scheme->Description()}));
    for (int32_t I : {1, 2, 4}) {
        ChooseComboItem(F->SchemeTypeComboBox, I);
        EXPECT_EQ(F->Scheme->GetSchemeType(), I);
        EXPECT_EQ(Lines(F->SchemeMemo->GetLines()), (std::vector<std::string>{F->Scheme->Description()}));
    }
    ChooseComboItem(F->SchemeTypeComboBox, 0);
    EXPECT_FALSE(WindowEnabled(F->ChangeSchemeButton));
    EXPECT_EQ(F->Scheme->GetSchemeType(), 0);
    EXPECT_EQ(F->SchemeMemo->GetText(), "");
    EXPECT_EQ(F->SchemeMemo->GetLines()->GetCount(), 0);
    // The other fields of the schedule are the combo box's business no more than the count's.
    EXPECT_EQ(F->Scheme->GetSchemeCount(), 2);
}

TYPED_TEST(OptionPagesTwin, ScheduleWithoutDateStartsNow)
{
    auto F = OpenDialog<TypeParam>();
    ShowPageOf(F.get(), "Scheme");
    ChooseComboItem(F->SchemeTypeComboBox, 3);
    F->Scheme->SetSchemeCount(1);
    struct TSeen {
        std::string Caption, Type, Unit, Every, Date, Time;
        bool Now = false, DateEnabled = true, TimeEnabled = true, Bold = false;
        int32_t W = 0, H = 0;
    } S;
    SYSTEMTIME Before{};
    GetLocalTime(&Before);
    TFormAnswerer<TSchemeForm> Answer([&](TSchemeForm* M) {
        S.Caption = M->GetCaption();
        S.Type = M->SchemeTypeValueLabel->GetCaption();
        ExpectNoClippedText(M); // its type and unit filled in
        S.Bold = M->SchemeTypeValueLabel->GetFont()->GetStyle().Contains(fsBold);
        S.Unit = M->UnitLabel->GetCaption();
        S.Every = M->EveryEdit->GetText();
        S.Now = M->StartNowCheckBox->GetChecked();
        S.DateEnabled = WindowEnabled(M->StartDateEdit);
        S.TimeEnabled = WindowEnabled(M->StartTimeEdit);
        RECT R;
        GetClientRect(M->GetHandle(), &R);
        S.W = R.right;
        S.H = R.bottom;
        // One tick of the clock shows the present in the short formats.
        M->TimerTimer(M->Timer);
        S.Date = M->StartDateEdit->GetText();
        S.Time = M->StartTimeEdit->GetText();
        M->OkButton->Click();
    });
    F->ChangeSchemeButton->Click();
    SYSTEMTIME After{};
    GetLocalTime(&After);
    ASSERT_EQ(Answer.Count(), 1);
    EXPECT_EQ(S.Caption, "Scheme");
    EXPECT_EQ(S.W, 308);
    EXPECT_EQ(S.H, 242);
    EXPECT_EQ(S.Type, "Weekly");
    EXPECT_TRUE(S.Bold);
    EXPECT_EQ(S.Unit, "Week(s)");
    EXPECT_EQ(S.Every, "1");
    EXPECT_TRUE(S.Now);
    EXPECT_FALSE(S.DateEnabled);
    EXPECT_FALSE(S.TimeEnabled);
    EXPECT_TRUE(S.Date == SystemShortDate(Before) || S.Date == SystemShortDate(After)) << S.Date;
    EXPECT_TRUE(S.Time == SystemShortTime(Before) || S.Time == SystemShortTime(After)) << S.Time;

    // OK stored the moment of the click: today, to the minute.
    EXPECT_EQ(F->Scheme->GetSchemeType(), 3);
    EXPECT_EQ(F->Scheme->GetSchemeCount(), 1);
    SYSTEMTIME Stored{};
    uint16_t Y, Mo, D, H, Mi, Sec, Ms;
    DecodeDate(F->Scheme->GetStartDate(), Y, Mo, D);
    DecodeTime(F->Scheme->GetStartTime(), H, Mi, Sec, Ms);
    EXPECT_EQ(F->Scheme->GetStartDate(), std::trunc(F->Scheme->GetStartDate()));
    Stored.wYear = Y;
    Stored.wMonth = Mo;
    Stored.wDay = D;
    Stored.wHour = H;
    Stored.wMinute = Mi;
    Stored.wSecond = Sec;
    EXPECT_EQ(SystemShortDate(Stored), S.Date);
    EXPECT_EQ(SystemShortTime(Stored), S.Time);
    const std::string Expected =
        "All project will start every 1 Week(s), From " + SystemShortDate(Stored) + ", " + SystemLongTime(Stored);
    EXPECT_EQ(Lines(F->SchemeMemo->GetLines()), (std::vector<std::string>{Expected}));
}

TYPED_TEST(OptionPagesTwin, ScheduleWithDateEditsAndRefusesBadText)
{
    auto F = OpenDialog<TypeParam>();
    ShowPageOf(F.get(), "Scheme");
    ChooseComboItem(F->SchemeTypeComboBox, 2);
    const TDateTime Date = EncodeDate(2027, 6, 15);
    const TDateTime Time = EncodeTime(8, 30, 15, 0);
    F->Scheme->SetSchemeCount(4);
    F->Scheme->SetStartDate(Date);
    F->Scheme->SetStartTime(Time);
    const std::string MemoBefore = F->SchemeMemo->GetText();

    // A bad date: the box, the dialog stays, then Cancel leaves everything as it was.
    bool Now = true, DateEnabled = false, StayedOpen = false;
    std::string ShownDate, ShownTime, ShownEvery, BoxText, BoxCaption;
    TFormAnswerer<TSchemeForm> Bad([&](TSchemeForm* M) {
        Now = M->StartNowCheckBox->GetChecked();
        DateEnabled = WindowEnabled(M->StartDateEdit);
        ShownDate = M->StartDateEdit->GetText();
        ShownTime = M->StartTimeEdit->GetText();
        ShownEvery = M->EveryEdit->GetText();
        M->EveryEdit->SetText("9");
        M->StartDateEdit->SetText("xx");
        TDialogAnswerer Box("Sorry");
        M->OkButton->Click();
        BoxText = Box.Text();
        BoxCaption = Box.Caption();
        StayedOpen = M->GetModalResult() == mrNone && IsWindowVisible(M->GetHandle());
        M->CancelButton->Click();
    });
    F->ChangeSchemeButton->Click();
    ASSERT_EQ(Bad.Count(), 1);
    EXPECT_FALSE(Now);
    EXPECT_TRUE(DateEnabled);
    EXPECT_EQ(ShownDate, ShortDateText(Date));
    EXPECT_EQ(ShownTime, LongTimeText(Time));
    EXPECT_EQ(ShownEvery, "4");
    EXPECT_EQ(BoxCaption, "Error");
    EXPECT_NE(BoxText.find("Sorry, the date or time is invalid, please change them and try again!"), std::string::npos)
        << BoxText;
    EXPECT_TRUE(StayedOpen);
    EXPECT_EQ(F->Scheme->GetSchemeCount(), 4);
    EXPECT_EQ(F->Scheme->GetStartDate(), Date);
    EXPECT_EQ(F->Scheme->GetStartTime(), Time);
    EXPECT_EQ(F->Scheme->GetSchemeType(), 2);
    EXPECT_EQ(F->SchemeMemo->GetText(), MemoBefore);

    // A bad time is refused the same way.
    TFormAnswerer<TSchemeForm> BadTime([&](TSchemeForm* M) {
        M->StartTimeEdit->SetText("25:99");
        TDialogAnswerer Box("Sorry");
        M->OkButton->Click();
        StayedOpen = Box.AnsweredCount() == 1 && M->GetModalResult() == mrNone;
        M->CancelButton->Click();
    });
    F->ChangeSchemeButton->Click();
    EXPECT_TRUE(StayedOpen);
    EXPECT_EQ(F->Scheme->GetStartTime(), Time);

    // Good values are stored together, the type untouched, the memo refreshed.
    const TDateTime NewDate = EncodeDate(2028, 2, 29);
    TFormAnswerer<TSchemeForm> Good([&](TSchemeForm* M) {
        M->EveryEdit->SetText("7");
        M->StartDateEdit->SetText(ShortDateText(NewDate));
        M->StartTimeEdit->SetText(ShortTimeText(EncodeTime(21, 45, 0, 0)));
        M->OkButton->Click();
    });
    F->ChangeSchemeButton->Click();
    EXPECT_EQ(F->Scheme->GetSchemeCount(), 7);
    EXPECT_EQ(F->Scheme->GetStartDate(), NewDate);
    EXPECT_NEAR(F->Scheme->GetStartTime(), EncodeTime(21, 45, 0, 0), 1e-9);
    EXPECT_EQ(F->Scheme->GetSchemeType(), 2);
    EXPECT_EQ(Lines(F->SchemeMemo->GetLines()), (std::vector<std::string>{F->Scheme->Description()}));
    EXPECT_NE(F->SchemeMemo->GetText().find("every 7 Day(s)"), std::string::npos) << F->SchemeMemo->GetText();
}
