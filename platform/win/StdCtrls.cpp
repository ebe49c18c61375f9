#include "platform/win/StdCtrls.h"

#include <algorithm>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"

// =============================================================================================
// TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetControlStyle(GetControlStyle() - TControlStyle{csCaptureMouse} + TControlStyle{csCaptureMouse});
    SetBounds(0, 0, 65, 17);
}

void TLabel::SetFocusControl(TWinControl* Value)
{
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && static_cast<TComponent*>(FFocusControl) == AComponent)
        FFocusControl = nullptr;
}

void TLabel::AdjustSize()
{
    if (!FAutoSize)
        return;
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
    TRect R = Rect(0, 0, FWordWrap ? std::max<int32_t>(GetWidth(), 1) : 0, 0);
    std::string T = GetCaption().empty() ? std::string(" ") : GetCaption();
    DrawTextA(DC, T.c_str(), static_cast<int>(T.size()), &R, DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    SetBounds(GetLeft(), GetTop(), FWordWrap ? GetWidth() : R.right, R.bottom);
}

void TLabel::Paint()
{
    TCanvas* C = GetCanvas();
    HDC DC = C->GetHandle();
    TRect R = Rect(0, 0, GetWidth(), GetHeight());
    if (!FTransparent) {
        C->GetBrush()->SetColor(GetColor());
        C->FillRect(R);
    }
    UINT Flags = (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE) | (FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT);
    if (!FWordWrap)
        Flags |= FLayout == tlCenter ? DT_VCENTER : FLayout == tlBottom ? DT_BOTTOM : DT_TOP;
    SelectObject(DC, GetFont()->GetHandle());
    SetBkMode(DC, TRANSPARENT);
    const std::string T = GetCaption();
    if (GetEnabled()) {
        SetTextColor(DC, ColorToRGB(GetFont()->GetColor()));
        DrawTextA(DC, T.c_str(), static_cast<int>(T.size()), &R, Flags);
    } else {
        // Greyed: an embossed highlight under the grey text.
        TRect R1 = R;
        OffsetRect(&R1, 1, 1);
        SetTextColor(DC, ColorToRGB(clBtnHighlight));
        DrawTextA(DC, T.c_str(), static_cast<int>(T.size()), &R1, Flags);
        SetTextColor(DC, ColorToRGB(clGrayText));
        DrawTextA(DC, T.c_str(), static_cast<int>(T.size()), &R, Flags);
    }
}

// =============================================================================================
// Buttons

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(TControlStyle{csDoubleClicks});
    SetTabStop(true);
}

void TButtonControl::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = "BUTTON";
    P.Style &= ~WS_CLIPCHILDREN;
}

void TButtonControl::WndProc(TMessage& M)
{
    if (M.Msg == CN_COMMAND) {
        if (HIWORD(M.WParam) == BN_CLICKED)
            Clicked();
        return;
    }
    if (M.Msg == CN_CTLCOLORBTN || M.Msg == CN_CTLCOLORSTATIC) {
        M.Result = ControlColor(reinterpret_cast<HDC>(M.WParam));
        return;
    }
    TWinControl::WndProc(M);
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 75, 25); }

void TButton::CreateParams(TCreateParams& P)
{
    TButtonControl::CreateParams(P);
    P.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool Value)
{
    FDefault = Value;
    if (HandleAllocated())
        SendMessageA(FHandle, BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click()
{
    if (FModalResult != 0)
        if (TCustomForm* F = GetParentForm())
            F->SetModalResult(FModalResult);
    TButtonControl::Click();
}

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 97, 17); }

void TCheckBox::CreateParams(TCreateParams& P)
{
    TButtonControl::CreateParams(P);
    P.Style |= BS_3STATE;
}

void TCheckBox::RestoreWindowState()
{
    SendMessageA(FHandle, BM_SETCHECK, FState == cbChecked ? BST_CHECKED : FState == cbGrayed ? BST_INDETERMINATE : BST_UNCHECKED, 0);
}

void TCheckBox::SetState(TCheckBoxState Value)
{
    if (FState == Value)
        return;
    FState = Value;
    if (HandleAllocated())
        RestoreWindowState();
    Click();
}

void TCheckBox::Clicked()
{
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbGrayed: SetState(cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    }
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 113, 17); }

void TRadioButton::CreateParams(TCreateParams& P)
{
    TButtonControl::CreateParams(P);
    P.Style |= BS_RADIOBUTTON;
}

void TRadioButton::RestoreWindowState() { SendMessageA(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0); }

