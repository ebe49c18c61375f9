#include "commandbars/model/cbBarLayoutStore.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/StringList.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Registry.h"

namespace {

// The root values of the registry store, each removed before a save writes its own.
const char* const kRootValueNames[] = {"MenusShowRecentItemsFirst", "ShowFullMenusAfterDelay", "LargeIcons",
                                       "MenuAnimations", "ShowHint", "ShowShortCutInHint", "BarCount"};

constexpr int32_t kMaxDockingStyle = dsBottom;
constexpr int32_t kMaxPaintStyle = psCaptionGlyph;
constexpr int32_t kMaxMenuAnimations = maFade;
constexpr uint8_t kUserDefineMask = 0x0F;

int32_t CapCount(int32_t Value)
{
    return std::clamp(Value, 0, kcbMaxStoredCount);
}

// The ranges of the stored numbers.
int32_t CapPlace(int32_t Value)
{
    return std::clamp(Value, -kcbMaxStoredExtent, kcbMaxStoredExtent);
}

int32_t CapSize(int32_t Value)
{
    return std::clamp(Value, 0, kcbMaxStoredExtent);
}

int32_t CapUseCount(int32_t Value)
{
    return std::clamp(Value, 0, kcbMaxUseCount);
}

// A bar's row lies among the rows the manager's bars can fill: at most one row per bar, so a row
// past the bars' number is the first row after them. Bars is the number of bars the load makes.
int32_t CapRow(int32_t Value, const TcbBarManager* Manager, int32_t Bars)
{
    return std::clamp(Value, 0, std::max(Bars, Manager->GetBars()->GetCount()));
}

bool StartsWithText(std::string_view S, std::string_view Prefix)
{
    return S.size() >= Prefix.size() && SameText(S.substr(0, Prefix.size()), Prefix);
}

// The sub-keys a save replaces: "Bar" + decimal digits and "SubItem_" + any name.
bool IsLayoutKeyName(std::string_view Name)
{
    if (StartsWithText(Name, "SubItem_"))
        return true;
    if (!StartsWithText(Name, "Bar") || Name.size() == 3)
        return false;
    return std::all_of(Name.begin() + 3, Name.end(), [](char C) { return C >= '0' && C <= '9'; });
}

bool UsesRecentValues(const TcbBarManager* Manager)
{
    return Manager->GetRealStyle() != bmsStandard;
}

bool RecentValuesApply(const TcbBarManager* Manager, const TcbBarItemLinks* Links)
{
    return UsesRecentValues(Manager) && Links->GetUseRecentItems();
}

bool IsBarLinks(const TcbBarItemLinks* Links)
{
    return dynamic_cast<TcbBar*>(Links->GetOwner()) != nullptr;
}

// The manager's item of that name, ignoring case; an empty name names none.
TcbBarItem* FindItem(const TcbBarManager* Manager, const std::string& Name)
{
    if (Name.empty())
        return nullptr;
    for (int32_t I = 0; I < Manager->GetItemCount(); ++I)
        if (TcbBarItem* Item = Manager->GetItem(I); SameText(Item->GetName(), Name))
            return Item;
    return nullptr;
}

// The named sub-items of the manager, in item order.
std::vector<TCustomcbBarSubItem*> NamedSubItems(const TcbBarManager* Manager)
{
    std::vector<TCustomcbBarSubItem*> Result;
    for (int32_t I = 0; I < Manager->GetItemCount(); ++I)
        if (auto* SubItem = dynamic_cast<TCustomcbBarSubItem*>(Manager->GetItem(I)); SubItem && !SubItem->GetName().empty())
            Result.push_back(SubItem);
    return Result;
}

std::string DockControlName(TcbBarDockControl* DockControl)
{
    return DockControl ? QualifiedComponentName(TcbBarManager::DockControlComponent(DockControl)) : std::string();
}

// A new link for Item at the end of Links; nullptr (and no link) when the item cannot go there.
TcbBarItemLink* AddLinkFor(TcbBarItemLinks* Links, TcbBarItem* Item)
{
    TcbBarItemLink* Link = Links->Add();
    try {
        Link->SetItem(Item);
    } catch (const Exception&) {
        // A sub-item stored inside its own menus.
        Link->Release();
        return nullptr;
    }
    return Link;
}

// The stored recent places become sort keys that give every link a defined place: stored places
// first (a place beyond the list counts as its end; equal places keep the links' order), then
// the links without one in their order. Links added while loading stand in the recent list in
// reverse, each having been put in front.
void PrepareRecentOrder(TcbBarItemLinks* Links)
{
    constexpr int32_t kSpan = kcbMaxStoredCount + 1;
    for (int32_t M = 0; M < Links->GetCount(); ++M) {
        TcbBarItemLink* Link = Links->GetItem(M);
        const int32_t Stored = Link->GetSavedRecentIndex();
        const int32_t Place = Stored < 0 ? kSpan : std::min(Stored, kcbMaxStoredCount);
        Link->SetSavedRecentIndex(Place * kSpan + M);
    }
    Links->RestoreRecentOrder(true);
}

// Locks the manager's bar rebuilding while a layout loads; the lock it found comes back when the
// guard goes, however the load ends.
auto LockManager(TcbBarManager* Manager)
{
    const bool Earlier = Manager->GetLockUpdate();
    Manager->SetLockUpdate(true);
    return TScopeExit([Manager, Earlier] { Manager->SetLockUpdate(Earlier); });
}

// The same for a bar's own rebuild lock while its stored values are applied.
auto LockBar(TcbBar* Bar)
{
    const bool Earlier = Bar->GetLockUpdate();
    Bar->SetLockUpdate(true);
    return TScopeExit([Bar, Earlier] { Bar->SetLockUpdate(Earlier); });
}

// Shows or hides a loaded bar with the bars' loading flag raised.
void ApplyBarVisible(TcbBar* Bar, bool Visible)
{
    TcbBars* Bars = Bar->GetBars();
    const bool Earlier = Bars->IsLoading();
    Bars->SetLoading(true);
    TScopeExit Restore([Bars, Earlier] { Bars->SetLoading(Earlier); });
    Bar->SetVisible(Visible);
}

void HideAllBars(TcbBarManager* Manager)
{
    TcbBars* Bars = Manager->GetBars();
    for (int32_t I = 0; I < Bars->GetCount(); ++I)
        Bars->GetItem(I)->SetVisible(false);
}

// Bar Index of the manager, adding hidden bars until it exists.
TcbBar* EnsureBar(TcbBarManager* Manager, int32_t Index)
{
    TcbBars* Bars = Manager->GetBars();
    while (Bars->GetCount() <= Index)
        Bars->Add();
    return Bars->GetItem(Index);
}

// Reads a picture that passed the size check through the checked bitmap reader; a header asking
// for more pixels than a link picture can need is refused before anything is decoded.
bool ReadStoredGlyph(TMemoryStream& Stream, TBitmap& Glyph)
{
    const auto* P = static_cast<const uint8_t*>(Stream.Memory());
    const int64_t Size = Stream.GetSize();
    if (Size >= 26) {
        uint32_t HeaderSize = 0;
        std::memcpy(&HeaderSize, P + 14, 4);
        int64_t Width = 0;
        int64_t Height = 0;
        if (HeaderSize == 12) {
            uint16_t W = 0, H = 0;
            std::memcpy(&W, P + 18, 2);
            std::memcpy(&H, P + 20, 2);
            Width = W;
            Height = H;
        } else {
            int32_t W = 0, H = 0;
            std::memcpy(&W, P + 18, 4);
            std::memcpy(&H, P + 22, 4);
            Width = W < 0 ? -int64_t(W) : W;
            Height = H < 0 ? -int64_t(H) : H;
        }
        if (Width * Height > kcbMaxStoredGlyphPixels)
            return false;
    }
    Stream.SetPosition(0);
    Glyph.LoadFromStream(&Stream);
    return true;
}

[[noreturn]] void RefuseValue(const std::string& Name)
{
    throw ERegistryException(Format("Registry value '%s' has another type", Name));
}

// ---------------------------------------------------------------------------------------------
// The values both stores write alike, through a writer with WriteString, WriteInteger and
// WriteBool by value name: the registry key that is open, or an ini section.

class TIniSectionWriter {
public:
    TIniSectionWriter(TMemIniFile& Ini, const std::string& Section) : FIni(Ini), FSection(Section) {}
    void WriteString(const std::string& Name, const std::string& Value) { FIni.WriteString(FSection, Name, Value); }
    void WriteInteger(const std::string& Name, int32_t Value) { FIni.WriteInteger(FSection, Name, Value); }
    void WriteBool(const std::string& Name, bool Value) { FIni.WriteBool(FSection, Name, Value); }

private:
    TMemIniFile& FIni;
    const std::string& FSection;
};

// The manager's settings and the number of its bars.
template <class TWriter>
void WriteManagerValues(TWriter& Out, TcbBarManager* Manager)
{
    if (UsesRecentValues(Manager)) {
        Out.WriteBool("MenusShowRecentItemsFirst", Manager->GetMenusShowRecentItemsFirst());
        Out.WriteBool("ShowFullMenusAfterDelay", Manager->GetShowFullMenusAfterDelay());
    }
    Out.WriteBool("LargeIcons", Manager->GetLargeIcons());
    Out.WriteInteger("MenuAnimations", Manager->GetMenuAnimations());
    Out.WriteBool("ShowHint", Manager->GetShowHint());
    Out.WriteBool("ShowShortCutInHint", Manager->GetShowShortCutInHint());
    Out.WriteInteger("BarCount", Manager->GetBars()->GetCount());
}

// A bar's place, size, sites and visibility; a site name only for a bar that has the site.
template <class TWriter>
void WriteBarValues(TWriter& Out, TcbBar* Bar)
{
    Out.WriteString("Caption", Bar->GetCaption());
    if (Bar->GetDockedDockControl())
        Out.WriteString("DockedDockControl", DockControlName(Bar->GetDockedDockControl()));
    Out.WriteInteger("DockedDockingStyle", Bar->GetDockedDockingStyle());
    Out.WriteInteger("DockedLeft", Bar->GetDockedLeft());
    Out.WriteInteger("DockedTop", Bar->GetDockedTop());
    Out.WriteBool("OneOnRow", Bar->GetOneOnRow());
    Out.WriteInteger("Row", Bar->GetRow());
    Out.WriteInteger("FloatLeft", Bar->GetFloatLeft());
    Out.WriteInteger("FloatTop", Bar->GetFloatTop());
    Out.WriteInteger("FloatClientWidth", Bar->GetFloatClientWidth());
    Out.WriteInteger("FloatClientHeight", Bar->GetFloatClientHeight());
    if (Bar->GetDockControl())
        Out.WriteString("DockControl", DockControlName(Bar->GetDockControl()));
    Out.WriteInteger("DockingStyle", Bar->GetDockingStyle());
    Out.WriteBool("Visible", Bar->GetVisible());
}

// ---------------------------------------------------------------------------------------------
// The registry store

class TRegistryLayoutStore {
public:
    explicit TRegistryLayoutStore(TcbBarManager* Manager) : FManager(Manager) {}

