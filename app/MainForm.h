#pragma once
// The main window: the task tree on the left, the address lists, the downloaded files and the
// log and report pages on the right, with the menus, the toolbar and the tray icon. It owns the
// settings and the loaded tasks, and is the one place the engine calls back into (TaskFinished).
//
// The window is split by concern: MainForm.cpp builds it and keeps the task tree,
// MainFormTasks.cpp holds the task commands; closing, the view commands and the images pane
// live in files of their own.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Scheduler.h"
#include "engine/RegSettings.h"
#include "platform/rtl/DateUtils.h"
#include "platform/win/Forms.h"
#include "platform/win/ListView.h" // TItemChange

class TAction;
class TButton;
class TGenProgressForm;
class TImage;
class TImageList;
class TImageScrollBox;
class TMainActions;
class TMainCommandBars;
class TNotebook;
class TPanel;
class TProjectItem;
class TRichEdit;
class TSaveDialog;
class TShowMinPromptForm;
class TSplitter;
class TStatusBar;
class TStringList;
class TTabSet;
class TTask;
class TTaskForm;
class TTaskList;
class TTaskListView;
class TTaskLogView;
class TTimer;
class TTrayMenu;
class TTreeNode;
class TTreeView;
class TWaitForm;
class TWinTaskbar;
struct TDeleteByRules;

// The program-wide wait window and gallery progress window (made by the main block; the wait
// window also on first use).
extern TWaitForm* WaitForm;
extern TGenProgressForm* GenProgressForm;

// Tree images.
enum : int32_t {
    tiRoot = 0,
    tiOpenFolder = 1,
    tiFile = 2,
    tiRunningTask = 3,
    tiStoppedTask = 4,
    tiFolder = 5,
    tiQueuedTask = 6
};

// Where the settings and the images library live; the defaults are the program's own.
struct TMainFormSetup {
    std::string RootPath = TRegSettings::DefaultRootPath; // registry root under HKEY_CURRENT_USER
    std::string LibraryPath;                              // "" = program folder + "imglib.db"
};

class TMainForm : public TForm {
public:
    explicit TMainForm(TComponent* AOwner, const TMainFormSetup& Setup = TMainFormSetup());
    ~TMainForm() override;
    std::string ClassName() const override { return "TMainForm"; }

    // ---- engine objects and state
    std::unique_ptr<TRegSettings> Settings;
    std::unique_ptr<TTaskList> TaskList;
    bool ExitRequested = false;
    bool ShowMinPromptFlag = true;
    bool StoppingAll = false;
    bool Restarting = false;
    std::unique_ptr<TStringList> BuildInFiles;
    std::unique_ptr<TStringList> ImageExtIcons;
    TListItem* LastImageIndex = nullptr;
    const std::string& GetLibraryPath() const { return FLibraryPath; }

    // ---- components
    std::unique_ptr<TMainActions> Actions;
    std::unique_ptr<TMainCommandBars> CommandBars;
    TImageList* ToolBarImages = nullptr;
    TImageList* TreeImages = nullptr;
    TImageList* UrlImages = nullptr;
    TImageList* ReportImages = nullptr;
    TTreeView* TasksTreeView = nullptr;
    TSplitter* TreeSplitter = nullptr;
    TPanel* BodyPanel = nullptr;
    TPanel* ClientPanel = nullptr;
    TListView* FilesListView = nullptr;
    TPanel* FailedPanel = nullptr;
    TSplitter* FailedSplitter = nullptr;
    TListView* FailedUrlListView = nullptr;
    TButton* FailedRestartButton = nullptr;
    TButton* FailedDeleteButton = nullptr;
    TButton* FailedClearButton = nullptr;
    TButton* FailedExportButton = nullptr;
    TPanel* DownloadedPanel = nullptr;
    TSplitter* DownloadedSplitter = nullptr;
    TListView* ImagesListView = nullptr;
    TPanel* PreviewPanel = nullptr;
    TPanel* StatePanel = nullptr;
    TSplitter* StateSplitter = nullptr;
    TTabSet* StateTabSet = nullptr;
    TNotebook* StateNotebook = nullptr;
    TRichEdit* LogEdit = nullptr;
    TListView* ReportListView = nullptr;
    TStatusBar* StatusBar = nullptr;
    TTimer* Timer = nullptr;
    TTimer* LoadTipTimer = nullptr;
    TWinTaskbar* WinTaskbar = nullptr;
    TTrayMenu* TrayMenu = nullptr;
    TSaveDialog* SaveDialog = nullptr;

