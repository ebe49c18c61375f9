#include "commandbars/customize/cbBarCustFormDesignList.h"

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/ListView.h"

void FillAllCommandsList(TListView* List, const std::vector<TcbAllCommandsRow>& Rows)
{
    List->SetGridLines(true);
    TListItems* Items = List->GetItems();
    Items->BeginUpdate();
    TScopeExit Done([Items] { Items->EndUpdate(); });
    Items->Clear();
    for (const TcbAllCommandsRow& Row : Rows)
        Items->AddItem(Row.Name, -1, Row.Data, {Row.Caption, Row.ShortCut});
}

void* SelectedAllCommandsData(TListView* List)
{
    TListItem* Item = List->GetSelected();
    return Item ? Item->GetData() : nullptr;
}

void SetAllCommandsClick(TListView* List, std::function<void(TObject* Sender)> Handler)
{
    List->OnClick = std::move(Handler);
}