void TRadioButton::SetChecked(bool Value)
{
    if (FChecked == Value)
        return;
    FChecked = Value;
    if (HandleAllocated())
        RestoreWindowState();
    if (Value) {
        if (TWinControl* P = GetParent())
            for (int32_t I = 0; I < P->GetControlCount(); ++I)
                if (auto* R = dynamic_cast<TRadioButton*>(P->GetControls(I)); R && R != this)
                    R->SetChecked(false);
        Click();
    }
}

// =============================================================================================
// TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 185, 105); }

void TGroupBox::AdjustClientRect(TRect& R)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
    TEXTMETRICA TM{};
    GetTextMetricsA(DC, &TM);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    InflateRect(&R, -2, -2);
    R.top += TM.tmHeight - 2;
}

void TGroupBox::Paint()
{
    TCanvas* C = GetCanvas();
    HDC DC = C->GetHandle();
    const int32_t H = C->TextHeight("0");
    TRect R = Rect(0, H / 2, GetWidth(), GetHeight());
    DrawEdge(DC, &R, EDGE_ETCHED, BF_RECT);
    const std::string T = GetCaption();
    if (!T.empty()) {
        TRect TR = Rect(8, 0, 0, H);
        SelectObject(DC, GetFont()->GetHandle());
        DrawTextA(DC, T.c_str(), static_cast<int>(T.size()), &TR, DT_CALCRECT | DT_SINGLELINE);
        TR.right += 2;
        C->GetBrush()->SetColor(GetColor());
        C->FillRect(TR);
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, ColorToRGB(GetEnabled() ? GetFont()->GetColor() : clGrayText));
        OffsetRect(&TR, 1, 0);
        DrawTextA(DC, T.c_str(), static_cast<int>(T.size()), &TR, DT_SINGLELINE);
    }
}

// =============================================================================================
// Edits

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(TControlStyle{csDoubleClicks});
    SetTabStop(true);
    FColor = clWindow;
    SetBounds(0, 0, 121, 21);
}

void TCustomEdit::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = "EDIT";
    P.Style &= ~WS_CLIPCHILDREN;
    P.Style |= ES_AUTOHSCROLL;
    P.ExStyle |= WS_EX_CLIENTEDGE;
    if (FReadOnly)
        P.Style |= ES_READONLY;
    if (FPasswordChar)
        P.Style |= ES_PASSWORD;
    if (FCharCase == ecUpperCase)
        P.Style |= ES_UPPERCASE;
    else if (FCharCase == ecLowerCase)
        P.Style |= ES_LOWERCASE;
}

void TCustomEdit::RestoreWindowState()
{
    if (FMaxLength > 0)
        SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    if (FPasswordChar)
        SendMessageA(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
    SendMessageA(FHandle, EM_SETSEL, static_cast<WPARAM>(FSelStart), FSelStart + FSelLength);
}

void TCustomEdit::SaveWindowState()
{
    FSelStart = GetSelStart();
    FSelLength = GetSelLength();
}

void TCustomEdit::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    if (HandleAllocated())
        SendMessageA(FHandle, EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetMaxLength(int32_t Value)
{
    FMaxLength = std::max<int32_t>(Value, 0);
    if (HandleAllocated())
        SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetPasswordChar(char Value)
{
    if (FPasswordChar == Value)
        return;
    FPasswordChar = Value;
    RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase Value)
{
    FCharCase = Value;
    RecreateWnd();
}

int32_t TCustomEdit::GetSelStart() const
{
    if (!FHandle)
        return FSelStart;
    DWORD S = 0, E = 0;
    SendMessageA(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&S), reinterpret_cast<LPARAM>(&E));
    return static_cast<int32_t>(S);
}

int32_t TCustomEdit::GetSelLength() const
{
    if (!FHandle)
        return FSelLength;
    DWORD S = 0, E = 0;
    SendMessageA(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&S), reinterpret_cast<LPARAM>(&E));
    return static_cast<int32_t>(E - S);
}

void TCustomEdit::SetSelStart(int32_t Value)
{
    FSelStart = std::max<int32_t>(Value, 0);
    FSelLength = 0;
    if (FHandle)
        SendMessageA(FHandle, EM_SETSEL, static_cast<WPARAM>(FSelStart), FSelStart);
}

void TCustomEdit::SetSelLength(int32_t Value)
{
    FSelStart = GetSelStart();
    FSelLength = std::max<int32_t>(Value, 0);
    if (FHandle)
        SendMessageA(FHandle, EM_SETSEL, static_cast<WPARAM>(FSelStart), FSelStart + FSelLength);
}

std::string TCustomEdit::GetSelText() const
{
    const std::string T = GetText();
    const size_t S = std::min<size_t>(static_cast<size_t>(GetSelStart()), T.size());
    return T.substr(S, static_cast<size_t>(GetSelLength()));
}

void TCustomEdit::SetSelText(const std::string& Value)
{
    if (FHandle) {
        SendMessageA(FHandle, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Value.c_str()));
        return;
    }
    std::string T = FText;
    const size_t S = std::min<size_t>(static_cast<size_t>(FSelStart), T.size());
    T.replace(S, static_cast<size_t>(FSelLength), Value);
    SetText(T);
    FSelStart = static_cast<int32_t>(S + Value.size());
    FSelLength = 0;
}

