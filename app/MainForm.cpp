#include "app/MainForm.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "app/FormParts.h"
#include "app/GenProgressForm.h"
#include "app/MainActions.h"
#include "app/MainCommandBars.h"
#include "app/Product.h"
#include "app/SampleTasks.h"
#include "app/WaitForm.h"
#include "app/WinTaskbar.h"
#include "engine/ImagesLibraryMeasure.h"
#include "engine/EngineRoutines.h"
#include "engine/ImagesLibrary.h"
#include "engine/Task.h"
#include "engine/TaskViewControls.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Dialogs.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Files.h"
#include "platform/win/RichEdit.h"
#include "platform/win/ShellUtils.h"
#include "platform/win/StatusBar.h"
#include "platform/win/Tabs.h"
#include "platform/win/Timer.h"
#include "platform/win/TreeView.h"

TWaitForm* WaitForm = nullptr;
TGenProgressForm* GenProgressForm = nullptr;

namespace {

TListView* MakeReportView(TComponent* Owner, TWinControl* Parent, const char* Name,
                          std::initializer_list<std::pair<const char*, int32_t>> Columns)
{
    auto* V = new TListView(Owner);
    V->SetName(Name);
    V->SetParent(Parent);
    V->SetReadOnly(true);
    V->SetRowSelect(true);
    for (const auto& [Caption, Width] : Columns) {
        TListColumn* C = V->GetColumns()->Add();
        C->SetCaption(Caption);
        C->SetWidth(Width);
    }
    return V;
}

TSplitter* MakeSplitter(TComponent* Owner, TWinControl* Parent, TAlign Align, int32_t Size)
{
    auto* S = new TSplitter(Owner);
    S->SetParent(Parent);
    S->SetAlign(Align);
    if (Align == alLeft || Align == alRight)
        S->SetWidth(Size);
    else
        S->SetHeight(Size);
    return S;
}

TPanel* MakePanel(TComponent* Owner, TWinControl* Parent, const char* Name, TAlign Align)
{
    auto* P = new TPanel(Owner);
    P->SetName(Name);
    P->SetParent(Parent);
    P->SetBevelOuter(bvNone);
    P->SetCaption("");
    P->SetAlign(Align);
    return P;
}

// A list of Count plain images, for when the program's strip is not in the resources.
void FillPlainImages(TImageList* List, int32_t Count)
{
    TBitmap B;
    B.SetSize(16 * Count, 16);
    B.GetCanvas()->GetBrush()->SetColor(clFuchsia);
    B.GetCanvas()->FillRect(Rect(0, 0, 16 * Count, 16));
    for (int32_t I = 0; I < Count; ++I) {
        B.GetCanvas()->GetBrush()->SetColor(static_cast<TColor>(0x00404040 + I * 0x00101820));
        B.GetCanvas()->FillRect(Rect(I * 16 + 3, 3, I * 16 + 13, 13));
    }
    List->AddMasked(&B, clFuchsia);
}

TImageList* LoadStrip(TComponent* Owner, const char* ResName, int32_t Count)
{
    auto* L = new TImageList(Owner);
    L->SetSize(16, 16);
    try {
        L->LoadFromResourceName(GetModuleHandleA(nullptr), ResName, 16, clFuchsia);
    } catch (const Exception&) {
        L->Clear();
    }
    if (L->GetCount() < Count) {
        L->Clear();
        FillPlainImages(L, Count);
    }
    return L;
}

} // namespace

TMainForm::TMainForm(TComponent* AOwner, const TMainFormSetup& Setup) : TForm(AOwner), FRootPath(Setup.RootPath)
{
    SetName("MainForm");
    FLibraryPath = Setup.LibraryPath.empty() ? AddTrailingBackslash(ProgramFolder()) + "imglib.db" : Setup.LibraryPath;
    BuildLayout();
    BindActions();
    BuildImagesPane();
    FitText(this);
    FormCreate(this);
    ApplyImagePaneSettings();
    OnShow = [this](TObject* S) { FormShow(S); };
}

TMainForm::~TMainForm()
{
    UnbindViewHandlers();
    // A destructor lets nothing out (that would end the program on the spot): a failure while
    // the tasks stop and the library is written is shown, and the rest is freed all the same.
    try {
        FormDestroy(this);
    } catch (...) {
        Application->HandleException();
    }
    // The windows and components this form owns call back into its members (the actions, the
    // command bars, the views) while they go: they are freed here, while those members still
    // exist, and the base destructors find nothing left to free.
    Destroying();
    DestroyHandle();
    DestroyComponents();
}

