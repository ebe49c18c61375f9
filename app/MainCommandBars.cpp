#include "app/MainCommandBars.h"

#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"
#include "platform/win/Menus.h"
#include "platform/win/ToolBar.h"

TMainCommandBars::TMainCommandBars(TCustomForm* Form, TMainActions* Actions, TImageList* Glyphs)
    : FActions(Actions)
{
    FMainMenu = new TMainMenu(Form);
    for (const TMainMenuLayout& Menu : MainMenuLayout()) {
        TMenuItem* Top = FMainMenu->AddItem(Menu.Caption);
        for (uint16_t Id : Menu.Items)
            FMainMenu->AddItem(Id ? std::string() : std::string("-"), Top, Id ? Actions->Find(Id) : nullptr);
    }

    FToolBar = new TToolBar(Form);
    FToolBar->SetName("StandardToolBar");
    FToolBar->SetParent(Form);
    FToolBar->SetAlign(alTop);
    FToolBar->SetAutoSize(true);
    FToolBar->SetFlat(true);
    if (Glyphs)
        FToolBar->SetImages(Glyphs);
    for (uint16_t Id : MainToolBarLayout()) {
        if (!Id) {
            FToolBar->AddButton(std::string(), tbsSeparator);
            continue;
        }
        TToolButton* B = FToolBar->AddButton();
        B->SetAction(Actions->Find(Id));
    }

    FTreePopup = new TPopupMenu(Form);
    FillPopup(FTreePopup, MainMenuLayout()[0].Items);
    FImagesPopup = new TPopupMenu(Form);
    FillPopup(FImagesPopup, MainMenuLayout()[2].Items);
}

void TMainCommandBars::FillPopup(TPopupMenu* Menu, const TMainBarLayout& Layout)
{
    for (uint16_t Id : Layout)
        Menu->AddItem(Id ? std::string() : std::string("-"), nullptr, Id ? FActions->Find(Id) : nullptr);
}

bool TMainCommandBars::GetToolBarVisible() const
{
    return FToolBar->GetVisible();
}

void TMainCommandBars::SetToolBarVisible(bool Value)
{
    FToolBar->SetVisible(Value);
}

TToolButton* TMainCommandBars::ButtonOf(uint16_t ActionId) const
{
    TAction* A = FActions->Find(ActionId);
    if (!A)
        return nullptr;
    for (int32_t I = 0; I < FToolBar->GetButtonCount(); ++I)
        if (FToolBar->GetButtons(I)->GetAction() == A)
            return FToolBar->GetButtons(I);
    return nullptr;
}
