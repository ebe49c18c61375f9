// The registry store of a bar layout: the keys and values a save writes and the foreign data it
// leaves alone, path handling, the round trip through a form's design and the stored layout,
// styles and bar counts, and stores that are damaged or hostile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "commandbars/model/cbBarLayoutStore.h"
#include "platform/rtl/StringList.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ComponentLookup.h"
#include "platform/win/Registry.h"
#include "tests/commandbars/BarLayoutFixture.h"
#include "tests/support/TestSupport.h"

using namespace BarLayoutTest;

namespace {

std::set<std::string> KeyNames(const std::string& Path)
{
    TRegistry R;
    EXPECT_TRUE(R.OpenKeyReadOnly(Path)) << Path;
    TStringList Names;
    R.GetKeyNames(&Names);
    std::set<std::string> Result;
    for (int32_t I = 0; I < Names.GetCount(); ++I)
        Result.insert(Names.GetStrings(I));
    return Result;
}

std::set<std::string> ValueNames(const std::string& Path)
{
    TRegistry R;
    EXPECT_TRUE(R.OpenKeyReadOnly(Path)) << Path;
    TStringList Names;
    R.GetValueNames(&Names);
    std::set<std::string> Result;
    for (int32_t I = 0; I < Names.GetCount(); ++I)
        Result.insert(Names.GetStrings(I));
    return Result;
}

// A DWORD value, failing the test when it is missing or of another type.
int32_t Dword(const std::string& Path, const std::string& Name)
{
    TRegistry R;
    if (!R.OpenKeyReadOnly(Path) || R.GetDataType(Name) != rdInteger) {
        ADD_FAILURE() << Path << " " << Name << " is no DWORD";
        return -999;
    }
    return R.ReadInteger(Name);
}

std::string String(const std::string& Path, const std::string& Name)
{
    TRegistry R;
    if (!R.OpenKeyReadOnly(Path) || R.GetDataType(Name) != rdString) {
        ADD_FAILURE() << Path << " " << Name << " is no string";
        return {};
    }
    return R.ReadString(Name);
}

std::vector<uint8_t> Binary(const std::string& Path, const std::string& Name)
{
    TRegistry R;
    if (!R.OpenKeyReadOnly(Path) || R.GetDataType(Name) != rdBinary) {
        ADD_FAILURE() << Path << " " << Name << " is no binary value";
        return {};
    }
    return R.ReadBinary(Name);
}

// Changes one stored value (the key is made when missing).
template <class F>
void Edit(const std::string& Path, F Change)
{
    TRegistry R;
    ASSERT_TRUE(R.OpenKey(Path, true)) << Path;
    Change(R);
}

// A 16 x 16 picture of one colour.
void FillGlyph(TBitmap& Glyph, TColor Color)
{
    Glyph.SetSize(16, 16);
    TCanvas* C = Glyph.GetCanvas();
    C->GetBrush()->SetColor(Color);
    C->FillRect(TRect{0, 0, 16, 16});
}

// The user values of btnOpen's link on "Standard": caption, picture, style and width.
void CustomizeOpenLink(TLayoutForm& Form, TColor GlyphColor)
{
    TcbBarItemLink* Link = Form.Links(1)->GetItem(1);
    Link->SetUserCaption("Op&en now");
    TBitmap Glyph;
    FillGlyph(Glyph, GlyphColor);
    Link->SetUserGlyph(&Glyph);
    Link->SetUserPaintStyle(psCaptionGlyph);
    Link->SetUserWidth(64);
}

std::vector<std::string> RecentNames(TcbBarItemLinks* Links)
{
    std::vector<std::string> Names;
    for (int32_t I = 0; I < Links->GetRecentListCount(); ++I)
        Names.push_back(Links->GetRecentListItem(I)->GetItem()->GetName());
    return Names;
}

// What a load may change, as text: the manager's options, and each bar's values and links (by
// item, nameless ones too) with their user values and recent use.
std::string Describe(const TLayoutForm& Form)
{
    const TcbBarManager* M = Form.Manager();
    std::string S = std::to_string(M->GetLargeIcons()) + std::to_string(M->GetShowHint()) +
                    std::to_string(M->GetMenuAnimations()) + "\n";
    const auto Links = [&S](TcbBarItemLinks* L) {
        for (int32_t I = 0; I < L->GetCount(); ++I) {
            const TcbBarItemLink* K = L->GetItem(I);
            S += "  " + K->GetItem()->GetCaption() + " " + std::to_string(K->GetOwnBeginGroup()) + " " +
                 std::to_string(K->GetUserDefine().Bits()) + " " + K->GetUserCaption() + " " +
                 std::to_string(K->GetUserWidth()) + " " + std::to_string(K->GetVisible()) + " " +
                 std::to_string(K->GetUseCount()) + " " + std::to_string(K->GetRecentIndex()) + "\n";
        }
    };
    for (int32_t N = 0; N < Form.BarCount(); ++N) {
        const TcbBar* B = Form.Bar(N);
        S += B->GetCaption() + " " + std::to_string(B->GetVisible()) + " " + std::to_string(B->GetDockingStyle()) +
             " " + std::to_string(B->GetRow()) + " " + std::to_string(B->GetFloatLeft()) + " " +
             std::to_string(B->GetFloatTop()) + "\n";
        Links(B->GetItemLinks());
    }
    S += "subFile\n";
    Links(Form.SubFile()->GetItemLinks());
    return S;
}

class BarLayoutRegistry : public ::testing::Test {
protected:
    std::string Layout() const { return Key.Path() + "\\Layout"; }
    // A form that reads Layout() while it loads.
    TLayoutFormPtr StoringForm()
    {
        gLayoutDesign.StoreInRegistry = true;
        gLayoutDesign.RegistryPath = Layout();
        return MakeLayoutForm();
    }
    // The plain design's layout in the store.
    void SaveDesign()
    {
        TLayoutFormPtr Form = MakeLayoutForm();
        SaveToRegistry(Form->Manager(), Layout());
    }