    void Save(const std::string& Path);
    void Load(const std::string& Path);

private:
    void SaveItemLinksToRegistry(const std::string& KeyPath, TcbBarItemLinks* Links);
    void LoadItemLinksFromRegistry(const std::string& KeyPath, TcbBarItemLinks* Links);
    void WriteBar(TcbBar* Bar);
    void WriteLink(TcbBarItemLink* Link, bool BarLink, bool Recent);
    void ReadBar(TcbBar* Bar);
    void ReadLink(TcbBarItemLink* Link, bool BarLink, bool Recent);
    int32_t ReadOrdinal(const std::string& Name, int32_t Max);
    std::string ReadOptionalString(const std::string& Name);
    void ReadUserGlyph(TcbBarItemLink* Link);

    TcbBarManager* FManager;
    // The number of bars the load makes.
    int32_t FBarCount = 0;
    TRegistry FRegistry;
    // The link pictures pass through here, emptied after each.
    TMemoryStream FStream;
};

int32_t TRegistryLayoutStore::ReadOrdinal(const std::string& Name, int32_t Max)
{
    const int32_t Value = FRegistry.ReadInteger(Name);
    if (Value < 0 || Value > Max)
        RefuseValue(Name);
    return Value;
}

// The dock-site names are written only for a bar that has one: a missing name is none, not a
// missing value that would end the bar's reading.
std::string TRegistryLayoutStore::ReadOptionalString(const std::string& Name)
{
    return FRegistry.ValueExists(Name) ? FRegistry.ReadString(Name) : std::string();
}

void TRegistryLayoutStore::Save(const std::string& Path)
{
    if (!FRegistry.OpenKey(Path, true))
        return;
    // Only the layout's own keys and values go; other settings under the same key stay.
    TStringList Names;
    FRegistry.GetKeyNames(&Names);
    for (int32_t I = 0; I < Names.GetCount(); ++I)
        if (IsLayoutKeyName(Names.GetStrings(I)))
            FRegistry.DeleteKey(Names.GetStrings(I));
    for (const char* Name : kRootValueNames)
        FRegistry.DeleteValue(Name);

    WriteManagerValues(FRegistry, FManager);
    TcbBars* Bars = FManager->GetBars();
    FRegistry.CloseKey();

    for (int32_t N = 0; N < Bars->GetCount(); ++N) {
        const std::string BarKey = Path + "\\Bar" + IntToStr(N);
        if (!FRegistry.OpenKey(BarKey, true))
            continue;
        TcbBar* Bar = Bars->GetItem(N);
        WriteBar(Bar);
        SaveItemLinksToRegistry(BarKey, Bar->GetItemLinks());
    }
    for (TCustomcbBarSubItem* SubItem : NamedSubItems(FManager)) {
        const std::string SubItemKey = Path + "\\SubItem_" + SubItem->GetName();
        if (FRegistry.OpenKey(SubItemKey, true))
            SaveItemLinksToRegistry(SubItemKey, SubItem->GetItemLinks());
    }
}

void TRegistryLayoutStore::WriteBar(TcbBar* Bar)
{
    WriteBarValues(FRegistry, Bar);
}

// The count goes into the key that is open (the bar's or the sub-item's); a link whose item has
// no name is counted but not written.
void TRegistryLayoutStore::SaveItemLinksToRegistry(const std::string& KeyPath, TcbBarItemLinks* Links)
{
    FRegistry.WriteInteger("ItemLinkCount", Links->GetCount());
    FRegistry.CloseKey();
    const bool BarLink = IsBarLinks(Links);
    const bool Recent = RecentValuesApply(FManager, Links);
    for (int32_t M = 0; M < Links->GetCount(); ++M) {
        TcbBarItemLink* Link = Links->GetItem(M);
        if (!Link->GetItem() || Link->GetItem()->GetName().empty())
            continue;
        if (!FRegistry.OpenKey(KeyPath + "\\ItemLink" + IntToStr(M), true))
            continue;
        WriteLink(Link, BarLink, Recent);
        FRegistry.CloseKey();
    }
}

void TRegistryLayoutStore::WriteLink(TcbBarItemLink* Link, bool BarLink, bool Recent)
{
    const TcbBarUserDefines Define = Link->GetUserDefine();
    FRegistry.WriteString("ItemName", Link->GetItem()->GetName());
    FRegistry.WriteBool("BeginGroup", Link->GetOwnBeginGroup());
    const uint8_t Bits = static_cast<uint8_t>(Define.Bits() & kUserDefineMask);
    FRegistry.WriteBinaryData("UserDefine", &Bits, 1);
    if (Define.Contains(udCaption))
        FRegistry.WriteString("UserCaption", Link->GetUserCaption());
    // An empty picture has no file form: nothing is written, and loading finds none.
    if (Define.Contains(udGlyph) && !Link->GetUserGlyph()->GetEmpty()) {
        TScopeExit Empty([this] { FStream.Clear(); });
        Link->GetUserGlyph()->SaveToStream(&FStream);
        FRegistry.WriteBinaryData("UserGlyph", FStream.Memory(), static_cast<int32_t>(FStream.GetSize()));
    }
    if (Define.Contains(udPaintStyle))
        FRegistry.WriteInteger("UserPaintStyle", Link->GetUserPaintStyle());
    if (Define.Contains(udWidth))
        FRegistry.WriteInteger("UserWidth", Link->GetUserWidth());
    if (BarLink)
        FRegistry.WriteBool("Visible", Link->GetVisible());
    if (Recent) {
        FRegistry.WriteInteger("UseCount", Link->GetUseCount());
        FRegistry.WriteInteger("RecentIndex", Link->GetRecentIndex());
    }
}

void TRegistryLayoutStore::Load(const std::string& Path)
{
    if (!FRegistry.OpenKeyReadOnly(Path))
        return;
    auto Unlock = LockManager(FManager);

    // Each root value on its own: a bad one is skipped.
    const auto Root = [this](const char* Name, const std::function<void()>& Apply) {
        if (!FRegistry.ValueExists(Name))
            return;
        try {
            Apply();
        } catch (const Exception&) {
        }
    };
    if (UsesRecentValues(FManager)) {
        Root("MenusShowRecentItemsFirst",
             [this] { FManager->SetMenusShowRecentItemsFirst(FRegistry.ReadBool("MenusShowRecentItemsFirst")); });
        Root("ShowFullMenusAfterDelay",
             [this] { FManager->SetShowFullMenusAfterDelay(FRegistry.ReadBool("ShowFullMenusAfterDelay")); });
    }
    Root("LargeIcons", [this] { FManager->SetLargeIcons(FRegistry.ReadBool("LargeIcons")); });
    Root("MenuAnimations", [this] {
        FManager->SetMenuAnimations(static_cast<TcbBarMenuAnimations>(ReadOrdinal("MenuAnimations", kMaxMenuAnimations)));
    });
    Root("ShowHint", [this] { FManager->SetShowHint(FRegistry.ReadBool("ShowHint")); });
    Root("ShowShortCutInHint", [this] { FManager->SetShowShortCutInHint(FRegistry.ReadBool("ShowShortCutInHint")); });

    int32_t BarCount = -1;
    Root("BarCount", [&] { BarCount = CapCount(FRegistry.ReadInteger("BarCount")); });
    FRegistry.CloseKey();
    if (BarCount >= 0) {
        FBarCount = BarCount;
        HideAllBars(FManager);
        for (int32_t N = 0; N < BarCount; ++N) {
            const std::string BarKey = Path + "\\Bar" + IntToStr(N);
            if (!FRegistry.OpenKeyReadOnly(BarKey))
                continue;
            TcbBar* Bar = EnsureBar(FManager, N);
            auto UnlockBar = LockBar(Bar);
            LoadItemLinksFromRegistry(BarKey, Bar->GetItemLinks());
            if (!FRegistry.OpenKeyReadOnly(BarKey))
                continue;
            try {
                ReadBar(Bar);
            } catch (const Exception&) {
                // The values after the bad one keep what the bar had; the bar shows.
                ApplyBarVisible(Bar, true);
            }
            FRegistry.CloseKey();
        }
    }
    for (TCustomcbBarSubItem* SubItem : NamedSubItems(FManager)) {
        const std::string SubItemKey = Path + "\\SubItem_" + SubItem->GetName();
        if (FRegistry.OpenKeyReadOnly(SubItemKey))
            LoadItemLinksFromRegistry(SubItemKey, SubItem->GetItemLinks());
    }
}

void TRegistryLayoutStore::ReadBar(TcbBar* Bar)
{
    Bar->SetCaption(FRegistry.ReadString("Caption"));
    Bar->SetDockedDockControl(FManager->FindDockControl(ReadOptionalString("DockedDockControl")));
    Bar->SetDockedDockingStyle(static_cast<TcbBarDockingStyle>(ReadOrdinal("DockedDockingStyle", kMaxDockingStyle)));
    Bar->SetDockedLeft(CapSize(FRegistry.ReadInteger("DockedLeft")));
    Bar->SetDockedTop(CapSize(FRegistry.ReadInteger("DockedTop")));
    Bar->SetOneOnRow(FRegistry.ReadBool("OneOnRow"));
    Bar->SetRow(CapRow(FRegistry.ReadInteger("Row"), FManager, FBarCount));
    Bar->SetFloatLeft(CapPlace(FRegistry.ReadInteger("FloatLeft")));
    Bar->SetFloatTop(CapPlace(FRegistry.ReadInteger("FloatTop")));
    Bar->SetFloatClientWidth(CapSize(FRegistry.ReadInteger("FloatClientWidth")));
    Bar->SetFloatClientHeight(CapSize(FRegistry.ReadInteger("FloatClientHeight")));
    Bar->SetDockControl(FManager->FindDockControl(ReadOptionalString("DockControl")));
    Bar->SetDockingStyle(static_cast<TcbBarDockingStyle>(ReadOrdinal("DockingStyle", kMaxDockingStyle)));
    ApplyBarVisible(Bar, FRegistry.ReadBool("Visible"));
}

// Reads the count from the key that is open and closes it.
void TRegistryLayoutStore::LoadItemLinksFromRegistry(const std::string& KeyPath, TcbBarItemLinks* Links)
{
    Links->Clear();
    int32_t Count = 0;
    try {
        if (FRegistry.ValueExists("ItemLinkCount"))
            Count = CapCount(FRegistry.ReadInteger("ItemLinkCount"));
    } catch (const Exception&) {
        Count = 0;
    }
    FRegistry.CloseKey();
    const bool BarLink = IsBarLinks(Links);
    const bool Recent = RecentValuesApply(FManager, Links);
    for (int32_t M = 0; M < Count; ++M) {
        if (!FRegistry.OpenKeyReadOnly(KeyPath + "\\ItemLink" + IntToStr(M)))
            continue;
        TScopeExit Close([this] { FRegistry.CloseKey(); });
        // A link without a readable name of an existing item is dropped.
        TcbBarItem* Item = nullptr;
        try {
            Item = FindItem(FManager, FRegistry.ReadString("ItemName"));
        } catch (const Exception&) {
        }
        TcbBarItemLink* Link = Item ? AddLinkFor(Links, Item) : nullptr;
        if (!Link)
            continue;
        try {
            ReadLink(Link, BarLink, Recent);
        } catch (const Exception&) {
            // The link keeps what was read before the bad value.
        }
    }
    PrepareRecentOrder(Links);
}

void TRegistryLayoutStore::ReadLink(TcbBarItemLink* Link, bool BarLink, bool Recent)
{
    Link->SetBeginGroup(FRegistry.ReadBool("BeginGroup"));
    if (FRegistry.GetDataSize("UserDefine") != 1)
        RefuseValue("UserDefine");
    uint8_t Bits = 0;
    FRegistry.ReadBinaryData("UserDefine", &Bits, 1);
    const TcbBarUserDefines Define = TcbBarUserDefines::FromBits(Bits & kUserDefineMask);
    Link->SetUserDefine(Define);
    if (Define.Contains(udCaption))
        Link->SetUserCaption(FRegistry.ReadString("UserCaption"));
    if (Define.Contains(udGlyph))
        ReadUserGlyph(Link);
    if (Define.Contains(udPaintStyle))
        Link->SetUserPaintStyle(static_cast<TcbBarPaintStyle>(ReadOrdinal("UserPaintStyle", kMaxPaintStyle)));
    if (Define.Contains(udWidth))
        Link->SetUserWidth(CapSize(FRegistry.ReadInteger("UserWidth")));
    if (BarLink && FRegistry.ValueExists("Visible"))
        Link->SetLoadedVisible(FRegistry.ReadBool("Visible"));
    if (Recent) {
        if (FRegistry.ValueExists("UseCount"))
            Link->SetUseCount(CapUseCount(FRegistry.ReadInteger("UseCount")));
        if (FRegistry.ValueExists("RecentIndex"))
            Link->SetSavedRecentIndex(FRegistry.ReadInteger("RecentIndex"));
    }
}

// A picture that is missing, of another type, too small or too large, or that the bitmap reader
// refuses is skipped: the link shows its item's picture and keeps its other values.
void TRegistryLayoutStore::ReadUserGlyph(TcbBarItemLink* Link)
{
    TScopeExit Empty([this] { FStream.Clear(); });
    bool Read = false;
    try {
        const int32_t Size = FRegistry.GetDataSize("UserGlyph");
        if (Size >= 1 && Size <= kcbMaxStoredGlyphSize && FRegistry.GetDataType("UserGlyph") == rdBinary) {
            const std::vector<uint8_t> Data = FRegistry.ReadBinary("UserGlyph");
            if (!Data.empty() && Data.size() <= static_cast<size_t>(kcbMaxStoredGlyphSize)) {
                FStream.WriteBuffer(Data.data(), static_cast<int32_t>(Data.size()));
                TBitmap Glyph;
                if (ReadStoredGlyph(FStream, Glyph)) {
                    Link->SetUserGlyph(&Glyph);
                    Read = true;
                }
            }
        }
    } catch (const Exception&) {
    }
    if (!Read)
        Link->SetUserDefine(Link->GetUserDefine() - TcbBarUserDefines{udGlyph});
}

// ---------------------------------------------------------------------------------------------
// The ini store

class TIniLayoutStore {
public:
    TIniLayoutStore(TcbBarManager* Manager, TMemIniFile& Ini, std::string Prefix)
        : FManager(Manager), FIni(Ini), FPrefix(std::move(Prefix))
    {
    }

