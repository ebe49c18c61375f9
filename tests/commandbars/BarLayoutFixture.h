#pragma once
// The form the layout-storage tests store and load: one design, made as often as a test needs
// it, so that "made again from the same design" is exact. Form "LayoutForm" with manager
// "BarManager1", the buttons btnNew, btnOpen, btnSave and a nameless one, the sub-item subFile
// holding the three named buttons, a label, on request a placeable dock site "DockRight" at the
// right edge, and the bars "Main Menu" (the main menu, top, row 0,
// subFile), "Standard" (top, row 1, the four buttons, a group line before btnOpen) and "Tools"
// (floating at (300, 200), client 150 x 60, btnNew).

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarLayoutStore.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/FormDesign.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/ResourceProbe.h"

namespace BarLayoutTest {

// What the next form made from the design stores and where.
struct TLayoutDesignSettings {
    TcbBarManagerStyle Style = bmsFlat;
    bool StoreInRegistry = false;
    std::string RegistryPath;
    bool StoreInIniFile = false;
    std::string IniFileName;
    TStream* IniStream = nullptr;
    // The form gets the dock site "DockRight" (its window makes the form's window too).
    bool DockRight = false;
};
inline TLayoutDesignSettings gLayoutDesign;

inline void BuildLayoutForm(TCustomForm& Root, const TFormDesignContext&)
{
    auto* M = new TcbBarManager(&Root);
    M->SetName("BarManager1");
    M->SetStyle(gLayoutDesign.Style);
    M->SetStoreInRegistry(gLayoutDesign.StoreInRegistry);
    M->SetRegistryPath(gLayoutDesign.RegistryPath);
    M->SetStoreInIniFile(gLayoutDesign.StoreInIniFile);
    M->SetIniFileName(gLayoutDesign.IniFileName);
    M->SetIniStream(gLayoutDesign.IniStream);

    const auto Button = [&Root](const char* Name, const char* Caption) {
        auto* B = new TcbBarButton(&Root);
        if (*Name)
            B->SetName(Name);
        B->SetCaption(Caption);
        return B;
    };
    TcbBarButton* New = Button("btnNew", "&New");
    TcbBarButton* Open = Button("btnOpen", "&Open");
    TcbBarButton* Save = Button("btnSave", "&Save");
    TcbBarButton* Nameless = Button("", "&Help");
    auto* File = new TcbBarSubItem(&Root);
    File->SetName("subFile");
    File->SetCaption("&File");
    for (TcbBarItem* Item : {static_cast<TcbBarItem*>(New), static_cast<TcbBarItem*>(Open), static_cast<TcbBarItem*>(Save)})
        File->GetItemLinks()->Add()->SetItem(Item);
    auto* Label = new TLabel(&Root);
    Label->SetName("CaptionLabel");
    if (gLayoutDesign.DockRight) {
        auto* DockRight = new TcbBarDockControl(&Root);
        DockRight->SetName("DockRight");
        DockRight->SetParent(&Root);
        DockRight->SetBarManager(M);
        DockRight->SetDockAlign(dalRight);
    }

    const auto AddBar = [M](const char* Caption, TcbBarDockingStyle Docking, int32_t Row) {
        TcbBar* Bar = M->GetBars()->Add();
        Bar->SetCaption(Caption);
        Bar->SetDockingStyle(Docking);
        Bar->SetRow(Row);
        Bar->SetVisible(true);
        return Bar;
    };
    TcbBar* MainMenu = AddBar("Main Menu", dsTop, 0);
    MainMenu->SetIsMainMenu(true);
    MainMenu->GetItemLinks()->Add()->SetItem(File);
    TcbBar* Standard = AddBar("Standard", dsTop, 1);
    Standard->GetItemLinks()->Add()->SetItem(New);
    TcbBarItemLink* OpenLink = Standard->GetItemLinks()->Add();
    OpenLink->SetItem(Open);
    OpenLink->SetBeginGroup(true);
    Standard->GetItemLinks()->Add()->SetItem(Save);
    Standard->GetItemLinks()->Add()->SetItem(Nameless);
    TcbBar* Tools = AddBar("Tools", dsNone, 0);
    Tools->SetFloatLeft(300);
    Tools->SetFloatTop(200);
    Tools->SetFloatClientWidth(150);
    Tools->SetFloatClientHeight(60);
    Tools->GetItemLinks()->Add()->SetItem(New);
}

// The form; a second class of another name shares the design (two forms of one ini file).
class TLayoutForm : public TForm {
public:
    explicit TLayoutForm(const std::string& Name = "LayoutForm") : TForm(nullptr)
    {
        SetName(Name);
        ApplyFormDesign(*this);
    }
    std::string ClassName() const override { return "TLayoutForm"; }

