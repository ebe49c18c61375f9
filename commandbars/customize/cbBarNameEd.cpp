#include "commandbars/customize/cbBarNameEd.h"

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/customize/cbBarCustForm.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"

TcbBarNameEd::TcbBarNameEd(TComponent* AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{});
    SetFormStyle(fsStayOnTop);
    SetPosition(poScreenCenter);
    SetClientSize(266, 87);
    LName = new TLabel(this);
    LName->SetAutoSize(false);
    LName->SetBounds(8, 8, 250, 16);
    LName->SetParent(this);
    EName = new TEdit(this);
    EName->SetBounds(8, 26, 250, 21);
    EName->SetParent(this);
    EName->OnChange = [this](TObject*) { NameChanged(); };
    LName->SetFocusControl(EName);
    BOK = new TButton(this);
    BOK->SetBounds(102, 56, 75, 25);
    BOK->SetParent(this);
    BOK->SetDefault(true);
    BOK->SetModalResult(mrOk);
    BCancel = new TButton(this);
    BCancel->SetBounds(183, 56, 75, 25);
    BCancel->SetParent(this);
    BCancel->SetCancel(true);
    BCancel->SetModalResult(mrCancel);
    BOK->SetCaption(uiGetResourceString(cbsOK));
    BCancel->SetCaption(uiGetResourceString(cbsCancel));
    OnShow = [this](TObject*) { DoShow(); };
    OnCloseQuery = [this](TObject*, bool& CanClose) { CheckName(CanClose); };
    SetActiveControl(EName);
}

void TcbBarNameEd::Setup(TStrings* Categories, TcbNameEditKind Kind, TcbBar* Bar, TcbBarManager* Manager)
{
    FCategories = Categories;
    FBar = Bar;
    FBarManager = Manager;
    if (Categories) {
        const int32_t Captions[3] = {cbsAddCategory, cbsInsertCategory, cbsRenameCategory}; // by kind
        SetCaption(uiGetResourceString(Captions[Kind >= nekAdd && Kind <= nekRename ? Kind : nekAdd]));
        LName->SetCaption(uiGetResourceString(cbsCategoryNameLabel));
    } else {
        SetCaption(uiGetResourceString(Kind == nekRename ? cbsRenameToolbar : cbsAddToolbar));
        LName->SetCaption(uiGetResourceString(cbsToolbarNameLabel));
    }
    // The dialog speaks in the customizing dialog's font.
    if (TcbBarCustomizingForm* Dialog = GetCustomizingForm())
        GetFont()->Assign(Dialog->GetFont());
}

void TcbBarNameEd::DoShow()
{
    NameChanged();
    EName->SelectAll();
}

void TcbBarNameEd::NameChanged()
{
    BOK->SetEnabled(!EName->GetText().empty());
}

void TcbBarNameEd::CheckName(bool& CanClose)
{
    if (GetModalResult() != mrOk)
        return;
    const std::string Name = EName->GetText();
    // An empty name never closes with OK, whatever pressed it.
    if (Name.empty()) {
        CanClose = false;
        return;
    }
    if (FCategories || !FBarManager)
        return;
    TcbBar* Existing = FBarManager->BarByCaption(Name);
    if (!Existing || Existing == FBar)
        return;
    const std::string Text = Format(uiGetResourceString(cbsToolbarExists), Name);
    MessageBoxA(HandleAllocated() ? GetHandle() : nullptr, Text.c_str(), Application->GetTitle().c_str(),
                MB_OK | MB_ICONERROR);
    CanClose = false;
}

bool ShowNameEditor(std::string& Name, TStrings* Categories, TcbNameEditKind Kind, TcbBar* Bar,
                    TcbBarManager* Manager)
{
    TComponentPtr<TcbBarNameEd> Editor(new TcbBarNameEd(nullptr));
    Editor->Setup(Categories, Kind, Bar, Manager);
    Editor->EName->SetText(Name);
    if (Editor->ShowModal() != mrOk)
        return false;
    Name = Editor->EName->GetText();
    return true;
}
