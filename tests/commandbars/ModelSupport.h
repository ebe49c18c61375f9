#pragma once
// Helpers of the bar model's tests: a windowless form with its manager, items that count their
// end, and links made in one call.

#include <cstdint>
#include <string>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/Forms.h"

namespace CommandBarsTest {

// Items freed so far (tests read differences).
inline int gItemsFreed = 0;

class TTestItem : public TcbBarItem {
public:
    explicit TTestItem(TComponent* AOwner) : TcbBarItem(AOwner) {}
    ~TTestItem() override { ++gItemsFreed; }
    std::string ClassName() const override { return "TTestItem"; }
    using TcbBarItem::OnClick;
};

// A form that never gets a window, with a manager.
struct TManagerForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TcbBarManager* Manager = new TcbBarManager(Form.get());

    TTestItem* AddItem(const std::string& Name, int32_t Category = -1)
    {
        auto* Item = new TTestItem(Form.get());
        Item->SetName(Name);
        Item->SetCaption(Name);
        if (Category >= 0)
            Item->SetCategory(Category);
        return Item;
    }
    TcbBar* AddBar(const std::string& Caption, bool Visible = true)
    {
        TcbBar* Bar = Manager->GetBars()->Add();
        Bar->SetCaption(Caption);
        Bar->SetVisible(Visible);
        return Bar;
    }
    static TcbBarItemLink* AddLink(TcbBar* Bar, TcbBarItem* Item)
    {
        TcbBarItemLink* Link = Bar->GetItemLinks()->Add();
        Link->SetItem(Item);
        return Link;
    }
};

} // namespace CommandBarsTest