    // The key a value of the hostile-layout table is kept in.
    std::string KeyFor(const TStoredValue& V) const
    {
        return V.Group == TStoredGroup::Main  ? Layout()
               : V.Group == TStoredGroup::Bar ? Layout() + "\\Bar1"
                                              : Layout() + "\\Bar1\\ItemLink1";
    }
    // Stores V as Text (a text or a decimal number), as its type is kept.
    void Store(const TStoredValue& V, const std::string& Text)
    {
        Edit(KeyFor(V), [&](TRegistry& R) {
            if (V.Type == TStoredType::Text) {
                R.WriteString(V.Name, Text);
            } else if (V.Type == TStoredType::UserDefine) {
                const uint8_t Bits = static_cast<uint8_t>(std::stoi(Text));
                R.WriteBinaryData(V.Name, &Bits, 1);
            } else {
                R.WriteInteger(V.Name, static_cast<int32_t>(std::stoll(Text)));
            }
        });
    }
    // The design's layout with every value of the table at its marker.
    void SaveMarkedLayout()
    {
        TRegistry().DeleteKey(Layout());
        SaveDesign();
        for (const TStoredValue& V : StoredValueTable())
            Store(V, V.Marker);
        Edit(Layout() + "\\Bar1\\ItemLink0", [](TRegistry& R) { R.WriteInteger("RecentIndex", 5); });
    }
    void StoreHostile(const TStoredValue& V, THostile H)
    {
        if (H == THostile::Absent) {
            Edit(KeyFor(V), [&](TRegistry& R) { R.DeleteValue(V.Name); });
        } else if (V.Type == TStoredType::Text) {
            Store(V, HostileText(H));
        } else if (V.Type == TStoredType::UserDefine) {
            // One byte: its sign bit, none and all.
            Store(V, H == THostile::Negative ? "128" : H == THostile::Zero ? "0" : "255");
        } else {
            Store(V, std::to_string(HostileNumber(H)));
        }
    }