void TMainForm::LoadImageLists()
{
    ToolBarImages = LoadStrip(this, "MAINTOOLBAR", 12);
    TreeImages = LoadStrip(this, "MAINTREE", 7);
    UrlImages = LoadStrip(this, "MAINURLS", 2);
    ReportImages = LoadStrip(this, "MAINREPORT", 4);
}

void TMainForm::BuildLayout()
{
    SetCaption(Product::Name);
    SetBounds(0, 0, 760, 560);
    LoadImageLists();
    Actions = std::make_unique<TMainActions>(this);

    StatusBar = new TStatusBar(this);
    StatusBar->SetName("StatusBar");
    StatusBar->SetParent(this);
    StatusBar->SetAlign(alBottom);
    StatusBar->GetPanels()->Add()->SetWidth(5);
    StatusBar->GetPanels()->Add()->SetWidth(2000);

    // Everything between the toolbar and the status bar.
    TPanel* Body = BodyPanel = MakePanel(this, this, "BodyPanel", alClient);
    // The state panel runs under the tree and the lists; its splitter sits above it.
    StatePanel = MakePanel(this, Body, "StatePanel", alBottom);
    StatePanel->SetBounds(0, 3000, 760, FStateHeight);
    StateSplitter = MakeSplitter(this, Body, alBottom, 4);
    StateSplitter->SetTop(2990);
    StateTabSet = new TTabSet(this);
    StateTabSet->SetName("StateTabSet");
    StateTabSet->SetParent(StatePanel);
    StateTabSet->SetAlign(alTop);
    StateTabSet->SetHeight(24);
    StateTabSet->GetTabs()->Add("Log");
    StateTabSet->GetTabs()->Add("Report");
    StateNotebook = new TNotebook(this);
    StateNotebook->SetName("StateNotebook");
    StateNotebook->SetParent(StatePanel);
    StateNotebook->SetAlign(alClient);
    TNotebookPage* LogPage = StateNotebook->AddPage("Log");
    TNotebookPage* ReportPage = StateNotebook->AddPage("Report");
    StateNotebook->SetPageIndex(0);
    StateTabSet->SetTabIndex(0);
    StateTabSet->OnChange = [this](TObject*, int32_t NewTab, bool& Allow) {
        Allow = true;
        StateNotebook->SetPageIndex(NewTab);
    };
    LogEdit = new TRichEdit(this);
    LogEdit->SetName("LogEdit");
    LogEdit->SetParent(LogPage);
    LogEdit->SetAlign(alClient);
    LogEdit->SetReadOnly(true);
    LogEdit->SetScrollBars(ssBoth);
    LogEdit->SetWordWrap(false);
    // Every log line costs the rich edit tens of kilobytes: a long crawl would fill the
    // program's address space with its own log. The pane keeps the crawl's recent lines.
    LogEdit->SetMaxLines(kLogPaneLines);
    ReportListView = MakeReportView(this, ReportPage, "ReportListView", {{"Name", 100}, {"Value", 300}, {"Description", 200}});
    ReportListView->SetAlign(alClient);
    ReportListView->SetSmallImages(ReportImages);

    TasksTreeView = new TTreeView(this);
    TasksTreeView->SetName("TasksTreeView");
    TasksTreeView->SetParent(Body);
    TasksTreeView->SetAlign(alLeft);
    TasksTreeView->SetWidth(210);
    TasksTreeView->SetImages(TreeImages);
    TasksTreeView->SetReadOnly(true);
    TasksTreeView->SetHideSelection(false);
    TasksTreeView->SetRightClickSelect(true);
    TreeSplitter = MakeSplitter(this, Body, alLeft, 4);
    TreeSplitter->SetLeft(300);

    ClientPanel = MakePanel(this, Body, "ClientPanel", alClient);

    // Bottom-aligned in the client area, lowest first.
    DownloadedPanel = MakePanel(this, ClientPanel, "DownloadedPanel", alBottom);
    DownloadedPanel->SetHeight(FDownloadedHeight);
    ImagesListView = MakeReportView(this, DownloadedPanel, "ImagesListView",
                                    {{"Name", 140}, {"Ext", 50}, {"Size", 70}, {"Folder", 200}});
    ImagesListView->SetAlign(alLeft);
    ImagesListView->SetWidth(260);
    ImagesListView->SetMultiSelect(true);
    // A row for every picture a task saved: a long crawl's hundreds of thousands of rows are
    // kept by the list alone, not copied into the window as well.
    ImagesListView->SetOwnerData(true);
    PreviewPanel = MakePanel(this, DownloadedPanel, "PreviewPanel", alClient);
    PreviewPanel->SetBevelOuter(bvLowered);
    DownloadedPanel->OnResize = [this](TObject*) {
        ImagesListView->SetWidth(std::max<int32_t>(DownloadedPanel->GetClientWidth() / 2, 0));
    };
    DownloadedSplitter = MakeSplitter(this, ClientPanel, alBottom, 4);

    FailedPanel = MakePanel(this, ClientPanel, "FailedPanel", alBottom);
    FailedPanel->SetHeight(FFailedHeight);
    TPanel* FailedButtons = MakePanel(this, FailedPanel, "FailedButtonPanel", alRight);
    FailedButtons->SetWidth(96);
    auto MakeButton = [&](const char* Name, const char* Caption, int32_t Top) {
        auto* B = new TButton(this);
        B->SetName(Name);
        B->SetParent(FailedButtons);
        B->SetCaption(Caption);
        B->SetBounds(8, Top, 80, 24);
        B->SetEnabled(false);
        return B;
    };
    FailedRestartButton = MakeButton("FailedRestartButton", "&Restart", 4);
    FailedDeleteButton = MakeButton("FailedDeleteButton", "&Delete", 32);
    FailedClearButton = MakeButton("FailedClearButton", "&Clear All", 60);
    FailedExportButton = MakeButton("FailedExportButton", "&Export txt", 88);
    FailedPanel->OnResize = [this](TObject*) { ArrangeFailedButtons(); };
    FailedUrlListView = MakeReportView(this, FailedPanel, "FailedUrlListView", {{"Failed URL", 400}});
    FailedUrlListView->SetAlign(alClient);
    FailedUrlListView->SetMultiSelect(true);
    FailedSplitter = MakeSplitter(this, ClientPanel, alBottom, 5);
    FailedPanel->SetVisible(false);
    FailedSplitter->SetVisible(false);

    FilesListView = MakeReportView(this, ClientPanel, "FilesListView",
                                   {{"!", 24}, {"From URL", 300}, {"Type", 50}, {"Size(b)", 70}, {"Depth", 50},
                                    {"Completed", 70}});
    FilesListView->SetAlign(alClient);
    FilesListView->SetSmallImages(UrlImages);
    // A page of tens of thousands of links gives as many rows, which come and go as fast as the
    // crawl runs: the window keeps none of them, and hears of their number once per batch.
    FilesListView->SetOwnerData(true);
    ArrangeBottomPanels();
    KeepSplittersInRoom();
    Body->OnResize = [this](TObject*) { FitPanelHeights(); };
    ClientPanel->OnResize = [this](TObject*) { FitClientPanels(); };

    // The command bars last: their context menus are tied to the tree and the images list. The
    // manager's top dock site is the form's only top-aligned control, above the body.
    TMainBarBindings Bars;
    Bars.Form = this;
    Bars.Actions = Actions.get();
    Bars.Glyphs = ToolBarImages;
    Bars.TasksTree = TasksTreeView;
    Bars.ImagesList = ImagesListView;
    Bars.TreeRightClick = [this](int32_t X, int32_t Y) {
        if (TTreeNode* Node = TasksTreeView->GetNodeAt(X, Y))
            TasksTreeView->SetSelected(Node);
    };
    // The row under the mouse alone, unless it is part of the selection already (the command
    // then acts on every selected row).
    Bars.ListRightClick = [this](int32_t X, int32_t Y) {
        TListItem* Row = ImagesListView->GetItemAt(X, Y);
        if (!Row || Row->GetSelected())
            return;
        ImagesListView->SetSelected(nullptr);
        Row->SetSelected(true);
        Row->SetFocused(true);
    };
    // From the keyboard the menu opens under the selected node or the focused row, when it
    // is in sight.
    auto Under = [](TWinControl* View, const TRect& R, int32_t& X, int32_t& Y) {
        if (R.bottom <= R.top || R.bottom <= 0 || R.top >= View->GetClientHeight())
            return false;
        X = R.left;
        Y = R.bottom;
        return true;
    };
    Bars.TreeMenuPoint = [this, Under](int32_t& X, int32_t& Y) {
        TTreeNode* Node = TasksTreeView->GetSelected();
        return Node && Under(TasksTreeView, Node->DisplayRect(true), X, Y);
    };
    Bars.ListMenuPoint = [this, Under](int32_t& X, int32_t& Y) {
        TListItem* Row = ImagesListView->GetNextItem(nullptr, srAll, TItemStates{isFocused, isSelected});
        if (!Row)
            Row = ImagesListView->GetSelected();
        return Row && Under(ImagesListView, Row->DisplayRect(true), X, Y);
    };
    CommandBars = std::make_unique<TMainCommandBars>(Bars);

    Timer = new TTimer(this);
    Timer->SetEnabled(false);
    Timer->SetInterval(300);
    LoadTipTimer = new TTimer(this);
    LoadTipTimer->SetEnabled(false);
    LoadTipTimer->SetInterval(2000);

    TrayMenu = new TTrayMenu(this);
    WinTaskbar = new TWinTaskbar(this);
    HICON Icon = LoadIconA(GetModuleHandleA(nullptr), Product::MainIconName);
    WinTaskbar->SetIcon(Icon ? Icon : LoadIconA(nullptr, IDI_APPLICATION));
    WinTaskbar->SetPopUpMenu(TrayMenu);

    SaveDialog = new TSaveDialog(this);
    SaveDialog->SetFilter("Text files (*.txt)|*.txt");
    SaveDialog->SetDefaultExt("txt");

    // The tasks reach the views through the same bindings as the engine driver's: a row is added
    // whole in one step and found by its data without a walk.
    FFilesView = std::make_unique<TListViewTaskView>(FilesListView);
    FFailedView = std::make_unique<TListViewTaskView>(FailedUrlListView);
    FImagesView = std::make_unique<TListViewTaskView>(ImagesListView);
    FLogView = std::make_unique<TRichEditLogView>(LogEdit);

    TasksTreeView->OnChanging = [this](TObject* S, TTreeNode* N, bool& Allow) { TasksTreeViewChanging(S, N, Allow); };
    TasksTreeView->OnChange = [this](TObject* S, TTreeNode* N) { TasksTreeViewChange(S, N); };
    TasksTreeView->OnDeletion = [this](TObject*, TTreeNode* N) {
        // No task keeps a reference to a node that is going.
        if (!TaskList)
            return;
        for (TTask* T : TaskList->Snapshot())
            if (T->GetTreeNode() == N)
                T->SetTreeNode(nullptr);
    };
}

