#include "commandbars/customize/cbBarCustForm.h"

#include <algorithm>

#include <windowsx.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/input/cbBarDrag.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/customize/cbBarCustFormList.h"
#include "commandbars/customize/cbBarCustFormPainters.h"
#include "commandbars/customize/cbBarNameEd.h"
#include "commandbars/customize/cbBarPopupMenuEd.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Tabs.h"

namespace {

TcbBarCustomizingForm* gForm = nullptr;
// The forms the dialog's opening disabled; enabled again when it goes.
std::vector<TCustomForm*> gDisabledForms;
// The command list's drag is running.
bool gDragging = false;

constexpr int32_t kCommandRowHeight = 22;
// The right edge of the rows of controls on a sheet.
constexpr int32_t kSheetRight = 376;

template <class T>
T* Place(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    T* C = new T(Owner);
    C->SetBounds(X, Y, W, H);
    C->SetParent(Parent);
    return C;
}

// A label of a fixed size (an auto-sized one shrinks to its text while that is still empty).
TLabel* PlaceLabel(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    auto* L = new TLabel(Owner);
    L->SetAutoSize(false);
    L->SetBounds(X, Y, W, H);
    L->SetParent(Parent);
    return L;
}

TPanel* PlainPanel(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    auto* P = Place<TPanel>(Parent, Owner, X, Y, W, H);
    P->SetBevelOuter(bvNone);
    return P;
}

// A group caption and the etched line that runs from its end to the sheet's right edge.
TPanel* EtchedLineAfter(TLabel* Label, TComponent* Owner)
{
    auto* Line = new TPanel(Owner);
    Line->SetBevelOuter(bvLowered);
    Line->SetBevelWidth(1);
    Line->SetParent(Label->GetParent());
    return Line;
}

// Puts the etched line beside its label, once the label's text is known.
void PlaceEtchedLine(TLabel* Label, TPanel* Line)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Label->GetFont()->GetHandle());
    SIZE Size{};
    const std::string Text = TControl::StripHotKey(Label->GetCaption());
    GetTextExtentPoint32A(DC, Text.c_str(), static_cast<int>(Text.size()), &Size);
    TEXTMETRICA Metrics{};
    GetTextMetricsA(DC, &Metrics);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    const int32_t Left = Label->GetLeft() + Size.cx + 2;
    Label->SetWidth(Size.cx + 1);
    Line->SetBounds(Left, Label->GetTop() + Metrics.tmHeight / 2, std::max<int32_t>(kSheetRight - Left, 0), 2);
}

const std::vector<int32_t> kAnimationTexts{cbsAnimationNone, cbsAnimationRandom, cbsAnimationUnfold,
                                           cbsAnimationSlide, cbsAnimationFade};

} // namespace

// =============================================================================================
// TCheckListBox

TCheckListBox::TCheckListBox(TComponent* AOwner) : TListBox(AOwner)
{
    SetStyle(lbOwnerDrawFixed);
    SetItemHeight(18);
}

TcbBar* TCheckListBox::GetBar(int32_t Index) const
{
    auto* Self = const_cast<TCheckListBox*>(this);
    if (Index < 0 || Index >= Self->GetItems()->GetCount())
        return nullptr;
    return static_cast<TcbBar*>(Self->GetItems()->GetObjects(Index));
}

int32_t TCheckListBox::IndexOfBar(const TcbBar* Bar) const
{
    auto* Self = const_cast<TCheckListBox*>(this);
    for (int32_t I = 0; Bar && I < Self->GetItems()->GetCount(); ++I)
        if (Self->GetItems()->GetObjects(I) == Bar)
            return I;
    return -1;
}

TRect TCheckListBox::CheckRect(int32_t Index) const
{
    const TRect Row = ItemRect(Index);
    const int32_t Size = 13;
    const int32_t Left = Row.left + (GetCheckWidth() - Size) / 2;
    const int32_t Top = Row.top + (Row.bottom - Row.top - Size) / 2;
    return Rect(Left, Top, Left + Size, Top + Size);
}

void TCheckListBox::ToggleBarVisible(int32_t Index)
{
    TcbBar* Bar = GetBar(Index);
    if (!Bar)
        return;
    if (!Bar->CanClose()) {
        MessageBeep(0);
        return;
    }
    Bar->SetVisible(!Bar->GetVisible());
    if (HandleAllocated()) {
        const TRect R = ItemRect(Index);
        InvalidateRect(GetHandle(), &R, FALSE);
    }
}

