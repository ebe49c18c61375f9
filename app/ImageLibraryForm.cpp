#include "app/ImageLibraryForm.h"

#include <algorithm>
#include <vector>

#include "app/ConfirmOverwriteForm.h"
#include "app/GenHTMLForm.h"
#include "app/HtmlHelp.h"
#include "app/JpegBrowser.h"
#include "app/PictureTurn.h"
#include "app/ViewImageForm.h"
#include "engine/EngineRoutines.h"
#include "engine/ImagesLibrary.h"
#include "imagelib/Gif.h"
#include "imagelib/ImgDib.h"
#include "imagelib/ImgScroll.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Actions.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Files.h"
#include "platform/win/ImageList.h"
#include "platform/win/Locks.h"
#include "platform/win/Screen.h"
#include "platform/win/ShellUtils.h"
#include "platform/win/StatusBar.h"
#include "platform/win/Thread.h"
#include "platform/win/ToolBar.h"

namespace {

// One record as a row shows it, copied under the library's lock.
struct TLibraryRow {
    std::string FileName;
    int32_t FileSize = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// The index ImageList gave the shell's small icon of the file's extension; the first file of an
// extension adds it. IconCache lines are "<extension>=<index>" (-1 when the shell had none).
int32_t IconIndexOf(TImageList* Images, TStringList* IconCache, const std::string& FileName)
{
    std::string Key = LowerCase(ExtractFileExt(FileName));
    std::replace(Key.begin(), Key.end(), '=', '_');
    if (Key.empty())
        Key = ".";
    if (IconCache->IndexOfName(Key) >= 0)
        return StrToIntDef(IconCache->GetValues(Key), -1);
    int32_t Index = -1;
    if (std::unique_ptr<TIcon> Icon = ShellSmallIcon(FileName))
        Index = Images->AddIcon(Icon.get());
    IconCache->Add(Key + "=" + IntToStr(Index));
    return Index;
}

void AddRow(TListView* List, TImageList* Images, TStringList* IconCache, const TLibraryRow& R)
{
    TListItem* Row = List->GetItems()->AddItem(
        R.FileName, IconIndexOf(Images, IconCache, R.FileName), nullptr,
        {ExtractFileName(R.FileName), IntToStr(R.FileSize / 1024) + " KB", IntToStr(R.Width), IntToStr(R.Height)});
    Row->Value().Set(R.FileName);
}

bool IsBrowserPicture(const std::string& FileName)
{
    const std::string Ext = LowerCase(ExtractFileExt(FileName));
    return Ext == ".jpeg" || Ext == ".jpg" || Ext == ".bmp";
}

// The names of the library's records, in one hold of its lock.
std::vector<std::string> LibraryNames()
{
    std::vector<std::string> Names;
    if (!ImageLibrary)
        return Names;
    TThreadListGuard L(ImageLibrary->GetList());
    Names.reserve(static_cast<size_t>(L->GetCount()));
    for (void* P : *L)
        Names.push_back(static_cast<TImageDetail*>(P)->GetFileName());
    return Names;
}

} // namespace

// Fills the window's list from the program's library, a batch of records per synchronised step.
class TLoadImageThread : public TThread {
public:
    TLoadImageThread(TListView* AList, TStatusBar* AStatusBar, TImageList* AImages, TStringList* AIconCache)
        : FList(AList), FStatusBar(AStatusBar), FImages(AImages), FIconCache(AIconCache)
    {
    }
    ~TLoadImageThread() override
    {
        TerminateAndWait();
        // Stopped before its last step: the bar goes here, on the thread that made it, and the
        // list draws again.
        FBar.reset();
        if (FQuiet)
            FList->GetItems()->EndUpdate();
    }
    std::string ClassName() const override { return "TLoadImageThread"; }

protected:
    void Execute() override
    {
        int32_t Count = 0;
        if (!Synchronize([&] { Count = SetUp(); }))
            return;
        // The records go over in batches: a step per record would keep the user-interface
        // thread's queue full for as long as the list loads. A stop is seen before each batch,
        // and a batch waiting for its step is dropped by it.
        std::vector<TLibraryRow> Batch;
        for (int32_t I = 0; I < Count && !Terminated();) {
            Batch.clear();
            {
                TThreadListGuard L(ImageLibrary->GetList());
                for (; I < Count && I < L->GetCount() && static_cast<int32_t>(Batch.size()) < kBatchRows; ++I) {
                    const auto* D = static_cast<const TImageDetail*>(L->GetItems(I));
                    Batch.push_back(TLibraryRow{D->GetFileName(), D->GetFileSize(), D->GetWidth(), D->GetHeight()});
                }
            }
            if (Batch.empty())
                break;
            const int32_t Last = I - 1;
            if (!Synchronize([&] {
                    for (const TLibraryRow& Row : Batch)
                        AddRow(FList, FImages, FIconCache, Row);
                    ShowProgress(Last, false);
                }))
                return;
        }
        Synchronize([this] {
            if (FStatusBar->GetPanels()->GetCount() > 1)
                FStatusBar->GetPanels()->GetItem(1)->SetWidth(5);
            FBar.reset();
            ShowProgress(0, true);
        });
    }

private:
    // The bar in the status bar, "Loading" in panel 1 and an empty list; the number of records.
    int32_t SetUp()
    {
        const int32_t Count = ImageLibrary ? ImageLibrary->GetCount() : 0;
        TStatusPanels* Panels = FStatusBar->GetPanels();
        FBar = std::make_unique<TProgressBar>(nullptr);
        FBar->SetParent(FStatusBar);
        FBar->SetBounds(Panels->GetItem(0)->GetWidth() + 60, 3, 50, FStatusBar->GetHeight() - 6);
        FBar->SetMin(0);
        FBar->SetMax(Count);
        Panels->GetItem(1)->SetWidth(116);
        Panels->GetItem(1)->SetText("Loading");
        FList->GetItems()->Clear();
        FList->GetItems()->BeginUpdate();
        FQuiet = true;
        FShown = GetTickCount();
        return Count;
    }

