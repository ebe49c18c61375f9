#include "app/ViewerCommandBars.h"

#include <string>

#include "app/ViewImageForm.h"
#include "imagelib/ImgScroll.h"
#include "platform/win/Actions.h"
#include "platform/win/Menus.h"

TViewerCommandBars::TViewerCommandBars(TViewImageForm* Form)
{
    FPopupMenu = new TPopupMenu(Form);
    FPopupMenu->SetName("ImagePopupMenu");
    // nullptr marks the start of a group.
    for (TAction* A : {Form->SlideShowAction, static_cast<TAction*>(nullptr), Form->PrevAction, Form->NextAction,
                       static_cast<TAction*>(nullptr), Form->OrgSizeAction, Form->ZoomInAction, Form->ZoomOutAction,
                       static_cast<TAction*>(nullptr), Form->TurnLeftAction, Form->TurnRightAction,
                       static_cast<TAction*>(nullptr), Form->CloseAction})
        FPopupMenu->AddItem(A ? std::string() : std::string("-"), nullptr, A);
    Form->ImageScrollBox->SetPopupMenu(FPopupMenu);
}