void TCheckListBox::DrawRow(const DRAWITEMSTRUCT& D)
{
    const int32_t Index = static_cast<int32_t>(D.itemID);
    TcbBar* Bar = GetBar(Index);
    const bool Selected = (D.itemState & ODS_SELECTED) != 0;
    RECT Row = D.rcItem;
    // The check column keeps the list's colour; only the caption shows the selection.
    RECT Check = Row;
    Check.right = Row.left + GetCheckWidth();
    FillRect(D.hDC, &Check, GetSysColorBrush(COLOR_WINDOW));
    RECT Text = Row;
    Text.left = Check.right;
    FillRect(D.hDC, &Text, GetSysColorBrush(Selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (!Bar)
        return;
    const TRect Box = CheckRect(Index);
    RECT B{Box.left, Box.top, Box.right, Box.bottom};
    UINT State = DFCS_BUTTONCHECK;
    if (Bar->GetVisible())
        State |= DFCS_CHECKED;
    if (!Bar->CanClose())
        State |= DFCS_INACTIVE;
    DrawFrameControl(D.hDC, &B, DFC_BUTTON, State);
    HGDIOBJ OldFont = SelectObject(D.hDC, GetFont()->GetHandle());
    SetBkMode(D.hDC, TRANSPARENT);
    SetTextColor(D.hDC, GetSysColor(Selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    Text.left += 2;
    const std::string Caption = Bar->GetCaption();
    DrawTextA(D.hDC, Caption.c_str(), static_cast<int>(Caption.size()), &Text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(D.hDC, OldFont);
    if (D.itemState & ODS_FOCUS) {
        RECT Focus = Row;
        Focus.left = Check.right;
        DrawFocusRect(D.hDC, &Focus);
    }
}

void TCheckListBox::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case CN_DRAWITEM:
        DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(M.LParam));
        M.Result = TRUE;
        return;
    case WM_LBUTTONDOWN: {
        TListBox::WndProc(M);
        const int32_t X = GET_X_LPARAM(M.LParam), Y = GET_Y_LPARAM(M.LParam);
        const LRESULT Hit = SendMessageA(GetHandle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(X, Y));
        if (HIWORD(Hit) == 0 && X < GetCheckWidth())
            ToggleBarVisible(LOWORD(Hit));
        return;
    }
    case WM_LBUTTONDBLCLK: {
        // A double click in the check column is one more press there; elsewhere it toggles.
        TListBox::WndProc(M);
        const int32_t X = GET_X_LPARAM(M.LParam), Y = GET_Y_LPARAM(M.LParam);
        const LRESULT Hit = SendMessageA(GetHandle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(X, Y));
        if (HIWORD(Hit) == 0)
            ToggleBarVisible(LOWORD(Hit));
        return;
    }
    case WM_CHAR:
        if (M.WParam == ' ') {
            ToggleBarVisible(GetItemIndex());
            return;
        }
        break;
    default:
        break;
    }
    TListBox::WndProc(M);
}

// =============================================================================================
// TCommandsListBox

TCommandsListBox::TCommandsListBox(TComponent* AOwner) : TListBox(AOwner)
{
    SetStyle(lbOwnerDrawFixed);
    SetItemHeight(kCommandRowHeight);
}

TcbBarItem* TCommandsListBox::GetCommand(int32_t Index) const
{
    auto* Self = const_cast<TCommandsListBox*>(this);
    if (Index < 0 || Index >= Self->GetItems()->GetCount())
        return nullptr;
    return static_cast<TcbBarItem*>(Self->GetItems()->GetObjects(Index));
}

void TCommandsListBox::DrawRow(const DRAWITEMSTRUCT& D)
{
    const int32_t Index = static_cast<int32_t>(D.itemID);
    TcbBarItem* Item = GetCommand(Index);
    if (!Item || !FBarManager)
        return;
    const TcbBarCustomizingFormPainter* Painter = CustomizingFormPainterClass(FBarManager);
    TCanvas* Canvas = GetCanvas();
    Canvas->SetHandle(D.hDC);
    TScopeExit Release([Canvas] { Canvas->SetHandle(nullptr); });
    Canvas->GetFont()->Assign(GetFont());
    const TRect R = D.rcItem;
    const bool Selected = (D.itemState & ODS_SELECTED) != 0;
    const std::string Caption = StripAmpersands(Item->GetCaption());
    const TColor BrushColor = Canvas->GetBrush()->GetColor();
    const TColor PenColor = Canvas->GetPen()->GetColor();
    if (dynamic_cast<TcbBarEdit*>(Item))
        Painter->DrawEditCommand(Canvas, R, Item, Caption, Selected);
    else
        Painter->DrawCommand(Canvas, R, Item, Caption, Selected);
    if (Index == GetItems()->GetCount() - 1) {
        const int32_t Bottom = GetClientHeight();
        if (R.bottom < Bottom) {
            Canvas->GetBrush()->SetColor(Painter->GetCommandBkColor(false, Item));
            Canvas->FillRect(Rect(R.left, R.bottom, R.right, Bottom));
        }
    }
    Canvas->GetBrush()->SetColor(BrushColor);
    Canvas->GetPen()->SetColor(PenColor);
    if (D.itemState & ODS_FOCUS)
        Painter->DrawCommandFocusRect(Canvas, R, Item);
}

void TCommandsListBox::FillBelowRows(HDC DC)
{
    const int32_t Count = GetItems()->GetCount();
    RECT Client{};
    ::GetClientRect(GetHandle(), &Client);
    int32_t Top = 0;
    COLORREF Colour = static_cast<COLORREF>(ColorToRGB(clWindow));
    if (Count > 0 && FBarManager) {
        const int32_t Last = Count - 1;
        const TRect R = ItemRect(Last);
        Top = std::max<int32_t>(R.bottom, 0);
        if (SendMessageA(GetHandle(), LB_GETTOPINDEX, 0, 0) > Last)
            Top = 0;
        Colour = static_cast<COLORREF>(
            ColorToRGB(CustomizingFormPainterClass(FBarManager)->GetCommandBkColor(false, GetCommand(Last))));
    }
    if (Top >= Client.bottom)
        return;
    RECT Below{Client.left, Top, Client.right, Client.bottom};
    HBRUSH Brush = CreateSolidBrush(Colour);
    FillRect(DC, &Below, Brush);
    DeleteObject(Brush);
}

void TCommandsListBox::Pressed(int32_t X, int32_t Y)
{
    const LRESULT Hit = SendMessageA(GetHandle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(X, Y));
    if (HIWORD(Hit) != 0)
        return;
    const int32_t Index = LOWORD(Hit);
    if (CanFocus() && !Focused())
        SetFocus();
    if (GetItemIndex() != Index) {
        SetItemIndex(Index);
        Click();
    }
    TcbBarItem* Item = GetCommand(Index);
    if (!Item || !FBarManager)
        return;
    POINT Screen{X, Y};
    ::ClientToScreen(GetHandle(), &Screen);
    if (!DragDetect(GetHandle(), Screen))
        return;
    // The drag starts where the button went down, so the first move already counts.
    SetItemLinkDragOrigin(TPoint{Screen.x, Screen.y});
    TFlagScope Dragging(FDragging);
    const bool Saved = gDragging;
    gDragging = true;
    TScopeExit Restore([Saved] { gDragging = Saved; });
    cbCallExtension(cbExtensions().DragItemLink, FBarManager, Item, static_cast<TcbBarItemLink*>(nullptr));
}

void TCommandsListBox::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case CN_DRAWITEM:
        DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(M.LParam));
        M.Result = TRUE;
        return;
    case WM_ERASEBKGND:
        FillBelowRows(reinterpret_cast<HDC>(M.WParam));
        M.Result = 1;
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // The list's own tracking would hold the mouse the drag needs.
        Pressed(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
        M.Result = 0;
        return;
    case WM_SETFOCUS:
        TListBox::WndProc(M);
        if (GetItemIndex() < 0 && GetItems()->GetCount() > 0) {
            SetItemIndex(0);
            Click();
        }
        return;
    default:
        break;
    }
    TListBox::WndProc(M);
}

// =============================================================================================
// TCheckableButton

TCheckableButton::TCheckableButton(TComponent* AOwner) : TCustomControl(AOwner) {}

void TCheckableButton::SetChecked(bool Value)
{
    if (Value == FChecked)
        return;
    FChecked = Value;
    Invalidate();
}

bool TCheckableButton::IsHot() const
{
    TCustomForm* Form = GetParentForm();
    return FHot && Form && Form->HandleAllocated() && GetActiveWindow() == Form->GetHandle();
}

void TCheckableButton::Paint()
{
    TCanvas* Canvas = GetCanvas();
    RECT R{0, 0, GetWidth(), GetHeight()};
    FillRect(Canvas->GetHandle(), &R, GetSysColorBrush(COLOR_BTNFACE));
    if (FChecked)
        DrawEdge(Canvas->GetHandle(), &R, BDR_SUNKENOUTER, BF_RECT);
    else if (IsHot())
        DrawEdge(Canvas->GetHandle(), &R, BDR_RAISEDINNER, BF_RECT);
    RECT Text = R;
    if (FChecked)
        OffsetRect(&Text, 1, 1);
    HGDIOBJ Old = SelectObject(Canvas->GetHandle(), GetFont()->GetHandle());
    SetBkMode(Canvas->GetHandle(), TRANSPARENT);
    SetTextColor(Canvas->GetHandle(), GetSysColor(COLOR_BTNTEXT));
    const std::string Caption = GetCaption();
    DrawTextA(Canvas->GetHandle(), Caption.c_str(), static_cast<int>(Caption.size()), &Text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(Canvas->GetHandle(), Old);
}

void TCheckableButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !HandleAllocated())
        return;
    if (FSkipPress) {
        FSkipPress = false;
        return;
    }
    if (!FPopupMenu)
        return;
    SetChecked(true);
    Update();
    RECT Screen{};
    GetWindowRect(GetHandle(), &Screen);
    const TRect Exclusion = Rect(Screen.left, Screen.top, Screen.right, Screen.bottom);
    FPopupMenu->PopupEx(Screen.left, Screen.bottom, &Exclusion, true, GetWidth(), GetHeight(), this);
    SetChecked(false);
    // The press that closed the popup on this very button must not open it again.
    POINT Cursor{};
    GetCursorPos(&Cursor);
    FSkipPress = PtInRect(&Screen, Cursor) && GetAsyncKeyState(VK_LBUTTON) < 0;
}