    TLayoutDesignScope Design;
    TestSupport::TTestRegistryKey Key;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// What a save writes

TEST_F(BarLayoutRegistry, ASaveWritesTheRootValuesBarsLinksAndSubItemsAsTheTablesSay)
{
    TLayoutFormPtr Form = MakeLayoutForm();
    TcbBarManager* M = Form->Manager();
    // The user values on Tools' link, so that the designed "Standard" stays plain.
    TcbBarItemLink* Custom = Form->Links(2)->GetItem(0);
    Custom->SetUserCaption("N&ew one");
    TBitmap Glyph;
    FillGlyph(Glyph, clRed);
    Custom->SetUserGlyph(&Glyph);
    Custom->SetUserPaintStyle(psCaptionGlyph);
    Custom->SetUserWidth(72);
    SaveToRegistry(M, Layout());

    EXPECT_EQ(ValueNames(Layout()),
              (std::set<std::string>{"MenusShowRecentItemsFirst", "ShowFullMenusAfterDelay", "LargeIcons", "MenuAnimations",
                                     "ShowHint", "ShowShortCutInHint", "BarCount"}));
    EXPECT_EQ(Dword(Layout(), "MenusShowRecentItemsFirst"), 1);
    EXPECT_EQ(Dword(Layout(), "ShowFullMenusAfterDelay"), 1);
    EXPECT_EQ(Dword(Layout(), "LargeIcons"), 0);
    EXPECT_EQ(Dword(Layout(), "MenuAnimations"), 0);
    EXPECT_EQ(Dword(Layout(), "ShowHint"), 1);
    EXPECT_EQ(Dword(Layout(), "ShowShortCutInHint"), 0);
    EXPECT_EQ(Dword(Layout(), "BarCount"), 3);
    EXPECT_EQ(KeyNames(Layout()), (std::set<std::string>{"Bar0", "Bar1", "Bar2", "SubItem_subFile"}));

    const std::string Bar1 = Layout() + "\\Bar1";
    const TcbBar* Standard = Form->Bar(1);
    EXPECT_EQ(String(Bar1, "Caption"), "Standard");
    EXPECT_EQ(Dword(Bar1, "DockingStyle"), 2);
    EXPECT_EQ(Dword(Bar1, "Row"), 1);
    EXPECT_EQ(Dword(Bar1, "Visible"), 1);
    EXPECT_EQ(Dword(Bar1, "ItemLinkCount"), 4);
    EXPECT_EQ(Dword(Bar1, "DockedDockingStyle"), Standard->GetDockedDockingStyle());
    EXPECT_EQ(Dword(Bar1, "DockedLeft"), Standard->GetDockedLeft());
    EXPECT_EQ(Dword(Bar1, "DockedTop"), Standard->GetDockedTop());
    EXPECT_EQ(Dword(Bar1, "OneOnRow"), Standard->GetOneOnRow() ? 1 : 0);
    EXPECT_EQ(Dword(Bar1, "FloatLeft"), Standard->GetFloatLeft());
    EXPECT_EQ(Dword(Bar1, "FloatTop"), Standard->GetFloatTop());
    EXPECT_EQ(Dword(Bar1, "FloatClientWidth"), Standard->GetFloatClientWidth());
    EXPECT_EQ(Dword(Bar1, "FloatClientHeight"), Standard->GetFloatClientHeight());
    EXPECT_EQ(ValueNames(Bar1).size(), 13u);
    EXPECT_EQ(ValueNames(Bar1).count("DockControl"), 0u);
    EXPECT_EQ(ValueNames(Bar1).count("DockedDockControl"), 0u);
    // The nameless button's link is counted, not stored.
    EXPECT_EQ(KeyNames(Bar1), (std::set<std::string>{"ItemLink0", "ItemLink1", "ItemLink2"}));
    EXPECT_EQ(Dword(Layout() + "\\Bar2", "FloatLeft"), 300);
    // The shown floating window keeps the client width its buttons take within 150.
    EXPECT_EQ(Dword(Layout() + "\\Bar2", "FloatClientWidth"), Form->Bar(2)->GetFloatClientWidth());
    EXPECT_LE(Form->Bar(2)->GetFloatClientWidth(), 150);
    EXPECT_EQ(Dword(Layout() + "\\Bar2", "DockingStyle"), 0);

    const std::string Open = Bar1 + "\\ItemLink1";
    const TcbBarItemLink* OpenLink = Form->Links(1)->GetItem(1);
    EXPECT_EQ(ValueNames(Open),
              (std::set<std::string>{"ItemName", "BeginGroup", "UserDefine", "Visible", "UseCount", "RecentIndex"}));
    EXPECT_EQ(String(Open, "ItemName"), "btnOpen");
    EXPECT_EQ(Dword(Open, "BeginGroup"), 1);
    EXPECT_EQ(Binary(Open, "UserDefine"), std::vector<uint8_t>{0});
    EXPECT_EQ(Dword(Open, "Visible"), 1);
    EXPECT_EQ(Dword(Open, "UseCount"), OpenLink->GetUseCount());
    EXPECT_EQ(Dword(Open, "RecentIndex"), OpenLink->GetRecentIndex());

    const std::string SubFile = Layout() + "\\SubItem_subFile";
    EXPECT_EQ(Dword(SubFile, "ItemLinkCount"), 3);
    EXPECT_EQ(KeyNames(SubFile), (std::set<std::string>{"ItemLink0", "ItemLink1", "ItemLink2"}));
    for (const char* Link : {"ItemLink0", "ItemLink1", "ItemLink2"})
        EXPECT_EQ(ValueNames(SubFile + "\\" + Link).count("Visible"), 0u) << Link;
    EXPECT_EQ(String(SubFile + "\\ItemLink2", "ItemName"), "btnSave");

    const std::string Tools = Layout() + "\\Bar2\\ItemLink0";
    EXPECT_EQ(Binary(Tools, "UserDefine"), std::vector<uint8_t>{0x0F});
    EXPECT_EQ(String(Tools, "UserCaption"), "N&ew one");
    const std::vector<uint8_t> Stored = Binary(Tools, "UserGlyph");
    ASSERT_GT(Stored.size(), 54u);
    EXPECT_EQ(Stored[0], 'B');
    EXPECT_EQ(Stored[1], 'M');
    EXPECT_EQ(Dword(Tools, "UserPaintStyle"), 3);
    EXPECT_EQ(Dword(Tools, "UserWidth"), 72);
}

TEST_F(BarLayoutRegistry, SavingReplacesOnlyTheLayoutsOwnKeysAndValues)
{
    Edit(Layout() + "\\Other\\Deeper", [](TRegistry& R) { R.WriteInteger("Kept", 7); });
    Edit(Layout(), [](TRegistry& R) { R.WriteString("Foreign", "mine"); });
    // Left by an earlier save of eight bars, with links of its own.
    Edit(Layout() + "\\Bar7\\ItemLink0", [](TRegistry& R) { R.WriteString("ItemName", "btnNew"); });
    Edit(Layout() + "\\SubItem_gone\\ItemLink0", [](TRegistry& R) { R.WriteString("ItemName", "btnNew"); });

    TLayoutFormPtr Form = MakeLayoutForm();
    SaveToRegistry(Form->Manager(), Layout());
    SaveToRegistry(Form->Manager(), Layout());
    EXPECT_EQ(KeyNames(Layout()), (std::set<std::string>{"Bar0", "Bar1", "Bar2", "Other", "SubItem_subFile"}));
    EXPECT_EQ(Dword(Layout() + "\\Other\\Deeper", "Kept"), 7);
    EXPECT_EQ(String(Layout(), "Foreign"), "mine");

    // The Standard style writes no recent-use data, and what an earlier save wrote of it goes.
    Form->Manager()->SetStyle(bmsStandard);
    SaveToRegistry(Form->Manager(), Layout());
    const std::set<std::string> Root = ValueNames(Layout());
    EXPECT_EQ(Root.count("MenusShowRecentItemsFirst"), 0u);
    EXPECT_EQ(Root.count("ShowFullMenusAfterDelay"), 0u);
    EXPECT_EQ(Root.count("BarCount"), 1u);
    for (const std::string Link : {"\\Bar1\\ItemLink0", "\\Bar2\\ItemLink0", "\\SubItem_subFile\\ItemLink1"}) {
        const std::set<std::string> Names = ValueNames(Layout() + Link);
        EXPECT_EQ(Names.count("UseCount"), 0u) << Link;
        EXPECT_EQ(Names.count("RecentIndex"), 0u) << Link;
        EXPECT_EQ(Names.count("ItemName"), 1u) << Link;
    }
    EXPECT_EQ(String(Layout(), "Foreign"), "mine");
}

// ---------------------------------------------------------------------------------------------
// Paths

TEST(BarLayoutRegistryPath, IsMadeAbsoluteLosesOneTrailingBackslashAndRefusesTheRoot)
{
    EXPECT_EQ(NormalizeLayoutRegistryPath("Software\\Bars"), "\\Software\\Bars");
    EXPECT_EQ(NormalizeLayoutRegistryPath("\\Software\\Bars\\"), "\\Software\\Bars");
    EXPECT_EQ(NormalizeLayoutRegistryPath("Software\\Bars\\"), "\\Software\\Bars");
    EXPECT_EQ(NormalizeLayoutRegistryPath("\\Software\\Bars"), "\\Software\\Bars");
    EXPECT_EQ(NormalizeLayoutRegistryPath("Bars"), "\\Bars");
    for (const char* Root : {"", "\\", "\\\\", "\\\\\\", "\\\\\\\\"})
        EXPECT_EQ(NormalizeLayoutRegistryPath(Root), "") << Root;
}

TEST_F(BarLayoutRegistry, PathsNamingTheRootWriteNothingAndEveryFormOfAPathIsOneKey)
{
    TLayoutFormPtr Form = MakeLayoutForm();
    TcbBarManager* M = Form->Manager();
    for (const char* Root : {"", "\\", "\\\\"}) {
        SaveToRegistry(M, Root);
        TRegistry R;
        R.OpenKeyReadOnly("\\");
        const bool Wrote = R.ValueExists("BarCount") || R.KeyExists("\\Bar0");
        EXPECT_FALSE(Wrote) << "\"" << Root << "\"";
        if (Wrote) {
            TRegistry W;
            W.OpenKey("\\", false);
            for (const char* Name : {"MenusShowRecentItemsFirst", "ShowFullMenusAfterDelay", "LargeIcons", "MenuAnimations",
                                     "ShowHint", "ShowShortCutInHint", "BarCount"})
                W.DeleteValue(Name);
            for (const char* Name : {"Bar0", "Bar1", "Bar2", "SubItem_subFile"})
                W.DeleteKey(Name);
        }
    }

    const std::string Bare = Layout().substr(1);
    const std::vector<std::string> Forms{Bare, "\\" + Bare, Bare + "\\", "\\" + Bare + "\\"};
    for (size_t I = 0; I < Forms.size(); ++I) {
        Form->Bar(1)->SetRow(static_cast<int32_t>(10 + I));
        SaveToRegistry(M, Forms[I]);
        EXPECT_EQ(Dword(Layout() + "\\Bar1", "Row"), static_cast<int32_t>(10 + I)) << Forms[I];
        EXPECT_EQ(KeyNames(Key.Path()), std::set<std::string>{"Layout"}) << Forms[I];
    }

    // Loading from a key that is not there changes nothing and makes no key.
    Form->Bar(1)->SetRow(1);
    LoadFromRegistry(M, Key.Path() + "\\Missing");
    EXPECT_FALSE(TRegistry().KeyExists(Key.Path() + "\\Missing"));
    EXPECT_EQ(Form->BarCount(), 3);
    EXPECT_EQ(Form->Bar(1)->GetRow(), 1);
    EXPECT_TRUE(Form->Bar(2)->GetVisible());
    EXPECT_EQ(Form->Links(1)->GetCount(), 4);
}

// ---------------------------------------------------------------------------------------------
// Round trip through the form's design and its stored layout

TEST_F(BarLayoutRegistry, AFormMadeAgainGetsBackTheLayoutItsPredecessorSaved)
{
    int32_t SavedRow = 0, SavedLeft = 0;
    {
        TLayoutFormPtr Form = StoringForm();
        TcbBarManager* M = Form->Manager();
        M->SetShowHint(false);
        M->SetMenuAnimations(maSlide);
        // "Standard" moved to a row of its own below, 40 pixels in: a docked bar's place changes
        // through its window, so it is hidden, given the place and shown there.
        Form->Bar(1)->SetVisible(false);
        Form->Bar(1)->SetDockedLeft(40);
        Form->Bar(1)->SetDockedTop(200);
        Form->Bar(1)->SetVisible(true);
        Form->Bar(1)->SetVisible(false); // stores the place the site gave it
        Form->Bar(1)->SetVisible(true);
        SavedRow = Form->Bar(1)->GetRow();
        SavedLeft = Form->Bar(1)->GetDockedLeft();
        ASSERT_EQ(SavedLeft, 40);
        TcbBar* Tools = Form->Bar(2);
        Tools->SetFloatLeft(320);
        Tools->SetFloatTop(240);
        Tools->SetFloatClientWidth(180);
        Tools->SetFloatClientHeight(60);
        Form->Links(1)->GetItem(2)->SetVisible(false);
        CustomizeOpenLink(*Form, clRed);
        Form->SubFile()->GetItemLinks()->Delete(1);
        TcbBar* Custom = M->GetBars()->Add();
        Custom->SetCaption("Custom 1");
        Custom->SetDockingStyle(dsBottom);
        Custom->SetVisible(true);
        Custom->GetItemLinks()->Add()->SetItem(Form->Item("btnSave"));
        M->SaveLayout();
    }
    TLayoutFormPtr Form = StoringForm();
    TcbBarManager* M = Form->Manager();
    EXPECT_FALSE(M->GetShowHint());
    EXPECT_EQ(M->GetMenuAnimations(), maSlide);
    ASSERT_EQ(Form->BarCount(), 4);
    EXPECT_EQ(Form->Bar(1)->GetRow(), SavedRow);
    EXPECT_EQ(Form->Bar(1)->GetDockedLeft(), SavedLeft);
    EXPECT_EQ(Form->Bar(1)->GetDockingStyle(), dsTop);
    EXPECT_TRUE(Form->Bar(0)->GetIsMainMenu());
    const TcbBar* Tools = Form->Bar(2);
    EXPECT_EQ(Tools->GetDockingStyle(), dsNone);
    EXPECT_EQ(Tools->GetFloatLeft(), 320);
    EXPECT_EQ(Tools->GetFloatTop(), 240);
    EXPECT_EQ(Tools->GetFloatClientWidth(), 180);
    EXPECT_EQ(Tools->GetFloatClientHeight(), 60);
    for (int32_t I = 0; I < 4; ++I)
        EXPECT_TRUE(Form->Bar(I)->GetVisible()) << I;

    // "Standard" holds btnNew, btnOpen, btnSave (hidden); the nameless button's link is lost.
    TcbBarItemLinks* Standard = Form->Links(1);
    ASSERT_EQ(Standard->GetCount(), 3);
    EXPECT_TRUE(Standard->GetItem(0)->GetVisible());
    EXPECT_FALSE(Standard->GetItem(2)->GetVisible());
    EXPECT_EQ(Standard->GetVisibleItemCount(), 2);
    const TcbBarItemLink* Open = Standard->GetItem(1);
    EXPECT_EQ(Open->GetItem(), Form->Item("btnOpen"));
    EXPECT_TRUE(Open->GetOwnBeginGroup());
    EXPECT_EQ(Open->GetUserDefine(), (TcbBarUserDefines{udCaption, udGlyph, udPaintStyle, udWidth}));
    EXPECT_EQ(Open->GetCaption(), "Op&en now");
    EXPECT_EQ(Open->GetPaintStyle(), psCaptionGlyph);
    EXPECT_EQ(Open->GetUserWidth(), 64);
    TBitmap* Glyph = Open->GetUserGlyph();
    ASSERT_EQ(Glyph->GetWidth(), 16);
    ASSERT_EQ(Glyph->GetHeight(), 16);
    for (const TPoint P : {TPoint{0, 0}, TPoint{15, 0}, TPoint{7, 8}, TPoint{15, 15}})
        EXPECT_EQ(Glyph->GetCanvas()->GetPixel(P.x, P.y), clRed) << P.x << "," << P.y;

    ASSERT_EQ(Form->SubFile()->GetItemLinks()->GetCount(), 2);
    EXPECT_EQ(Form->SubFile()->GetItemLinks()->GetItem(1)->GetItem(), Form->Item("btnSave"));
    const TcbBar* Custom = Form->Bar(3);
    EXPECT_EQ(Custom->GetCaption(), "Custom 1");
    EXPECT_EQ(Custom->GetDockingStyle(), dsBottom);
    ASSERT_EQ(Custom->GetItemLinks()->GetCount(), 1);
    EXPECT_EQ(Custom->GetItemLinks()->GetItem(0)->GetItem(), Form->Item("btnSave"));
    EXPECT_FALSE(M->GetLockUpdate());

    // Tools freed before the save is gone after the next load: its place is the next bar's.
    M->GetBars()->Delete(2);
    M->SaveLayout();
    Form.reset();
    Form = StoringForm();
    EXPECT_EQ(Form->Manager()->BarByCaption("Tools"), nullptr);
    EXPECT_EQ(Form->Bar(2)->GetCaption(), "Custom 1");
    EXPECT_EQ(Form->BarCount(), 3);
}

// ---------------------------------------------------------------------------------------------
// Styles and bar counts

TEST_F(BarLayoutRegistry, RecentUseIsKeptOnlyByStylesThatUseIt)
{
    // Stored with the Standard style: read with Flat, the links keep their design's recent use.
    gLayoutDesign.Style = bmsStandard;
    {
        TLayoutFormPtr Standard = MakeLayoutForm();
        for (int I = 0; I < 3; ++I)
            Standard->Links(1)->GetItem(2)->MarkUsed();
        SaveToRegistry(Standard->Manager(), Layout());
    }
    gLayoutDesign.Style = bmsFlat;
    TLayoutFormPtr Designed = MakeLayoutForm();
    TLayoutFormPtr Loaded = MakeLayoutForm();
    LoadFromRegistry(Loaded->Manager(), Layout());
    const auto Lists = [](TLayoutForm& F) {
        return std::vector<TcbBarItemLinks*>{F.Links(0), F.Links(1), F.Links(2), F.SubFile()->GetItemLinks()};
    };
    for (size_t L = 0; L < 4; ++L) {
        TcbBarItemLinks* D = Lists(*Designed)[L];
        TcbBarItemLinks* R = Lists(*Loaded)[L];
        // The nameless button is not stored.
        const int32_t Count = L == 1 ? 3 : D->GetCount();
        ASSERT_EQ(R->GetCount(), Count) << L;
        for (int32_t I = 0; I < Count; ++I)
            EXPECT_EQ(R->GetItem(I)->GetUseCount(), D->GetItem(I)->GetUseCount()) << L << " " << I;
    }
    std::vector<std::string> DesignedOrder = RecentNames(Designed->Links(1));
    DesignedOrder.erase(std::remove(DesignedOrder.begin(), DesignedOrder.end(), std::string()), DesignedOrder.end());
    EXPECT_EQ(RecentNames(Loaded->Links(1)), DesignedOrder);
    EXPECT_EQ(RecentNames(Loaded->SubFile()->GetItemLinks()), RecentNames(Designed->SubFile()->GetItemLinks()));

    // Stored with Flat after three uses of btnSave: it comes back used three times more, first.
    {
        TLayoutFormPtr Flat = MakeLayoutForm();
        for (int I = 0; I < 3; ++I)
            Flat->Links(1)->GetItem(2)->MarkUsed();
        SaveToRegistry(Flat->Manager(), Layout());
    }
    TLayoutFormPtr Again = MakeLayoutForm();
    LoadFromRegistry(Again->Manager(), Layout());
    const TcbBarItemLink* Save = Again->Links(1)->GetItem(2);
    EXPECT_EQ(Save->GetUseCount(), Again->Manager()->GetUseCountBase() + 3);
    EXPECT_EQ(Save->GetRecentIndex(), 0);
    EXPECT_EQ(RecentNames(Again->Links(1)), (std::vector<std::string>{"btnSave", "btnNew", "btnOpen"}));
}

TEST_F(BarLayoutRegistry, StoredBarsOutnumberingOrFallingShortOfTheDesignAreMadeOrHidden)
{
    {
        TLayoutFormPtr Two = MakeLayoutForm();
        Two->Manager()->GetBars()->Delete(2);
        SaveToRegistry(Two->Manager(), Layout());
    }
    TLayoutFormPtr Form = MakeLayoutForm();
    LoadFromRegistry(Form->Manager(), Layout());
    ASSERT_EQ(Form->BarCount(), 3);
    EXPECT_TRUE(Form->Bar(0)->GetVisible());
    EXPECT_TRUE(Form->Bar(1)->GetVisible());
    EXPECT_FALSE(Form->Bar(2)->GetVisible());
    EXPECT_EQ(Form->Bar(2)->GetCaption(), "Tools");

    {
        TLayoutFormPtr Four = MakeLayoutForm();
        TcbBar* Custom = Four->Manager()->GetBars()->Add();
        Custom->SetCaption("Custom 1");
        Custom->SetVisible(true);
        Custom->GetItemLinks()->Add()->SetItem(Four->Item("btnSave"));
        SaveToRegistry(Four->Manager(), Layout());
    }
    LoadFromRegistry(Form->Manager(), Layout());
    ASSERT_EQ(Form->BarCount(), 4);
    EXPECT_TRUE(Form->Bar(2)->GetVisible());
    EXPECT_EQ(Form->Bar(3)->GetCaption(), "Custom 1");
    EXPECT_TRUE(Form->Bar(3)->GetVisible());
    ASSERT_EQ(Form->Links(3)->GetCount(), 1);
    EXPECT_EQ(Form->Links(3)->GetItem(0)->GetItem(), Form->Item("btnSave"));

    // Without its key, a sub-item keeps the links it has.
    {
        TLayoutFormPtr Fewer = MakeLayoutForm();
        Fewer->SubFile()->GetItemLinks()->Delete(1);
        SaveToRegistry(Fewer->Manager(), Layout());
    }
    TRegistry().DeleteKey(Layout() + "\\SubItem_subFile");
    TLayoutFormPtr Fresh = MakeLayoutForm();
    LoadFromRegistry(Fresh->Manager(), Layout());
    EXPECT_EQ(Fresh->SubFile()->GetItemLinks()->GetCount(), 3);
}

TEST_F(BarLayoutRegistry, AnExceptionInALoadPutsTheLayoutBackAndGivesBackTheLocksAsFound)
{
    {
        TLayoutFormPtr Four = MakeLayoutForm();
        Four->Manager()->GetBars()->Add()->SetCaption("Custom 1");
        SaveToRegistry(Four->Manager(), Layout());
    }
    TLayoutFormPtr Form = MakeLayoutForm();
    TcbBarManager* M = Form->Manager();
    M->OnBarAdd = [](TObject*, TcbBar*) { throw Exception("no more bars"); };
    EXPECT_NO_THROW(LoadFromRegistry(M, Layout()));
    EXPECT_FALSE(M->GetLockUpdate());
    EXPECT_FALSE(M->GetBars()->IsLoading());
    EXPECT_EQ(Form->BarCount(), 3);
    for (int32_t I = 0; I < Form->BarCount(); ++I) {
        EXPECT_FALSE(Form->Bar(I)->GetLockUpdate()) << I;
        EXPECT_TRUE(Form->Bar(I)->GetVisible()) << I;
    }

    // A lock held by the caller stays held.
    M->OnBarAdd = nullptr;
    M->SetLockUpdate(true);
    LoadFromRegistry(M, Layout());
    EXPECT_TRUE(M->GetLockUpdate());
    M->SetLockUpdate(false);
    EXPECT_EQ(Form->BarCount(), 4);
}

TEST_F(BarLayoutRegistry, ALoadThatRunsOutOfMemoryAnywherePutsTheLayoutBackAsItWas)
{
    // A stored layout that changes every bar, adds one and changes links and options.
    {
        TLayoutFormPtr Changed = MakeLayoutForm();
        TcbBarManager* M = Changed->Manager();
        M->SetLargeIcons(true);
        M->SetMenuAnimations(maSlide);
        Changed->Bar(0)->SetCaption("Menu 2");
        Changed->Bar(1)->SetCaption("Standard 2");
        Changed->Bar(1)->SetDockingStyle(dsLeft);
        Changed->Bar(2)->SetVisible(false);
        CustomizeOpenLink(*Changed, clGreen);
        Changed->Links(1)->GetItem(2)->SetVisible(false);
        Changed->SubFile()->GetItemLinks()->Delete(0);
        TcbBar* Custom = M->GetBars()->Add();
        Custom->SetCaption("Custom 1");
        Custom->SetVisible(true);
        Custom->GetItemLinks()->Add()->SetItem(Changed->Item("btnSave"));
        SaveToRegistry(M, Layout());
    }
    // Every link a whole load adds, in turn, finds the memory gone.
    int32_t LinksAdded = 0;
    {
        TLayoutFormPtr Form = MakeLayoutForm();
        Form->Manager()->OnItemLinkAdd = [&](TObject*, TcbBarItemLink*) { ++LinksAdded; };
        LoadFromRegistry(Form->Manager(), Layout());
        ASSERT_EQ(Form->BarCount(), 4);
    }
    ASSERT_GE(LinksAdded, 8);
    for (int32_t Failing = 1; Failing <= LinksAdded; ++Failing) {
        SCOPED_TRACE(Failing);
        TLayoutFormPtr Form = MakeLayoutForm();
        Form->Show();
        TcbBarManager* M = Form->Manager();
        const std::string Before = Describe(*Form);
        int32_t Adds = 0;
        M->OnItemLinkAdd = [&](TObject*, TcbBarItemLink*) {
            if (++Adds == Failing)
                throw std::bad_alloc();
        };
        EXPECT_NO_THROW(LoadFromRegistry(M, Layout()));
        EXPECT_EQ(Describe(*Form), Before);
        EXPECT_EQ(Form->BarCount(), 3);
        EXPECT_EQ(Form->Links(1)->GetCount(), 4);
        EXPECT_FALSE(M->GetLockUpdate());
        EXPECT_FALSE(M->GetBars()->IsLoading());
        for (int32_t I = 0; I < Form->BarCount(); ++I)
            EXPECT_FALSE(Form->Bar(I)->GetLockUpdate()) << I;
        // The layout still loads once the memory is back.
        M->OnItemLinkAdd = nullptr;
        LoadFromRegistry(M, Layout());
        EXPECT_EQ(Form->BarCount(), 4);
        EXPECT_EQ(Form->Bar(1)->GetCaption(), "Standard 2");
    }
}

// ---------------------------------------------------------------------------------------------
// Damaged and hostile stores: each read by a fresh form while it loads

TEST_F(BarLayoutRegistry, AValueOfTheWrongTypeOrRangeEndsOnlyItsBar)
{
    SaveDesign();
    const std::string Bar1 = Layout() + "\\Bar1";
    Edit(Bar1, [](TRegistry& R) {
        R.WriteString("Caption", "Standard 2");
        R.WriteString("Row", "1");
        R.WriteInteger("FloatLeft", 999);
        R.WriteBool("Visible", false);
    });
    Edit(Layout() + "\\Bar2", [](TRegistry& R) {
        R.WriteString("Caption", "Tools 2");
        R.WriteInteger("DockingStyle", 9);
        R.WriteBool("Visible", false);
    });
    Edit(Layout(), [](TRegistry& R) {
        R.WriteInteger("MenuAnimations", 7);
        R.WriteString("ShowHint", "no");
        R.WriteBool("LargeIcons", true);
    });
    TLayoutFormPtr Form;
    ASSERT_NO_THROW(Form = StoringForm());
    EXPECT_EQ(Form->Bar(1)->GetCaption(), "Standard 2");
    EXPECT_EQ(Form->Bar(1)->GetFloatLeft(), 0);
    EXPECT_TRUE(Form->Bar(1)->GetVisible());
    EXPECT_EQ(Form->Bar(2)->GetCaption(), "Tools 2");
    EXPECT_EQ(Form->Bar(2)->GetDockingStyle(), dsNone);
    EXPECT_TRUE(Form->Bar(2)->GetVisible());
    // Bad root values are skipped, good ones read.
    EXPECT_EQ(Form->Manager()->GetMenuAnimations(), maNone);
    EXPECT_TRUE(Form->Manager()->GetShowHint());
    EXPECT_TRUE(Form->Manager()->GetLargeIcons());
    EXPECT_EQ(Form->Links(1)->GetCount(), 3);
    EXPECT_FALSE(Form->Manager()->GetLockUpdate());
}

TEST_F(BarLayoutRegistry, HostileCountsAreCappedAndMissingBarsMadeHidden)
{
    SaveDesign();
    Edit(Layout(), [](TRegistry& R) { R.WriteInteger("BarCount", 0x7FFFFFFF); });
    Edit(Layout() + "\\Bar1", [](TRegistry& R) { R.WriteInteger("ItemLinkCount", -5); });
    // ItemLinkCount beyond the cap: the link at the last place read is there, the next is not.
    Edit(Layout() + "\\Bar2", [](TRegistry& R) { R.WriteInteger("ItemLinkCount", 0x7FFFFFFF); });
    Edit(Layout() + "\\Bar2\\ItemLink4095", [](TRegistry& R) { R.WriteString("ItemName", "btnOpen"); });
    Edit(Layout() + "\\Bar2\\ItemLink4096", [](TRegistry& R) { R.WriteString("ItemName", "btnSave"); });
    TLayoutFormPtr Capped;
    ASSERT_NO_THROW(Capped = StoringForm());
    EXPECT_EQ(Capped->BarCount(), 3);
    EXPECT_EQ(Capped->Links(1)->GetCount(), 0);
    ASSERT_EQ(Capped->Links(2)->GetCount(), 2);
    EXPECT_EQ(Capped->Links(2)->GetItem(1)->GetItem(), Capped->Item("btnOpen"));
    Capped.reset();

    // Bar5 stored with Bar3 and Bar4 missing: the gap is filled with hidden bars.
    Edit(Layout(), [](TRegistry& R) { R.WriteInteger("BarCount", 6); });
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Layout() + "\\Bar5", true));
        R.WriteString("Caption", "Bar Five");
        for (const char* Name : {"DockedDockingStyle", "DockedLeft", "DockedTop", "OneOnRow", "FloatLeft", "FloatTop",
                                 "FloatClientWidth", "FloatClientHeight"})
            R.WriteInteger(Name, 0);
        R.WriteInteger("Row", 3);
        R.WriteInteger("DockingStyle", dsLeft);
        R.WriteBool("Visible", true);
        R.WriteInteger("ItemLinkCount", 1);
    }
    Edit(Layout() + "\\Bar5\\ItemLink0", [](TRegistry& R) { R.WriteString("ItemName", "BTNSAVE"); });
    TLayoutFormPtr Form = StoringForm();
    ASSERT_EQ(Form->BarCount(), 6);
    EXPECT_FALSE(Form->Bar(3)->GetVisible());
    EXPECT_FALSE(Form->Bar(4)->GetVisible());
    EXPECT_EQ(Form->Bar(5)->GetCaption(), "Bar Five");
    EXPECT_EQ(Form->Bar(5)->GetRow(), 3);
    EXPECT_EQ(Form->Bar(5)->GetDockingStyle(), dsLeft);
    EXPECT_TRUE(Form->Bar(5)->GetVisible());
    ASSERT_EQ(Form->Links(5)->GetCount(), 1);
    EXPECT_EQ(Form->Links(5)->GetItem(0)->GetItem(), Form->Item("btnSave"));
}