void TMainForm::ArrangeBottomPanels()
{
    // alBottom controls are stacked by their bottom edges, the lowest first: the downloaded-files
    // panel at the bottom, its splitter, the failed-address panel, its splitter.
    ClientPanel->DisableAlign();
    DownloadedPanel->SetTop(40000);
    DownloadedSplitter->SetTop(39000);
    FailedPanel->SetTop(20000);
    FailedSplitter->SetTop(19000);
    ClientPanel->EnableAlign();
    ClientPanel->Realign();
    FitPanelHeights();
}

namespace {

// A list keeps its column headers and a few rows; the state panel its tabs and a few lines.
constexpr int32_t kMinListHeight = 64;
constexpr int32_t kMinStateHeight = 64;
// What the address list asks for when the window is too low for everything.
constexpr int32_t kWantedListHeight = 150;

struct TStackPanel {
    int32_t Wanted;
    int32_t Min;
};

// The heights of panels that share Room: what each wants while all fit, else each keeps its
// minimum and the rest of the room goes to them in proportion to what they want beyond it.
std::vector<int32_t> FitHeights(int32_t Room, const std::vector<TStackPanel>& Panels)
{
    int64_t Wanted = 0, Min = 0;
    for (const TStackPanel& P : Panels) {
        Wanted += std::max(P.Wanted, P.Min);
        Min += P.Min;
    }
    std::vector<int32_t> Heights;
    for (const TStackPanel& P : Panels) {
        const int32_t Want = std::max(P.Wanted, P.Min);
        if (Wanted <= Room)
            Heights.push_back(Want);
        else if (Room <= Min)
            Heights.push_back(P.Min);
        else
            Heights.push_back(P.Min + static_cast<int32_t>((Want - P.Min) * (Room - Min) / (Wanted - Min)));
    }
    return Heights;
}

} // namespace