void TCheckableButton::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_MOUSEMOVE:
        if (!FHot) {
            FHot = true;
            TRACKMOUSEEVENT Track{sizeof(Track), TME_LEAVE, GetHandle(), 0};
            TrackMouseEvent(&Track);
            Invalidate();
        }
        break;
    case WM_MOUSELEAVE:
        FHot = false;
        Invalidate();
        break;
    default:
        break;
    }
    TCustomControl::WndProc(M);
}

// =============================================================================================
// TcbBarCustomizingForm

TcbBarCustomizingForm::TcbBarCustomizingForm(TcbBarManager* Manager) : TForm(nullptr), FBarManager(Manager)
{
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetPosition(poScreenCenter);
    SetClientSize(408, 348);
    // The dialog's own manager draws its popup menus in the customized manager's style.
    BarManager1 = new TcbBarManager(this);
    BarManager1->SetName("BarManager1");
    BarManager1->SetStyle(Manager->GetStyle());
    BarManager1->SetLookAndFeel(Manager->GetLookAndFeel());

    PageControl = Place<TPageControl>(this, this, 8, 8, 392, 292);
    BottomPanel = PlainPanel(this, this, 0, 300, 408, 48);
    BottomPanel->SetAnchors(TAnchors{akLeft, akRight, akBottom});
    BHelp = Place<TButton>(BottomPanel, this, 8, 12, 75, 25);
    BHelp->OnClick = [this](TObject*) {
        if (IsLiveManager(FBarManager))
            FBarManager->DoHelpButtonClick();
    };
    BClose = Place<TButton>(BottomPanel, this, 325, 12, 75, 25);
    BClose->SetCancel(true);
    BClose->OnClick = [this](TObject*) { Close(); };
    auto Sheet = [this]() {
        auto* S = new TTabSheet(this);
        S->SetPageControl(PageControl);
        return S;
    };
    TabSheet1 = Sheet();
    TabSheet2 = Sheet();
    TabSheet3 = Sheet();
    TabSheet4 = Sheet();
    TabSheet5 = Sheet();
    BuildToolbarsPage();
    BuildCommandsPage();
    BuildOptionsPage();
    BuildDesignPages();
    BuildPopupMenus();
    SetCaptions();
    PageControl->SetActivePage(TabSheet1);
    UpdateDesignPages();

    FillBars();
    FillCategories();
    UpdateOptions();
    UpdateHelpButton();
    FillGroups();
    WireDesignHandlers();
    SetActiveControl(BarsListBox);
}

TcbBarCustomizingForm::~TcbBarCustomizingForm()
{
    if (gForm == this)
        gForm = nullptr;
}

void TcbBarCustomizingForm::CreateParams(TCreateParams& P)
{
    TForm::CreateParams(P);
    P.Style = WS_POPUP | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;
    if (!GetEnabled())
        P.Style |= WS_DISABLED;
    P.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    TCustomForm* Owner = IsLiveManager(FBarManager) ? FBarManager->GetOwnerForm() : nullptr;
    P.WndParent = Owner ? Owner->GetHandle() : nullptr;
}

void TcbBarCustomizingForm::BuildToolbarsPage()
{
    LToolbars = PlaceLabel(TabSheet1, this, 8, 8, 268, 16);
    BarsListBox = Place<TCheckListBox>(TabSheet1, this, 8, 26, 268, 224);
    LToolbars->SetFocusControl(BarsListBox);
    BarsListBox->OnClick = [this](TObject*) {
        UpdateBarButtons();
        // While the form is designed the bar's row selects the bar in the designer too.
        SelectInDesigner(SelectedBar());
    };
    BBarNew = Place<TButton>(TabSheet1, this, 284, 26, 92, 25);
    BBarNew->OnClick = [this](TObject*) { BarNewClick(); };
    BBarRename = Place<TButton>(TabSheet1, this, 284, 57, 92, 25);
    BBarRename->OnClick = [this](TObject*) { BarRenameClick(); };
    BBarDelete = Place<TButton>(TabSheet1, this, 284, 88, 92, 25);
    BBarDelete->OnClick = [this](TObject*) { BarDeleteClick(); };
    BBarReset = Place<TButton>(TabSheet1, this, 284, 119, 92, 25);
    BBarReset->OnClick = [this](TObject*) { BarResetClick(); };
}

void TcbBarCustomizingForm::BuildCommandsPage()
{
    LabelCategories = PlaceLabel(TabSheet2, this, 8, 8, 128, 16);
    LCategories = Place<TListBox>(TabSheet2, this, 8, 26, 128, 150);
    LabelCategories->SetFocusControl(LCategories);
    LCategories->OnClick = [this](TObject*) { CategoryClick(); };
    LabelCommands = PlaceLabel(TabSheet2, this, 144, 8, 232, 16);
    LCommands = Place<TCommandsListBox>(TabSheet2, this, 144, 26, 232, 150);
    LCommands->SetBarManager(FBarManager);
    LabelCommands->SetFocusControl(LCommands);
    LCommands->OnClick = [this](TObject*) { CommandClick(); };
    CategoriesPopupButton = Place<TCheckableButton>(TabSheet2, this, 8, 180, 128, 22);
    CommandsPopupButton = Place<TCheckableButton>(TabSheet2, this, 144, 180, 128, 22);
    LabelDescription = PlaceLabel(TabSheet2, this, 8, 208, 100, 16);
    DescriptionLine = EtchedLineAfter(LabelDescription, this);
    DescriptionLabel = PlaceLabel(TabSheet2, this, 16, 226, 360, 30);
    DescriptionLabel->SetWordWrap(true);
}

