#include "app/MainCommandBars.h"

#include <array>
#include <string>

#include "app/MainActions.h"
#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/FormDesign.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"

namespace {

constexpr int32_t kActionCount = maLastAction - maTasksNew + 1;

// The component names of the buttons: each action's name, by id - maTasksNew, + "Button".
const std::array<const char*, kActionCount> kActionNames = {
    "TasksNew",       "TasksNewFolder",  "TasksProp",       "TasksDelete",     "TasksRun",
    "TasksStop",      "TasksRestart",    "TasksStopAll",    "TasksRefresh",    "TasksSaveURL",
    "TasksImport",    "TasksExit",       "ViewToolBar",     "ViewStatePanel",  "ViewFailedPanel",
    "ViewShowAllFiles", "ViewOption",    "ImageOpenFolder", "ImageDelete",     "ImageDeleteAll",
    "ImageDeleteBy",  "ImageCopyTo",     "ImageMoveTo",     "ImageWallpaper",  "ImageSortByName",
    "ImageSortBySize", "ImageSortByType", "ImageUnsort",    "ImageFit",        "ImageBuildIn",
    "ImageLibrary",   "ImageCollect",    "Help",            "HelpTip",         "HelpWebsite",
    "HelpAbout"};

// The commands that carry a tick.
constexpr uint16_t kTickedCommands[] = {maViewToolBar,     maViewStatePanel,  maViewFailedPanel,
                                        maViewShowAllFiles, maImageSortByName, maImageSortBySize,
                                        maImageSortByType, maImageUnsort,     maImageFit};

// The menus of the menu bar, in order: their sub-items' names and the manager's categories.
const char* const kMenuNames[] = {"Tasks", "View", "Image", "Help"};
constexpr int32_t kTasksMenu = 0;
constexpr int32_t kImageMenu = 2;

const char* const kManagerName = "BarManager";
constexpr int32_t kStandardBar = 1;

std::string ButtonName(uint16_t Id) { return std::string(kActionNames[Id - maTasksNew]) + "Button"; }
std::string SubItemName(int32_t Menu) { return std::string(kMenuNames[Menu]) + "SubItem"; }

bool IsTicked(uint16_t Id)
{
    for (uint16_t T : kTickedCommands)
        if (T == Id)
            return true;
    return false;
}

// Links to the buttons of Layout in order; a separator (0) starts a group at the next link.
void LinkLayout(TcbBarItemLinks* Links, const TMainBarLayout& Layout, TCustomForm& Root)
{
    bool Group = false;
    for (uint16_t Id : Layout) {
        if (!Id) {
            Group = true;
            continue;
        }
        TcbBarItemLink* Link = Links->Add();
        Link->SetItem(static_cast<TcbBarItem*>(Root.FindComponent(ButtonName(Id))));
        Link->SetBeginGroup(Group);
        Group = false;
    }
}

// The bindings of the window whose design is being applied; a replay has none.
const TMainBarBindings* gApplying = nullptr;

// The command-bar part of the main window's design. In a replay (Restoring) it makes the same
// components with no action, image list, control or event bound: the root is then a plain form.
void BuildMainFormBars(TCustomForm& Root, const TFormDesignContext& Ctx)
{
    const TMainBarBindings* Bound = !Ctx.Restoring && gApplying && gApplying->Form == &Root ? gApplying : nullptr;

    auto* Manager = new TcbBarManager(&Root);
    Manager->SetName(kManagerName);
    Manager->SetStyle(bmsFlat);
    for (const char* Category : kMenuNames)
        Manager->GetCategories()->Add(Category);
    if (Bound)
        Manager->SetImages(Bound->Glyphs);

    const std::vector<TMainMenuLayout>& Menus = MainMenuLayout();
    for (int32_t Menu = 0; Menu < static_cast<int32_t>(Menus.size()); ++Menu)
        for (uint16_t Id : Menus[Menu].Items) {
            if (!Id)
                continue;
            auto* Button = new TcbBarButton(&Root);
            Button->SetName(ButtonName(Id));
            Button->SetCategory(Menu);
            if (IsTicked(Id))
                Button->SetButtonStyle(bsChecked);
            if (Bound)
                Button->SetAction(Bound->Actions->Find(Id));
        }

    std::vector<TcbBarSubItem*> SubItems;
    for (int32_t Menu = 0; Menu < static_cast<int32_t>(Menus.size()); ++Menu) {
        auto* SubItem = new TcbBarSubItem(&Root);
        SubItem->SetName(SubItemName(Menu));
        SubItem->SetCaption("&" + Menus[Menu].Caption);
        SubItem->SetCategory(Menu);
        LinkLayout(SubItem->GetItemLinks(), Menus[Menu].Items, Root);
        SubItems.push_back(SubItem);
    }

    TcbBar* MainMenu = Manager->GetBars()->Add();
    MainMenu->SetName("MainMenuBar");
    MainMenu->SetCaption("Main Menu");
    MainMenu->SetIsMainMenu(true);
    MainMenu->SetDockingStyle(dsTop);
    MainMenu->SetRow(0);
    MainMenu->SetWholeRow(true);
    MainMenu->SetMultiLine(true);
    MainMenu->SetAllowClose(false);
    for (TcbBarSubItem* SubItem : SubItems)
        MainMenu->GetItemLinks()->Add()->SetItem(SubItem);
    MainMenu->SetVisible(true);

    TcbBar* Standard = Manager->GetBars()->Add();
    Standard->SetName("StandardBar");
    Standard->SetCaption("Standard");
    Standard->SetDockingStyle(dsTop);
    Standard->SetRow(1);
    LinkLayout(Standard->GetItemLinks(), MainToolBarLayout(), Root);
    // Shown until the window's start applies the "Standard tool bar" tick.
    Standard->SetVisible(true);

    auto* TasksPopup = new TcbBarPopupMenu(&Root);
    TasksPopup->SetName("TasksPopupMenu");
    LinkLayout(TasksPopup->GetItemLinks(), Menus[kTasksMenu].Items, Root);
    auto* ImagesPopup = new TcbBarPopupMenu(&Root);
    ImagesPopup->SetName("ImagesPopupMenu");
    LinkLayout(ImagesPopup->GetItemLinks(), Menus[kImageMenu].Items, Root);

    TcbBarPopupMenuLink* TreeLink = Manager->GetPopupMenuLinks()->Add();
    TreeLink->SetPopupMenu(TasksPopup);
    TreeLink->SetProcessChildren(true);
    TcbBarPopupMenuLink* ListLink = Manager->GetPopupMenuLinks()->Add();
    ListLink->SetPopupMenu(ImagesPopup);
    ListLink->SetProcessChildren(true);
    if (!Bound)
        return;
    TreeLink->SetControl(Bound->TasksTree);
    ListLink->SetControl(Bound->ImagesList);
    // From the mouse the command acts on what was clicked; from the keyboard (the menu key,
    // Shift+F10) on the selection as it is, and the menu opens at the selected node or row.
    auto Action = [](std::function<void(int32_t, int32_t)> Select, std::function<bool(int32_t&, int32_t&)> Place) {
        return [Select, Place](TcbBarPopupMenuLink*, int32_t& X, int32_t& Y, bool ByMouse, bool&) {
            if (ByMouse && Select)
                Select(X, Y);
            else if (!ByMouse && Place)
                Place(X, Y);
        };
    };
    TreeLink->OnAction = Action(Bound->TreeRightClick, Bound->TreeMenuPoint);
    ListLink->OnAction = Action(Bound->ListRightClick, Bound->ListMenuPoint);
    // The tick follows the toolbar also when the framework shows or hides it (its toolbars
    // popup, a floating bar's close button), so the menu and the stored setting say what shows.
    TAction* ToolBarTick = Bound->Actions->ViewToolBarAction;
    Manager->OnBarVisibleChange = [ToolBarTick](TObject*, TcbBar* Bar) {
        if (Bar->GetIndex() == kStandardBar)
            ToolBarTick->SetChecked(Bar->GetVisible());
    };
}

} // namespace