    void Save();
    void Load();

private:
    void SaveItemLinksToIniFile(const std::string& Section, TcbBarItemLinks* Links);
    void LoadItemLinksFromIniFile(const std::string& Section, TcbBarItemLinks* Links);
    void WriteBar(const std::string& Section, TcbBar* Bar);
    void ReadBar(const std::string& Section, TcbBar* Bar);
    void ReadLink(const std::string& Section, TcbBarItemLink* Link, bool BarLink, bool Recent);
    int32_t ReadOrdinal(const std::string& Section, const char* Name, int32_t Max, int32_t Default) const;

    TcbBarManager* FManager;
    TMemIniFile& FIni;
    std::string FPrefix;
    // The number of bars the load makes.
    int32_t FBarCount = 0;
};

int32_t TIniLayoutStore::ReadOrdinal(const std::string& Section, const char* Name, int32_t Max, int32_t Default) const
{
    const int32_t Value = FIni.ReadInteger(Section, Name, Default);
    return Value < 0 || Value > Max ? Default : Value;
}

void TIniLayoutStore::Save()
{
    // The sections of this form's manager go, whatever the case of their names (the ini matches
    // names ignoring case); other managers' sections stay.
    TStringList Sections;
    FIni.ReadSections(&Sections);
    for (int32_t I = 0; I < Sections.GetCount(); ++I)
        if (StartsWithText(Sections.GetStrings(I), FPrefix))
            FIni.EraseSection(Sections.GetStrings(I));

    const std::string Main = FPrefix + "Main";
    TIniSectionWriter MainOut(FIni, Main);
    WriteManagerValues(MainOut, FManager);
    TcbBars* Bars = FManager->GetBars();
    for (int32_t N = 0; N < Bars->GetCount(); ++N) {
        const std::string Section = FPrefix + "Bar" + IntToStr(N);
        TcbBar* Bar = Bars->GetItem(N);
        WriteBar(Section, Bar);
        SaveItemLinksToIniFile(Section, Bar->GetItemLinks());
    }
    for (TCustomcbBarSubItem* SubItem : NamedSubItems(FManager))
        SaveItemLinksToIniFile(FPrefix + "SubItem_" + SubItem->GetName(), SubItem->GetItemLinks());
}

void TIniLayoutStore::WriteBar(const std::string& Section, TcbBar* Bar)
{
    TIniSectionWriter Out(FIni, Section);
    WriteBarValues(Out, Bar);
}

void TIniLayoutStore::SaveItemLinksToIniFile(const std::string& Section, TcbBarItemLinks* Links)
{
    FIni.WriteInteger(Section, "ItemLinkCount", Links->GetCount());
    const bool BarLink = IsBarLinks(Links);
    const bool Recent = RecentValuesApply(FManager, Links);
    for (int32_t M = 0; M < Links->GetCount(); ++M) {
        TcbBarItemLink* Link = Links->GetItem(M);
        if (!Link->GetItem() || Link->GetItem()->GetName().empty())
            continue;
        const std::string LinkSection = Section + ".ItemLink" + IntToStr(M);
        const TcbBarUserDefines Define = Link->GetUserDefine();
        FIni.WriteString(LinkSection, "ItemName", Link->GetItem()->GetName());
        FIni.WriteBool(LinkSection, "BeginGroup", Link->GetOwnBeginGroup());
        FIni.WriteInteger(LinkSection, "UserDefine", Define.Bits() & kUserDefineMask);
        if (Define.Contains(udCaption))
            FIni.WriteString(LinkSection, "UserCaption", Link->GetUserCaption());
        if (Define.Contains(udPaintStyle))
            FIni.WriteInteger(LinkSection, "UserPaintStyle", Link->GetUserPaintStyle());
        if (Define.Contains(udWidth))
            FIni.WriteInteger(LinkSection, "UserWidth", Link->GetUserWidth());
        if (BarLink)
            FIni.WriteBool(LinkSection, "Visible", Link->GetVisible());
        if (Recent) {
            FIni.WriteInteger(LinkSection, "UseCount", Link->GetUseCount());
            FIni.WriteInteger(LinkSection, "RecentIndex", Link->GetRecentIndex());
        }
    }
}

void TIniLayoutStore::Load()
{
    auto Unlock = LockManager(FManager);
    const std::string Main = FPrefix + "Main";
    if (UsesRecentValues(FManager)) {
        FManager->SetMenusShowRecentItemsFirst(
            FIni.ReadBool(Main, "MenusShowRecentItemsFirst", FManager->GetMenusShowRecentItemsFirst()));
        FManager->SetShowFullMenusAfterDelay(
            FIni.ReadBool(Main, "ShowFullMenusAfterDelay", FManager->GetShowFullMenusAfterDelay()));
    }
    FManager->SetLargeIcons(FIni.ReadBool(Main, "LargeIcons", FManager->GetLargeIcons()));
    FManager->SetMenuAnimations(static_cast<TcbBarMenuAnimations>(
        ReadOrdinal(Main, "MenuAnimations", kMaxMenuAnimations, FManager->GetMenuAnimations())));
    FManager->SetShowHint(FIni.ReadBool(Main, "ShowHint", FManager->GetShowHint()));
    FManager->SetShowShortCutInHint(FIni.ReadBool(Main, "ShowShortCutInHint", FManager->GetShowShortCutInHint()));

    if (FIni.ReadInteger(Main, "BarCount", -1) != -1) {
        HideAllBars(FManager);
        const int32_t BarCount = CapCount(FIni.ReadInteger(Main, "BarCount", 0));
        FBarCount = BarCount;
        for (int32_t N = 0; N < BarCount; ++N) {
            const std::string Section = FPrefix + "Bar" + IntToStr(N);
            if (FIni.ReadInteger(Section, "Row", -1000) <= -1000)
                continue;
            TcbBar* Bar = EnsureBar(FManager, N);
            auto UnlockBar = LockBar(Bar);
            LoadItemLinksFromIniFile(Section, Bar->GetItemLinks());
            try {
                ReadBar(Section, Bar);
            } catch (const Exception&) {
                ApplyBarVisible(Bar, true);
            }
        }
    }
    for (TCustomcbBarSubItem* SubItem : NamedSubItems(FManager)) {
        const std::string Section = FPrefix + "SubItem_" + SubItem->GetName();
        if (FIni.ReadInteger(Section, "ItemLinkCount", -1) != -1)
            LoadItemLinksFromIniFile(Section, SubItem->GetItemLinks());
    }
}

void TIniLayoutStore::ReadBar(const std::string& Section, TcbBar* Bar)
{
    Bar->SetCaption(FIni.ReadString(Section, "Caption", Bar->GetCaption()));
    Bar->SetDockedDockControl(FManager->FindDockControl(FIni.ReadString(Section, "DockedDockControl", "")));
    Bar->SetDockedDockingStyle(static_cast<TcbBarDockingStyle>(
        ReadOrdinal(Section, "DockedDockingStyle", kMaxDockingStyle, Bar->GetDockedDockingStyle())));
    Bar->SetDockedLeft(CapSize(FIni.ReadInteger(Section, "DockedLeft", Bar->GetDockedLeft())));
    Bar->SetDockedTop(CapSize(FIni.ReadInteger(Section, "DockedTop", Bar->GetDockedTop())));
    Bar->SetOneOnRow(FIni.ReadBool(Section, "OneOnRow", Bar->GetOneOnRow()));
    Bar->SetRow(CapRow(FIni.ReadInteger(Section, "Row", Bar->GetRow()), FManager, FBarCount));
    Bar->SetFloatLeft(CapPlace(FIni.ReadInteger(Section, "FloatLeft", Bar->GetFloatLeft())));
    Bar->SetFloatTop(CapPlace(FIni.ReadInteger(Section, "FloatTop", Bar->GetFloatTop())));
    Bar->SetFloatClientWidth(CapSize(FIni.ReadInteger(Section, "FloatClientWidth", Bar->GetFloatClientWidth())));
    Bar->SetFloatClientHeight(CapSize(FIni.ReadInteger(Section, "FloatClientHeight", Bar->GetFloatClientHeight())));
    Bar->SetDockControl(FManager->FindDockControl(FIni.ReadString(Section, "DockControl", "")));
    Bar->SetDockingStyle(static_cast<TcbBarDockingStyle>(
        ReadOrdinal(Section, "DockingStyle", kMaxDockingStyle, Bar->GetDockingStyle())));
    ApplyBarVisible(Bar, FIni.ReadBool(Section, "Visible", false));
}

void TIniLayoutStore::LoadItemLinksFromIniFile(const std::string& Section, TcbBarItemLinks* Links)
{
    Links->Clear();
    const int32_t Count = CapCount(FIni.ReadInteger(Section, "ItemLinkCount", 0));
    const bool BarLink = IsBarLinks(Links);
    const bool Recent = RecentValuesApply(FManager, Links);
    for (int32_t M = 0; M < Count; ++M) {
        const std::string LinkSection = Section + ".ItemLink" + IntToStr(M);
        TcbBarItem* Item = FindItem(FManager, FIni.ReadString(LinkSection, "ItemName", ""));
        TcbBarItemLink* Link = Item ? AddLinkFor(Links, Item) : nullptr;
        if (!Link)
            continue;
        try {
            ReadLink(LinkSection, Link, BarLink, Recent);
        } catch (const Exception&) {
        }
    }
    PrepareRecentOrder(Links);
}

void TIniLayoutStore::ReadLink(const std::string& Section, TcbBarItemLink* Link, bool BarLink, bool Recent)
{
    Link->SetBeginGroup(FIni.ReadBool(Section, "BeginGroup", false));
    // The ini store keeps no pictures: a stored picture flag would leave the link without any.
    TcbBarUserDefines Define = TcbBarUserDefines::FromBits(FIni.ReadInteger(Section, "UserDefine", 0) & kUserDefineMask);
    Define.Exclude(udGlyph);
    Link->SetUserDefine(Define);
    if (Define.Contains(udCaption))
        Link->SetUserCaption(FIni.ReadString(Section, "UserCaption", ""));
    if (Define.Contains(udPaintStyle))
        Link->SetUserPaintStyle(
            static_cast<TcbBarPaintStyle>(ReadOrdinal(Section, "UserPaintStyle", kMaxPaintStyle, psStandard)));
    if (Define.Contains(udWidth))
        Link->SetUserWidth(CapSize(FIni.ReadInteger(Section, "UserWidth", 100)));
    if (BarLink)
        Link->SetLoadedVisible(FIni.ReadBool(Section, "Visible", true));
    if (Recent) {
        Link->SetUseCount(CapUseCount(FIni.ReadInteger(Section, "UseCount", 0)));
        Link->SetSavedRecentIndex(FIni.ReadInteger(Section, "RecentIndex", -1));
    }
}

// ---------------------------------------------------------------------------------------------
// What a load can change, taken before it starts, so that a load that fails part-way can put it
// all back: the manager's options, the number of bars, each bar's stored values and links, and
// the links of the named sub-items. Links keep their items by pointer (a load frees no item), so
// links of nameless items come back too.

class TLayoutSnapshot {
public:
    explicit TLayoutSnapshot(TcbBarManager* Manager);
    // Puts the layout back; a failure on the way ends it quietly with what was put back so far.
    void Restore() noexcept;

private:
    struct TLinkState {
        TcbBarItem* Item = nullptr;
        bool BeginGroup = false;
        bool MostRecentlyUsed = true;
        TcbBarUserDefines Define;
        std::string Caption;
        std::unique_ptr<TBitmap> Glyph;
        TcbBarPaintStyle PaintStyle = psStandard;
        int32_t Width = 0;
        bool Visible = true;
        int32_t UseCount = 0;
        int32_t RecentIndex = -1;
    };
    struct TLinksState {
        TcbBarItemLinks* Links = nullptr;
        std::vector<TLinkState> Entries;
    };
    struct TBarState {
        std::string Caption;
        TcbBarDockControl* DockedDockControl = nullptr;
        TcbBarDockingStyle DockedDockingStyle = dsTop;
        int32_t DockedLeft = 0, DockedTop = 0;
        bool OneOnRow = false;
        int32_t Row = 0;
        int32_t FloatLeft = 0, FloatTop = 0, FloatClientWidth = 0, FloatClientHeight = 0;
        TcbBarDockControl* DockControl = nullptr;
        TcbBarDockingStyle DockingStyle = dsNone;
        bool Visible = false;
        TLinksState Links;
    };