void TcbBarCustomizingForm::BuildOptionsPage()
{
    StandardOptionsPanel = PlainPanel(TabSheet3, this, 0, 0, 10, 10);
    StandardOptionsPanel->SetAlign(alClient);
    EnhancedOptionsPanel = PlainPanel(TabSheet3, this, 0, 0, 10, 10);
    EnhancedOptionsPanel->SetAlign(alClient);
    auto Box = [this](TWinControl* Parent, int32_t X, int32_t Y) {
        auto* B = Place<TCheckBox>(Parent, this, X, Y, kSheetRight - X, 17);
        B->OnClick = [this](TObject* S) { OptionClicked(S); };
        return B;
    };
    auto Animations = [this](TWinControl* Parent, int32_t X, int32_t Y) {
        auto* C = Place<TComboBox>(Parent, this, X, Y, 120, 21);
        C->SetStyle(csDropDownList);
        C->OnChange = [this, C](TObject*) { AnimationsChanged(C); };
        return C;
    };

    // The standard panel: the options every style has.
    CBLargeIcons = Box(StandardOptionsPanel, 8, 8);
    CBHint1 = Box(StandardOptionsPanel, 8, 30);
    CBHint2 = Box(StandardOptionsPanel, 8, 52);
    LabelMenuAnimations = PlaceLabel(StandardOptionsPanel, this, 8, 81, 120, 16);
    ComboBoxMenuAnimations = Animations(StandardOptionsPanel, 136, 78);
    LabelMenuAnimations->SetFocusControl(ComboBoxMenuAnimations);

    // The enhanced panel adds the personalized menus.
    LabelPersonalized = PlaceLabel(EnhancedOptionsPanel, this, 8, 8, 200, 16);
    PersonalizedLine = EtchedLineAfter(LabelPersonalized, this);
    CBMenusShowRecentItemsFirst = Box(EnhancedOptionsPanel, 16, 28);
    CBShowFullMenusAfterDelay = Box(EnhancedOptionsPanel, 32, 50);
    BResetUsageData = Place<TButton>(EnhancedOptionsPanel, this, 16, 76, 160, 25);
    BResetUsageData->OnClick = [this](TObject*) {
        if (IsLiveManager(FBarManager))
            FBarManager->ResetUsageDataWithConfirmation();
    };
    LabelOther = PlaceLabel(EnhancedOptionsPanel, this, 8, 114, 100, 16);
    OtherLine = EtchedLineAfter(LabelOther, this);
    CBLargeIconsEx = Box(EnhancedOptionsPanel, 16, 134);
    CBHint1Ex = Box(EnhancedOptionsPanel, 16, 156);
    CBHint2Ex = Box(EnhancedOptionsPanel, 32, 178);
    LabelMenuAnimationsEx = PlaceLabel(EnhancedOptionsPanel, this, 16, 207, 120, 16);
    ComboBoxMenuAnimationsEx = Animations(EnhancedOptionsPanel, 144, 204);
    LabelMenuAnimationsEx->SetFocusControl(ComboBoxMenuAnimationsEx);
}

void TcbBarCustomizingForm::BuildDesignPages()
{
    LAllCommands = MakeAllCommandsList(TabSheet4, this, 8, 8, 368, 220);
    CBShowCommandsWithShortCut = Place<TCheckBox>(TabSheet4, this, 8, 234, 368, 17);

    lbGroups = Place<TListBox>(TabSheet5, this, 8, 8, 150, 212);
    lbGroupItems = Place<TListBox>(TabSheet5, this, 166, 8, 210, 180);
    lbGroupItems->SetMultiSelect(true);
    lbGroupItems->SetExtendedSelect(true);
    btnGroupAdd = Place<TButton>(TabSheet5, this, 8, 226, 70, 25);
    btnGroupDelete = Place<TButton>(TabSheet5, this, 88, 226, 70, 25);
    btnGroupItemAdd = Place<TButton>(TabSheet5, this, 166, 194, 70, 25);
    btnGroupItemDelete = Place<TButton>(TabSheet5, this, 246, 194, 70, 25);
    btnMoveUp = Place<TButton>(TabSheet5, this, 166, 225, 70, 25);
    btnMoveDown = Place<TButton>(TabSheet5, this, 246, 225, 70, 25);
}

void TcbBarCustomizingForm::BuildPopupMenus()
{
    auto Entry = [this](TcbBarPopupMenu* Menu, bool BeginGroup = false) {
        auto* B = new TcbBarButton(this);
        TcbBarItemLink* Link = Menu->GetItemLinks()->Add();
        Link->SetItem(B);
        Link->SetBeginGroup(BeginGroup);
        return B;
    };
    CategoriesPopupMenu = new TcbBarPopupMenu(this);
    CategoriesPopupMenu->SetBarManager(BarManager1);
    CategoriesAdd = Entry(CategoriesPopupMenu);
    CategoriesInsert = Entry(CategoriesPopupMenu);
    CategoriesRename = Entry(CategoriesPopupMenu);
    CategoriesDelete = Entry(CategoriesPopupMenu);
    CategoriesVisible = Entry(CategoriesPopupMenu, true);
    CategoriesVisible->SetButtonStyle(bsChecked);
    auto* Visibility = new TcbBarCombo(this);
    Visibility->SetWidth(100);
    for (int32_t Id : {cbsVisibleNever, cbsVisibleInCustomizing, cbsVisibleAlways})
        Visibility->GetItems()->Add(uiGetResourceString(Id));
    CategoriesPopupMenu->GetItemLinks()->Add()->SetItem(Visibility);
    CategoriesItemsVisible = Visibility;

    CommandsPopupMenu = new TcbBarPopupMenu(this);
    CommandsPopupMenu->SetBarManager(BarManager1);
    CommandsAdd = Entry(CommandsPopupMenu);
    CommandsDelete = Entry(CommandsPopupMenu);
    CommandsClear = Entry(CommandsPopupMenu);
    CommandsMoveUp = Entry(CommandsPopupMenu, true);
    CommandsMoveDown = Entry(CommandsPopupMenu);
    CommandsSubMenuEditor = Entry(CommandsPopupMenu, true);
    CategoriesPopupButton->SetPopupMenu(CategoriesPopupMenu);
    CommandsPopupButton->SetPopupMenu(CommandsPopupMenu);
}