    // ---- start-up and tree (MainForm.cpp)
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void LoadTaskTree(const std::string& Folder, TTreeNode* Parent);
    void RefreshTaskTree();
    TTask* TaskOfNode(TTreeNode* Node);
    static bool IsTaskNode(const TTreeNode* Node);
    static bool IsFolderNode(const TTreeNode* Node);
    // The full path a node stands for ("" for none).
    static std::string NodePath(const TTreeNode* Node);
    static void SetNodePath(TTreeNode* Node, const std::string& Path);
    TTreeNode* RootNode() const;
    // Appends "[<date and time>] - <Text>" to the log pane.
    void AddLog(const std::string& Text);
    // Lays out the bottom panels of the client area again after one was shown or hidden.
    void ArrangeBottomPanels();
    // The failed-address buttons in as many rows as the panel's height holds, the rest in
    // further columns: all four stay whole however low the panel is made.
    void ArrangeFailedButtons();
    // Gives the state panel and the failed-address and downloaded-files panels the heights
    // the user gave them while the window has room for them and the address list; a lower
    // window shrinks them and the address list in proportion, none below a usable height.
    void FitPanelHeights();
    // The loaded task of a path (case ignored), or nullptr.
    TTask* LoadedTaskOf(const std::string& Path) const;
    int32_t LoadedFileCount() const { return static_cast<int32_t>(FLoadedTaskFiles.size()); }

    // ---- task commands (MainFormTasks.cpp)
    void TasksNewActionExecute(TObject* Sender);
    void TasksNewFolderActionExecute(TObject* Sender);
    void TasksPropActionExecute(TObject* Sender);
    void TasksDeleteActionExecute(TObject* Sender);
    void TasksRefreshActionExecute(TObject* Sender);
    void TasksRunActionExecute(TObject* Sender);
    void TasksStopActionExecute(TObject* Sender);
    void TasksRestartActionExecute(TObject* Sender);
    void TasksStopAllActionExecute(TObject* Sender);
    void TasksSaveURLActionExecute(TObject* Sender);
    // The import dialog; the chosen projects become tasks and their names are remembered.
    void TasksImportActionExecute(TObject* Sender);
    void TasksTreeViewChanging(TObject* Sender, TTreeNode* Node, bool& AllowChange);
    void TasksTreeViewChange(TObject* Sender, TTreeNode* Node);
    void TaskFinished(TObject* Sender);