int32_t TMainForm::ClientPanelsMinHeight() const
{
    int32_t H = kMinListHeight;
    if (FailedPanel->GetVisible())
        H += kMinListHeight + FailedSplitter->GetHeight();
    if (DownloadedPanel->GetVisible())
        H += kMinListHeight + DownloadedSplitter->GetHeight();
    return H;
}

int32_t TMainForm::ClientPanelsWantedHeight() const
{
    int32_t H = kWantedListHeight;
    if (FailedPanel->GetVisible())
        H += FFailedHeight + FailedSplitter->GetHeight();
    if (DownloadedPanel->GetVisible())
        H += FDownloadedHeight + DownloadedSplitter->GetHeight();
    return H;
}

void TMainForm::FitPanelHeights()
{
    if (FFittingPanels || !BodyPanel || !StatePanel)
        return;
    if (StatePanel->GetVisible()) {
        TFlagScope Fitting(FFittingPanels);
        const int32_t Room = BodyPanel->GetClientHeight() - StateSplitter->GetHeight();
        const std::vector<int32_t> H =
            FitHeights(Room, {{FStateHeight, kMinStateHeight}, {ClientPanelsWantedHeight(), ClientPanelsMinHeight()}});
        if (StatePanel->GetHeight() != H[0]) {
            // Bottom-aligned: the panel keeps its bottom edge and its splitter stays above it.
            const int32_t Top = StatePanel->GetTop() + StatePanel->GetHeight() - H[0];
            StatePanel->SetBounds(StatePanel->GetLeft(), Top, StatePanel->GetWidth(), H[0]);
            StateSplitter->SetTop(Top - StateSplitter->GetHeight());
        }
    }
    FitClientPanels();
}