TEST_F(BarLayoutRegistry, HostileLinkValuesAreMaskedSkippedOrDropped)
{
    {
        TLayoutFormPtr Custom = MakeLayoutForm();
        CustomizeOpenLink(*Custom, clBlue);
        SaveToRegistry(Custom->Manager(), Layout());
    }
    const std::string Bar1 = Layout() + "\\Bar1";
    Edit(Bar1 + "\\ItemLink1", [](TRegistry& R) {
        const uint8_t All = 0xFF;
        R.WriteBinaryData("UserDefine", &All, 1);
    });
    // A link of an item that no longer exists is dropped; the links after it stay.
    Edit(Bar1 + "\\ItemLink0", [](TRegistry& R) { R.WriteString("ItemName", "btnGone"); });
    // Places in the recent list that repeat or lie outside it.
    Edit(Layout() + "\\SubItem_subFile\\ItemLink0", [](TRegistry& R) { R.WriteInteger("RecentIndex", 0x7FFFFFFF); });
    Edit(Layout() + "\\SubItem_subFile\\ItemLink1", [](TRegistry& R) { R.WriteInteger("RecentIndex", 1); });
    Edit(Layout() + "\\SubItem_subFile\\ItemLink2", [](TRegistry& R) { R.WriteInteger("RecentIndex", 1); });
    Edit(Bar1 + "\\ItemLink2", [](TRegistry& R) { R.WriteInteger("RecentIndex", -7); });
    // A sub-item's links naming the sub-item itself.
    Edit(Layout() + "\\SubItem_subFile", [](TRegistry& R) { R.WriteInteger("ItemLinkCount", 4); });
    Edit(Layout() + "\\SubItem_subFile\\ItemLink3", [](TRegistry& R) { R.WriteString("ItemName", "subFile"); });

    TLayoutFormPtr Form;
    ASSERT_NO_THROW(Form = StoringForm());
    TcbBarItemLinks* Standard = Form->Links(1);
    ASSERT_EQ(Standard->GetCount(), 2);
    const TcbBarItemLink* Open = Standard->GetItem(0);
    EXPECT_EQ(Open->GetItem(), Form->Item("btnOpen"));
    EXPECT_EQ(Open->GetUserDefine().Bits(), 0x0Fu);
    EXPECT_EQ(Open->GetUserCaption(), "Op&en now");
    EXPECT_EQ(Open->GetUserGlyph()->GetCanvas()->GetPixel(3, 3), clBlue);
    EXPECT_EQ(Open->GetUserPaintStyle(), psCaptionGlyph);
    EXPECT_EQ(Open->GetUserWidth(), 64);
    EXPECT_EQ(Standard->GetItem(1)->GetItem(), Form->Item("btnSave"));
    EXPECT_EQ(RecentNames(Standard), (std::vector<std::string>{"btnOpen", "btnSave"}));
    TcbBarItemLinks* File = Form->SubFile()->GetItemLinks();
    ASSERT_EQ(File->GetCount(), 3);
    EXPECT_EQ(RecentNames(File), (std::vector<std::string>{"btnOpen", "btnSave", "btnNew"}));
}

