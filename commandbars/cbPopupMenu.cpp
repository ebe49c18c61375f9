#include "commandbars/cbPopupMenu.h"

#include "commandbars/cbItemLinks.h"
#include "commandbars/cbRoutines.h"
#include "commandbars/cbStrings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Graphics.h"

TcbBarPopupMenu::TcbBarPopupMenu(TComponent* AOwner) : TComponent(AOwner)
{
    const TcbBarManagerList* List = BarManagers();
    if (!List || !List->GetItem(0))
        throw Exception(uiGetResourceString(cbsNoBarManagers));
    FBackgroundBitmap = std::make_unique<TBitmap>();
    TcbBarManager* Manager = nullptr;
    if (const auto* Form = dynamic_cast<TCustomForm*>(AOwner))
        Manager = List->ManagerOfForm(Form);
    if (!Manager)
        Manager = List->GetItem(0);
    FFont = std::make_unique<TFont>();
    FItemLinks = std::make_unique<TcbBarItemLinks>(Manager, this);
    FItemLinks->SetUseRecentItems(false);
    FItemLinks->OnChange = [this](TObject*) { Changed(); };
    SetBarManager(Manager);
    {
        TFlagScope Changing(FChangingFont);
        FFont->Assign(Manager->GetFont());
    }
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TcbBarPopupMenu::~TcbBarPopupMenu()
{
    Destroying();
    FItemLinks.reset();
    FFont->OnChange = nullptr;
    FFont.reset();
    DeleteFontHandle();
    SetBarManager(nullptr);
    FBackgroundBitmap.reset();
}

void TcbBarPopupMenu::SetBarManager(TcbBarManager* Value)
{
    if (Value == FBarManager)
        return;
    if (!Value && !GetComponentState().Contains(csDestroying))
        return;
    if (FBarManager) {
        FBarManager->UnregisterPopupMenu(this);
    }
    FBarManager = Value;
    if (FBarManager) {
        FBarManager->RegisterPopupMenu(this);
        if (FItemLinks)
            FItemLinks->SetBarManager(FBarManager);
    }
}

void TcbBarPopupMenu::SetBackgroundBitmap(TBitmap* Value)
{
    FBackgroundBitmap->Assign(Value);
}

void TcbBarPopupMenu::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

void TcbBarPopupMenu::SetItemLinks(TcbBarItemLinks* Value)
{
    FItemLinks->Assign(Value);
}

void TcbBarPopupMenu::DeleteFontHandle()
{
    if (FFontHandle) {
        DeleteObject(FFontHandle);
        FFontHandle = nullptr;
    }
}

void TcbBarPopupMenu::FontChanged(TObject*)
{
    if (FChangingFont)
        return;
    if (!FUseOwnFont) {
        SetUseOwnFont(true);
        return;
    }
    DeleteFontHandle();
    FFontHandle = CopyFontHandle(FFont.get());
}

void TcbBarPopupMenu::SetUseOwnFont(bool Value)
{
    if (Value == FUseOwnFont)
        return;
    FUseOwnFont = Value;
    DeleteFontHandle();
    if (Value) {
        FFontHandle = CopyFontHandle(FFont.get());
        return;
    }
    if (FBarManager) {
        TFlagScope Changing(FChangingFont);
        FFont->Assign(FBarManager->GetFont());
    }
}

void TcbBarPopupMenu::SetUseRecentItems(bool Value)
{
    FUseRecentItems = Value;
    FItemLinks->SetUseRecentItems(Value);
}

void TcbBarPopupMenu::DoPaintBar(TCanvas* Canvas, const TRect& R)
{
    if (OnPaintBar)
        OnPaintBar(this, Canvas, R);
}

bool TcbBarPopupMenu::IsShortCut(TShortCut ShortCut)
{
    return FItemLinks->IsShortCut(ShortCut);
}

void TcbBarPopupMenu::Loaded()
{
    TComponent::Loaded();
    FItemLinks->ApplyLoadedState();
}

void TcbBarPopupMenu::Changed()
{
    const TComponentState State = GetComponentState();
    if (State.Contains(csDesigning) && !State.Contains(csLoading) && !State.Contains(csDestroying) && FBarManager)
        FBarManager->DesignerModified();
}