    TcbBarManager* Manager() const { return static_cast<TcbBarManager*>(FindComponent("BarManager1")); }
    TcbBar* Bar(int32_t Index) const { return Manager()->GetBars()->GetItem(Index); }
    int32_t BarCount() const { return Manager()->GetBars()->GetCount(); }
    TcbBarItem* Item(const char* Name) const { return static_cast<TcbBarItem*>(FindComponent(Name)); }
    TcbBarSubItem* SubFile() const { return static_cast<TcbBarSubItem*>(FindComponent("subFile")); }
    TcbBarDockControl* DockRight() const { return static_cast<TcbBarDockControl*>(FindComponent("DockRight")); }
    TcbBarItemLinks* Links(int32_t BarIndex) const { return Bar(BarIndex)->GetItemLinks(); }
};

using TLayoutFormPtr = TComponentPtr<TLayoutForm>;

inline TLayoutFormPtr MakeLayoutForm(const std::string& Name = "LayoutForm")
{
    return TLayoutFormPtr(new TLayoutForm(Name));
}

// Registers the design for the test's life and starts each test from the plain settings.
class TLayoutDesignScope {
public:
    TLayoutDesignScope()
    {
        gLayoutDesign = TLayoutDesignSettings{};
        RegisterFormDesign("TLayoutForm", BuildLayoutForm);
    }
    TLayoutDesignScope(const TLayoutDesignScope&) = delete;
    TLayoutDesignScope& operator=(const TLayoutDesignScope&) = delete;
    ~TLayoutDesignScope()
    {
        UnregisterFormDesign("TLayoutForm");
        gLayoutDesign = TLayoutDesignSettings{};
    }
};

// ---------------------------------------------------------------------------------------------
// The hostile-layout table: every value a layout stores, each given in turn as absent, negative,
// zero, at its type's maximum and, for texts, empty and 64 KB long, while the others hold marker
// values that differ from the design's. The link values are those of btnOpen's link on
// "Standard"; the bar values those of "Standard".

enum class TStoredGroup { Main, Bar, Link };
enum class TStoredType { Boolean, Integer, Ordinal, Count, UserDefine, Text };
enum class THostile { Absent, Negative, Zero, Maximum, Empty, Long };

struct TStoredValue {
    TStoredGroup Group;
    const char* Name;
    TStoredType Type;
    // What the layout stores, and what the loaded form then holds (as Read gives it).
    std::string Marker;
    std::string Applied;
    // Missing from the registry, the value ends its bar's or link's reading.
    bool Required;
    // The range a loaded number must lie in, whatever was stored.
    int64_t Low, High;
    std::function<std::string(const TLayoutForm&)> Read;
};

inline TcbBarItemLink* OpenLink(const TLayoutForm& Form)
{
    TcbBarItemLinks* Links = Form.Links(1);
    for (int32_t M = 0; M < Links->GetCount(); ++M)
        if (Links->GetItem(M)->GetItem() == Form.Item("btnOpen"))
            return Links->GetItem(M);
    return nullptr;
}

// Readers of a value of the manager, of "Standard" and of btnOpen's link on it, as decimal text.
template <class R>
auto ManagerValue(R (TcbBarManager::*Get)() const)
{
    return [Get](const TLayoutForm& F) { return std::to_string(static_cast<int64_t>((F.Manager()->*Get)())); };
}
template <class R>
auto BarValue(R (TcbBar::*Get)() const)
{
    return [Get](const TLayoutForm& F) { return std::to_string(static_cast<int64_t>((F.Bar(1)->*Get)())); };
}
template <class F>
auto LinkValue(F Get)
{
    return [Get](const TLayoutForm& Form) { return OpenLink(Form) ? Get(OpenLink(Form)) : std::string("no link"); };
}
template <class R>
auto LinkValue(R (TcbBarItemLink::*Get)() const)
{
    return LinkValue([Get](const TcbBarItemLink* L) { return std::to_string(static_cast<int64_t>((L->*Get)())); });
}

inline std::vector<TStoredValue> StoredValueTable()
{
    using G = TStoredGroup;
    using T = TStoredType;
    using M = TcbBarManager;
    constexpr int64_t E = kcbMaxStoredExtent;
    constexpr int64_t Any = INT64_MAX;
    const auto Site = [](TcbBarDockControl* (TcbBar::*Get)() const) {
        return [Get](const TLayoutForm& F) {
            TcbBarDockControl* D = (F.Bar(1)->*Get)();
            return QualifiedComponentName(D ? TcbBarManager::DockControlComponent(D) : nullptr);
        };
    };
    return {
        {G::Main, "MenusShowRecentItemsFirst", T::Boolean, "0", "0", false, -Any, Any,
         ManagerValue(&M::GetMenusShowRecentItemsFirst)},
        {G::Main, "ShowFullMenusAfterDelay", T::Boolean, "0", "0", false, -Any, Any,
         ManagerValue(&M::GetShowFullMenusAfterDelay)},
        {G::Main, "LargeIcons", T::Boolean, "1", "1", false, -Any, Any, ManagerValue(&M::GetLargeIcons)},
        {G::Main, "MenuAnimations", T::Ordinal, "3", "3", false, maNone, maFade, ManagerValue(&M::GetMenuAnimations)},
        {G::Main, "ShowHint", T::Boolean, "0", "0", false, -Any, Any, ManagerValue(&M::GetShowHint)},
        {G::Main, "ShowShortCutInHint", T::Boolean, "1", "1", false, -Any, Any,
         ManagerValue(&M::GetShowShortCutInHint)},
        {G::Main, "BarCount", T::Count, "3", "3", false, 3, 3,
         [](const TLayoutForm& F) { return std::to_string(F.BarCount()); }},
        // Four links counted, three of them stored (one item has no name).
        {G::Bar, "ItemLinkCount", T::Count, "4", "3", false, 0, 3,
         [](const TLayoutForm& F) { return std::to_string(F.Links(1)->GetCount()); }},
        {G::Bar, "Caption", T::Text, "Marked", "Marked", true, -Any, Any,
         [](const TLayoutForm& F) { return F.Bar(1)->GetCaption(); }},
        {G::Bar, "DockedDockControl", T::Text, "", "", false, -Any, Any, Site(&TcbBar::GetDockedDockControl)},
        {G::Bar, "DockedDockingStyle", T::Ordinal, "1", "1", true, dsNone, dsBottom,
         BarValue(&TcbBar::GetDockedDockingStyle)},
        {G::Bar, "DockedLeft", T::Integer, "40", "40", true, 0, E, BarValue(&TcbBar::GetDockedLeft)},
        {G::Bar, "DockedTop", T::Integer, "3", "3", true, 0, E, BarValue(&TcbBar::GetDockedTop)},
        {G::Bar, "OneOnRow", T::Boolean, "1", "1", true, -Any, Any, BarValue(&TcbBar::GetOneOnRow)},
        // At most one row per bar: the rows 0 .. 3 of three bars.
        {G::Bar, "Row", T::Integer, "2", "2", true, 0, 3, BarValue(&TcbBar::GetRow)},
        {G::Bar, "FloatLeft", T::Integer, "120", "120", true, -E, E, BarValue(&TcbBar::GetFloatLeft)},
        {G::Bar, "FloatTop", T::Integer, "90", "90", true, -E, E, BarValue(&TcbBar::GetFloatTop)},
        {G::Bar, "FloatClientWidth", T::Integer, "210", "210", true, 0, E, BarValue(&TcbBar::GetFloatClientWidth)},
        {G::Bar, "FloatClientHeight", T::Integer, "70", "70", true, 0, E, BarValue(&TcbBar::GetFloatClientHeight)},
        {G::Bar, "DockControl", T::Text, "", "", false, -Any, Any, Site(&TcbBar::GetDockControl)},
        {G::Bar, "DockingStyle", T::Ordinal, "4", "4", true, dsNone, dsBottom, BarValue(&TcbBar::GetDockingStyle)},
        {G::Bar, "Visible", T::Boolean, "1", "1", true, -Any, Any, BarValue(&TcbBar::GetVisible)},
        {G::Link, "ItemName", T::Text, "btnOpen", "", false, -Any, Any,
         LinkValue([](const TcbBarItemLink*) { return std::string(); })},
        {G::Link, "BeginGroup", T::Boolean, "0", "0", true, -Any, Any, LinkValue(&TcbBarItemLink::GetOwnBeginGroup)},
        // Caption, paint style and width.
        {G::Link, "UserDefine", T::UserDefine, "13", "13", true, 0, 15,
         LinkValue([](const TcbBarItemLink* L) { return std::to_string(L->GetUserDefine().Bits()); })},
        {G::Link, "UserCaption", T::Text, "Marked link", "Marked link", true, -Any, Any,
         LinkValue([](const TcbBarItemLink* L) { return L->GetUserCaption(); })},
        {G::Link, "UserPaintStyle", T::Ordinal, "1", "1", true, psStandard, psCaptionGlyph,
         LinkValue(&TcbBarItemLink::GetUserPaintStyle)},
        {G::Link, "UserWidth", T::Integer, "77", "77", true, kcbMinUserWidth, E,
         LinkValue(&TcbBarItemLink::GetUserWidth)},
        {G::Link, "Visible", T::Boolean, "0", "0", false, -Any, Any, LinkValue(&TcbBarItemLink::GetVisible)},
        {G::Link, "UseCount", T::Integer, "9", "9", false, 0, kcbMaxUseCount, LinkValue(&TcbBarItemLink::GetUseCount)},
        // First in the recent list (the link before it stores place 5).
        {G::Link, "RecentIndex", T::Integer, "0", "0", false, 0, 2, LinkValue(&TcbBarItemLink::GetRecentIndex)},
    };
}

// The variants a value of its type is given.
inline std::vector<THostile> HostileVariants(TStoredType Type)
{
    if (Type == TStoredType::Text)
        return {THostile::Absent, THostile::Empty, THostile::Long};
    return {THostile::Absent, THostile::Negative, THostile::Zero, THostile::Maximum};
}

inline const char* HostileName(THostile H)
{
    static const char* const Names[] = {"absent", "negative", "zero", "at its maximum", "empty", "64 KB long"};
    return Names[static_cast<int>(H)];
}

// A stored text or number for a variant (texts of 64 KB; numbers as 32-bit values).
inline std::string HostileText(THostile H)
{
    return H == THostile::Long ? std::string(65536, 'W') : std::string();
}
inline int32_t HostileNumber(THostile H)
{
    return H == THostile::Negative ? INT32_MIN : H == THostile::Maximum ? INT32_MAX : 0;
}

inline std::string KeyOf(const TStoredValue& V)
{
    static const char* const Groups[] = {"Main.", "Bar.", "Link."};
    return Groups[static_cast<int>(V.Group)] + std::string(V.Name);
}

// The table's values (by KeyOf) that the store's rules leave unread when Value is stored as
// Variant: in the registry, the values after a missing or out-of-range one in its bar's or link's
// reading; every link value when the link or the bar's links go; every bar and link value when no
// bar is read; the user values whose flag the stored set lacks.
inline std::set<std::string> UnreadValues(bool Registry, const TStoredValue& Value, THostile Variant)
{
    const std::vector<TStoredValue> Table = StoredValueTable();
    std::set<std::string> Unread;
    const auto Group = [&](TStoredGroup G) {
        for (const TStoredValue& V : Table)
            if (V.Group == G)
                Unread.insert(KeyOf(V));
    };
    const auto After = [&] {
        bool Past = false;
        for (const TStoredValue& V : Table) {
            if (Past && V.Group == Value.Group)
                Unread.insert(KeyOf(V));
            Past = Past || KeyOf(V) == KeyOf(Value);
        }
    };
    const bool Absent = Variant == THostile::Absent;
    const bool Negative = Variant == THostile::Negative;
    const bool OutOfRange = Negative || Variant == THostile::Maximum;
    const std::string Key = KeyOf(Value);
    if (Key == "Main.BarCount" && (Absent || Negative || Variant == THostile::Zero)) {
        Group(TStoredGroup::Bar);
        Group(TStoredGroup::Link);
    } else if (Key == "Bar.ItemLinkCount" && (Absent || Negative || Variant == THostile::Zero)) {
        Group(TStoredGroup::Link);
    } else if (Key == "Link.ItemName") {
        // The link goes, and with it one of the bar's links.
        Group(TStoredGroup::Link);
        Unread.insert("Bar.ItemLinkCount");
    } else if (!Registry && Key == "Bar.Row" && (Absent || Negative)) {
        // The ini store takes a bar section without a row above -1000 for a missing bar.
        Group(TStoredGroup::Bar);
        Group(TStoredGroup::Link);
    } else if (Registry && ((Absent && Value.Required) || (OutOfRange && Value.Type == TStoredType::Ordinal))) {
        After();
    }
    // A floating bar's window takes the client size its links need.
    if (Key == "Bar.DockingStyle" && Variant == THostile::Zero)
        for (const char* Name : {"Bar.FloatClientWidth", "Bar.FloatClientHeight"})
            Unread.insert(Name);
    // The set as stored, masked: only its maximum keeps the caption, style and width flags.
    if (Key == "Link.UserDefine" && !(Registry && Absent) && Variant != THostile::Maximum)
        for (const char* Name : {"Link.UserCaption", "Link.UserPaintStyle", "Link.UserWidth"})
            Unread.insert(Name);
    Unread.erase(Key);
    return Unread;
}

// Loads a layout holding the table's markers with Value stored as Variant into a shown form:
// nothing escapes, the process's memory stays within bounds, the loaded value lies in its range
// and every other value the store reads is applied.
inline void CheckHostileLoad(bool Registry, const TStoredValue& Value, THostile Variant,
                             const std::function<void(TcbBarManager*)>& Load)
{
    TLayoutFormPtr Form = MakeLayoutForm();
    Form->Show();
    const int64_t Before = TestSupport::TResourceProbe::CommittedPrivateBytes();
    EXPECT_NO_THROW(Load(Form->Manager()));
    EXPECT_LT(TestSupport::TResourceProbe::CommittedPrivateBytes() - Before, int64_t(64) << 20);
    EXPECT_FALSE(Form->Manager()->GetLockUpdate());
    const std::string Loaded = Value.Read(*Form);
    if (Variant != THostile::Absent && Value.Type != TStoredType::Text && Loaded != "no link") {
        const int64_t N = std::stoll(Loaded);
        EXPECT_GE(N, Value.Low) << Value.Name;
        EXPECT_LE(N, Value.High) << Value.Name;
    }
    const std::set<std::string> Unread = UnreadValues(Registry, Value, Variant);
    for (const TStoredValue& Other : StoredValueTable()) {
        if (KeyOf(Other) != KeyOf(Value) && !Unread.count(KeyOf(Other))) {
            EXPECT_EQ(Other.Read(*Form), Other.Applied) << KeyOf(Other) << " not applied";
        }
    }
}

} // namespace BarLayoutTest
