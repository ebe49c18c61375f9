#pragma once
// The main window's commands: one action each, with a stable command id (WM_COMMAND), a caption,
// a one-line hint, a shortcut and the menu and toolbar places the command bars show it in.
//
// The ids are part of the program's interface (tests and later menus reach the commands by
// them): they are never renumbered, and a new action takes a new number at the end.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/Actions.h"

enum TMainActionId : uint16_t {
    // Tasks
    maTasksNew = 1001,
    maTasksNewFolder,
    maTasksProp,
    maTasksDelete,
    maTasksRun,
    maTasksStop,
    maTasksRestart,
    maTasksStopAll,
    maTasksRefresh,
    maTasksSaveURL,
    maTasksImport,
    maTasksExit,
    // View
    maViewToolBar,
    maViewStatePanel,
    maViewFailedPanel,
    maViewShowAllFiles,
    maViewOption,
    // Image
    maImageOpenFolder,
    maImageDelete,
    maImageDeleteAll,
    maImageDeleteBy,
    maImageCopyTo,
    maImageMoveTo,
    maImageWallpaper,
    maImageSortByName,
    maImageSortBySize,
    maImageSortByType,
    maImageUnsort,
    maImageFit,
    maImageBuildIn,
    maImageLibrary,
    maImageCollect,
    // Help
    maHelp,
    maHelpTip,
    maHelpWebsite,
    maHelpAbout,
    maLastAction = maHelpAbout
};

// A place in a menu or toolbar: an action id, or 0 for a separator.
using TMainBarLayout = std::vector<uint16_t>;

struct TMainMenuLayout {
    std::string Caption;
    TMainBarLayout Items;
};

// The menu bar "Tasks", "View", "Image", "Help" with their items and separators.
const std::vector<TMainMenuLayout>& MainMenuLayout();
// The "Standard" toolbar's buttons and separators.
const TMainBarLayout& MainToolBarLayout();

// The main window's action list. Every action is made disabled until its handler is bound
// (BindAction): an action without a handler never runs.
class TMainActions {
public:
    // The list and its actions are owned by Owner (the main window).
    explicit TMainActions(TComponent* Owner);
    TMainActions(const TMainActions&) = delete;
    TMainActions& operator=(const TMainActions&) = delete;

    TActionList* GetList() const { return FList; }
    // The action of an id; nullptr for an id that is not one of ours.
    TAction* Find(uint16_t Id) const;
    // Sets the handler; the action is enabled from then on (UpdateActions may disable it again).
    void BindAction(uint16_t Id, TNotifyEvent Handler);
    // Enabled only when it has a handler: commands of later work stay off whatever the state says.
    static void SetEnabled(TAction* Action, bool Value);

    TAction* TasksNewAction = nullptr;
    TAction* TasksNewFolderAction = nullptr;
    TAction* TasksPropAction = nullptr;
    TAction* TasksDeleteAction = nullptr;
    TAction* TasksRunAction = nullptr;
    TAction* TasksStopAction = nullptr;
    TAction* TasksRestartAction = nullptr;
    TAction* TasksStopAllAction = nullptr;
    TAction* TasksRefreshAction = nullptr;
    TAction* TasksSaveURLAction = nullptr;
    TAction* TasksImportAction = nullptr;
    TAction* TasksExitAction = nullptr;
    TAction* ViewToolBarAction = nullptr;
    TAction* ViewStatePanelAction = nullptr;
    TAction* ViewFailedPanelAction = nullptr;
    TAction* ViewShowAllFilesAction = nullptr;
    TAction* ViewOptionAction = nullptr;
    TAction* ImageOpenFolderAction = nullptr;
    TAction* ImageDeleteAction = nullptr;
    TAction* ImageDeleteAllAction = nullptr;
    TAction* ImageDeleteByAction = nullptr;
    TAction* ImageCopyToAction = nullptr;
    TAction* ImageMoveToAction = nullptr;
    TAction* ImageWallpaperAction = nullptr;
    TAction* ImageSortByNameAction = nullptr;
    TAction* ImageSortBySizeAction = nullptr;
    TAction* ImageSortByTypeAction = nullptr;
    TAction* ImageUnsortAction = nullptr;
    TAction* ImageFitAction = nullptr;
    TAction* ImageBuildInAction = nullptr;
    TAction* ImageLibraryAction = nullptr;
    TAction* ImageCollectAction = nullptr;
    TAction* HelpAction = nullptr;
    TAction* HelpTipAction = nullptr;
    TAction* HelpWebsiteAction = nullptr;
    TAction* HelpAboutAction = nullptr;

private:
    TAction* Make(uint16_t Id, const std::string& Caption, const std::string& Hint, int32_t ImageIndex = -1,
                  TShortCut Key = scNone);
    TActionList* FList = nullptr;
    std::vector<TAction*> FById; // index Id - maTasksNew
};