void TcbBarCustomizingForm::SetCaptions()
{
    auto S = [](int32_t Id) { return uiGetResourceString(Id); };
    SetCaption(S(cbsCustomizeCaption));
    BClose->SetCaption(S(cbsClose));
    BHelp->SetCaption(S(cbsHelp));
    TabSheet1->SetCaption(S(cbsToolbarsPage));
    TabSheet2->SetCaption(S(cbsCommandsPage));
    TabSheet3->SetCaption(S(cbsOptionsPage));
    TabSheet4->SetCaption(S(cbsAllCommands));
    TabSheet5->SetCaption(S(cbsGroups));
    LToolbars->SetCaption(S(cbsToolbarsLabel));
    BBarNew->SetCaption(S(cbsNewCommand));
    BBarRename->SetCaption(S(cbsRenameCommand));
    BBarDelete->SetCaption(S(cbsDelete));
    BBarReset->SetCaption(S(cbsResetCommand));
    LabelCategories->SetCaption(S(cbsCategoriesLabel));
    LabelCommands->SetCaption(S(cbsCommandsLabel));
    LabelDescription->SetCaption(S(cbsDescription));
    CategoriesPopupButton->SetCaption(S(cbsCategoryColumn));
    CommandsPopupButton->SetCaption(S(cbsCommandColumn));
    LabelMenuAnimations->SetCaption(S(cbsMenuAnimationsLabel));
    LabelMenuAnimationsEx->SetCaption(S(cbsMenuAnimationsLabel));
    CBHint1->SetCaption(S(cbsShowToolTips));
    CBHint1Ex->SetCaption(S(cbsShowToolTips));
    CBHint2->SetCaption(S(cbsShowShortCutsInTips));
    CBHint2Ex->SetCaption(S(cbsShowShortCutsInTips));
    CBLargeIcons->SetCaption(S(cbsLargeIcons));
    CBLargeIconsEx->SetCaption(S(cbsLargeIcons));
    LabelPersonalized->SetCaption(S(cbsPersonalizedMenus));
    CBMenusShowRecentItemsFirst->SetCaption(S(cbsRecentItemsFirst));
    CBShowFullMenusAfterDelay->SetCaption(S(cbsFullMenusAfterDelay));
    BResetUsageData->SetCaption(S(cbsResetUsageData));
    LabelOther->SetCaption(S(cbsOther));
    for (TComboBox* Box : {ComboBoxMenuAnimations, ComboBoxMenuAnimationsEx})
        for (int32_t Id : kAnimationTexts)
            Box->GetItems()->Add(S(Id));
    CBShowCommandsWithShortCut->SetCaption(S(cbsShortCutCommands));
    btnGroupAdd->SetCaption(S(cbsNewCommand));
    btnGroupDelete->SetCaption(S(cbsDelete));
    btnGroupItemAdd->SetCaption(S(cbsAddCommand));
    btnGroupItemDelete->SetCaption(S(cbsDelete));
    btnMoveUp->SetCaption(S(cbsMoveUp));
    btnMoveDown->SetCaption(S(cbsMoveDown));
    CategoriesAdd->SetCaption(S(cbsAddCommand));
    CategoriesInsert->SetCaption(S(cbsInsertCommand));
    CategoriesRename->SetCaption(S(cbsRenameCommand));
    CategoriesDelete->SetCaption(S(cbsDelete));
    CategoriesVisible->SetCaption(S(cbsVisible));
    CategoriesItemsVisible->SetCaption(S(cbsItemsVisibleLabel));
    CommandsAdd->SetCaption(S(cbsAddCommand));
    CommandsDelete->SetCaption(S(cbsDelete));
    CommandsClear->SetCaption(S(cbsClear));
    CommandsMoveUp->SetCaption(S(cbsMoveUp));
    CommandsMoveDown->SetCaption(S(cbsMoveDown));
    CommandsSubMenuEditor->SetCaption(S(cbsSubMenuEditor));
    PlaceEtchedLine(LabelDescription, DescriptionLine);
    PlaceEtchedLine(LabelPersonalized, PersonalizedLine);
    PlaceEtchedLine(LabelOther, OtherLine);
}

void TcbBarCustomizingForm::UpdateDesignPages()
{
    const bool Designing = IsLiveManager(FBarManager) && FBarManager->IsDesigning();
    TabSheet4->SetTabVisible(Designing);
    TabSheet5->SetTabVisible(Designing);
    CategoriesPopupButton->SetVisible(Designing);
    CommandsPopupButton->SetVisible(Designing);
}

void TcbBarCustomizingForm::DoClose(TCloseAction& Action)
{
    TForm::DoClose(Action);
    // Closing is leaving customizing mode, whose Hide branch releases the dialog.
    Action = caNone;
    if (FClosing)
        return;
    if (IsLiveManager(FBarManager) && FBarManager->IsCustomizing())
        FBarManager->SetIsCustomizing(false);
    else
        ShowCustomizingForm(FBarManager, false);
}

void TcbBarCustomizingForm::WndProc(TMessage& M)
{
    if (M.Msg == WM_DESTROY && !FClosing && gForm == this) {
        // The window goes from outside (its owner's window went): the manager leaves
        // customizing mode, and the dialog object follows by its release.
        TForm::WndProc(M);
        if (IsLiveManager(FBarManager) && FBarManager->IsCustomizing())
            FBarManager->SetIsCustomizing(false);
        else
            ShowCustomizingForm(FBarManager, false);
        return;
    }
    TForm::WndProc(M);
}

void TcbBarCustomizingForm::Detach()
{
    TFlagScope Refreshing(FRefreshing);
    BarsListBox->Clear();
    LCategories->Clear();
    FCategoryIndexes.clear();
    LCommands->Clear();
    LCommands->SetBarManager(nullptr);
    lbGroups->Clear();
    lbGroupItems->Clear();
    ClearAllCommandsList(LAllCommands);
}

void TcbBarCustomizingForm::ApplyOwnerWindowPos(const WINDOWPOS& Pos)
{
    if (!HandleAllocated() || FClosing)
        return;
    if (Pos.flags & SWP_SHOWWINDOW)
        ShowWindow(GetHandle(), SW_SHOWNA);
    else if (Pos.flags & SWP_HIDEWINDOW)
        ShowWindow(GetHandle(), SW_HIDE);
}

// ---------------------------------------------------------------------------------------------
// Toolbars page

void TcbBarCustomizingForm::FillBars()
{
    TFlagScope Refreshing(FRefreshing);
    TcbBar* Selected = SelectedBar();
    BarsListBox->Clear();
    TcbBars* Bars = FBarManager->GetBars();
    for (int32_t I = 0; I < Bars->GetCount(); ++I) {
        TcbBar* Bar = Bars->GetItem(I);
        // A hidden bar (the More Buttons window's, say) is no toolbar of the user's.
        if (!Bar->GetHidden())
            BarsListBox->GetItems()->AddObject(Bar->GetCaption(), Bar);
    }
    const int32_t Index = BarsListBox->IndexOfBar(Selected);
    BarsListBox->SetItemIndex(Index >= 0 ? Index : (BarsListBox->GetItems()->GetCount() > 0 ? 0 : -1));
    UpdateBarButtons();
}

TcbBar* TcbBarCustomizingForm::SelectedBar() const
{
    return BarsListBox ? BarsListBox->GetBar(BarsListBox->GetItemIndex()) : nullptr;
}

void TcbBarCustomizingForm::UpdateBarButtons()
{
    if (!IsLiveManager(FBarManager))
        return;
    TcbBar* Bar = SelectedBar();
    const bool Designing = FBarManager->IsDesigning();
    // Bars of the form's design keep their names and stay at run time.
    const bool UserBar = Bar && (Designing || !Bar->IsMadeWhileLoading());
    BBarRename->SetEnabled(UserBar);
    BBarDelete->SetEnabled(UserBar && (Designing || Bar->CanClose()));
    BBarReset->SetEnabled(Bar && Bar->CanReset());
}

void TcbBarCustomizingForm::BarNewClick()
{
    if (FClosing || !IsLiveManager(FBarManager))
        return;
    std::string Name = FBarManager->GetBars()->MakeUniqueName(uiGetResourceString(cbsCustom));
    if (!ShowNameEditor(Name, nullptr, nekAdd, nullptr, FBarManager) || !IsLiveManager(FBarManager) || FClosing)
        return;
    RECT Dialog{};
    GetWindowRect(GetHandle(), &Dialog);
    MONITORINFO Info{};
    Info.cbSize = sizeof(Info);
    GetMonitorInfoA(MonitorFromWindow(GetHandle(), MONITOR_DEFAULTTONEAREST), &Info);
    int32_t Left = Dialog.left - 50;
    if (Left < Info.rcWork.left)
        Left = Dialog.right + 10;
    int32_t Top = Dialog.top;
    if (Top < Info.rcWork.top)
        Top = Info.rcWork.top + 10;
    TcbBar* Bar = FBarManager->GetBars()->Add();
    Bar->SetCaption(Name);
    Bar->SetDockingStyle(dsNone);
    Bar->SetFloatLeft(Left);
    Bar->SetFloatTop(Top);
    Bar->SetVisible(true);
    if (!IsLiveManager(FBarManager) || FClosing)
        return;
    TFlagScope Refreshing(FRefreshing);
    int32_t Index = BarsListBox->IndexOfBar(Bar);
    if (Index < 0)
        Index = BarsListBox->GetItems()->AddObject(Bar->GetCaption(), Bar);
    BarsListBox->SetItemIndex(Index);
    UpdateBarButtons();
}