void TMainForm::FitClientPanels()
{
    if (FFittingPanels || !ClientPanel || !FilesListView)
        return;
    TFlagScope Fitting(FFittingPanels);
    std::vector<TStackPanel> Stack{{kWantedListHeight, kMinListHeight}};
    int32_t Room = ClientPanel->GetClientHeight();
    if (FailedPanel->GetVisible()) {
        Stack.push_back({FFailedHeight, kMinListHeight});
        Room -= FailedSplitter->GetHeight();
    }
    if (DownloadedPanel->GetVisible()) {
        Stack.push_back({FDownloadedHeight, kMinListHeight});
        Room -= DownloadedSplitter->GetHeight();
    }
    const std::vector<int32_t> H = FitHeights(Room, Stack);
    size_t I = 1;
    for (TPanel* Panel : {FailedPanel, DownloadedPanel}) {
        if (!Panel->GetVisible())
            continue;
        const int32_t Height = H[I++];
        if (Panel->GetHeight() == Height)
            continue;
        // Bottom-aligned: the panel keeps its bottom edge and its place in the stack.
        Panel->SetBounds(Panel->GetLeft(), Panel->GetTop() + Panel->GetHeight() - Height, Panel->GetWidth(), Height);
    }
}

void TMainForm::KeepSplittersInRoom()
{
    // A drag gives its panel no more than what leaves the address list (and, for the state
    // panel, the whole client stack) a usable height; where it ends is the height the user wants.
    StateSplitter->SetMinSize(kMinStateHeight);
    StateSplitter->OnCanResize = [this](TObject*, int32_t& Size, bool&) {
        const int32_t Max = StatePanel->GetHeight() + ClientPanel->GetHeight() - ClientPanelsMinHeight();
        Size = std::max(std::min(Size, Max), kMinStateHeight);
    };
    StateSplitter->OnMoved = [this](TObject*) { FStateHeight = StatePanel->GetHeight(); };
    for (auto [Splitter, Panel, Wanted] : {std::tuple{FailedSplitter, FailedPanel, &FFailedHeight},
                                           std::tuple{DownloadedSplitter, DownloadedPanel, &FDownloadedHeight}}) {
        Splitter->SetMinSize(kMinListHeight);
        Splitter->OnCanResize = [this, Panel](TObject*, int32_t& Size, bool&) {
            const int32_t Max = Panel->GetHeight() + FilesListView->GetHeight() - kMinListHeight;
            Size = std::max(std::min(Size, Max), kMinListHeight);
        };
        Splitter->OnMoved = [Panel, Wanted](TObject*) { *Wanted = Panel->GetHeight(); };
    }
}

void TMainForm::BindActions()
{
    auto Bind = [this](uint16_t Id, void (TMainForm::*Handler)(TObject*)) {
        Actions->BindAction(Id, [this, Handler](TObject* S) { (this->*Handler)(S); });
    };
    Bind(maTasksNew, &TMainForm::TasksNewActionExecute);
    Bind(maTasksNewFolder, &TMainForm::TasksNewFolderActionExecute);
    Bind(maTasksProp, &TMainForm::TasksPropActionExecute);
    Bind(maTasksDelete, &TMainForm::TasksDeleteActionExecute);
    Bind(maTasksRun, &TMainForm::TasksRunActionExecute);
    Bind(maTasksStop, &TMainForm::TasksStopActionExecute);
    Bind(maTasksRestart, &TMainForm::TasksRestartActionExecute);
    Bind(maTasksStopAll, &TMainForm::TasksStopAllActionExecute);
    Bind(maTasksRefresh, &TMainForm::TasksRefreshActionExecute);
    Bind(maTasksSaveURL, &TMainForm::TasksSaveURLActionExecute);
    Bind(maTasksImport, &TMainForm::TasksImportActionExecute);
    BindCloseHandlers();
    BindViewActions();
}