void TMainCommandBars::RegisterDesign()
{
    RegisterFormDesign("TMainForm", BuildMainFormBars);
}

TMainCommandBars::TMainCommandBars(const TMainBarBindings& Bindings)
{
    TCustomForm* Form = Bindings.Form;
    RegisterDesign();
    {
        gApplying = &Bindings;
        TScopeExit Applied([] { gApplying = nullptr; });
        ApplyFormDesign(*Form);
    }
    FBarManager = static_cast<TcbBarManager*>(Form->FindComponent(kManagerName));
    FItems.resize(kActionCount, nullptr);
    for (uint16_t Id = maTasksNew; Id <= maLastAction; ++Id)
        FItems[Id - maTasksNew] = dynamic_cast<TcbBarButton*>(Form->FindComponent(ButtonName(Id)));
    FTasksPopupMenu = dynamic_cast<TcbBarPopupMenu*>(Form->FindComponent("TasksPopupMenu"));
    FImagesPopupMenu = dynamic_cast<TcbBarPopupMenu*>(Form->FindComponent("ImagesPopupMenu"));
}

TcbBarButton* TMainCommandBars::ItemOf(uint16_t ActionId) const
{
    if (ActionId < maTasksNew || ActionId > maLastAction)
        return nullptr;
    return FItems[ActionId - maTasksNew];
}

bool TMainCommandBars::GetToolBarVisible() const
{
    return FBarManager->GetBars()->GetItem(kStandardBar)->GetVisible();
}

void TMainCommandBars::SetToolBarVisible(bool Value)
{
    FBarManager->GetBars()->GetItem(kStandardBar)->SetVisible(Value);
}
