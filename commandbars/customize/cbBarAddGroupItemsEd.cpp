#include "commandbars/customize/cbBarAddGroupItemsEd.h"

#include <vector>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Graphics.h"

namespace {

// The smallest client area the dialog can be sized to.
constexpr int32_t kMinClientWidth = 200, kMinClientHeight = 200;
constexpr UINT kRowTextFlags = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

} // namespace

// ---------------------------------------------------------------------------------------------
// The list

void TcbAddGroupItemsListBox::CreateWnd()
{
    TListBox::CreateWnd();
    // The class is this list's own (registered by its class name), so the change reaches no
    // other list.
    const ULONG_PTR Style = GetClassLongPtrA(GetHandle(), GCL_STYLE);
    if (!(Style & CS_HREDRAW))
        SetClassLongPtrA(GetHandle(), GCL_STYLE, static_cast<LONG_PTR>(Style | CS_HREDRAW));
}

void TcbAddGroupItemsListBox::FillBelowLastRow()
{
    RECT Client{};
    ::GetClientRect(GetHandle(), &Client);
    int32_t Top = 0;
    const int32_t Count = GetItems()->GetCount();
    if (Count > 0) {
        RECT Last{};
        if (SendMessageA(GetHandle(), LB_GETITEMRECT, static_cast<WPARAM>(Count - 1), reinterpret_cast<LPARAM>(&Last)) !=
            LB_ERR)
            Top = Last.bottom;
    }
    if (Top >= Client.bottom)
        return;
    HDC DC = GetDC(GetHandle());
    const RECT Rest{Client.left, Top < 0 ? 0 : Top, Client.right, Client.bottom};
    FillRect(DC, &Rest, GetSysColorBrush(COLOR_BTNFACE));
    ReleaseDC(GetHandle(), DC);
}

void TcbAddGroupItemsListBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_PAINT:
        TListBox::WndProc(Message);
        FillBelowLastRow();
        return;
    default:
        TListBox::WndProc(Message);
    }
}

// ---------------------------------------------------------------------------------------------
// The dialog

TfrmAddGroupItems::TfrmAddGroupItems(TComponent* AOwner, TcbBarGroup* Group, TList* ResultList)
    : TForm(AOwner), FGroup(Group), FResultList(ResultList)
{
    SetCaption(uiGetResourceString(cbsAddGroupItems));
    SetBorderStyle(bsSizeable);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetPosition(poScreenCenter);
    SetClientSize(280, 360);

    pnlButtons = new TPanel(this);
    pnlButtons->SetBevelOuter(bvNone);
    pnlButtons->SetBounds(0, 319, 280, 41);
    pnlButtons->SetAlign(alBottom);
    pnlButtons->SetParent(this);
    btnOk = new TButton(this);
    btnOk->SetBounds(114, 8, 75, 25);
    btnOk->SetAnchors(TAnchors{akTop, akRight});
    btnOk->SetParent(pnlButtons);
    btnOk->SetCaption(uiGetResourceString(cbsOK));
    btnOk->SetDefault(true);
    btnOk->SetModalResult(mrOk);
    btnOk->OnClick = [this](TObject* S) { btnOkClick(S); };
    btnCancel = new TButton(this);
    btnCancel->SetBounds(197, 8, 75, 25);
    btnCancel->SetAnchors(TAnchors{akTop, akRight});
    btnCancel->SetParent(pnlButtons);
    btnCancel->SetCaption(uiGetResourceString(cbsCancel));
    btnCancel->SetCancel(true);
    btnCancel->SetModalResult(mrCancel);

    lbGroupItems = new TcbAddGroupItemsListBox(this);
    lbGroupItems->SetBounds(0, 0, 280, 319);
    lbGroupItems->SetAlign(alClient);
    lbGroupItems->SetStyle(lbOwnerDrawVariable);
    lbGroupItems->SetMultiSelect(true);
    lbGroupItems->OnMeasureItem = [this](TObject* C, int32_t I, int32_t& H) { lbGroupItemsMeasureItem(C, I, H); };
    lbGroupItems->OnDrawItem = [this](TObject* C, int32_t I, TRect R, TOwnerDrawState S) {
        lbGroupItemsDrawItem(C, I, R, S);
    };
    lbGroupItems->SetParent(this);
    SetActiveControl(lbGroupItems);
    FillList();
}

int32_t TfrmAddGroupItems::LineHeight()
{
    if (FLineHeight == 0)
        FLineHeight = MeasureText(lbGroupItems->GetFont(), "Qq", DT_SINGLELINE | DT_NOPREFIX).cy + 2;
    return FLineHeight;
}