    static TLinksState TakeLinks(TcbBarItemLinks* Links);
    static void RestoreLinks(const TLinksState& State);
    void RestoreBars();

    TcbBarManager* FManager;
    bool FMenusShowRecentItemsFirst, FShowFullMenusAfterDelay, FLargeIcons, FShowHint, FShowShortCutInHint;
    TcbBarMenuAnimations FMenuAnimations;
    std::vector<TBarState> FBars;
    std::vector<TLinksState> FSubItems;
};

TLayoutSnapshot::TLayoutSnapshot(TcbBarManager* Manager)
    : FManager(Manager), FMenusShowRecentItemsFirst(Manager->GetMenusShowRecentItemsFirst()),
      FShowFullMenusAfterDelay(Manager->GetShowFullMenusAfterDelay()), FLargeIcons(Manager->GetLargeIcons()),
      FShowHint(Manager->GetShowHint()), FShowShortCutInHint(Manager->GetShowShortCutInHint()),
      FMenuAnimations(Manager->GetMenuAnimations())
{
    TcbBars* Bars = Manager->GetBars();
    for (int32_t N = 0; N < Bars->GetCount(); ++N) {
        TcbBar* Bar = Bars->GetItem(N);
        // A shown bar's place is its window's, which the bar holds only once told.
        if (auto* Window = dynamic_cast<TcbBarControl*>(Bar->GetBarControl()))
            Bar->StorePlace(Window);
        TBarState B;
        B.Caption = Bar->GetCaption();
        B.DockedDockControl = Bar->GetDockedDockControl();
        B.DockedDockingStyle = Bar->GetDockedDockingStyle();
        B.DockedLeft = Bar->GetDockedLeft();
        B.DockedTop = Bar->GetDockedTop();
        B.OneOnRow = Bar->GetOneOnRow();
        B.Row = Bar->GetRow();
        B.FloatLeft = Bar->GetFloatLeft();
        B.FloatTop = Bar->GetFloatTop();
        B.FloatClientWidth = Bar->GetFloatClientWidth();
        B.FloatClientHeight = Bar->GetFloatClientHeight();
        B.DockControl = Bar->GetDockControl();
        B.DockingStyle = Bar->GetDockingStyle();
        B.Visible = Bar->GetVisible();
        B.Links = TakeLinks(Bar->GetItemLinks());
        FBars.push_back(std::move(B));
    }
    for (TCustomcbBarSubItem* SubItem : NamedSubItems(Manager))
        FSubItems.push_back(TakeLinks(SubItem->GetItemLinks()));
}

TLayoutSnapshot::TLinksState TLayoutSnapshot::TakeLinks(TcbBarItemLinks* Links)
{
    TLinksState State;
    State.Links = Links;
    for (int32_t M = 0; M < Links->GetCount(); ++M) {
        const TcbBarItemLink* Link = Links->GetItem(M);
        TLinkState L;
        L.Item = Link->GetItem();
        L.BeginGroup = Link->GetOwnBeginGroup();
        L.MostRecentlyUsed = Link->GetMostRecentlyUsed();
        L.Define = Link->GetUserDefine();
        L.Caption = Link->GetUserCaption();
        if (L.Define.Contains(udGlyph)) {
            L.Glyph = std::make_unique<TBitmap>();
            L.Glyph->Assign(Link->GetUserGlyph());
        }
        L.PaintStyle = Link->GetUserPaintStyle();
        L.Width = Link->GetUserWidth();
        L.Visible = Link->GetVisible();
        L.UseCount = Link->GetUseCount();
        L.RecentIndex = Link->GetRecentIndex();
        State.Entries.push_back(std::move(L));
    }
    return State;
}

void TLayoutSnapshot::RestoreLinks(const TLinksState& State)
{
    TcbBarItemLinks* Links = State.Links;
    Links->Clear();
    for (const TLinkState& L : State.Entries) {
        TcbBarItemLink* Link = L.Item ? AddLinkFor(Links, L.Item) : Links->Add();
        if (!Link)
            continue;
        Link->SetBeginGroup(L.BeginGroup);
        if (!L.MostRecentlyUsed)
            Link->SetMostRecentlyUsed(false);
        Link->SetUserDefine(L.Define);
        if (L.Define.Contains(udCaption))
            Link->SetUserCaption(L.Caption);
        if (L.Glyph)
            Link->SetUserGlyph(L.Glyph.get());
        if (L.Define.Contains(udPaintStyle))
            Link->SetUserPaintStyle(L.PaintStyle);
        if (L.Define.Contains(udWidth))
            Link->SetUserWidth(L.Width);
        Link->SetLoadedVisible(L.Visible);
        Link->SetUseCount(L.UseCount);
        Link->SetSavedRecentIndex(L.RecentIndex);
    }
    Links->RestoreRecentOrder(true);
}

void TLayoutSnapshot::RestoreBars()
{
    TcbBars* Bars = FManager->GetBars();
    const int32_t Count = static_cast<int32_t>(FBars.size());
    // A load only adds bars: those it added go.
    while (Bars->GetCount() > Count)
        Bars->Delete(Bars->GetCount() - 1);
    HideAllBars(FManager);
    // Captions are unique among the bars: each bar whose caption the load changed first takes one
    // no bar has, so that bars that swapped captions can take theirs back.
    for (int32_t N = 0; N < Count; ++N)
        if (Bars->GetItem(N)->GetCaption() != FBars[static_cast<size_t>(N)].Caption)
            Bars->GetItem(N)->SetCaption("\x01" + IntToStr(N));
    for (int32_t N = 0; N < Count; ++N) {
        const TBarState& B = FBars[static_cast<size_t>(N)];
        TcbBar* Bar = Bars->GetItem(N);
        auto UnlockBar = LockBar(Bar);
        RestoreLinks(B.Links);
        Bar->SetCaption(B.Caption);
        Bar->SetDockedDockControl(B.DockedDockControl);
        Bar->SetDockedDockingStyle(B.DockedDockingStyle);
        Bar->SetDockedLeft(B.DockedLeft);
        Bar->SetDockedTop(B.DockedTop);
        Bar->SetOneOnRow(B.OneOnRow);
        Bar->SetRow(B.Row);
        Bar->SetFloatLeft(B.FloatLeft);
        Bar->SetFloatTop(B.FloatTop);
        Bar->SetFloatClientWidth(B.FloatClientWidth);
        Bar->SetFloatClientHeight(B.FloatClientHeight);
        Bar->SetDockingStyleAndControl(B.DockingStyle, B.DockControl);
    }
    // Shown once every bar has its place back, in the order of their rows.
    for (int32_t N = 0; N < Count; ++N)
        ApplyBarVisible(Bars->GetItem(N), FBars[static_cast<size_t>(N)].Visible);
}

void TLayoutSnapshot::Restore() noexcept
{
    try {
        auto Unlock = LockManager(FManager);
        FManager->SetMenusShowRecentItemsFirst(FMenusShowRecentItemsFirst);
        FManager->SetShowFullMenusAfterDelay(FShowFullMenusAfterDelay);
        FManager->SetLargeIcons(FLargeIcons);
        FManager->SetMenuAnimations(FMenuAnimations);
        FManager->SetShowHint(FShowHint);
        FManager->SetShowShortCutInHint(FShowShortCutInHint);
        RestoreBars();
        for (const TLinksState& State : FSubItems)
            RestoreLinks(State);
    } catch (...) {
        // Nothing more can be done: the layout stays as far as it came back.
    }
}

// Runs a load. Whatever it lets out (memory running out, an event handler's exception) puts the
// layout back as it was and goes no further: a stored layout is a convenience, and the form it
// belongs to opens either way. A layout that cannot even be taken is not loaded.
template <class TLoad>
void LoadOrRestore(TcbBarManager* Manager, const TLoad& Load)
{
    std::unique_ptr<TLayoutSnapshot> Before;
    try {
        Before = std::make_unique<TLayoutSnapshot>(Manager);
    } catch (...) {
        return;
    }
    try {
        Load();
    } catch (...) {
        Before->Restore();
    }
}

std::string IniPrefix(const TcbBarManager* Manager)
{
    const TComponent* Form = Manager->GetOwner();
    return (Form ? Form->GetName() : std::string()) + "." + Manager->GetName() + ".";
}

} // namespace