    // The bar at record Index and the rows added since the list last drew, a few times a second
    // (and at the end) rather than after each row: drawing the list or moving the bar costs many
    // times a row.
    void ShowProgress(int32_t Index, bool Last)
    {
        if (!FQuiet || (!Last && GetTickCount() - FShown < kDrawInterval))
            return;
        if (FBar)
            FBar->SetPosition(Index);
        FList->GetItems()->EndUpdate();
        FList->Update();
        FQuiet = false;
        if (Last)
            return;
        FList->GetItems()->BeginUpdate();
        FQuiet = true;
        FShown = GetTickCount();
    }

    static constexpr DWORD kDrawInterval = 250;
    // Records handed over in one step.
    static constexpr int32_t kBatchRows = 200;

    TListView* FList;
    TStatusBar* FStatusBar;
    TImageList* FImages;
    TStringList* FIconCache;
    std::unique_ptr<TProgressBar> FBar;
    bool FQuiet = false; // the list's drawing is held
    DWORD FShown = 0;    // when the list last drew
};

// =============================================================================================

TImageLibraryForm::TImageLibraryForm(TComponent* AOwner)
    : TForm(AOwner), RotateBuffer(std::make_unique<TDibGraphic>()), IconCache(std::make_unique<TStringList>())
{
    SetName("ImageLibraryForm");
    SetCaption("Library");
    SetBorderStyle(bsSizeable);
    SetPosition(poScreenCenter);
    SetClientSize(720, 520);
    BuildActions();
    BuildLayout();
    OnShow = [this](TObject* S) { FormShow(S); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
    OnResize = [this](TObject* S) { FormResize(S); };
}

TImageLibraryForm::~TImageLibraryForm()
{
    LoadThread.reset();
    RestoreHint();
}

void TImageLibraryForm::BuildActions()
{
    ActionList = new TActionList(this);
    auto Make = [this](TLibraryActionId Id, const char* Caption, TShortCut Key, const char* Hint,
                       void (TImageLibraryForm::*Handler)(TObject*)) {
        TAction* A = ActionList->AddAction(Caption, Key);
        A->SetCommandId(Id);
        A->SetHint(Hint);
        A->OnExecute = [this, Handler](TObject* S) { (this->*Handler)(S); };
        return A;
    };
    DeleteAction = Make(laDelete, "Delete", ShortCut(VK_DELETE, {}), "Delete selected image(s)",
                        &TImageLibraryForm::DeleteButtonClick);
    ViewAction = Make(laView, "View", ShortCut(VK_RETURN, {}), "View image", &TImageLibraryForm::ViewButtonClick);
    TurnLeftAction = Make(laTurnLeft, "Tn &left", scNone, "", &TImageLibraryForm::TurnLeftActionExecute);
    TurnRightAction = Make(laTurnRight, "Tn &right", scNone, "", &TImageLibraryForm::TurnRightActionExecute);
    PreviewAction = Make(laPreview, "&Preview", scNone, "Change view to auto-preview mode",
                         &TImageLibraryForm::PreviewActionExecute);
    GenHTMLAction = Make(laGenHTML, "HTML", scNone, "Generate current selected images to html files",
                         &TImageLibraryForm::GenHTMLActionExecute);
}

void TImageLibraryForm::BuildLayout()
{
    ToolBar = new TToolBar(this);
    ToolBar->SetName("ToolBar");
    ToolBar->SetParent(this);
    ToolBar->SetAlign(alTop);
    ToolBar->SetFlat(true);
    ToolBar->SetShowCaptions(true);
    ToolBar->SetShowHint(true);
    ToolBar->SetAutoSize(true);
    auto Plain = [this](const char* Caption, void (TImageLibraryForm::*Handler)(TObject*)) {
        TToolButton* B = ToolBar->AddButton(Caption);
        B->OnClick = [this, Handler](TObject* S) { (this->*Handler)(S); };
        return B;
    };
    auto Linked = [this](TAction* A, TToolButtonStyle Style = tbsButton) { ToolBar->AddButton(std::string(), Style)->SetAction(A); };
    auto Line = [this] { ToolBar->AddButton(std::string(), tbsSeparator); };
    VerifyButton = Plain("Verify", &TImageLibraryForm::VerifyButtonClick);
    Line();
    Linked(DeleteAction);
    Linked(ViewAction);
    Line();
    ClearButton = Plain("Clear", &TImageLibraryForm::ClearButtonClick);
    Line();
    Linked(TurnLeftAction);
    Linked(TurnRightAction);
    Linked(PreviewAction, tbsCheck);
    Linked(GenHTMLAction);
    Line();
    HelpButton = Plain("&Help", &TImageLibraryForm::HelpButtonClick);

    StatusBar = new TStatusBar(this);
    StatusBar->SetName("StatusBar");
    StatusBar->SetParent(this);
    StatusBar->SetAlign(alBottom);
    for (int32_t Width : {140, 5, 50})
        StatusBar->GetPanels()->Add()->SetWidth(Width);

    ClientPanel = new TPanel(this);
    ClientPanel->SetName("ClientPanel");
    ClientPanel->SetParent(this);
    ClientPanel->SetAlign(alClient);
    ClientPanel->SetBevelOuter(bvNone);
    ClientPanel->SetCaption("");

    ImageList = new TImageList(this);
    ImageList->SetName("ImageList");
    ImageLibListView = new TListView(this);
    ImageLibListView->SetName("ImageLibListView");
    ImageLibListView->SetBounds(0, 0, 720, 220);
    ImageLibListView->SetParent(ClientPanel);
    ImageLibListView->SetAlign(alTop);
    ImageLibListView->SetMultiSelect(true);
    ImageLibListView->SetReadOnly(true);
    ImageLibListView->SetSmallImages(ImageList);
    struct TColumn {
        const char* Caption;
        int32_t Width;
        TAlignment Alignment;
    };
    for (const TColumn& C : {TColumn{"Filename(full)", 200, taLeftJustify}, TColumn{"Filename", 120, taLeftJustify},
                             TColumn{"Size", 70, taRightJustify}, TColumn{"Width", 70, taLeftJustify},
                             TColumn{"Height", 70, taLeftJustify}}) {
        TListColumn* Column = ImageLibListView->GetColumns()->Add();
        Column->SetCaption(C.Caption);
        Column->SetWidth(C.Width);
        Column->SetAlignment(C.Alignment);
    }
    ImageLibListView->OnChange = [this](TObject* S, TListItem* I, TItemChange C) { ImageLibListViewChange(S, I, C); };
    ImageLibListView->OnResize = [this](TObject* S) { ImageLibListViewResize(S); };
    ImageLibListView->OnDblClick = [this](TObject* S) { ViewButtonClick(S); };
    ImageLibListView->OnDeletion = [this](TObject*, TListItem* I) {
        if (I == FShownRow)
            FShownRow = nullptr;
    };

    Splitter = new TSplitter(this);
    Splitter->SetName("Splitter");
    Splitter->SetParent(ClientPanel);
    Splitter->SetAlign(alTop);
    Splitter->SetCursor(crVSplit);
    Splitter->SetBounds(0, 220, 720, 4);

    ViewPanel = new TPanel(this);
    ViewPanel->SetName("ViewPanel");
    ViewPanel->SetParent(ClientPanel);
    ViewPanel->SetAlign(alClient);
    ViewPanel->SetBevelOuter(bvNone);
    ViewPanel->SetCaption("");
    ImageScrollBox = new TImageScrollBox(this);
    ImageScrollBox->SetName("ImageScrollBox");
    ImageScrollBox->SetParent(ViewPanel);
    ImageScrollBox->SetAlign(alClient);
    ImageScrollBox->SetZoomMode(zmFitToPage);
    for (TControlScrollBar* Bar : {ImageScrollBox->GetHorzScrollBar(), ImageScrollBox->GetVertScrollBar()}) {
        Bar->SetTracking(true);
        Bar->SetVisible(false);
    }
    ImageScrollBox->SetMouseHandlerOwnership(true);
    ImageScrollBox->SetMouseMode(mmDrag);
    GifImage = new TImage(this);
    GifImage->SetName("GifImage");
    GifImage->SetParent(ViewPanel);
    GifImage->SetAlign(alClient);
    GifImage->SetCenter(true);
    GifImage->SetVisible(false);

    JpegBrowser = new TJpegBrowser(this);
    JpegBrowser->SetName("JpegBrowser");
    JpegBrowser->SetVisible(false);
    JpegBrowser->SetParent(ClientPanel);
    JpegBrowser->SetAlign(alClient);
    JpegBrowser->OnPanelClick = [this](TObject* S, TJpegPanel* P) { JpegBrowserPanelClick(S, P); };
    JpegBrowser->OnPanelDoubleClick = [this](TObject* S, TJpegPanel* P) { JpegBrowserPanelDoubleClick(S, P); };
}

// ---- opening, loading and closing

void TImageLibraryForm::BindHint()
{
    if (FHintBound)
        return;
    FSavedHint = AppUI()->OnHint;
    AppUI()->OnHint = [this](TObject* S) { ApplicationEventsHint(S); };
    FHintBound = true;
}

void TImageLibraryForm::RestoreHint()
{
    if (!FHintBound)
        return;
    FHintBound = false;
    if (AppUI())
        AppUI()->OnHint = FSavedHint;
}

void TImageLibraryForm::FormShow(TObject*)
{
    BindHint();
    ImageLibListViewResize(ImageLibListView);
    if (Loading || LoadThread)
        return;
    Loading = true;
    VerifyButton->SetEnabled(false);
    ClearButton->SetEnabled(false);
    LoadThread.reset(TThread::New<TLoadImageThread>(true, ImageLibListView, StatusBar, ImageList, IconCache.get()));
    LoadThread->OnTerminate = [this](TObject* S) { LoadImageThreadTerminate(S); };
    LoadThread->Resume();
}

void TImageLibraryForm::LoadImageThreadTerminate(TObject*)
{
    Loading = false;
    VerifyButton->SetEnabled(true);
    ClearButton->SetEnabled(true);
}

void TImageLibraryForm::FormClose(TObject*, TCloseAction&)
{
    if (Loading && LoadThread) {
        // Asked to stop before its next record; a step already queued is dropped.
        LoadThread->Terminate();
        LoadThread->WaitFor();
        LoadThread.reset();
        Loading = false;
    }
    RestoreHint();
}

void TImageLibraryForm::FormResize(TObject*)
{
    // The panels move to the new columns; the files are not read again.
    if (FPreviewMode)
        JpegBrowser->Arrange();
}

void TImageLibraryForm::ApplicationEventsHint(TObject*)
{
    if (StatusBar->GetPanels()->GetCount() > 2)
        StatusBar->GetPanels()->GetItem(2)->SetText(AppUI()->GetHint());
}

void TImageLibraryForm::ImageLibListViewResize(TObject*)
{
    TListColumns* Columns = ImageLibListView->GetColumns();
    int32_t Rest = ImageLibListView->GetClientWidth() - GetScrollBarWidth() - 5;
    for (int32_t I = 1; I < Columns->GetCount(); ++I)
        Rest -= Columns->GetItem(I)->GetWidth();
    Columns->GetItem(0)->SetWidth(std::max(Rest, 0));
}

// ---- rows and the preview

std::string TImageLibraryForm::RowPath(TListItem* Item)
{
    if (!Item)
        return std::string();
    const std::string* P = Item->Value().Get<std::string>();
    return P ? *P : std::string();
}

std::vector<std::string> TImageLibraryForm::RowPaths(bool SelectedOnly) const
{
    std::vector<std::string> Paths;
    TListItems* Items = ImageLibListView->GetItems();
    for (int32_t I = 0; I < Items->GetCount(); ++I)
        if (!SelectedOnly || Items->GetItem(I)->GetSelected())
            Paths.push_back(RowPath(Items->GetItem(I)));
    return Paths;
}

void TImageLibraryForm::ImageLibListViewChange(TObject*, TListItem*, TItemChange)
{
    // The list reports a click several times over: the preview follows the selection only.
    TListItem* Selected = ImageLibListView->GetSelected();
    if (Selected == FShownRow)
        return;
    FShownRow = Selected;
    ShowPreview(Selected);
}

void TImageLibraryForm::ShowPreview(TListItem* Item)
{
    const std::string Path = RowPath(Item);
    // No row, or its file is gone: nothing on show.
    if (!Item || !FileExists(Path)) {
        ImageScrollBox->Clear();
        GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
        GifImage->SetVisible(false);
        ImageScrollBox->SetVisible(true);
        return;
    }
    try {
        if (IsGifFileName(Path)) {
            ImageScrollBox->SetVisible(false);
            ImageScrollBox->Clear();
            GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
            GifImage->SetVisible(true);
            TGif Gif;
            Gif.SetProgressiveDisplay(false);
            Gif.LoadFromFile(Path);
            TBitmap Frame;
            Frame.Assign(Gif.GetBitmap(0));
            GifImage->GetPicture()->SetBitmap(&Frame);
            return;
        }
        GifImage->SetVisible(false);
        GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
        ImageScrollBox->SetVisible(true);
        TBusyCursor Wait;
        int32_t Index = 1;
        const int32_t Count = ImageScrollBox->GetFileImageCount(Path);
        if (Count >= 2 &&
            Application->MessageBox("The file contains " + IntToStr(Count) + " images.\r" +
                                        "Note that for animations, all images\r" + "must be loaded in memory.\r" +
                                        "Load all images in memory?\r",
                                    "Question", MB_YESNO | MB_ICONQUESTION) == IDYES)
            Index = 0;
        ImageScrollBox->LoadFromFile(Path, Index);
    } catch (...) {
        Application->HandleException();
    }
}

void TImageLibraryForm::Turn(double Angle)
{
    if (FPreviewMode || !ImageLibListView->GetSelected())
        return;
    TurnShownPicture(ImageScrollBox, RotateBuffer.get(), Angle);
}

void TImageLibraryForm::TurnLeftActionExecute(TObject*) { Turn(-90.0); }
void TImageLibraryForm::TurnRightActionExecute(TObject*) { Turn(90.0); }

// ---- commands

void TImageLibraryForm::ViewButtonClick(TObject*)
{
    TStringList Files;
    int32_t Index = -1;
    if (FPreviewMode) {
        TJpegPanel* Panel = JpegBrowser->GetSelected();
        if (!Panel)
            return;
        Files.Assign(JpegBrowser->GetFiles());
        Index = Panel->GetIndex();
    } else {
        TListItem* Selected = ImageLibListView->GetSelected();
        if (!Selected)
            return;
        for (const std::string& P : RowPaths(false))
            Files.Add(P);
        Index = Selected->GetIndex();
    }
    ShowImageViewer(&Files, Index);
}

void TImageLibraryForm::DeleteButtonClick(TObject*)
{
    if (FPreviewMode) {
        TJpegPanel* Panel = JpegBrowser->GetSelected();
        if (!Panel || Application->MessageBox("Do you want to delete selected image?", "Question",
                                              MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        const std::string Path = Panel->GetFilename();
        DeleteFileA(Path.c_str());
        // A file still there (open elsewhere, read-only) keeps its panel.
        if (FileExists(Path))
            return;
        // The panels after it close the gap.
        JpegBrowser->DeletePanel(Panel);
        return;
    }
    if (ImageLibListView->GetSelCount() == 0 ||
        Application->MessageBox("Do you want to delete selected image(s)?", "Question", MB_YESNO | MB_ICONQUESTION) !=
            IDYES)
        return;
    TListItems* Items = ImageLibListView->GetItems();
    for (int32_t I = Items->GetCount() - 1; I >= 0; --I) {
        TListItem* Row = Items->GetItem(I);
        if (!Row->GetSelected())
            continue;
        const std::string Path = RowPath(Row);
        DeleteFileA(Path.c_str());
        if (!FileExists(Path))
            Items->Delete(I);
    }
    // The records stay: Verify removes them.
    ImageLibListViewChange(ImageLibListView, nullptr, ctState);
}

void TImageLibraryForm::VerifyButtonClick(TObject*)
{
    if (Application->MessageBox(
            "Do you want to delete all invalid image records from library? It will take a few minutes.", "Question",
            MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    int32_t Removed = 0;
    {
        TBusyCursor Wait;
        TListItems* Items = ImageLibListView->GetItems();
        for (int32_t I = Items->GetCount() - 1; I >= 0; --I) {
            const std::string Path = RowPath(Items->GetItem(I));
            if (FileExists(Path))
                continue;
            if (ImageLibrary)
                ImageLibrary->RemoveByName(Path); // handed back and freed here
            Items->Delete(I);
            ++Removed;
        }
    }
    if (Removed > 0)
        Application->MessageBox(IntToStr(Removed) + " record(s) has been deleted !", "Information",
                                MB_OK | MB_ICONINFORMATION);
    else
        Application->MessageBox("No valid record found !", "Information", MB_OK | MB_ICONINFORMATION);
}

void TImageLibraryForm::ClearButtonClick(TObject*)
{
    const int32_t Answer = Application->MessageBox(
        "Do you want to delete all files on disk? Yes - Delete all files, No - Only delete them from library, Cancel "
        "- Cancel this operation.",
        "Question", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (Answer != IDYES && Answer != IDNO)
        return;
    FShownRow = nullptr;
    ShowPreview(nullptr);
    if (ImageLibrary)
        ImageLibrary->Clear();
    int32_t Failed = 0;
    if (Answer == IDYES) {
        TBusyCursor Wait;
        for (const std::string& Path : RowPaths(false)) {
            if (!FileExists(Path))
                continue;
            DeleteFileA(Path.c_str());
            if (FileExists(Path))
                ++Failed;
        }
    }
    ImageLibListView->GetItems()->Clear();
    if (FPreviewMode)
        FillBrowser();
    StatusBar->GetPanels()->GetItem(0)->SetText("Total image(s): 0");
    if (Failed > 0)
        Application->MessageBox(Format("%d file(s) could not be deleted !", Failed), "Error", MB_OK | MB_ICONERROR);
}

void TImageLibraryForm::HelpButtonClick(TObject*)
{
    HtmlHelp(GetHandle(), HelpTopicPath("Library"), 0, 0);
}

void TImageLibraryForm::GenHTMLActionExecute(TObject*)
{
    GenerateGallery(RowPaths(false), RowPaths(true));
}

// ---- preview mode

void TImageLibraryForm::PreviewActionExecute(TObject*)
{
    // The mode flips and the action's check mark shows it (the check button has set it already).
    FPreviewMode = !FPreviewMode;
    PreviewAction->SetChecked(FPreviewMode);
    ClientPanel->DisableAlign();
    {
        TScopeExit Align([this] { ClientPanel->EnableAlign(); });
        if (FPreviewMode) {
            ViewPanel->SetVisible(false);
            Splitter->SetVisible(false);
            ImageLibListView->SetVisible(false);
            JpegBrowser->SetVisible(true);
        } else {
            JpegBrowser->SetVisible(false);
            ImageLibListView->SetTop(0);
            ImageLibListView->SetVisible(true);
            Splitter->SetTop(ImageLibListView->GetHeight());
            Splitter->SetVisible(true);
            ViewPanel->SetVisible(true);
        }
    }
    if (FPreviewMode)
        FillBrowser();
    else
        JpegBrowser->ClearPanels();
    // The keyboard, and with it the wheel, goes to the view now shown: the other one had it.
    TWinControl* Shown = FPreviewMode ? static_cast<TWinControl*>(JpegBrowser) : ImageLibListView;
    if (Shown->CanFocus())
        Shown->SetFocus();
}

void TImageLibraryForm::FillBrowser()
{
    JpegBrowser->ClearPanels();
    JpegBrowser->ClearFiles();
    for (const std::string& Name : LibraryNames())
        if (IsBrowserPicture(Name) && FileExists(Name))
            JpegBrowser->AddFile(Name);
    JpegBrowser->Rebuild();
}

void TImageLibraryForm::JpegBrowserPanelClick(TObject*, TJpegPanel* Panel)
{
    StatusBar->GetPanels()->GetItem(0)->SetText(ExtractFileName(Panel->GetFilename()));
    StatusBar->GetPanels()->GetItem(2)->SetText(Panel->GetFilename());
}

void TImageLibraryForm::JpegBrowserPanelDoubleClick(TObject*, TJpegPanel*)
{
    ViewAction->Execute();
}
