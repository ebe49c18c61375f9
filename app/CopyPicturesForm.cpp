#include "app/CopyPicturesForm.h"

#include <windows.h>

#include "app/ConfirmOverwriteForm.h"
#include "app/FormParts.h"
#include "app/HtmlHelp.h"
#include "engine/EngineRoutines.h"
#include "engine/ImagesLibrary.h"
#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Files.h"
#include "platform/win/ListView.h"
#include "platform/win/Locks.h"
#include "platform/win/ShellUtils.h"

namespace {

// How a file whose target does not exist is copied: never over a file that appeared meanwhile.
constexpr int32_t kCopyNew = -1;

constexpr const char* kFormats[] = {".gif", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".pcx", ".png", ".wmf"};
constexpr size_t kShortPathLength = 30;

// A folder label's text: a path of more than 30 characters shows its first 30 and Tail ("...").
std::string ShortPath(const std::string& Path, std::string_view Tail = "...")
{
    if (Path.size() <= kShortPathLength)
        return Path;
    std::string S(Path, 0, kShortPathLength);
    S.append(Tail);
    return S;
}

std::string SubItemOf(TListItem* Item, int32_t Index)
{
    TListSubItems* S = Item->GetSubItems();
    return Index < S->GetCount() ? S->GetStrings(Index) : std::string();
}

int32_t NumberOf(TEdit* Edit)
{
    return StrToIntDef(Trim(Edit->GetText()), 0);
}

std::string FullPathOf(const std::string& Path)
{
    char Buf[MAX_PATH * 4];
    const DWORD N = GetFullPathNameA(Path.c_str(), sizeof(Buf), Buf, nullptr);
    return N > 0 && N < sizeof(Buf) ? std::string(Buf, N) : Path;
}

// Copies Source under a name of Target's that is free: the name is chosen and its partial file
// made in one step, the source copied into it and the file named at the end, so no file that
// appears meanwhile is ever replaced. A failure leaves no partial file behind.
bool CopyToUniqueName(const std::string& Source, const std::string& Target)
{
    TReservedFile R;
    try {
        R = ReserveUniqueFile(Target, PartialSuffix);
    } catch (const Exception&) {
        return false;
    }
    // Whatever fails from here on, the partial file goes.
    TScopeExit DropPartial([&R] {
        R.Stream.reset();
        DeleteFileA((R.FileName + PartialSuffix).c_str());
    });
    try {
        TFileStream In(Source, fmOpenRead | fmShareDenyNone);
        R.Stream->CopyFrom(&In, 0);
    } catch (const Exception&) {
        return false;
    }
    R.Stream.reset();
    if (FinishReservedFile(R.FileName, PartialSuffix).empty())
        return false;
    DropPartial.Dismiss();
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The threads

TProgressThread::TProgressThread(TProgressBar* Bar, TLabel* StateLabel, int32_t RowCount, std::vector<TCollectRow> Rows)
    : FBar(Bar), FStateLabel(StateLabel), FRows(std::move(Rows))
{
    FBar->SetMin(0);
    FBar->SetMax(RowCount > 0 ? RowCount - 1 : 100);
}

void TProgressThread::Progress(int32_t Position)
{
    FPosition = Position;
    Synchronize([this, Position] {
        FBar->SetPosition(Position);
        FStateLabel->SetCaption(Position == 0 ? std::string() : IntToStr(Position) + " of " + IntToStr(FBar->GetMax()));
    });
}

TLoadThread::TLoadThread(TListView* List, TProgressBar* Bar, TLabel* StateLabel, std::vector<TCollectRow> Rows)
    : TProgressThread(Bar, StateLabel, List->GetItems()->GetCount(), std::move(Rows)), FList(List)
{
}

TLoadThread::~TLoadThread()
{
    TerminateAndWait();
}

void TLoadThread::Execute()
{
    for (const TCollectRow& R : GetRows()) {
        if (Terminated())
            return;
        bool Found = false;
        int32_t W = 0, H = 0;
        if (ImageLibrary) {
            // The record is read under the library's lock: nobody removes it meanwhile.
            TThreadListGuard Lock(ImageLibrary->GetList());
            if (TImageDetail* D = ImageLibrary->FindByName(R.Path)) {
                Found = true;
                W = D->GetWidth();
                H = D->GetHeight();
            }
        }
        if (Found) {
            const int32_t Index = R.Index;
            Synchronize([this, Index, W, H] {
                if (Index >= FList->GetItems()->GetCount())
                    return;
                TListSubItems* S = FList->GetItems()->GetItem(Index)->GetSubItems();
                S->Add(IntToStr(W));
                S->Add(IntToStr(H));
            });
            if (Terminated())
                return;
        }
        Progress(R.Index);
        if (Terminated())
            return;
    }
    Progress(0);
}

TCopyThread::TCopyThread(const std::string& DestFolder, int32_t RowCount, TProgressBar* Bar, TLabel* StateLabel,
                         std::vector<TCollectRow> Rows)
    : TProgressThread(Bar, StateLabel, RowCount, std::move(Rows)), FDestFolder(AddTrailingBackslash(DestFolder)),
      FAction(oaRename)
{
}

TCopyThread::~TCopyThread()
{
    TerminateAndWait();
}

int32_t TCopyThread::ResolveTarget()
{
    if (!EntryExists(FTarget))
        return kCopyNew;
    if (FPrompt) {
        const TComponentPtr<TConfirmOverwriteForm> F(new TConfirmOverwriteForm(nullptr));
        F->SetFiles(FSource, FTarget);
        // Closed without an answer: the file is skipped.
        FAction = F->ShowModal() == mrOk ? F->Action : oaSkip;
        FPrompt = !F->NoPromptCheck->GetChecked();
    }
    return FAction;
}

bool TCopyThread::CopyCurrent(int32_t How)
{
    switch (How) {
    case kCopyNew: return CopyFileA(FSource.c_str(), FTarget.c_str(), TRUE) != 0;
    case oaOverride: return CopyFileA(FSource.c_str(), FTarget.c_str(), FALSE) != 0;
    case oaRename: return CopyToUniqueName(FSource, FTarget);
    default: return true; // skipped
    }
}

void TCopyThread::Execute()
{
    for (const TCollectRow& R : GetRows()) {
        if (Terminated())
            return;
        FSource = R.Path;
        FTarget = FDestFolder + R.Name;
        // A file is never copied onto itself (the destination may be the task's own folder).
        if (!SameText(FullPathOf(FSource), FullPathOf(FTarget))) {
            int32_t How = oaSkip;
            Synchronize([this, &How] { How = ResolveTarget(); });
            if (Terminated())
                return;
            if (!CopyCurrent(How))
                ++FFailed;
        }
        Progress(R.Index);
        if (Terminated())
            return;
    }
    Progress(0);
}

// ---------------------------------------------------------------------------------------------
// The window

TCopyPicturesForm::TCopyPicturesForm(TComponent* AOwner) : TForm(AOwner)
{
    SetName("CopyPicturesForm");
    SetCaption("Collect images");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(560, 540);

    auto Label = [this](TWinControl* Parent, int32_t X, int32_t Y, int32_t W, const std::string& Caption) {
        return PlaceLabel(Parent, this, X, Y, W, 15, Caption);
    };
    auto Button = [this](const char* Name, const char* Caption, TWinControl* Parent, int32_t X, int32_t Y) {
        auto* B = PlaceControl<TButton>(Parent, this, X, Y, 75, 25);
        B->SetName(Name);
        B->SetCaption(Caption);
        B->SetTabStop(true);
        return B;
    };
    auto Check = [this](const char* Name, const std::string& Caption, TWinControl* Parent, int32_t X, int32_t Y,
                        int32_t W) {
        auto* C = PlaceControl<TCheckBox>(Parent, this, X, Y, W, 17);
        C->SetName(Name);
        C->SetCaption(Caption);
        C->SetTabStop(true);
        return C;
    };
    // A number edit with its up-down (0 .. 3000) on the row of a limit.
    auto Number = [this](const char* Name, TWinControl* Parent, int32_t Y, int32_t Value, TUpDown*& UpDown) {
        auto* E = PlaceControl<TEdit>(Parent, this, 230, Y, 50, 21);
        E->SetName(Name);
        E->SetText(IntToStr(Value));
        E->SetTabStop(true);
        UpDown = PlaceControl<TUpDown>(Parent, this, 280, Y, 16, 21);
        UpDown->SetMin(0);
        UpDown->SetMax(3000);
        UpDown->SetPosition(Value);
        UpDown->SetAssociate(E);
        return E;
    };

    FolderGroup = PlaceControl<TGroupBox>(this, this, 8, 6, 544, 76);
    FolderGroup->SetCaption("Folder :");
    SourceCaptionLabel = Label(FolderGroup, 12, 24, 50, "Source :");
    SourceLabel = Label(FolderGroup, 70, 24, 370, "");
    DestCaptionLabel = Label(FolderGroup, 12, 50, 50, "Dest :");
    DestLabel = Label(FolderGroup, 70, 50, 370, "");
    ChangeDestButton = Button("ChangeDestButton", "&Change", FolderGroup, 458, 44);

    LimitGroup = PlaceControl<TGroupBox>(this, this, 8, 88, 544, 152);
    LimitGroup->SetCaption("Limit :");
    LimitImageSizeCheck = Check("LimitImageSizeCheck", "Limited by images size", LimitGroup, 12, 20, 220);
    WidthLabel = Label(LimitGroup, 30, 46, 190, "Images width must be max than");
    WidthEdit = Number("WidthEdit", LimitGroup, 42, 300, WidthUpDown);
    WidthPixelsLabel = Label(LimitGroup, 304, 46, 50, "pixels.");
    HeightLabel = Label(LimitGroup, 30, 72, 190, "Images height must be max than");
    HeightEdit = Number("HeightEdit", LimitGroup, 68, 300, HeightUpDown);
    HeightPixelsLabel = Label(LimitGroup, 304, 72, 50, "pixels.");
    LimitFileSizeCheck = Check("LimitFileSizeCheck", "Limited by files size", LimitGroup, 12, 98, 220);
    FileSizeLabel = Label(LimitGroup, 30, 124, 190, "Images size must be max than");
    FileSizeEdit = Number("FileSizeEdit", LimitGroup, 120, 100, FileSizeUpDown);
    FileSizeKBLabel = Label(LimitGroup, 304, 124, 50, "KB");

    FormatGroup = PlaceControl<TGroupBox>(this, this, 8, 246, 544, 46);
    FormatGroup->SetCaption("Only these formats of images will be copied :");
    for (size_t I = 0; I < FormatChecks.size(); ++I) {
        FormatChecks[I] = Check("", kFormats[I], FormatGroup, 12 + static_cast<int32_t>(I) * 58, 20, 54);
        FormatChecks[I]->SetChecked(true);
    }

    ImagesListView = PlaceControl<TListView>(this, this, 8, 300, 544, 180);
    ImagesListView->SetName("ImagesListView");
    ImagesListView->SetCheckboxes(true);
    ImagesListView->SetRowSelect(true);
    ImagesListView->SetReadOnly(true);
    const std::pair<const char*, int32_t> Columns[] = {{"Name", 185}, {"Extname", 70}, {"Size", 80}, {"Width", 70},
                                                       {"Height", 80}};
    for (const auto& [Caption, Width] : Columns) {
        TListColumn* C = ImagesListView->GetColumns()->Add();
        C->SetCaption(Caption);
        C->SetWidth(Width);
        if (C->GetIndex() >= 2)
            C->SetAlignment(taRightJustify);
    }

    ProgressBar = PlaceControl<TProgressBar>(this, this, 8, 486, 544, 16);
    ProgressBar->SetName("ProgressBar");
    StateLabel = Label(this, 8, 512, 140, "");
    SelectButton = Button("SelectButton", "&Select", this, 161, 508);
    UnselectButton = Button("UnselectButton", "&Unselect", this, 240, 508);
    CopyButton = Button("CopyButton", "&Copy", this, 319, 508);
    CopyButton->SetDefault(true);
    CloseButton = Button("CloseButton", "&Close", this, 398, 508);
    CloseButton->SetCancel(true);
    HelpButton = Button("HelpButton", "&Help", this, 477, 508);

    ChangeDestButton->OnClick = [this](TObject* S) { ChangeDestButtonClick(S); };
    LimitImageSizeCheck->OnClick = [this](TObject* S) { LimitImageSizeCheckClick(S); };
    LimitFileSizeCheck->OnClick = [this](TObject* S) { LimitFileSizeCheckClick(S); };
    SelectButton->OnClick = [this](TObject* S) { SelectButtonClick(S); };
    UnselectButton->OnClick = [this](TObject* S) { UnselectButtonClick(S); };
    CopyButton->OnClick = [this](TObject* S) { CopyButtonClick(S); };
    CloseButton->OnClick = [this](TObject* S) { CloseButtonClick(S); };
    HelpButton->OnClick = [this](TObject* S) { HelpButtonClick(S); };
    OnShow = [this](TObject* S) { FormShow(S); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
    SetActiveControl(CopyButton);
    FormCreate(this);
    FitText(this);
}

TCopyPicturesForm::~TCopyPicturesForm()
{
    StopThreads();
}

std::string TCopyPicturesForm::RowPath(TListItem* Item)
{
    const std::string* P = Item ? Item->Value().Get<std::string>() : nullptr;
    return P ? *P : std::string();
}

void TCopyPicturesForm::FormCreate(TObject*)
{
    Loaded = false;
    LoadThread.reset();
    CopyThread.reset();
    DestFolder = AddTrailingBackslash(ProgramFolder());
    DestLabel->SetCaption(ShortPath(DestFolder));
    // The limits start off, with their controls.
    LimitImageSizeCheckClick(this);
    LimitFileSizeCheckClick(this);
}

void TCopyPicturesForm::FormShow(TObject*)
{
    const std::string Folder = Task ? AddTrailingBackslash(Task->GetOptions()->GetDefaultFolder()) : std::string();
    // The task's folder shortened keeps the "Saved" part in sight.
    SourceLabel->SetCaption(Folder.size() > kShortPathLength ? ShortPath(Folder, "...\\Saved\\") : Folder + "Saved\\");
    TListItems* Rows = ImagesListView->GetItems();
    Rows->BeginUpdate();
    Rows->Clear();
    TListItems* Source = SourceList ? SourceList->GetItems() : nullptr;
    for (int32_t I = 0; Source && I < Source->GetCount(); ++I) {
        TListItem* From = Source->GetItem(I);
        TListItem* Row = Rows->Add();
        Row->SetCaption(From->GetCaption());
        Row->GetSubItems()->Add(ExtractFileExt(From->GetCaption()));
        Row->GetSubItems()->Add(SubItemOf(From, 1));
        // The row's own copy of the whole path, never one cut short.
        const std::string* Path = From->Value().Get<std::string>();
        Row->Value().Set(Path ? *Path : std::string());
    }
    Rows->EndUpdate();
    SetRowButtons(false);
    FEnded.reset();
    LoadThread.reset(new TLoadThread(ImagesListView, ProgressBar, StateLabel, CollectRows(false)));
    LoadThread->OnTerminate = [this](TObject* S) { LoadThreadTerminate(S); };
    LoadThread->Resume();
}

std::vector<TCollectRow> TCopyPicturesForm::CollectRows(bool CheckedOnly)
{
    std::vector<TCollectRow> V;
    TListItems* Rows = ImagesListView->GetItems();
    for (int32_t I = 0; I < Rows->GetCount(); ++I) {
        TListItem* Row = Rows->GetItem(I);
        if (!CheckedOnly || Row->GetChecked())
            V.push_back({I, RowPath(Row), Row->GetCaption()});
    }
    return V;
}

void TCopyPicturesForm::SetRowButtons(bool Enabled)
{
    CopyButton->SetEnabled(Enabled);
    SelectButton->SetEnabled(Enabled);
    UnselectButton->SetEnabled(Enabled);
}

void TCopyPicturesForm::StopThreads()
{
    if (LoadThread)
        LoadThread->TerminateAndWait();
    if (CopyThread)
        CopyThread->TerminateAndWait();
}

void TCopyPicturesForm::LoadThreadTerminate(TObject*)
{
    Loaded = true;
    SetRowButtons(true);
    FEnded = std::move(LoadThread);
}

void TCopyPicturesForm::CopyThreadTerminate(TObject*)
{
    SetRowButtons(true);
    CloseButton->SetCaption("&Close");
    const int32_t Failed = CopyThread->GetFailed();
    const std::string Broken = CopyThread->GetFailure() ? CopyThread->GetFailureMessage() : std::string();
    FEnded = std::move(CopyThread);
    // A failed copy is never reported as a success.
    if (!Broken.empty())
        Application->MessageBox(Broken, "Error", MB_OK | MB_ICONERROR);
    else if (Failed == 0)
        Application->MessageBox("Selected images copied !", "Information", MB_OK | MB_ICONINFORMATION);
    else
        Application->MessageBox(Format("%d file(s) could not be copied !", Failed), "Error", MB_OK | MB_ICONERROR);
}

void TCopyPicturesForm::SelectButtonClick(TObject*)
{
    if (!Loaded) {
        Application->MessageBox("Please waiting for the update !", "Wait", MB_OK | MB_ICONWARNING);
        return;
    }
    const bool BySize = LimitImageSizeCheck->GetChecked();
    const bool ByFileSize = LimitFileSizeCheck->GetChecked();
    const int32_t MinWidth = NumberOf(WidthEdit), MinHeight = NumberOf(HeightEdit);
    const int32_t MinKB = NumberOf(FileSizeEdit);
    TListItems* Rows = ImagesListView->GetItems();
    for (int32_t I = 0; I < Rows->GetCount(); ++I) {
        TListItem* Row = Rows->GetItem(I);
        const std::string Ext = LowerCase(SubItemOf(Row, 0));
        bool Take = false;
        for (size_t K = 0; K < FormatChecks.size(); ++K)
            if (Ext == kFormats[K])
                Take = FormatChecks[K]->GetChecked();
        // A row without sizes (no library record) reads 0 x 0.
        if (Take && BySize)
            Take = StrToIntDef(SubItemOf(Row, 2), 0) >= MinWidth && StrToIntDef(SubItemOf(Row, 3), 0) >= MinHeight;
        if (Take && ByFileSize) {
            const std::string Size = SubItemOf(Row, 1); // "<n> KB"
            Take = Size.size() >= 3 && StrToIntDef(Size.substr(0, Size.size() - 3), 0) >= MinKB;
        }
        Row->SetChecked(Take);
    }
}

void TCopyPicturesForm::UnselectButtonClick(TObject*)
{
    TListItems* Rows = ImagesListView->GetItems();
    for (int32_t I = 0; I < Rows->GetCount(); ++I)
        Rows->GetItem(I)->SetChecked(false);
}

void TCopyPicturesForm::CopyButtonClick(TObject*)
{
    if (!Loaded) {
        Application->MessageBox("Please waiting for the update !", "Wait", MB_OK | MB_ICONWARNING);
        return;
    }
    std::vector<TCollectRow> Rows = CollectRows(true);
    if (Rows.empty()) {
        Application->MessageBox("Please choose images by click \"select\" button first !", "Error",
                                MB_OK | MB_ICONERROR);
        return;
    }
    SetRowButtons(false);
    CloseButton->SetCaption("&Cancel");
    FEnded.reset();
    CopyThread.reset(new TCopyThread(DestFolder, ImagesListView->GetItems()->GetCount(), ProgressBar, StateLabel,
                                     std::move(Rows)));
    CopyThread->OnTerminate = [this](TObject* S) { CopyThreadTerminate(S); };
    CopyThread->Resume();
}

void TCopyPicturesForm::ChangeDestButtonClick(TObject*)
{
    std::string Folder;
    if (!BrowseForFolder(GetHandle(), "Select the destination directory", DestFolder, Folder))
        return;
    DestFolder = AddTrailingBackslash(Folder);
    DestLabel->SetCaption(ShortPath(DestFolder));
}

void TCopyPicturesForm::LimitImageSizeCheckClick(TObject*)
{
    const bool On = LimitImageSizeCheck->GetChecked();
    for (TControl* C : std::initializer_list<TControl*>{WidthLabel, WidthEdit, WidthUpDown, WidthPixelsLabel,
                                                        HeightLabel, HeightEdit, HeightUpDown, HeightPixelsLabel})
        C->SetEnabled(On);
}

void TCopyPicturesForm::LimitFileSizeCheckClick(TObject*)
{
    const bool On = LimitFileSizeCheck->GetChecked();
    for (TControl* C : std::initializer_list<TControl*>{FileSizeLabel, FileSizeEdit, FileSizeUpDown, FileSizeKBLabel})
        C->SetEnabled(On);
}

void TCopyPicturesForm::CloseButtonClick(TObject*)
{
    Close();
}

void TCopyPicturesForm::FormClose(TObject*, TCloseAction&)
{
    // A copy cut short by the user says nothing: its thread's end is not handled.
    StopThreads();
}

void TCopyPicturesForm::HelpButtonClick(TObject*)
{
    HtmlHelp(GetHandle(), HelpTopicPath("Collect"), 0, 0);
}
