#include "commandbars/customize/cbBarCustFormList.h"

#include "platform/win/ListView.h"

TListView* MakeAllCommandsList(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    auto* List = new TListView(Owner);
    List->SetBounds(X, Y, W, H);
    List->SetParent(Parent);
    List->SetRowSelect(true);
    List->SetReadOnly(true);
    // Room for the vertical scroll bar stays free of columns.
    const int32_t Inner = W - GetSystemMetrics(SM_CXVSCROLL) - 4;
    const int32_t Widths[3] = {Inner * 35 / 100, Inner * 40 / 100, Inner - Inner * 35 / 100 - Inner * 40 / 100};
    for (int32_t Width : Widths)
        List->GetColumns()->Add()->SetWidth(Width);
    return List;
}

void ClearAllCommandsList(TListView* List)
{
    List->GetItems()->Clear();
}