void TMainForm::AddLog(const std::string& Text)
{
    LogEdit->GetLines()->Add(Format("[%s] - %s", DateTimeToStr(Now()), Text));
}

void TMainForm::ApplyPlacement()
{
    TRegWindow* W = Settings->GetWindow();
    if (GetWindowState() != wsNormal)
        SetWindowState(wsNormal);
    SetBounds(W->GetLeft(), W->GetTop(), W->GetWidth(), W->GetHeight());
    SetWindowState(W->GetState() == 2 ? wsMaximized : W->GetState() == 1 ? wsMinimized : wsNormal);
}

void TMainForm::FormCreate(TObject*)
{
    // The images library and the add-picture threads come before any task: every picture a
    // crawl saves is measured by the image library and added to the images library.
    InstallPictureMeasurer();
    ImageLibrary = new TImageLibrary();
    if (FileExists(FLibraryPath)) {
        try {
            ImageLibrary->LoadFromFile(FLibraryPath);
        } catch (const Exception& E) {
            // Never save over a library that could not be read: it would lose its records.
            FLibraryPath.clear();
            AddLog("Cannot read the images library: " + E.Message());
        }
    }
    AddImageThreads = new TAddImageThreadList();
    LinkCrawlToImagesLibrary();
    BuildInFiles = std::make_unique<TStringList>();
    ImageExtIcons = std::make_unique<TStringList>();
    ExitRequested = false;
    StoppingAll = false;
    ShowMinPromptFlag = true;
    LastImageIndex = nullptr;
    const std::string Title = std::string(Product::Name) + " " + Product::Version;
    Application->SetTitle(Title);
    SetCaption(Title);
    WinTaskbar->SetHint(Product::Name);
    TMainActions::SetEnabled(Actions->TasksRunAction, false);
    TMainActions::SetEnabled(Actions->TasksStopAction, false);
    // The settings before the placement, the view switches and the tasks, which come from them.
    TaskList = std::make_unique<TTaskList>();
    Settings = std::make_unique<TRegSettings>(FRootPath);
    Settings->Load();
    ApplyPlacement();
    ShowMinPromptFlag = Settings->GetWindow()->GetShowMinPrompt();
    TRegMenu* M = Settings->GetMenu();
    Actions->ViewToolBarAction->SetChecked(M->GetShowStandardToolBar());
    Actions->ViewStatePanelAction->SetChecked(M->GetShowStatePanel());
    Actions->ViewShowAllFilesAction->SetChecked(M->GetShowAllFiles());
    Actions->ViewFailedPanelAction->SetChecked(M->GetShowFailedPanel());
    Actions->ImageFitAction->SetChecked(M->GetFitImages());
    Actions->ImageUnsortAction->SetChecked(M->GetImageSort() == 0);
    Actions->ImageSortByNameAction->SetChecked(M->GetImageSort() == 1);
    Actions->ImageSortBySizeAction->SetChecked(M->GetImageSort() == 2);
    CommandBars->SetToolBarVisible(Actions->ViewToolBarAction->GetChecked());
    StatePanel->SetVisible(Actions->ViewStatePanelAction->GetChecked());
    StateSplitter->SetVisible(Actions->ViewStatePanelAction->GetChecked());
    FailedPanel->SetVisible(Actions->ViewFailedPanelAction->GetChecked());
    FailedSplitter->SetVisible(Actions->ViewFailedPanelAction->GetChecked());
    ArrangeBottomPanels();
    // First run: the sample tasks are written before the tree is read from the project folder.
    TTreeNode* Root = TasksTreeView->GetItems()->Add(nullptr, "All Tasks");
    Root->SetImageIndex(tiRoot);
    Root->SetSelectedIndex(tiRoot);
    TRegOptions* O = Settings->GetOptions();
    if (!O->GetDefaultTaskAdded()) {
        SetNodePath(Root, O->GetProjectPath());
        Root->DeleteChildren();
        std::map<std::string, TTreeNode*> Folders;
        for (const TSampleTask& S : SampleTasks()) {
            TTreeNode*& F = Folders[S.Folder];
            if (!F)
                F = AddSampleFolder(Root, S.Folder);
            AddSampleTask(S.Title, S.Address, F);
        }
        O->SetDefaultTaskAdded(true);
        Settings->Save();
        Root->Expand(false);
    }
    WinTaskbar->SetShowIcon(O->GetCloseOption() == 0);
    SetNodePath(Root, O->GetProjectPath());
    FTreeRebuilding = true;
    Root->DeleteChildren();
    FTreeRebuilding = false;
    RefreshTaskTree();
    UpdateActions(false);
    FCreated = true;
    Timer->SetEnabled(true);
    LoadTipTimer->SetEnabled(true);
}