void TfrmAddGroupItems::FillList()
{
    TStrings* Items = lbGroupItems->GetItems();
    Items->BeginUpdate();
    TScopeExit EndUpdate([Items] { Items->EndUpdate(); });
    Items->Clear();
    TcbBarManager* Manager = FGroup ? FGroup->GetBarManager() : nullptr;
    if (!Manager)
        return;
    if (Manager->GetGroupCount() > 1) {
        Items->Add(uiGetResourceString(cbsGroupsEntry));
        for (int32_t I = 0; I < Manager->GetGroupCount(); ++I)
            if (TcbBarGroup* Other = Manager->GetGroup(I); Other != FGroup)
                Items->AddObject(Other->GetName(), Other);
    }
    TStrings* Categories = Manager->GetCategories();
    std::vector<TcbBarItem*> Shown;
    for (int32_t C = 0; C < Categories->GetCount(); ++C) {
        Shown.clear();
        if (Manager->GetItemsByCategory(C, Shown) == 0)
            continue;
        Items->Add("~" + Categories->GetStrings(C));
        for (TcbBarItem* Item : Shown)
            Items->AddObject(Item->GetCaption(), Item);
    }
}

void TfrmAddGroupItems::lbGroupItemsMeasureItem(TObject*, int32_t Index, int32_t& Height)
{
    // An item's row holds two lines: its caption over its component name.
    TStrings* Items = lbGroupItems->GetItems();
    const bool ItemRow = Index >= 0 && Index < Items->GetCount() &&
                         dynamic_cast<TcbBarItem*>(Items->GetObjects(Index)) != nullptr;
    Height = ItemRow ? 2 * LineHeight() : LineHeight();
}

void TfrmAddGroupItems::lbGroupItemsDrawItem(TObject*, int32_t Index, TRect R, TOwnerDrawState State)
{
    TStrings* Items = lbGroupItems->GetItems();
    if (Index < 0 || Index >= Items->GetCount())
        return;
    TCanvas* Canvas = lbGroupItems->GetCanvas();
    const std::string Text = Items->GetStrings(Index);
    if (IsHeaderRow(Text)) {
        Canvas->GetBrush()->SetColor(clBtnFace);
        Canvas->GetFont()->SetColor(clBtnText);
        Canvas->TextRect(R, R.left + 2, R.top + 1, Text.substr(1));
        return;
    }
    auto* Member = dynamic_cast<TComponent*>(Items->GetObjects(Index));
    const bool Selected = State.Contains(odSelected);
    // Members already in the group are greyed; a selected one still shows its selection.
    if (Member && FGroup && FGroup->IndexOf(Member) >= 0 && !Selected) {
        Canvas->GetBrush()->SetColor(clWindow);
        Canvas->GetFont()->SetColor(clBtnFace);
    }
    Canvas->FillRect(R);
    auto* Item = dynamic_cast<TcbBarItem*>(Member);
    if (!Item) {
        TRect T = R;
        Canvas->TextRect(T, "   " + Text, kRowTextFlags);
        return;
    }
    const int32_t Middle = R.top + (R.bottom - R.top) / 2;
    TRect Upper = Rect(R.left, R.top, R.right, Middle);
    Canvas->TextRect(Upper, "   " + Text, kRowTextFlags);
    TRect Lower = Rect(R.left, Middle + 1, R.right, R.bottom);
    Canvas->TextRect(Lower, "   " + Item->GetName(), kRowTextFlags);
    HBRUSH Line = GetSysColorBrush(Selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    const RECT LineRect{R.left, Middle, R.right, Middle + 1};
    FillRect(Canvas->GetHandle(), &LineRect, Line);
}

void TfrmAddGroupItems::btnOkClick(TObject*)
{
    if (!FResultList)
        return;
    TStrings* Items = lbGroupItems->GetItems();
    for (int32_t I = 0; I < Items->GetCount(); ++I)
        if (lbGroupItems->GetSelected(I))
            if (auto* Member = dynamic_cast<TComponent*>(Items->GetObjects(I)))
                FResultList->Add(Member);
}

void TfrmAddGroupItems::WndProc(TMessage& Message)
{
    TForm::WndProc(Message);
    if (Message.Msg == WM_GETMINMAXINFO) {
        RECT Frame{0, 0, kMinClientWidth, kMinClientHeight};
        AdjustWindowRectEx(&Frame, static_cast<DWORD>(GetWindowLongPtrA(GetHandle(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(GetHandle(), GWL_EXSTYLE)));
        auto* Info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
        Info->ptMinTrackSize.x = Frame.right - Frame.left;
        Info->ptMinTrackSize.y = Frame.bottom - Frame.top;
    }
}

bool ShowAddGroupItems(TcbBarGroup* Group, TList* ResultList)
{
    if (!Group)
        return false;
    const TComponentPtr<TfrmAddGroupItems> Dialog(new TfrmAddGroupItems(nullptr, Group, ResultList));
    return Dialog->ShowModal() == mrOk;
}