void TCustomEdit::SelectAll()
{
    FSelStart = 0;
    FSelLength = static_cast<int32_t>(GetText().size());
    if (FHandle)
        SendMessageA(FHandle, EM_SETSEL, 0, -1);
}

void TCustomEdit::TextChanged()
{
    if (!FHandle)
        Change(); // with a window, EN_CHANGE reports it
}

void TCustomEdit::Change()
{
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::WndProc(TMessage& M)
{
    if (M.Msg == CN_COMMAND) {
        if (HIWORD(M.WParam) == EN_CHANGE)
            Change();
        return;
    }
    TWinControl::WndProc(M);
}

// =============================================================================================
// TMaskEdit

size_t TMaskEdit::Places() const { return static_cast<size_t>(std::count(FEditMask.begin(), FEditMask.end(), '9')); }

void TMaskEdit::SetEditMask(const std::string& Value)
{
    FEditMask = Value;
    SetMaxLength(static_cast<int32_t>(Places()));
    SetText(GetText());
}

void TMaskEdit::SetText(const std::string& Value)
{
    if (FEditMask.empty()) {
        TCustomEdit::SetText(Value);
        return;
    }
    // Only digits, at most as many as the mask has places.
    std::string D;
    for (char C : Value)
        if (C >= '0' && C <= '9' && D.size() < Places())
            D += C;
    TCustomEdit::SetText(D);
}

void TMaskEdit::WndProc(TMessage& M)
{
    if (!FEditMask.empty()) {
        if (M.Msg == WM_CHAR) {
            const char C = static_cast<char>(M.WParam);
            if (static_cast<unsigned char>(C) >= 32 && !(C >= '0' && C <= '9')) {
                MessageBeep(0);
                return; // refused
            }
        } else if (M.Msg == WM_PASTE) {
            return; // a paste could bring letters
        } else if (M.Msg == WM_SETTEXT && M.LParam) {
            std::string D;
            for (const char* P = reinterpret_cast<const char*>(M.LParam); *P; ++P)
                if (*P >= '0' && *P <= '9' && D.size() < Places())
                    D += *P;
            TMessage Filtered{M.Msg, M.WParam, reinterpret_cast<LPARAM>(D.c_str()), 0};
            TCustomEdit::WndProc(Filtered);
            M.Result = Filtered.Result;
            return;
        }
    }
    TCustomEdit::WndProc(M);
}

// =============================================================================================
// TMemo

namespace {
// The lines of a memo, read from and written to its text.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TMemo* Memo) : FMemo(Memo) {}
    std::string ClassName() const override { return "TMemoStrings"; }
    int32_t GetCount() const override { return static_cast<int32_t>(Split().size()); }
    std::string GetStrings(int32_t Index) const override
    {
        auto L = Split();
        if (Index < 0 || Index >= static_cast<int32_t>(L.size()))
            IndexError(Index);
        return L[static_cast<size_t>(Index)];
    }
    void SetStrings(int32_t Index, const std::string& S) override
    {
        auto L = Split();
        if (Index < 0 || Index >= static_cast<int32_t>(L.size()))
            IndexError(Index);
        L[static_cast<size_t>(Index)] = S;
        Join(L);
    }
    TObject* GetObjects(int32_t) const override { return nullptr; }
    void SetObjects(int32_t, TObject*) override {}
    void Insert(int32_t Index, const std::string& S) override
    {
        auto L = Split();
        if (Index < 0 || Index > static_cast<int32_t>(L.size()))
            IndexError(Index);
        L.insert(L.begin() + Index, S);
        Join(L);
    }
    void Delete(int32_t Index) override
    {
        auto L = Split();
        if (Index < 0 || Index >= static_cast<int32_t>(L.size()))
            IndexError(Index);
        L.erase(L.begin() + Index);
        Join(L);
    }
    void Clear() override { FMemo->SetText(""); }

private:
    [[noreturn]] static void IndexError(int32_t Index) { throw EStringListError(Format("List index %d out of range", Index)); }
    std::vector<std::string> Split() const
    {
        std::vector<std::string> L;
        const std::string T = FMemo->GetText();
        if (T.empty())
            return L;
        size_t P = 0;
        for (;;) {
            const size_t E = T.find('\n', P);
            std::string Line = T.substr(P, E == std::string::npos ? std::string::npos : E - P);
            if (!Line.empty() && Line.back() == '\r')
                Line.pop_back();
            if (E == std::string::npos) {
                if (!Line.empty())
                    L.push_back(Line);
                break;
            }
            L.push_back(Line);
            P = E + 1;
        }
        return L;
    }
    void Join(const std::vector<std::string>& L)
    {
        std::string T;
        for (const auto& S : L)
            T += S + "\r\n";
        FMemo->SetText(T);
    }
    TMemo* FMemo = nullptr;
};
} // namespace

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(new TMemoStrings(this)) { SetBounds(0, 0, 185, 89); }

