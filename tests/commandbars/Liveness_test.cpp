// The registries of live objects: what they hold and in which order, an object that leaves on
// destruction read as dead through a pointer still held, a walk over a copy that skips the ones
// freed meanwhile, and the managers' two questions while a manager is being destroyed.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbLiveness.h"
#include "commandbars/model/cbPopupMenu.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;

namespace {

// An object that joins a registry when made and leaves it when destroyed, as the framework's do.
class TWatched {
public:
    explicit TWatched(TcbLiveRegistry<TWatched>& Registry) : FRegistry(Registry) { FRegistry.Add(this); }
    TWatched(const TWatched&) = delete;
    TWatched& operator=(const TWatched&) = delete;
    ~TWatched() { FRegistry.Remove(this); }

private:
    TcbLiveRegistry<TWatched>& FRegistry;
};

// What a manager's destructor saw of itself.
struct TSeenWhileDestroying {
    bool Listed = false;
    bool Live = true;
    bool Ran = false;
};
TSeenWhileDestroying gSeen;

class TWatchingManager : public TcbBarManager {
public:
    explicit TWatchingManager(TComponent* AOwner) : TcbBarManager(AOwner) {}
    ~TWatchingManager() override { gSeen = {IsListedManager(this), IsLiveManager(this), true}; }
};

} // namespace

TEST(LiveRegistry, HoldsEachObjectOnceInTheOrderItJoined)
{
    TcbLiveRegistry<int> Registry;
    int A = 0, B = 0, C = 0;
    Registry.Add(&A);
    Registry.Add(&B);
    Registry.Add(&A);
    Registry.Add(nullptr);
    Registry.Add(&C);
    EXPECT_EQ(Registry.Items(), (std::vector<int*>{&A, &B, &C}));
    EXPECT_TRUE(Registry.Contains(&B));
    EXPECT_FALSE(Registry.Contains(nullptr));

    Registry.Remove(&B);
    Registry.Remove(&B);
    int Stranger = 0;
    Registry.Remove(&Stranger);
    EXPECT_EQ(Registry.Items(), (std::vector<int*>{&A, &C}));
    EXPECT_FALSE(Registry.Contains(&B));
    EXPECT_TRUE(Registry.Contains(&A));
    EXPECT_TRUE(Registry.Contains(&C));

    // One that left may join again, at the end.
    Registry.Add(&B);
    EXPECT_EQ(Registry.Items(), (std::vector<int*>{&A, &C, &B}));
}

TEST(LiveRegistry, AnObjectDestroyedWhileItsPointerIsHeldReadsAsDead)
{
    TcbLiveRegistry<TWatched> Registry;
    auto First = std::make_unique<TWatched>(Registry);
    auto Second = std::make_unique<TWatched>(Registry);
    auto Third = std::make_unique<TWatched>(Registry);
    const TWatched* Held = Second.get();
    ASSERT_TRUE(Registry.Contains(Held));

    Second.reset();
    EXPECT_FALSE(Registry.Contains(Held));
    EXPECT_EQ(Registry.Items(), (std::vector<TWatched*>{First.get(), Third.get()}));
    Third.reset();
    First.reset();
    EXPECT_TRUE(Registry.Items().empty());
}

TEST(LiveRegistry, AWalkOverACopySkipsTheObjectsFreedDuringIt)
{
    // Each visit may free others (a listener that ends its window's neighbours): the walk asks
    // before each visit and never reaches a freed one.
    TcbLiveRegistry<TWatched> Registry;
    std::vector<std::unique_ptr<TWatched>> Objects;
    for (int I = 0; I < 4; ++I)
        Objects.push_back(std::make_unique<TWatched>(Registry));
    const std::vector<TWatched*> Round = Registry.Items();
    std::vector<int> Visited;
    for (size_t I = 0; I < Round.size(); ++I) {
        if (!Registry.Contains(Round[I]))
            continue;
        Visited.push_back(static_cast<int>(I));
        if (I == 0) {
            Objects[2].reset();
            Objects[3].reset();
        }
    }
    EXPECT_EQ(Visited, (std::vector<int>{0, 1}));
    EXPECT_EQ(Registry.Items(), (std::vector<TWatched*>{Objects[0].get(), Objects[1].get()}));
}

TEST(LiveManager, AManagerBeingDestroyedIsListedButNoLongerLive)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    auto* Manager = new TWatchingManager(Form.get());
    EXPECT_TRUE(IsListedManager(Manager));
    EXPECT_TRUE(IsLiveManager(Manager));
    EXPECT_FALSE(IsListedManager(nullptr));
    EXPECT_FALSE(IsLiveManager(nullptr));

    gSeen = {};
    const TcbBarManager* Held = Manager;
    Manager->Free();
    ASSERT_TRUE(gSeen.Ran);
    EXPECT_TRUE(gSeen.Listed) << "its parts are still there while it goes";
    EXPECT_FALSE(gSeen.Live) << "a manager that is going must not be asked to act";
    EXPECT_FALSE(IsListedManager(Held));
    EXPECT_FALSE(IsLiveManager(Held));
}

TEST(LivePopupMenu, AMenuFreedWhileItsPointerIsHeldReadsAsDead)
{
    TManagerForm F;
    auto* Menu = new TcbBarPopupMenu(F.Form.get());
    auto* Other = new TcbBarPopupMenu(F.Form.get());
    const void* Held = Menu;
    EXPECT_TRUE(TcbBarPopupMenu::IsLivePopupMenu(Held));
    Menu->Free();
    EXPECT_FALSE(TcbBarPopupMenu::IsLivePopupMenu(Held));
    EXPECT_TRUE(TcbBarPopupMenu::IsLivePopupMenu(Other));
    EXPECT_FALSE(TcbBarPopupMenu::IsLivePopupMenu(nullptr));
}