void TcbBarCustomizingForm::BarRenameClick()
{
    TcbBar* Bar = SelectedBar();
    if (!Bar)
        return;
    std::string Name = Bar->GetCaption();
    if (!ShowNameEditor(Name, nullptr, nekRename, Bar, FBarManager) || FClosing)
        return;
    // The bar may have gone while the dialog was open.
    const int32_t Index = BarsListBox->IndexOfBar(Bar);
    if (Index < 0)
        return;
    Bar->SetCaption(Name);
    BarChanged(Bar);
}

void TcbBarCustomizingForm::BarDeleteClick()
{
    TcbBar* Bar = SelectedBar();
    if (!Bar)
        return;
    const std::string Text = Format(uiGetResourceString(cbsDeleteToolbarQuery), Bar->GetCaption());
    if (MessageBoxA(GetHandle(), Text.c_str(), Application->GetTitle().c_str(), MB_OKCANCEL | MB_ICONWARNING) !=
        IDOK)
        return;
    if (FClosing)
        return;
    int32_t Index = BarsListBox->IndexOfBar(Bar);
    if (Index < 0)
        return;
    // The row goes with the bar (RemoveBarRow from its destruction); the neighbour is selected.
    FBarManager->GetBars()->Delete(Bar->GetIndex());
    if (FClosing)
        return;
    RemoveBarRow(Bar);
    const int32_t Count = BarsListBox->GetItems()->GetCount();
    TFlagScope Refreshing(FRefreshing);
    BarsListBox->SetItemIndex(Index < Count ? Index : Count - 1);
    UpdateBarButtons();
}

void TcbBarCustomizingForm::BarResetClick()
{
    if (TcbBar* Bar = SelectedBar())
        Bar->ResetWithConfirmation();
}

void TcbBarCustomizingForm::RemoveBarRow(TcbBar* Bar)
{
    const int32_t Index = BarsListBox->IndexOfBar(Bar);
    if (Index < 0)
        return;
    const int32_t Selected = BarsListBox->GetItemIndex();
    TFlagScope Refreshing(FRefreshing);
    BarsListBox->GetItems()->Delete(Index);
    const int32_t Count = BarsListBox->GetItems()->GetCount();
    if (Selected == Index)
        BarsListBox->SetItemIndex(Index < Count ? Index : Count - 1);
    UpdateBarButtons();
}

void TcbBarCustomizingForm::BarChanged(TcbBar* Bar)
{
    const int32_t Index = BarsListBox->IndexOfBar(Bar);
    if (Index < 0)
        return;
    TFlagScope Refreshing(FRefreshing);
    if (BarsListBox->GetItems()->GetStrings(Index) != Bar->GetCaption()) {
        const int32_t Selected = BarsListBox->GetItemIndex();
        BarsListBox->GetItems()->SetStrings(Index, Bar->GetCaption());
        BarsListBox->GetItems()->SetObjects(Index, Bar);
        BarsListBox->SetItemIndex(Selected);
    }
    if (BarsListBox->HandleAllocated()) {
        const TRect R = BarsListBox->ItemRect(Index);
        InvalidateRect(BarsListBox->GetHandle(), &R, FALSE);
    }
    UpdateBarButtons();
}

// ---------------------------------------------------------------------------------------------
// Commands page

void TcbBarCustomizingForm::FillCategories()
{
    TFlagScope Refreshing(FRefreshing);
    const int32_t Previous = SelectedCategory();
    LCategories->Clear();
    FCategoryIndexes.clear();
    TStrings* Categories = FBarManager->GetCategories();
    for (int32_t N = 0; N < Categories->GetCount(); ++N) {
        const int32_t Index = FBarManager->GetCategoryRealIndex(N);
        if (Index < 0)
            break;
        FCategoryIndexes.push_back(Index);
        LCategories->GetItems()->Add(Categories->GetStrings(Index));
    }
    int32_t Row = 0;
    for (size_t I = 0; I < FCategoryIndexes.size(); ++I)
        if (FCategoryIndexes[I] == Previous)
            Row = static_cast<int32_t>(I);
    LCategories->SetItemIndex(FCategoryIndexes.empty() ? -1 : Row);
    FillCommands(false);
}

int32_t TcbBarCustomizingForm::SelectedCategory() const
{
    const int32_t Row = LCategories ? LCategories->GetItemIndex() : -1;
    return Row >= 0 && Row < static_cast<int32_t>(FCategoryIndexes.size()) ? FCategoryIndexes[static_cast<size_t>(Row)]
                                                                           : -1;
}

void TcbBarCustomizingForm::CategoryClick()
{
    if (FRefreshing)
        return;
    FillCommands(false);
}

void TcbBarCustomizingForm::FillCommands(bool KeepPosition)
{
    TFlagScope Refreshing(FRefreshing);
    const int32_t Position = LCommands->GetItemIndex();
    const int32_t Top = LCommands->GetTopIndex();
    LCommands->Clear();
    const int32_t Category = SelectedCategory();
    if (Category >= 0 && IsLiveManager(FBarManager)) {
        std::vector<TcbBarItem*> Items;
        FBarManager->GetItemsByCategory(Category, Items);
        for (TcbBarItem* Item : Items)
            LCommands->GetItems()->AddObject(Item->GetCaption(), Item);
    }
    const int32_t Count = LCommands->GetItems()->GetCount();
    if (KeepPosition && Position >= 0 && Count > 0) {
        LCommands->SetItemIndex(std::min(Position, Count - 1));
        LCommands->SetTopIndex(Top);
    } else {
        DescriptionLabel->SetCaption("");
    }
    if (LCommands->HandleAllocated())
        InvalidateRect(LCommands->GetHandle(), nullptr, TRUE);
}

void TcbBarCustomizingForm::CommandClick()
{
    if (FRefreshing)
        return;
    TcbBarItem* Item = LCommands->GetCommand(LCommands->GetItemIndex());
    DescriptionLabel->SetCaption(Item ? Item->GetDescription() : "");
    if (IsLiveManager(FBarManager))
        FBarManager->SetSelectedItemControl(nullptr);
}

void TcbBarCustomizingForm::RefreshCommands()
{
    FillCommands(true);
}