    void UpdateActions(bool Refill);
    void UpdateTaskIcons();
    void FillUrlLists(TTask* Task);
    void MarkRunningRows(TTask* Task);
    void ClearFileMarks();
    void ShowWait(const std::string& Text);
    void HideWait();
    bool TaskNameExists(const std::string& Name);
    TTreeNode* AddTaskNode(TTreeNode* Folder, const std::string& Name);
    bool FolderNameExists(const std::string& Name);
    // The first node in tree order, at any level, whose text is Text; nullptr when none.
    TTreeNode* FindNodeByPath(const std::string& Text);
    // A task of an imported project in the folder node of its category (made when missing; the
    // root for none). A project whose paths would leave their folders, or whose project file
    // exists already, is not written (a log line says so): nullptr then.
    TTreeNode* AddImportedProject(TProjectItem* Project);
    TTreeNode* AddSampleFolder(TTreeNode* Parent, const std::string& Title);
    TTreeNode* AddSampleTask(const std::string& Title, const std::string& Address, TTreeNode* FolderNode);
    // Takes the tasks of the node's files (the node and everything below it) out of TaskList and
    // the loaded-file map and frees them; the views are emptied first.
    void ForgetTaskFile(TTreeNode* Node);
    // Writes the task's address list as text ("* Finished item.", a blank line, one line each).
    static void SaveURLList(TTask* Task, const std::string& FileName);
    // The task dialog's contract: fill from a task (nullptr: the global options for a new task)
    // and read back into a task.
    void FillTaskForm(TTaskForm* Form, TTask* Task);
    void ReadTaskForm(TTaskForm* Form, TTask* Task);
    // Images pane hooks (the images pane fills them in).
    void FillImagesPane(TTask* Task);
    void UpdateImageActions();

    // ---- images pane (MainFormImages.cpp)
    TImageScrollBox* ImageScrollBox = nullptr; // the preview of every format but GIF
    TImage* GifImage = nullptr;                // a GIF's first frame, unscaled
    // Makes the preview controls and binds the list's events and the image commands.
    void BuildImagesPane();
    // The Fit tick and the sort command restored from the settings, applied.
    void ApplyImagePaneSettings();
    void LoadImagesList(const std::string& Folder);
    // The full path a row stands for.
    static std::string ImageRowPath(TListItem* Item);
    int32_t ImageIconIndex(const std::string& FileName);
    void ShowImagePreview(TListItem* Item);
    void ImagesListViewChange(TObject* Sender, TListItem* Item, TItemChange Change);
    int32_t ImagesListViewCompare(TListItem* A, TListItem* B);
    void ImagesListViewColumnClick(TListColumn* Column);
    void SetImageSort(TAction* Chosen);
    std::vector<TListItem*> SelectedImageRows() const;
    void RemoveImageRows(const std::vector<TListItem*>& Rows);
    std::vector<TListItem*> DeleteImageFiles(const std::vector<TListItem*>& Rows);
    void CopyOrMoveImages(bool Move);
    // Delete By: the paths of the rows the rules choose, and the removal of the rows whose file
    // is gone after the deletion.
    std::vector<std::string> DeleteByPaths(const TDeleteByRules& Rules);
    void RemoveDeletedRows(const std::vector<std::string>& Paths);
    void ImageDeleteByActionExecute(TObject* Sender);
    // The collect tool on the selected task's pictures.
    void ImageCollectActionExecute(TObject* Sender);
    void ImageFitActionExecute(TObject* Sender);
    void ImageDeleteActionExecute(TObject* Sender);
    void ImageDeleteAllActionExecute(TObject* Sender);
    void ImageOpenFolderActionExecute(TObject* Sender);
    void ImageCopyToActionExecute(TObject* Sender);
    void ImageMoveToActionExecute(TObject* Sender);
    void ImageBuildInActionExecute(TObject* Sender);
    // Double click or Enter on a row: the viewer on that row, stepping through every row.
    void ImagesListViewDblClick(TObject* Sender);
    // The images library window, modally.
    void ImageLibraryActionExecute(TObject* Sender);
    std::set<std::string> FLibraryNames; // the library's names while the list is refilled
    // Set wallpaper: the fixed BMP file, the row's picture written there, and the desktop told.
    static std::string WallpaperFileName();
    static bool WriteWallpaperBitmap(const std::string& Source, const std::string& Target);
    static void SetWallpaper(const std::string& Path, int32_t Style);
    void ImageWallpaperActionExecute(TObject* Sender);
    // The failed-address panel's buttons.
    void UpdateFailedButtons();
    void RemoveFailedAddress(TTask* Task, const std::string& Address);
    void FailedRestartButtonClick(TObject* Sender);
    void FailedDeleteButtonClick(TObject* Sender);
    void FailedClearButtonClick(TObject* Sender);
    void FailedExportButtonClick(TObject* Sender);