TMemo::~TMemo() = default;

bool TMemo::WantsKey(uint16_t Key) const
{
    if (Key == VK_RETURN)
        return FWantReturns;
    if (Key == VK_TAB)
        return FWantTabs;
    return TCustomEdit::WantsKey(Key);
}

void TMemo::CreateParams(TCreateParams& P)
{
    TCustomEdit::CreateParams(P);
    P.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (FWordWrap)
        P.Style &= ~ES_AUTOHSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        P.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        P.Style |= WS_HSCROLL;
}

// =============================================================================================
// Items

void TControlItems::SetStrings(int32_t Index, const std::string& S)
{
    TObject* O = GetObjects(Index);
    Delete(Index);
    InsertObject(Index, S, O);
}

void TControlItems::Insert(int32_t Index, const std::string& S)
{
    FList.Insert(Index, S);
    if (FSink.Inserted)
        FSink.Inserted(Index, S);
}

void TControlItems::Delete(int32_t Index)
{
    FList.Delete(Index);
    if (FSink.Deleted)
        FSink.Deleted(Index);
}

void TControlItems::Clear()
{
    FList.Clear();
    if (FSink.Cleared)
        FSink.Cleared();
}

int32_t TControlItems::Add(const std::string& S) { return AddObject(S, nullptr); }

int32_t TControlItems::AddObject(const std::string& S, TObject* AObject)
{
    int32_t Index = GetCount();
    if (FSorted) {
        Index = 0;
        while (Index < GetCount() && CompareStrings(GetStrings(Index), S) <= 0)
            ++Index;
    }
    Insert(Index, S);
    SetObjects(Index, AObject);
    return Index;
}

void TControlItems::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    FSorted = Value;
    if (!Value)
        return;
    std::vector<std::pair<std::string, TObject*>> L;
    for (int32_t I = 0; I < GetCount(); ++I)
        L.emplace_back(GetStrings(I), GetObjects(I));
    std::stable_sort(L.begin(), L.end(), [this](const auto& A, const auto& B) { return CompareStrings(A.first, B.first) < 0; });
    Clear();
    for (auto& E : L) {
        Insert(GetCount(), E.first);
        SetObjects(GetCount() - 1, E.second);
    }
}

// =============================================================================================
// TListBox

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner)
{
    FItems.reset(new TControlItems({[this](int32_t I, const std::string& S) {
                                        if (FHandle)
                                            SendMessageA(FHandle, LB_INSERTSTRING, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(S.c_str()));
                                    },
                                    [this](int32_t I) {
                                        if (FHandle)
                                            SendMessageA(FHandle, LB_DELETESTRING, static_cast<WPARAM>(I), 0);
                                    },
                                    [this] {
                                        if (FHandle)
                                            SendMessageA(FHandle, LB_RESETCONTENT, 0, 0);
                                        FSavedIndex = -1;
                                        FSavedSelection.clear();
                                    }}));
    SetControlStyle(TControlStyle{csDoubleClicks});
    SetTabStop(true);
    FColor = clWindow;
    SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox()
{
    DestroyHandle();
}

void TListBox::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = "LISTBOX";
    P.Style &= ~WS_CLIPCHILDREN;
    P.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    P.ExStyle |= WS_EX_CLIENTEDGE;
    if (FMultiSelect)
        P.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (FStyle == lbOwnerDrawFixed)
        P.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
    else if (FStyle == lbOwnerDrawVariable)
        P.Style |= LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS;
}