void TcbBarCustomizingForm::SelectItem(TcbBarItem* Item, bool Force)
{
    if (!Item)
        return;
    int32_t Row = -1;
    for (size_t I = 0; I < FCategoryIndexes.size(); ++I)
        if (FCategoryIndexes[I] == Item->GetCategory())
            Row = static_cast<int32_t>(I);
    if (Row < 0)
        return;
    TFlagScope Refreshing(FRefreshing);
    if (Row != LCategories->GetItemIndex() || Force) {
        LCategories->SetItemIndex(Row);
        FillCommands(false);
    }
    for (int32_t I = 0; I < LCommands->GetItems()->GetCount(); ++I)
        if (LCommands->GetCommand(I) == Item) {
            LCommands->SetItemIndex(I);
            DescriptionLabel->SetCaption(Item->GetDescription());
        }
}

void TcbBarCustomizingForm::ItemDestroying(TcbBarItem* Item)
{
    if (FDeleting || !Item)
        return;
    int32_t Row = -1;
    for (int32_t I = 0; I < LCommands->GetItems()->GetCount(); ++I)
        if (LCommands->GetCommand(I) == Item)
            Row = I;
    if (Row < 0)
        return;
    const int32_t Position = LCommands->GetItemIndex();
    FillCommands(true);
    // The item may still be counted while it goes.
    TFlagScope Refreshing(FRefreshing);
    for (int32_t I = LCommands->GetItems()->GetCount() - 1; I >= 0; --I)
        if (LCommands->GetCommand(I) == Item)
            LCommands->GetItems()->Delete(I);
    const int32_t Count = LCommands->GetItems()->GetCount();
    if (Position >= 0 && Count > 0)
        LCommands->SetItemIndex(std::min(Position, Count - 1));
    UpdateBarButtons();
}

void TcbBarCustomizingForm::CategoryChanged(TcbBarItem* Item)
{
    if (Item && Item->GetCategory() == SelectedCategory())
        FillCommands(true);
    else if (Item && LCommands->GetItems()->IndexOfObject(Item) >= 0)
        FillCommands(true);
}

void TcbBarCustomizingForm::ItemRenamed(TcbBarItem* Item)
{
    (void)Item;
    FillCommands(true);
}

// ---------------------------------------------------------------------------------------------
// Options page

void TcbBarCustomizingForm::UpdateOptions()
{
    if (!IsLiveManager(FBarManager))
        return;
    TFlagScope Refreshing(FRefreshing);
    const bool Standard = FBarManager->GetRealStyle() == bmsStandard;
    StandardOptionsPanel->SetVisible(Standard);
    EnhancedOptionsPanel->SetVisible(!Standard);
    CBHint1->SetChecked(FBarManager->GetShowHint());
    CBHint1Ex->SetChecked(FBarManager->GetShowHint());
    CBHint2->SetChecked(FBarManager->GetShowShortCutInHint());
    CBHint2Ex->SetChecked(FBarManager->GetShowShortCutInHint());
    CBLargeIcons->SetChecked(FBarManager->GetLargeIcons());
    CBLargeIconsEx->SetChecked(FBarManager->GetLargeIcons());
    CBMenusShowRecentItemsFirst->SetChecked(FBarManager->GetMenusShowRecentItemsFirst());
    CBShowFullMenusAfterDelay->SetChecked(FBarManager->GetShowFullMenusAfterDelay());
    ComboBoxMenuAnimations->SetItemIndex(static_cast<int32_t>(FBarManager->GetMenuAnimations()));
    ComboBoxMenuAnimationsEx->SetItemIndex(static_cast<int32_t>(FBarManager->GetMenuAnimations()));
}

void TcbBarCustomizingForm::OptionClicked(TObject* Sender)
{
    if (FRefreshing || !IsLiveManager(FBarManager))
        return;
    auto* Box = dynamic_cast<TCheckBox*>(Sender);
    if (!Box)
        return;
    const bool Value = Box->GetChecked();
    if (Box == CBHint1 || Box == CBHint1Ex)
        FBarManager->SetShowHint(Value);
    else if (Box == CBHint2 || Box == CBHint2Ex)
        FBarManager->SetShowShortCutInHint(Value);
    else if (Box == CBLargeIcons || Box == CBLargeIconsEx)
        FBarManager->SetLargeIcons(Value);
    else if (Box == CBMenusShowRecentItemsFirst)
        FBarManager->SetMenusShowRecentItemsFirst(Value);
    else if (Box == CBShowFullMenusAfterDelay)
        FBarManager->SetShowFullMenusAfterDelay(Value);
    // The twin box on the other panel follows.
    UpdateOptions();
}

void TcbBarCustomizingForm::AnimationsChanged(TComboBox* Box)
{
    if (FRefreshing || !IsLiveManager(FBarManager))
        return;
    const int32_t Index = Box->GetItemIndex();
    if (Index < static_cast<int32_t>(maNone) || Index > static_cast<int32_t>(maFade))
        return;
    FBarManager->SetMenuAnimations(static_cast<TcbBarMenuAnimations>(Index));
    UpdateOptions();
}

void TcbBarCustomizingForm::StyleChanged()
{
    if (!IsLiveManager(FBarManager))
        return;
    BarManager1->SetStyle(FBarManager->GetStyle());
    BarManager1->SetLookAndFeel(FBarManager->GetLookAndFeel());
    FillCommands(true);
    UpdateOptions();
}

void TcbBarCustomizingForm::UpdateHelpButton()
{
    if (!IsLiveManager(FBarManager))
        return;
    BHelp->SetVisible(FBarManager->GetShowHelpButton());
}

// ---------------------------------------------------------------------------------------------
// Groups page

void TcbBarCustomizingForm::FillGroups()
{
    TFlagScope Refreshing(FRefreshing);
    lbGroups->Clear();
    lbGroupItems->Clear();
    if (!IsLiveManager(FBarManager) || !FBarManager->IsDesigning())
        return;
    for (int32_t I = 0; I < FBarManager->GetGroupCount(); ++I)
        lbGroups->GetItems()->AddObject(FBarManager->GetGroup(I)->GetName(), FBarManager->GetGroup(I));
    if (lbGroups->GetItems()->GetCount() > 0)
        lbGroups->SetItemIndex(0);
    RefreshGroupItems();
}

void TcbBarCustomizingForm::GroupsChanged()
{
    FillGroups();
}

void TcbBarCustomizingForm::RefreshGroupItems()
{
    TFlagScope Refreshing(FRefreshing);
    lbGroupItems->Clear();
    const int32_t Row = lbGroups->GetItemIndex();
    if (Row < 0 || Row >= lbGroups->GetItems()->GetCount())
        return;
    auto* Group = dynamic_cast<TcbBarGroup*>(lbGroups->GetItems()->GetObjects(Row));
    if (!Group)
        return;
    for (int32_t I = 0; I < Group->GetCount(); ++I)
        if (TComponent* Member = Group->GetItem(I))
            lbGroupItems->GetItems()->AddObject(Member->GetName(), Member);
}

// =============================================================================================
// Entry points

