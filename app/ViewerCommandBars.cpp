#include "app/ViewerCommandBars.h"

#include <string>

#include "app/ViewImageForm.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "imagelib/ImgScroll.h"
#include "platform/win/Actions.h"
#include "platform/win/FormDesign.h"

namespace {

// The menu's rows: a button name and its action; a row without a name starts a group.
struct TViewerRow {
    const char* Name;
    TAction* TViewImageForm::*Action;
};
const TViewerRow kRows[] = {
    {"SlideShowButton", &TViewImageForm::SlideShowAction},
    {nullptr, nullptr},
    {"PrevButton", &TViewImageForm::PrevAction},
    {"NextButton", &TViewImageForm::NextAction},
    {nullptr, nullptr},
    {"OrgSizeButton", &TViewImageForm::OrgSizeAction},
    {"ZoomInButton", &TViewImageForm::ZoomInAction},
    {"ZoomOutButton", &TViewImageForm::ZoomOutAction},
    {nullptr, nullptr},
    {"TurnLeftButton", &TViewImageForm::TurnLeftAction},
    {"TurnRightButton", &TViewImageForm::TurnRightAction},
    {nullptr, nullptr},
    {"CloseButton", &TViewImageForm::CloseAction},
};

// In a replay (Restoring) the root is a plain form: no action, control or event is bound.
void BuildViewerBars(TCustomForm& Root, const TFormDesignContext& Ctx)
{
    TViewImageForm* Form = Ctx.Restoring ? nullptr : dynamic_cast<TViewImageForm*>(&Root);
    auto* Manager = new TcbBarManager(&Root);
    Manager->SetName("BarManager");
    Manager->SetStyle(bmsFlat);
    auto* Menu = new TcbBarPopupMenu(&Root);
    Menu->SetName("ImagePopupMenu");
    bool Group = false;
    for (const TViewerRow& Row : kRows) {
        if (!Row.Name) {
            Group = true;
            continue;
        }
        auto* Button = new TcbBarButton(&Root);
        Button->SetName(Row.Name);
        if (Row.Action == &TViewImageForm::SlideShowAction)
            Button->SetButtonStyle(bsChecked);
        if (Form)
            Button->SetAction(Form->*Row.Action);
        TcbBarItemLink* Link = Menu->GetItemLinks()->Add();
        Link->SetItem(Button);
        Link->SetBeginGroup(Group);
        Group = false;
    }
    TcbBarPopupMenuLink* Link = Manager->GetPopupMenuLinks()->Add();
    Link->SetPopupMenu(Menu);
    Link->SetProcessChildren(true);
    if (Form)
        Link->SetControl(Form->ImageScrollBox);
}

} // namespace

void TViewerCommandBars::RegisterDesign()
{
    RegisterFormDesign("TViewImageForm", BuildViewerBars);
}

TViewerCommandBars::TViewerCommandBars(TViewImageForm* Form)
{
    RegisterDesign();
    ApplyFormDesign(*Form);
    FBarManager = dynamic_cast<TcbBarManager*>(Form->FindComponent("BarManager"));
    FPopupMenu = dynamic_cast<TcbBarPopupMenu*>(Form->FindComponent("ImagePopupMenu"));
}