    // ---- clock, scheduler and report page (MainFormTimer.cpp)
    void TimerTimer(TObject* Sender);
    void FillReport(TTask* Task);
    void UpdateReport(TTask* Task);
    void ClearReport();
    static std::string FinishedOfFound(TTask* Task);
    // The scheduler's clock; empty = the system clock.
    std::function<TDateTime()> Clock;
    TDateTime ClockNow() const;
    TScheduleMemory& GetScheduleMemory() { return FScheduleMemory; }

    // ---- task end, closing and the tray (MainFormClose.cpp)
    void BindCloseHandlers();
    void StartNextQueuedTask();
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void TasksExitActionExecute(TObject* Sender);
    void WinTaskbarClick(TObject* Sender);
    void TrayRestore(TObject* Sender);
    void LoadTipTimerTimer(TObject* Sender);
    // Deletes the partial downloads ("name.ext!...!!wr") left in the task's "Saved" folder.
    static void DeletePartialFiles(TTask* Task);
    // The log file name for a moment: the day count as decimal text + ".rtf".
    static std::string LogFileNameOf(TDateTime Moment);
    void WndProc(TMessage& Message) override;

    // ---- view, help and options commands (MainFormView.cpp)
    void ViewToolBarActionExecute(TObject* Sender);
    void ViewStatePanelActionExecute(TObject* Sender);
    void ViewShowAllFilesActionExecute(TObject* Sender);
    void ViewFailedPanelActionExecute(TObject* Sender);
    void ViewOptionActionExecute(TObject* Sender);
    void HelpActionExecute(TObject* Sender);
    void HelpAboutActionExecute(TObject* Sender);
    void HelpWebsiteActionExecute(TObject* Sender);
    void HelpTipActionExecute(TObject* Sender);
    void StateTabSetChange(TObject* Sender, int32_t NewTab, bool& AllowChange);
    void ShowHint(TObject* Sender);
    void SizeColumns();
    void BindViewActions();
    // Drops the application-wide handlers that point at this window.
    void UnbindViewHandlers();


private:
    void BuildLayout();
    void BindActions();
    void LoadImageLists();
    TTreeNode* FolderOfSelection();
    void EmptyViews();
    void ForgetTask(TTask* Task);
    std::string LoadedKey(const std::string& Path) const;
    bool SubtreeHasActiveTask(TTreeNode* Node);
    void ClearItemsKeepFailed(TTask* Task);
    void ApplyPlacement();
    void FitClientPanels();
    int32_t ClientPanelsMinHeight() const;
    int32_t ClientPanelsWantedHeight() const;
    void KeepSplittersInRoom();
    void CloseMinPrompt();

    std::string FLibraryPath;
    std::string FRootPath;
    // Loaded project files: upper-case full path -> task (several paths may share one task).
    std::map<std::string, TTask*> FLoadedTaskFiles;
    // Project files that failed to load since the last tree refresh (upper-case paths).
    std::set<std::string> FFailedTaskFiles;
    // Views the tasks write into.
    std::unique_ptr<TTaskListView> FFilesView;
    std::unique_ptr<TTaskListView> FFailedView;
    std::unique_ptr<TTaskListView> FImagesView;
    std::unique_ptr<TTaskLogView> FLogView;
    bool FTreeRebuilding = false; // nodes go: a selection change writes nothing
    bool FCreated = false;
    TScheduleMemory FScheduleMemory;
    bool FEndingSession = false; // Windows is ending the session: no countdown, no second exit
    // The heights the user gave the bottom panels (the start values until a splitter moves).
    int32_t FStateHeight = 150;
    int32_t FFailedHeight = 120;
    int32_t FDownloadedHeight = 170;
    bool FFittingPanels = false;
    TShowMinPromptForm* FMinPrompt = nullptr; // the notice while it is open
};