TEST_F(BarLayoutRegistry, StoredPicturesTheReaderRefusesAreSkippedAndTheLinkKeepsTheRest)
{
    {
        TLayoutFormPtr Custom = MakeLayoutForm();
        CustomizeOpenLink(*Custom, clRed);
        SaveToRegistry(Custom->Manager(), Layout());
    }
    std::vector<uint8_t> Random(200);
    std::mt19937 Gen(44);
    for (uint8_t& B : Random)
        B = static_cast<uint8_t>(Gen());
    // A sound file header and info header claiming 40000 x 40000 pixels of 24 bits.
    std::vector<uint8_t> Huge(54 + 64, 0);
    const auto Put32 = [](std::vector<uint8_t>& D, size_t At, uint32_t V) { std::memcpy(D.data() + At, &V, 4); };
    const auto Put16 = [](std::vector<uint8_t>& D, size_t At, uint16_t V) { std::memcpy(D.data() + At, &V, 2); };
    Huge[0] = 'B';
    Huge[1] = 'M';
    Put32(Huge, 2, static_cast<uint32_t>(Huge.size()));
    Put32(Huge, 10, 54);
    Put32(Huge, 14, 40);
    Put32(Huge, 18, 40000);
    Put32(Huge, 22, 40000);
    Put16(Huge, 26, 1);
    Put16(Huge, 28, 24);
    // Run-length coded: a few bytes may claim 16384 x 16384 pixels (256 MiB decoded).
    std::vector<uint8_t> Rle(54 + 8 + 4, 0);
    Rle[0] = 'B';
    Rle[1] = 'M';
    Put32(Rle, 2, static_cast<uint32_t>(Rle.size()));
    Put32(Rle, 10, 54 + 8);
    Put32(Rle, 14, 40);
    Put32(Rle, 18, 16384);
    Put32(Rle, 22, 16384);
    Put16(Rle, 26, 1);
    Put16(Rle, 28, 8);
    Put32(Rle, 30, 1); // BI_RLE8
    Put32(Rle, 46, 2);
    Rle[54 + 4] = 0xFF;
    Rle[54 + 6] = 0xFF;
    Rle[54 + 8 + 1] = 1; // end of the picture
    const std::vector<uint8_t> TooLarge(2 * 1024 * 1024, 0x42);

    const std::string Open = Layout() + "\\Bar1\\ItemLink1";
    for (const std::vector<uint8_t>* Bad : std::vector<const std::vector<uint8_t>*>{&Random, &Huge, &Rle, &TooLarge}) {
        Edit(Open, [Bad](TRegistry& R) { R.WriteBinaryData("UserGlyph", Bad->data(), static_cast<int32_t>(Bad->size())); });
        TLayoutFormPtr Form;
        ASSERT_NO_THROW(Form = StoringForm()) << Bad->size();
        const TcbBarItemLink* Link = Form->Links(1)->GetItem(1);
        EXPECT_EQ(Link->GetUserDefine(), (TcbBarUserDefines{udCaption, udPaintStyle, udWidth})) << Bad->size();
        EXPECT_TRUE(Link->GetUserGlyph()->GetEmpty()) << Bad->size();
        EXPECT_EQ(Link->GetUserCaption(), "Op&en now") << Bad->size();
        EXPECT_EQ(Link->GetUserPaintStyle(), psCaptionGlyph) << Bad->size();
        EXPECT_EQ(Link->GetUserWidth(), 64) << Bad->size();
    }
    // A picture of another type counts as a bad one too.
    Edit(Open, [](TRegistry& R) { R.WriteString("UserGlyph", "BM"); });
    TLayoutFormPtr Form = StoringForm();
    EXPECT_FALSE(Form->Links(1)->GetItem(1)->GetUserDefine().Contains(udGlyph));
    EXPECT_EQ(Form->Links(1)->GetItem(1)->GetUserWidth(), 64);
}