void SetManagerFormsEnabled(TcbBarManager* Customized, bool Value)
{
    if (Value) {
        const std::vector<TCustomForm*> Forms = std::move(gDisabledForms);
        gDisabledForms.clear();
        TcbBarManagerList* Managers = BarManagers();
        // Only forms that still have their manager are touched.
        for (TCustomForm* Form : Forms)
            if (Managers && Managers->ManagerOfForm(Form))
                Form->SetEnabled(true);
        return;
    }
    TcbBarManagerList* Managers = BarManagers();
    if (!Managers)
        return;
    for (int32_t I = 0; I < Managers->GetCount(); ++I) {
        TcbBarManager* Manager = Managers->GetItem(I);
        TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
        // The customized form stays enabled: its bars are dragged onto and right-clicked.
        if (!Form || Manager == Customized || (Customized && Form == Customized->GetOwnerForm()) ||
            dynamic_cast<TcbBarCustomizingForm*>(Form) || !Form->GetEnabled())
            continue;
        if (std::find(gDisabledForms.begin(), gDisabledForms.end(), Form) != gDisabledForms.end())
            continue;
        Form->SetEnabled(false);
        gDisabledForms.push_back(Form);
    }
}

void ShowCustomizingForm(TcbBarManager* Manager, bool Show)
{
    if (Show) {
        if (gForm || !IsLiveManager(Manager))
            return;
        if (Manager->OnShowCustomizingForm)
            Manager->OnShowCustomizingForm(Manager);
        if (gForm || !IsLiveManager(Manager))
            return;
        SetManagerFormsEnabled(Manager, false);
        gForm = new TcbBarCustomizingForm(Manager);
        gForm->Show();
        return;
    }
    if (TcbBarCustomizingForm* Form = gForm; Form && !Form->IsClosing()) {
        Form->SetClosing();
        gForm = nullptr;
        SetManagerFormsEnabled(Manager, true);
        // The lists point into the manager, which may be on its way out: nothing of it is drawn
        // again while the release waits.
        Form->Detach();
        if (Form->HandleAllocated())
            ShowWindow(Form->GetHandle(), SW_HIDE);
        Form->Release();
    }
    FreeSubMenuEditor();
    // The form being designed changed while the dialog was open: its designer hears of it.
    if (IsLiveManager(Manager) && Manager->IsDesigning())
        Manager->DesignerModified();
    if (IsLiveManager(Manager) && Manager->OnHideCustomizingForm)
        Manager->OnHideCustomizingForm(Manager);
}

TcbBarCustomizingForm* GetCustomizingForm()
{
    return gForm;
}

bool IsCustomizingFormDragging()
{
    return gForm && gDragging;
}

bool IsCustomizingFormInDragState()
{
    if (!gForm || gForm->IsClosing() || !gForm->HandleAllocated())
        return false;
    const HWND Dialog = gForm->GetHandle();
    return gDragging || (IsWindowVisible(Dialog) && IsWindowEnabled(Dialog));
}

void cbBarCustFormInit()
{
    TcbFrameworkExtensions& E = cbExtensions();
    E.ShowCustomizingForm = [](TcbBarManager* Manager, bool Show) { ShowCustomizingForm(Manager, Show); };
    E.GetCustomizingForm = []() -> TCustomForm* { return gForm; };
    E.IsCustomizingFormInDragState = [] { return IsCustomizingFormInDragState(); };
    E.ApplyOwnerWindowPos = [](const WINDOWPOS& Pos) {
        if (gForm)
            gForm->ApplyOwnerWindowPos(Pos);
    };
    E.CustomizingFormStyleChanged = [] {
        if (gForm)
            gForm->StyleChanged();
    };
    E.CustomizingFormUpdateHelpButton = [] {
        if (gForm)
            gForm->UpdateHelpButton();
    };
    E.CustomizingFormRemoveBarRow = [](TcbBar* Bar) {
        if (gForm)
            gForm->RemoveBarRow(Bar);
    };
    E.CustomizingFormBarChanged = [](TcbBar* Bar) {
        if (gForm)
            gForm->BarChanged(Bar);
    };
    E.CustomizingFormRefreshCommands = [] {
        if (gForm)
            gForm->RefreshCommands();
    };
    E.CustomizingFormSelectItem = [](TcbBarItem* Item, bool Force) {
        if (gForm)
            gForm->SelectItem(Item, Force);
    };
    E.CustomizingFormItemDestroying = [](TcbBarItem* Item) {
        if (gForm)
            gForm->ItemDestroying(Item);
    };
    E.CustomizingFormUpdateOptions = [] {
        if (gForm)
            gForm->UpdateOptions();
    };
    E.CustomizingFormCategoryChanged = [](TcbBarItem* Item) {
        if (gForm)
            gForm->CategoryChanged(Item);
    };
    E.CustomizingFormItemRenamed = [](TcbBarItem* Item) {
        if (gForm)
            gForm->ItemRenamed(Item);
    };
    E.CustomizingFormGroupsChanged = [] {
        if (gForm)
            gForm->GroupsChanged();
    };
    E.CustomizingFormRefreshGroupItems = [] {
        if (gForm)
            gForm->RefreshGroupItems();
    };
    E.CustomizingFormCategoryDragOver = [](TPoint Screen, int32_t& Category) {
        Category = -1;
        return gForm && gForm->CategoryDragOver(Screen, Category);
    };
    E.CustomizingFormEndCategoryDrag = [](bool Keep) {
        if (gForm)
            gForm->EndCategoryDrag(Keep);
    };
    E.GetSubMenuEditor = []() -> TCustomForm* { return GetSubMenuEditor(); };
    E.GetSubMenuEditorMenu = []() -> TCustomcbBarControl* {
        TcbBarSubMenuEditor* Editor = GetSubMenuEditor();
        return Editor ? Editor->GetMenuWindow() : nullptr;
    };
    E.CloseSubMenuEditorMenu = [] {
        if (TcbBarSubMenuEditor* Editor = GetSubMenuEditor())
            Editor->CloseMenu();
    };
}

void cbBarCustFormDone()
{
    FreeSubMenuEditor(true);
    // A dialog still open goes with the framework.
    if (TcbBarCustomizingForm* Form = gForm) {
        Form->SetClosing();
        gForm = nullptr;
        SetManagerFormsEnabled(Form->GetCustomizedManager(), true);
        Form->Detach();
        Form->Free();
    }
    TcbFrameworkExtensions& E = cbExtensions();
    E.ShowCustomizingForm = nullptr;
    E.GetCustomizingForm = nullptr;
    E.IsCustomizingFormInDragState = nullptr;
    E.ApplyOwnerWindowPos = nullptr;
    E.CustomizingFormStyleChanged = nullptr;
    E.CustomizingFormUpdateHelpButton = nullptr;
    E.CustomizingFormRemoveBarRow = nullptr;
    E.CustomizingFormBarChanged = nullptr;
    E.CustomizingFormRefreshCommands = nullptr;
    E.CustomizingFormSelectItem = nullptr;
    E.CustomizingFormItemDestroying = nullptr;
    E.CustomizingFormUpdateOptions = nullptr;
    E.CustomizingFormCategoryChanged = nullptr;
    E.CustomizingFormItemRenamed = nullptr;
    E.CustomizingFormGroupsChanged = nullptr;
    E.CustomizingFormRefreshGroupItems = nullptr;
    E.CustomizingFormCategoryDragOver = nullptr;
    E.CustomizingFormEndCategoryDrag = nullptr;
    E.GetSubMenuEditor = nullptr;
    E.GetSubMenuEditorMenu = nullptr;
    E.CloseSubMenuEditorMenu = nullptr;
}