// ---------------------------------------------------------------------------------------------

std::string NormalizeLayoutRegistryPath(const std::string& Path)
{
    if (Path.empty())
        return std::string();
    std::string Result = Path[0] == '\\' ? Path : "\\" + Path;
    if (Result.size() > 1 && Result.back() == '\\')
        Result.pop_back();
    if (Result.find_first_not_of('\\') == std::string::npos)
        return std::string();
    return Result;
}

std::string QualifiedComponentName(const TComponent* Component)
{
    if (!Component)
        return std::string();
    std::string Result = Component->GetName();
    for (const TComponent* Owner = Component->GetOwner(); Owner && !Owner->GetName().empty(); Owner = Owner->GetOwner())
        Result = Owner->GetName() + "." + Result;
    return Result;
}

void SaveToRegistry(TcbBarManager* Manager, const std::string& Path)
{
    const std::string Key = NormalizeLayoutRegistryPath(Path);
    if (!Manager || Key.empty())
        return;
    TRegistryLayoutStore(Manager).Save(Key);
}

void LoadFromRegistry(TcbBarManager* Manager, const std::string& Path)
{
    const std::string Key = NormalizeLayoutRegistryPath(Path);
    if (!Manager || Key.empty())
        return;
    LoadOrRestore(Manager, [&] { TRegistryLayoutStore(Manager).Load(Key); });
}

