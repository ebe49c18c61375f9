#include "app/MainActions.h"

#include <windows.h>

const std::vector<TMainMenuLayout>& MainMenuLayout()
{
    static const std::vector<TMainMenuLayout> Layout = {
        {"Tasks",
         {maTasksNew, maTasksNewFolder, maTasksProp, maTasksDelete, 0, maTasksRun, maTasksStop, maTasksRestart,
          maTasksStopAll, 0, maTasksRefresh, maTasksSaveURL, maTasksImport, 0, maTasksExit}},
        {"View", {maViewToolBar, maViewStatePanel, maViewFailedPanel, maViewShowAllFiles, 0, maViewOption}},
        {"Image",
         {maImageOpenFolder, 0, maImageDelete, maImageDeleteAll, maImageDeleteBy, 0, maImageCopyTo, maImageMoveTo, 0,
          maImageWallpaper, 0, maImageSortByName, maImageSortBySize, maImageSortByType, maImageUnsort, maImageFit, 0,
          maImageBuildIn, maImageLibrary, maImageCollect}},
        {"Help", {maHelp, maHelpTip, maHelpWebsite, 0, maHelpAbout}},
    };
    return Layout;
}

const TMainBarLayout& MainToolBarLayout()
{
    static const TMainBarLayout Layout = {maTasksNew, maTasksNewFolder, maTasksProp, maTasksDelete, 0,
                                          maTasksRun, maTasksStop,      maTasksRestart, maTasksStopAll, 0,
                                          maTasksRefresh, maTasksImport, 0, maViewOption, 0, maHelp};
    return Layout;
}

TMainActions::TMainActions(TComponent* Owner)
    : FList(new TActionList(Owner)), FById(maLastAction - maTasksNew + 1, nullptr)
{
    // Toolbar glyphs are the indices of the "Standard" toolbar's image strip.
    TasksNewAction = Make(maTasksNew, "New", "Create a new download task", 0);
    TasksNewFolderAction = Make(maTasksNewFolder, "New Folder", "Create a folder for tasks", 1);
    TasksPropAction = Make(maTasksProp, "Properties", "Edit the selected task", 2);
    TasksDeleteAction = Make(maTasksDelete, "Delete", "Delete the selected task or folder", 3);
    TasksRunAction = Make(maTasksRun, "Run", "Start downloading the selected task", 4);
    TasksStopAction = Make(maTasksStop, "Stop", "Stop the selected task", 5);
    TasksRestartAction = Make(maTasksRestart, "Restart", "Download the selected task again from its start", 6);
    TasksStopAllAction = Make(maTasksStopAll, "Stop all", "Stop every running and queued task", 7);
    TasksRefreshAction = Make(maTasksRefresh, "Refresh", "Read the task tree from disk again", 8);
    TasksSaveURLAction = Make(maTasksSaveURL, "Save URL", "Save the addresses of the selected task to a text file");
    TasksImportAction = Make(maTasksImport, "Import", "Import tasks from the web", 9);
    TasksExitAction = Make(maTasksExit, "Exit", "Stop every task and close the program");
    ViewToolBarAction = Make(maViewToolBar, "Standard tool bar", "Show or hide the tool bar");
    ViewStatePanelAction = Make(maViewStatePanel, "View log and info panel", "Show or hide the log and report panel");
    ViewFailedPanelAction = Make(maViewFailedPanel, "Failed URL panel", "Show or hide the failed addresses");
    ViewShowAllFilesAction = Make(maViewShowAllFiles, "Show All Files", "Show other files in the task tree too");
    ViewOptionAction = Make(maViewOption, "Options", "Change the program's options", 10);
    ImageOpenFolderAction = Make(maImageOpenFolder, "Open folder", "Open the folder of the downloaded files");
    ImageDeleteAction = Make(maImageDelete, "Delete", "Delete the selected pictures");
    ImageDeleteAllAction = Make(maImageDeleteAll, "Delete All", "Delete every downloaded picture of the task");
    ImageDeleteByAction = Make(maImageDeleteBy, "Delete By...", "Delete pictures by size or dimensions");
    ImageCopyToAction = Make(maImageCopyTo, "Copy to ...", "Copy the selected pictures to a folder");
    ImageMoveToAction = Make(maImageMoveTo, "Move to ...", "Move the selected pictures to a folder");
    ImageWallpaperAction = Make(maImageWallpaper, "Set wallpaper", "Use the selected picture as wallpaper");
    ImageSortByNameAction = Make(maImageSortByName, "Sort by name", "Sort the pictures by name");
    ImageSortBySizeAction = Make(maImageSortBySize, "Sort by size", "Sort the pictures by size");
    ImageSortByTypeAction = Make(maImageSortByType, "Sort by type", "Sort the pictures by type");
    ImageUnsortAction = Make(maImageUnsort, "Unsort", "Show the pictures in folder order");
    ImageFitAction = Make(maImageFit, "Fit", "Fit the preview into its pane");
    ImageBuildInAction = Make(maImageBuildIn, "Build-in", "Add the listed pictures to the images library");
    ImageLibraryAction = Make(maImageLibrary, "Library", "Open the images library");
    ImageCollectAction = Make(maImageCollect, "Collect", "Collect pictures into one folder");
    HelpAction = Make(maHelp, "Help", "Open the help", 11, VK_F1);
    HelpTipAction = Make(maHelpTip, "Tip of the day", "Show a tip");
    HelpWebsiteAction = Make(maHelpWebsite, "Visit our website", "Open the program's website");
    HelpAboutAction = Make(maHelpAbout, "About", "About this program");
}

TAction* TMainActions::Make(uint16_t Id, const std::string& Caption, const std::string& Hint, int32_t ImageIndex,
                            TShortCut Key)
{
    TAction* A = FList->AddAction(Caption, Key);
    A->SetCommandId(Id);
    // Short part (the caption) for tooltips, long part for the status bar.
    A->SetHint(Caption + "|" + Hint);
    A->SetImageIndex(ImageIndex);
    A->SetEnabled(false);
    FById[Id - maTasksNew] = A;
    return A;
}

TAction* TMainActions::Find(uint16_t Id) const
{
    if (Id < maTasksNew || Id > maLastAction)
        return nullptr;
    return FById[Id - maTasksNew];
}

void TMainActions::BindAction(uint16_t Id, TNotifyEvent Handler)
{
    TAction* A = Find(Id);
    if (!A)
        return;
    A->OnExecute = std::move(Handler);
    A->SetEnabled(static_cast<bool>(A->OnExecute));
}

void TMainActions::SetEnabled(TAction* Action, bool Value)
{
    if (Action)
        Action->SetEnabled(Value && static_cast<bool>(Action->OnExecute));
}