void TMainForm::FormShow(TObject*)
{
    if (Settings)
        ApplyPlacement();
}

void TMainForm::FormDestroy(TObject*)
{
    if (!FCreated)
        return;
    FCreated = false;
    // The tasks go first, while the views they write into still exist: each stops its workers.
    if (TaskList) {
        std::vector<TTask*> Tasks = TaskList->Snapshot();
        TaskList->Clear();
        FLoadedTaskFiles.clear();
        for (TTask* T : Tasks) {
            T->SetOnFinish(nullptr);
            delete T;
        }
    }
    // The add-picture threads end before the library is written: none may add a record to a
    // library already saved or freed.
    LinkCrawlToImagesLibrary(false);
    if (AddImageThreads) {
        for (int32_t I = 0; I < AddImageThreads->GetCount(); ++I)
            if (TAddImageThread* T = AddImageThreads->GetItem(I))
                T->Terminate();
        AddImageThreads->WaitForAll();
        delete AddImageThreads;
        AddImageThreads = nullptr;
    }
    if (ImageLibrary) {
        if (!FLibraryPath.empty()) {
            try {
                ImageLibrary->SaveToFile(FLibraryPath);
            } catch (...) {
                // Shown; the shut-down goes on.
                Application->HandleException();
            }
        }
        delete ImageLibrary;
        ImageLibrary = nullptr;
    }
    BuildInFiles.reset();
    ImageExtIcons.reset();
    TaskList.reset();
    Settings.reset();
}

TTreeNode* TMainForm::RootNode() const
{
    return TasksTreeView->GetItems()->GetFirstNode();
}

std::string TMainForm::NodePath(const TTreeNode* Node)
{
    if (!Node)
        return std::string();
    const std::string* P = const_cast<TTreeNode*>(Node)->Value().Get<std::string>();
    return P ? *P : std::string();
}

void TMainForm::SetNodePath(TTreeNode* Node, const std::string& Path)
{
    if (Node)
        Node->Value().Set(Path);
}

bool TMainForm::IsTaskNode(const TTreeNode* Node)
{
    if (!Node)
        return false;
    const int32_t I = Node->GetImageIndex();
    return I == tiRunningTask || I == tiStoppedTask || I == tiQueuedTask;
}

bool TMainForm::IsFolderNode(const TTreeNode* Node)
{
    if (!Node)
        return false;
    const int32_t I = Node->GetImageIndex();
    return I == tiRoot || I == tiOpenFolder || I == tiFolder;
}

