#include "commandbars/customize/cbBarItemEd.h"

#include <exception>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/Classes.h"

namespace {

template <class T>
T* Place(TWinControl* Parent, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    T* C = new T(Parent);
    C->SetBounds(X, Y, W, H);
    C->SetParent(Parent);
    return C;
}

// The fields stand in rows 28 pixels apart, their labels at the left.
constexpr int32_t kFieldLeft = 72, kFieldWidth = 183, kRowStep = 28;

int32_t RowTop(int32_t Row)
{
    return 8 + kRowStep * Row;
}

TLabel* PlaceLabel(TWinControl* Parent, int32_t Row, int32_t Id)
{
    auto* L = Place<TLabel>(Parent, 8, RowTop(Row) + 4, kFieldLeft - 12, 13);
    L->SetCaption(uiGetResourceString(Id));
    return L;
}

} // namespace

TcbBarItemAddEditor::TcbBarItemAddEditor(TComponent* AOwner, TcbBarManager* Manager, int32_t CategoryIndex)
    : TForm(AOwner), FBarManager(Manager)
{
    SetCaption(StripAmpersands(uiGetResourceString(cbsAddItem)));
    SetBorderStyle(bsDialog);
    SetFormStyle(fsStayOnTop);
    SetPosition(poScreenCenter);
    SetClientSize(263, 150);

    Label1 = PlaceLabel(this, 0, cbsName);
    Label2 = PlaceLabel(this, 1, cbsCaption);
    Label3 = PlaceLabel(this, 2, cbsType);
    Label4 = PlaceLabel(this, 3, cbsCategory);
    Edit1 = Place<TEdit>(this, kFieldLeft, RowTop(0), kFieldWidth, 21);
    Edit2 = Place<TEdit>(this, kFieldLeft, RowTop(1), kFieldWidth, 21);
    Edit2->SetText(uiGetResourceString(cbsNewItem));
    ComboBox1 = Place<TComboBox>(this, kFieldLeft, RowTop(2), kFieldWidth, 21);
    ComboBox1->SetStyle(csDropDownList);
    ComboBox1->SetDropDownCount(100);
    ComboBox1->OnChange = [this](TObject* S) { ComboBox1Change(S); };
    ComboBox2 = Place<TComboBox>(this, kFieldLeft, RowTop(3), kFieldWidth, 21);
    ComboBox2->SetStyle(csDropDownList);
    BOk = Place<TButton>(this, 99, 118, 75, 25);
    BOk->SetCaption(uiGetResourceString(cbsOK));
    BOk->SetDefault(true);
    BOk->SetModalResult(mrOk);
    BOk->OnClick = [this](TObject* S) { BOkClick(S); };
    BCancel = Place<TButton>(this, 180, 118, 75, 25);
    BCancel->SetCaption(uiGetResourceString(cbsCancel));
    BCancel->SetCancel(true);
    BCancel->SetModalResult(mrCancel);
    OnShow = [this](TObject* S) { FormShow(S); };

    if (FBarManager) {
        TStrings* Categories = FBarManager->GetCategories();
        for (int32_t I = 0; I < Categories->GetCount(); ++I)
            ComboBox2->GetItems()->Add(Categories->GetStrings(I));
    }
    const int32_t CategoryCount = ComboBox2->GetItems()->GetCount();
    if (CategoryCount > 0)
        ComboBox2->SetItemIndex(CategoryIndex >= 0 && CategoryIndex < CategoryCount ? CategoryIndex : 0);
    for (int32_t I = 0; TcbBarItemClass Class = GetVisibleBarItemClass(I); ++I)
        ComboBox1->GetItems()->Add(Class->Name);
    if (ComboBox1->GetItems()->GetCount() > 0)
        ComboBox1->SetItemIndex(0);
    ProposeName();
}

void TcbBarItemAddEditor::ProposeName()
{
    TcbBarItemClass Class = GetVisibleBarItemClass(ComboBox1->GetItemIndex());
    if (!Class || !FBarManager)
        return;
    std::string Name;
    GetUniqueItemName(FBarManager, Class, Name);
    Edit1->SetText(Name);
}

void TcbBarItemAddEditor::ComboBox1Change(TObject*)
{
    ProposeName();
}

void TcbBarItemAddEditor::FormShow(TObject*)
{
    SetActiveControl(Edit1);
}

void TcbBarItemAddEditor::BOkClick(TObject*)
{
    TcbBarItemClass Class = GetVisibleBarItemClass(ComboBox1->GetItemIndex());
    if (!Class || !FBarManager) {
        SetModalResult(mrNone);
        return;
    }
    TcbBarItem* Item = nullptr;
    try {
        Item = Class->Create(FBarManager->GetOwner());
        Item->SetName(Edit1->GetText());
        Item->SetCategory(ComboBox2->GetItemIndex());
        Item->SetCaption(Edit2->GetText());
        FBarManager->DesignerModified();
        FCreatedItem = Item;
    } catch (const std::exception&) {
        // A name the form refuses (invalid or taken): the dialog stays open with a fresh one.
        if (Item)
            Item->Free();
        SetModalResult(mrNone);
        ProposeName();
    }
}

TcbBarItem* ShowItemAddEditor(TcbBarManager* Manager, int32_t CategoryIndex)
{
    const TComponentPtr<TcbBarItemAddEditor> Editor(new TcbBarItemAddEditor(nullptr, Manager, CategoryIndex));
    if (Editor->ShowModal() != mrOk)
        return nullptr;
    return Editor->GetCreatedItem();
}