void SaveToIniFile(TcbBarManager* Manager, const std::string& FileName)
{
    if (!Manager)
        return;
    TStream* Stream = Manager->GetIniStream();
    if (FileName.empty() && !Stream)
        return;
    TMemIniFile Ini(Stream ? std::string() : FileName);
    TStringList Lines;
    if (Stream) {
        Stream->SetPosition(0);
        Lines.LoadFromStream(Stream);
        Ini.SetStrings(&Lines);
    }
    TIniLayoutStore(Manager, Ini, IniPrefix(Manager)).Save();
    if (!Stream) {
        Ini.UpdateFile();
        return;
    }
    Ini.GetStrings(&Lines);
    Stream->SetPosition(0);
    Stream->SetSize(0);
    Lines.SaveToStream(Stream);
    Stream->SetPosition(0);
}

void LoadFromIniFile(TcbBarManager* Manager, const std::string& FileName)
{
    if (!Manager)
        return;
    TStream* Stream = Manager->GetIniStream();
    if (FileName.empty() && !Stream)
        return;
    std::unique_ptr<TMemIniFile> Ini;
    try {
        Ini = std::make_unique<TMemIniFile>(Stream ? std::string() : FileName);
        if (Stream) {
            TStringList Lines;
            Stream->SetPosition(0);
            Lines.LoadFromStream(Stream);
            Ini->SetStrings(&Lines);
        }
    } catch (...) {
        // A store that cannot be read leaves the layout as it is.
        return;
    }
    LoadOrRestore(Manager, [&] { TIniLayoutStore(Manager, *Ini, IniPrefix(Manager)).Load(); });
}

void cbBarLayoutStoreInit()
{
    TcbFrameworkExtensions& E = cbExtensions();
    E.LoadFromRegistry = LoadFromRegistry;
    E.LoadFromIniFile = LoadFromIniFile;
    E.SaveToRegistry = SaveToRegistry;
    E.SaveToIniFile = SaveToIniFile;
}
