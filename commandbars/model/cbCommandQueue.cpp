#include "commandbars/model/cbCommandQueue.h"

#include <algorithm>
#include <deque>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbLiveness.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/ThreadTimer.h"

namespace {

TcbLiveRegistry<TcbBarItemControl> gItemControls;

struct TQueuedClick {
    TcbBarItem* Item;
    TcbBarItemLink* Link;
};
std::deque<TQueuedClick> gClicks;
int32_t gDepth = 0;
bool gRunning = false;
// The timer that runs the clicks a deferring entry left, while it waits.
UINT_PTR gDeferredRun = 0;

bool ItemHasLink(const TcbBarItem* Item, const TcbBarItemLink* Link)
{
    for (int32_t I = 0; I < Item->GetLinkCount(); ++I)
        if (Item->GetLink(I) == Link)
            return true;
    return false;
}

} // namespace

void RegisterItemControl(TcbBarItemControl* Control)
{
    gItemControls.Add(Control);
}

void UnregisterItemControl(TcbBarItemControl* Control)
{
    gItemControls.Remove(Control);
}

bool IsLiveItemControl(const TcbBarItemControl* Control)
{
    return gItemControls.Contains(Control);
}

bool IsLiveItem(const TcbBarItem* Item)
{
    if (!Item)
        return false;
    if (TcbBarManagerList* Managers = BarManagers())
        for (int32_t I = 0; I < Managers->GetCount(); ++I) {
            TcbBarManager* Manager = Managers->GetItem(I);
            if (!Manager->IsDestroying() && Manager->IndexOfItem(Item) >= 0)
                return true;
        }
    const auto& Temporary = TemporaryItems();
    return std::find(Temporary.begin(), Temporary.end(), Item) != Temporary.end();
}

void QueueItemClick(TcbBarItem* Item, TcbBarItemLink* CountingLink)
{
    if (Item)
        gClicks.push_back({Item, CountingLink});
}

int32_t QueuedClickCount()
{
    return static_cast<int32_t>(gClicks.size());
}

void RunClickQueue()
{
    if (gDepth > 0 || gRunning)
        return;
    TFlagScope Running(gRunning);
    while (!gClicks.empty()) {
        const TQueuedClick Click = gClicks.front();
        gClicks.pop_front();
        if (!IsLiveItem(Click.Item))
            continue;
        TcbBarItem* Item = Click.Item;
        Item->SetClickItemLink(Click.Link && ItemHasLink(Item, Click.Link) ? Click.Link : nullptr);
        TScopeExit Clear([Item] {
            // The command may have freed the item.
            if (IsLiveItem(Item))
                Item->SetClickItemLink(nullptr);
        });
        // A command may open a modal loop whose own entries must not run the rest of the queue
        // in between: the loop's clicks queue behind this one.
        TcbFrameworkEntry Entry;
        Item->DoClick();
    }
}

void ClearClickQueue()
{
    gClicks.clear();
    if (gDeferredRun) {
        ThreadTimerStop(gDeferredRun);
        gDeferredRun = 0;
    }
}

TcbFrameworkEntry::TcbFrameworkEntry(bool DeferClicks) : FDeferClicks(DeferClicks)
{
    ++gDepth;
}

TcbFrameworkEntry::~TcbFrameworkEntry()
{
    if (--gDepth != 0 || gRunning)
        return;
    if (!FDeferClicks || gClicks.empty()) {
        RunClickQueue();
        return;
    }
    // One timer at a time runs whatever is waiting when it ticks.
    if (gDeferredRun)
        return;
    gDeferredRun = ThreadTimerStart(0, [](UINT_PTR Id) {
        ThreadTimerStop(Id);
        gDeferredRun = 0;
        RunClickQueue();
    });
}

int32_t FrameworkEntryDepth()
{
    return gDepth;
}