void TListBox::SaveWindowState()
{
    FSavedIndex = GetItemIndex();
    FSavedTop = GetTopIndex();
    FSavedSelection.clear();
    if (FMultiSelect)
        for (int32_t I = 0; I < FItems->GetCount(); ++I)
            if (GetSelected(I))
                FSavedSelection.push_back(I);
}

void TListBox::RestoreWindowState()
{
    if (FStyle == lbOwnerDrawFixed || FStyle == lbStandard)
        if (FStyle != lbStandard)
            SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
    for (int32_t I = 0; I < FItems->GetCount(); ++I)
        SendMessageA(FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FItems->GetStrings(I).c_str()));
    if (FMultiSelect) {
        for (int32_t I : FSavedSelection)
            SendMessageA(FHandle, LB_SETSEL, TRUE, I);
        if (FSavedIndex >= 0)
            SendMessageA(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(FSavedIndex), FALSE);
    } else if (FSavedIndex >= 0) {
        SendMessageA(FHandle, LB_SETCURSEL, static_cast<WPARAM>(FSavedIndex), 0);
    }
    SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FSavedTop), 0);
}

int32_t TListBox::GetItemIndex() const
{
    if (!FHandle)
        return FSavedIndex;
    return static_cast<int32_t>(SendMessageA(FHandle, FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int32_t Value)
{
    if (Value < -1 || Value >= FItems->GetCount())
        Value = -1;
    FSavedIndex = Value;
    if (!FHandle)
        return;
    if (FMultiSelect)
        SendMessageA(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(Value), FALSE);
    else
        SendMessageA(FHandle, LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

bool TListBox::GetSelected(int32_t Index) const
{
    if (Index < 0 || Index >= FItems->GetCount())
        throw EListError(Format("List index %d out of range", Index));
    if (!FHandle)
        return FMultiSelect ? std::find(FSavedSelection.begin(), FSavedSelection.end(), Index) != FSavedSelection.end()
                            : FSavedIndex == Index;
    return SendMessageA(FHandle, LB_GETSEL, static_cast<WPARAM>(Index), 0) > 0;
}

void TListBox::SetSelected(int32_t Index, bool Value)
{
    if (Index < 0 || Index >= FItems->GetCount())
        throw EListError(Format("List index %d out of range", Index));
    if (!FMultiSelect) {
        if (Value)
            SetItemIndex(Index);
        else if (GetItemIndex() == Index)
            SetItemIndex(-1);
        return;
    }
    if (FHandle)
        SendMessageA(FHandle, LB_SETSEL, Value, Index);
    else if (Value)
        FSavedSelection.push_back(Index);
    else
        FSavedSelection.erase(std::remove(FSavedSelection.begin(), FSavedSelection.end(), Index), FSavedSelection.end());
}

int32_t TListBox::GetSelCount() const
{
    int32_t N = 0;
    for (int32_t I = 0; I < FItems->GetCount(); ++I)
        if (GetSelected(I))
            ++N;
    return N;
}

void TListBox::SetSorted(bool Value) { FItems->SetSorted(Value); }

int32_t TListBox::GetTopIndex() const
{
    return FHandle ? static_cast<int32_t>(SendMessageA(FHandle, LB_GETTOPINDEX, 0, 0)) : FSavedTop;
}

void TListBox::SetTopIndex(int32_t Value)
{
    FSavedTop = Value;
    if (FHandle)
        SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(Value), 0);
}

void TListBox::SetItemHeight(int32_t Value)
{
    FItemHeight = Value;
    if (FHandle && FStyle == lbOwnerDrawFixed)
        SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, Value);
}

TRect TListBox::ItemRect(int32_t Index) const
{
    TRect R{};
    if (FHandle)
        SendMessageA(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&R));
    return R;
}

void TListBox::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case CN_COMMAND:
        if (HIWORD(M.WParam) == LBN_SELCHANGE)
            Click();
        else if (HIWORD(M.WParam) == LBN_DBLCLK)
            DblClick();
        return;
    case CN_MEASUREITEM: {
        auto* MI = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
        int32_t H = FItemHeight;
        if (FStyle == lbOwnerDrawVariable && OnMeasureItem)
            OnMeasureItem(this, static_cast<int32_t>(MI->itemID), H);
        MI->itemHeight = static_cast<UINT>(H);
        M.Result = TRUE;
        return;
    }
    case CN_DRAWITEM: {
        auto* D = reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam);
        TOwnerDrawState S;
        if (D->itemState & ODS_SELECTED)
            S.Include(odSelected);
        if (D->itemState & ODS_FOCUS)
            S.Include(odFocused);
        if (D->itemState & ODS_DISABLED)
            S.Include(odDisabled);
        {
            FCanvas.SetHandle(D->hDC);
            TScopeExit Release([this] { FCanvas.SetHandle(nullptr); });
            FCanvas.GetFont()->Assign(GetFont());
            const int32_t Index = static_cast<int32_t>(D->itemID);
            if (OnDrawItem && Index >= 0) {
                FCanvas.GetBrush()->SetColor(S.Contains(odSelected) ? clHighlight : GetColor());
                FCanvas.GetFont()->SetColor(S.Contains(odSelected) ? clHighlightText : GetFont()->GetColor());
                OnDrawItem(this, Index, D->rcItem, S);
            } else if (Index >= 0 && Index < FItems->GetCount()) {
                FCanvas.GetBrush()->SetColor(S.Contains(odSelected) ? clHighlight : GetColor());
                FCanvas.GetFont()->SetColor(S.Contains(odSelected) ? clHighlightText : GetFont()->GetColor());
                FCanvas.FillRect(D->rcItem);
                FCanvas.TextOut(D->rcItem.left + 2, D->rcItem.top, FItems->GetStrings(Index));
            }
            if (S.Contains(odFocused))
                DrawFocusRect(D->hDC, &D->rcItem);
        }
        M.Result = TRUE;
        return;
    }
    default:
        break;
    }
    TWinControl::WndProc(M);
}