TEST_F(BarLayoutRegistry, DockSitesThatDoNotResolveOrAreNoDockSiteLeaveTheBarAtItsEdge)
{
    SaveDesign();
    Edit(Layout() + "\\Bar1", [](TRegistry& R) {
        R.WriteString("DockControl", "LayoutForm.NoSuchSite");
        R.WriteInteger("DockingStyle", dsBottom);
        R.WriteInteger("Row", 3);
    });
    Edit(Layout() + "\\Bar2", [](TRegistry& R) {
        R.WriteString("Caption", "Tools 3");
        R.WriteString("DockedDockControl", "LayoutForm.CaptionLabel");
        R.WriteInteger("DockedLeft", 77);
        R.WriteBool("Visible", false);
    });
    TLayoutFormPtr Form;
    ASSERT_NO_THROW(Form = StoringForm());
    EXPECT_EQ(Form->Bar(1)->GetDockControl(), nullptr);
    EXPECT_EQ(Form->Bar(1)->GetDockingStyle(), dsBottom);
    EXPECT_EQ(Form->Bar(1)->GetRow(), 3);
    // A label is no dock site: the bar stops reading there and shows.
    EXPECT_EQ(Form->Bar(2)->GetCaption(), "Tools 3");
    EXPECT_EQ(Form->Bar(2)->GetDockedLeft(), 0);
    EXPECT_TRUE(Form->Bar(2)->GetVisible());
    EXPECT_THROW(Form->Manager()->FindDockControl("LayoutForm.CaptionLabel"), EInvalidCast);
    EXPECT_THROW(Form->Manager()->FindDockControl("CaptionLabel"), EInvalidCast);
    EXPECT_EQ(Form->Manager()->FindDockControl(""), nullptr);
    EXPECT_EQ(Form->Manager()->FindDockControl("NoSuchForm.CaptionLabel"), nullptr);
    EXPECT_EQ(QualifiedComponentName(Form->FindComponent("CaptionLabel")), "LayoutForm.CaptionLabel");
}

TEST_F(BarLayoutRegistry, EveryStoredValueAbsentNegativeZeroAtItsMaximumOrLongLeavesTheOthersApplied)
{
    for (const TStoredValue& V : StoredValueTable())
        for (THostile H : HostileVariants(V.Type)) {
            SCOPED_TRACE(KeyOf(V) + " " + HostileName(H));
            SaveMarkedLayout();
            StoreHostile(V, H);
            CheckHostileLoad(true, V, H, [this](TcbBarManager* M) { LoadFromRegistry(M, Layout()); });
        }
}