void TMainForm::LoadTaskTree(const std::string& Folder, TTreeNode* Parent)
{
    const bool ShowAll = Settings->GetMenu()->GetShowAllFiles();
    WIN32_FIND_DATAA D;
    HANDLE H = FindFirstFileA(JoinPath(Folder, "*.*").c_str(), &D);
    if (H == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::pair<std::string, DWORD>> Entries;
    do {
        const std::string Name = D.cFileName;
        if (Name != "." && Name != "..")
            Entries.emplace_back(Name, D.dwFileAttributes);
    } while (FindNextFileA(H, &D));
    FindClose(H);

    TTreeNodes* Items = TasksTreeView->GetItems();
    for (const auto& [Name, Attr] : Entries) {
        const std::string Full = JoinPath(Folder, Name);
        if (Attr & FILE_ATTRIBUTE_DIRECTORY) {
            TTreeNode* N = Items->AddChild(Parent, Name);
            N->SetImageIndex(tiFolder);
            N->SetSelectedIndex(tiOpenFolder);
            SetNodePath(N, Full);
            LoadTaskTree(Full, N);
            continue;
        }
        const std::string Ext = LowerCase(ExtractFileExt(Name));
        if (Ext == ".wrp") {
            std::string Text;
            try {
                Text = ReadTaskHeader(Full).Name;
            } catch (const Exception& E) {
                AddLog("Cannot read the task file " + Full + " : " + E.Message());
                continue;
            }
            if (Text.empty())
                Text = Name.substr(0, Name.size() - Ext.size());
            TTreeNode* N = Items->AddChild(Parent, Text);
            N->SetImageIndex(tiStoppedTask);
            N->SetSelectedIndex(tiStoppedTask);
            SetNodePath(N, Full);
        } else if (ShowAll && Ext != ".urls") {
            TTreeNode* N = Items->AddChild(Parent, Name);
            N->SetImageIndex(tiFile);
            N->SetSelectedIndex(tiFile);
            SetNodePath(N, Full);
        }
    }
}

void TMainForm::RefreshTaskTree()
{
    TTreeNode* Root = RootNode();
    {
        TasksTreeView->GetItems()->BeginUpdate();
        TScopeExit End([this] { TasksTreeView->GetItems()->EndUpdate(); });
        LoadTaskTree(Settings->GetOptions()->GetProjectPath(), Root);
    }
    Root->Expand(false);
}

std::string TMainForm::LoadedKey(const std::string& Path) const
{
    return UpperCase(Path);
}

TTask* TMainForm::LoadedTaskOf(const std::string& Path) const
{
    auto It = FLoadedTaskFiles.find(LoadedKey(Path));
    return It == FLoadedTaskFiles.end() ? nullptr : It->second;
}

TTask* TMainForm::TaskOfNode(TTreeNode* Node)
{
    // While nodes are being deleted, the one going may still be selected: nothing is loaded.
    if (!IsTaskNode(Node) || !TaskList || FTreeRebuilding)
        return nullptr;
    const std::string Path = NodePath(Node);
    const std::string Key = LoadedKey(Path);
    if (auto It = FLoadedTaskFiles.find(Key); It != FLoadedTaskFiles.end()) {
        if (!It->second->GetTreeNode())
            It->second->SetTreeNode(Node);
        return It->second;
    }
    // A file that failed once is not read again until the tree is refreshed.
    if (FFailedTaskFiles.count(Key))
        return nullptr;
    auto T = std::make_unique<TTask>();
    T->SetTreeNode(Node);
    T->SetOnFinish([this](TObject* S) { TaskFinished(S); });
    T->SetFilesListView(FFilesView.get());
    T->SetFailedUrlListView(FFailedView.get());
    T->SetLogEdit(FLogView.get());
    T->SetImagesListView(FImagesView.get());
    try {
        T->LoadFromFile(Path);
    } catch (const Exception& E) {
        FFailedTaskFiles.insert(Key);
        AddLog("Cannot load the task file " + Path + " : " + E.Message());
        return nullptr;
    }
    const int32_t Index = TaskList->IndexOfID(T->GetID());
    if (Index < 0) {
        TTask* P = T.release();
        TaskList->Add(P);
        FLoadedTaskFiles[Key] = P;
        return P;
    }
    // The same task under a second file: that path maps to the task already loaded.
    TTask* Loaded = TaskList->GetItem(Index);
    FLoadedTaskFiles[Key] = Loaded;
    if (!Loaded->GetTreeNode())
        Loaded->SetTreeNode(Node);
    return Loaded;
}

void TMainForm::EmptyViews()
{
    FilesListView->GetItems()->Clear();
    FailedUrlListView->GetItems()->Clear();
    ImagesListView->GetItems()->Clear();
    LastImageIndex = nullptr;
}

void TMainForm::ForgetTask(TTask* Task)
{
    if (!Task)
        return;
    for (auto It = FLoadedTaskFiles.begin(); It != FLoadedTaskFiles.end();)
        It = It->second == Task ? FLoadedTaskFiles.erase(It) : std::next(It);
    std::vector<TTask*> Tasks = TaskList->Snapshot();
    for (size_t I = Tasks.size(); I-- > 0;)
        if (Tasks[I] == Task)
            TaskList->Delete(static_cast<int32_t>(I));
    Task->SetOnFinish(nullptr);
    delete Task;
}

void TMainForm::ForgetTaskFile(TTreeNode* Node)
{
    if (!Node)
        return;
    std::vector<TTask*> Doomed;
    std::vector<TTreeNode*> Stack{Node};
    while (!Stack.empty()) {
        TTreeNode* N = Stack.back();
        Stack.pop_back();
        for (int32_t I = 0; I < N->GetCount(); ++I)
            Stack.push_back(N->GetItem(I));
        if (!IsTaskNode(N))
            continue;
        if (TTask* T = LoadedTaskOf(NodePath(N)); T && std::find(Doomed.begin(), Doomed.end(), T) == Doomed.end())
            Doomed.push_back(T);
        FFailedTaskFiles.erase(LoadedKey(NodePath(N)));
    }
    if (Doomed.empty())
        return;
    EmptyViews();
    for (TTask* T : Doomed)
        ForgetTask(T);
}