// =============================================================================================
// TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner)
{
    FItems.reset(new TControlItems({[this](int32_t I, const std::string& S) {
                                        if (FHandle)
                                            SendMessageA(FHandle, CB_INSERTSTRING, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(S.c_str()));
                                    },
                                    [this](int32_t I) {
                                        if (FHandle)
                                            SendMessageA(FHandle, CB_DELETESTRING, static_cast<WPARAM>(I), 0);
                                    },
                                    [this] {
                                        if (FHandle)
                                            SendMessageA(FHandle, CB_RESETCONTENT, 0, 0);
                                        FItemIndex = -1;
                                    }}));
    SetControlStyle(TControlStyle{csDoubleClicks});
    SetTabStop(true);
    FColor = clWindow;
    SetBounds(0, 0, 145, 21);
}

TComboBox::~TComboBox() { DestroyHandle(); }

void TComboBox::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = "COMBOBOX";
    P.Style &= ~WS_CLIPCHILDREN;
    P.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | (FStyle == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
    P.Height = GetHeight() + FDropDownCount * 16;
}

void TComboBox::ApplyBounds()
{
    if (FHandle)
        SetWindowPos(FHandle, nullptr, GetLeft(), GetTop(), GetWidth(), GetHeight() + FDropDownCount * 16,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::SaveWindowState() { FItemIndex = GetItemIndex(); }

void TComboBox::RestoreWindowState()
{
    const std::string Text = FText;
    for (int32_t I = 0; I < FItems->GetCount(); ++I)
        SendMessageA(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FItems->GetStrings(I).c_str()));
    if (FItemIndex >= 0)
        SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
    else if (FStyle == csDropDown)
        SetWindowTextA(FHandle, Text.c_str());
}

int32_t TComboBox::GetItemIndex() const
{
    return FHandle ? static_cast<int32_t>(SendMessageA(FHandle, CB_GETCURSEL, 0, 0)) : FItemIndex;
}

void TComboBox::SetItemIndex(int32_t Value)
{
    if (Value < -1 || Value >= FItems->GetCount())
        Value = -1;
    FItemIndex = Value;
    if (FHandle)
        SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
    else
        FText = Value >= 0 ? FItems->GetStrings(Value) : std::string();
}

void TComboBox::WndProc(TMessage& M)
{
    if (M.Msg == CN_COMMAND) {
        const WORD Code = HIWORD(M.WParam);
        if (Code == CBN_SELCHANGE || Code == CBN_EDITCHANGE) {
            FItemIndex = GetItemIndex();
            if (OnChange)
                OnChange(this);
        }
        return;
    }
    TWinControl::WndProc(M);
}
