// The ini store of a bar layout: the text a save writes (through the manager's stream and into a
// file), two forms sharing one file, the round trip through a form's design, and hostile text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/model/cbBarLayoutStore.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/StringList.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/BarLayoutFixture.h"
#include "tests/support/TestSupport.h"

using namespace BarLayoutTest;

namespace {

std::string StreamText(TMemoryStream& Stream)
{
    return std::string(static_cast<const char*>(Stream.Memory()), static_cast<size_t>(Stream.GetSize()));
}

void SetStreamText(TMemoryStream& Stream, const std::string& Text)
{
    Stream.Clear();
    Stream.WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
    Stream.SetPosition(0);
}

std::string FileText(const std::string& FileName)
{
    TMemoryStream Stream;
    Stream.LoadFromFile(FileName);
    return StreamText(Stream);
}

// Replaces the one line Key=... of Section's block in the text.
std::string WithValue(std::string Text, const std::string& Section, const std::string& Key, const std::string& Value)
{
    const size_t S = Text.find("[" + Section + "]\r\n");
    EXPECT_NE(S, std::string::npos) << Section;
    const size_t K = Text.find("\r\n" + Key + "=", S);
    EXPECT_NE(K, std::string::npos) << Section << " " << Key;
    const size_t End = Text.find("\r\n", K + 2);
    return Text.replace(K + 2, End - K - 2, Key + "=" + Value);
}

// The text the fixture's design saves: built from its values, in the tables' order.
std::string DesignText(const std::string& Form, int32_t UseCount)
{
    const std::string P = Form + ".BarManager1.";
    std::vector<std::vector<std::string>> Sections;
    const auto Section = [&](const std::string& Name) { Sections.push_back({"[" + P + Name + "]"}); };
    const auto Line = [&](const std::string& Key, const std::string& Value) { Sections.back().push_back(Key + "=" + Value); };
    Section("Main");
    Line("MenusShowRecentItemsFirst", "1");
    Line("ShowFullMenusAfterDelay", "1");
    Line("LargeIcons", "0");
    Line("MenuAnimations", "0");
    Line("ShowHint", "1");
    Line("ShowShortCutInHint", "0");
    Line("BarCount", "3");
    struct TLinkValues {
        const char* Item;
        bool BeginGroup;
    };
    struct TBarValues {
        const char* Caption;
        int Docking, Row, FloatLeft, FloatTop, FloatWidth, FloatHeight;
        std::vector<TLinkValues> Links; // nullptr: a nameless item
    };
    const std::vector<TBarValues> Bars{
        {"Main Menu", 2, 0, 0, 0, 0, 0, {{"subFile", false}}},
        {"Standard", 2, 1, 0, 0, 0, 0, {{"btnNew", false}, {"btnOpen", true}, {"btnSave", false}, {nullptr, false}}},
        {"Tools", 0, 0, 300, 200, 150, 60, {{"btnNew", false}}}};
    const auto LinkSections = [&](const std::string& Owner, const std::vector<TLinkValues>& Links, bool BarLinks) {
        for (size_t M = 0; M < Links.size(); ++M) {
            if (!Links[M].Item)
                continue;
            Section(Owner + ".ItemLink" + std::to_string(M));
            Line("ItemName", Links[M].Item);
            Line("BeginGroup", Links[M].BeginGroup ? "1" : "0");
            Line("UserDefine", "0");
            if (BarLinks)
                Line("Visible", "1");
            Line("UseCount", std::to_string(UseCount));
            Line("RecentIndex", std::to_string(M));
        }
    };
    for (size_t N = 0; N < Bars.size(); ++N) {
        const TBarValues& B = Bars[N];
        const std::string Name = "Bar" + std::to_string(N);
        Section(Name);
        Line("Caption", B.Caption);
        Line("DockedDockingStyle", "2");
        Line("DockedLeft", "0");
        Line("DockedTop", "0");
        Line("OneOnRow", "0");
        Line("Row", std::to_string(B.Row));
        Line("FloatLeft", std::to_string(B.FloatLeft));
        Line("FloatTop", std::to_string(B.FloatTop));
        Line("FloatClientWidth", std::to_string(B.FloatWidth));
        Line("FloatClientHeight", std::to_string(B.FloatHeight));
        Line("DockingStyle", std::to_string(B.Docking));
        Line("Visible", "1");
        Line("ItemLinkCount", std::to_string(B.Links.size()));
        LinkSections(Name, B.Links, true);
    }
    Section("SubItem_subFile");
    Line("ItemLinkCount", "3");
    LinkSections("SubItem_subFile", {{"btnNew", false}, {"btnOpen", false}, {"btnSave", false}}, false);

    std::string Text;
    for (size_t I = 0; I < Sections.size(); ++I) {
        if (I > 0)
            Text += "\r\n";
        for (const std::string& L : Sections[I])
            Text += L + "\r\n";
    }
    return Text;
}

class BarLayoutIni : public ::testing::Test {
protected:
    // A form that reads the stream while it loads.
    TLayoutFormPtr StreamForm(const std::string& Name = "LayoutForm")
    {
        gLayoutDesign.StoreInIniFile = true;
        gLayoutDesign.IniStream = &Stream;
        return MakeLayoutForm(Name);
    }
    std::string SavedDesign()
    {
        TLayoutFormPtr Form = MakeLayoutForm();
        Form->Manager()->SetIniStream(&Stream);
        SaveToIniFile(Form->Manager(), "");
        return StreamText(Stream);
    }

    // The section a value of the hostile-layout table is kept in.
    static std::string SectionFor(const TStoredValue& V)
    {
        return V.Group == TStoredGroup::Main  ? "LayoutForm.BarManager1.Main"
               : V.Group == TStoredGroup::Bar ? "LayoutForm.BarManager1.Bar1"
                                              : "LayoutForm.BarManager1.Bar1.ItemLink1";
    }
    // The design's layout with every value of the table at its marker, and V stored as H.
    static std::string HostileLayout(const std::string& Design, const TStoredValue& V, THostile H)
    {
        TMemIniFile Ini("");
        TStringList Lines;
        Lines.SetText(Design);
        Ini.SetStrings(&Lines);
        for (const TStoredValue& Each : StoredValueTable())
            Ini.WriteString(SectionFor(Each), Each.Name, Each.Marker);
        Ini.WriteInteger("LayoutForm.BarManager1.Bar1.ItemLink0", "RecentIndex", 5);
        if (H == THostile::Absent)
            Ini.DeleteKey(SectionFor(V), V.Name);
        else if (V.Type == TStoredType::Text)
            Ini.WriteString(SectionFor(V), V.Name, HostileText(H));
        else
            Ini.WriteInteger(SectionFor(V), V.Name, HostileNumber(H));
        Ini.GetStrings(&Lines);
        return Lines.GetText();
    }

    TLayoutDesignScope Design;
    TMemoryStream Stream;
};

} // namespace

TEST_F(BarLayoutIni, ASaveWritesTheSectionsAndKeysInTheTablesOrderToTheStreamOrTheFile)
{
    TLayoutFormPtr Form = MakeLayoutForm();
    TcbBarManager* M = Form->Manager();
    // Nothing to write to: no file name, no stream.
    SaveToIniFile(M, "");
    EXPECT_EQ(Stream.GetSize(), 0);

    M->SetIniStream(&Stream);
    SaveToIniFile(M, "");
    const std::string Expected = DesignText("LayoutForm", M->GetUseCountBase());
    EXPECT_EQ(StreamText(Stream), Expected);
    EXPECT_EQ(Stream.GetPosition(), 0);
    // A second save into the same stream replaces the text, it does not add to it.
    SaveToIniFile(M, "ignored.ini");
    EXPECT_EQ(StreamText(Stream), Expected);

    TestSupport::TTempFolder Folder;
    M->SetIniStream(nullptr);
    SaveToIniFile(M, Folder.File("layout.ini"));
    EXPECT_EQ(FileText(Folder.File("layout.ini")), Expected);

    // User values: caption, style and width are written, the picture is not.
    TcbBarItemLink* Open = Form->Links(1)->GetItem(1);
    Open->SetUserCaption("Op&en now");
    TBitmap Glyph;
    Glyph.SetSize(16, 16);
    Open->SetUserGlyph(&Glyph);
    Open->SetUserPaintStyle(psCaptionGlyph);
    Open->SetUserWidth(64);
    M->SetIniStream(&Stream);
    SaveToIniFile(M, "");
    const std::string Text = StreamText(Stream);
    EXPECT_NE(Text.find("[LayoutForm.BarManager1.Bar1.ItemLink1]\r\nItemName=btnOpen\r\nBeginGroup=1\r\nUserDefine=15\r\n"
                        "UserCaption=Op&en now\r\nUserPaintStyle=3\r\nUserWidth=64\r\nVisible=1\r\n"),
              std::string::npos)
        << Text;
    EXPECT_EQ(Text.find("UserGlyph"), std::string::npos);
}

TEST_F(BarLayoutIni, TwoFormsShareOneFileAndEachLoadsItsOwnLayout)
{
    TestSupport::TTempFolder Folder;
    const std::string File = Folder.File("shared.ini");
    {
        TLayoutFormPtr Other = MakeLayoutForm("OtherForm");
        Other->Bar(2)->SetVisible(false);
        Other->Bar(1)->SetRow(2);
        SaveToIniFile(Other->Manager(), File);
    }
    const std::string OtherText = FileText(File);
    {
        TLayoutFormPtr Form = MakeLayoutForm();
        Form->Bar(1)->SetRow(3);
        SaveToIniFile(Form->Manager(), File);
        SaveToIniFile(Form->Manager(), File);
    }
    const std::string Both = FileText(File);
    // The other form's sections come first, untouched; this form's follow.
    ASSERT_GE(Both.size(), OtherText.size());
    EXPECT_EQ(Both.substr(0, OtherText.size()), OtherText);
    EXPECT_NE(Both.find("[LayoutForm.BarManager1.Main]"), std::string::npos);

    gLayoutDesign.StoreInIniFile = true;
    gLayoutDesign.IniFileName = File;
    TLayoutFormPtr Other = MakeLayoutForm("OtherForm");
    EXPECT_FALSE(Other->Bar(2)->GetVisible());
    EXPECT_EQ(Other->Bar(1)->GetRow(), 2);
    TLayoutFormPtr Form = MakeLayoutForm();
    EXPECT_TRUE(Form->Bar(2)->GetVisible());
    EXPECT_EQ(Form->Bar(1)->GetRow(), 3);
}

TEST_F(BarLayoutIni, AFormMadeAgainGetsBackTheLayoutItsPredecessorSavedExceptPictures)
{
    int32_t SavedRow = 0, SavedLeft = 0;
    {
        TLayoutFormPtr Form = StreamForm();
        TcbBarManager* M = Form->Manager();
        M->SetMenusShowRecentItemsFirst(false);
        M->SetShowShortCutInHint(true);
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
        Form->Bar(2)->SetFloatLeft(320);
        Form->Bar(2)->SetFloatTop(240);
        Form->Bar(2)->SetFloatClientWidth(180);
        Form->Links(1)->GetItem(2)->SetVisible(false);
        TcbBarItemLink* Open = Form->Links(1)->GetItem(1);
        Open->SetUserCaption("Op&en now");
        TBitmap Glyph;
        Glyph.SetSize(16, 16);
        Open->SetUserGlyph(&Glyph);
        Open->SetUserPaintStyle(psCaptionGlyph);
        Form->SubFile()->GetItemLinks()->Delete(1);
        TcbBar* Custom = M->GetBars()->Add();
        Custom->SetCaption("Custom 1");
        Custom->SetVisible(true);
        Custom->GetItemLinks()->Add()->SetItem(Form->Item("btnSave"));
        for (int I = 0; I < 2; ++I)
            Form->SubFile()->GetItemLinks()->GetItem(1)->MarkUsed();
        M->SaveLayout();
    }
    TLayoutFormPtr Form = StreamForm();
    TcbBarManager* M = Form->Manager();
    EXPECT_FALSE(M->GetMenusShowRecentItemsFirst());
    EXPECT_TRUE(M->GetShowShortCutInHint());
    ASSERT_EQ(Form->BarCount(), 4);
    EXPECT_EQ(Form->Bar(1)->GetRow(), SavedRow);
    EXPECT_EQ(Form->Bar(1)->GetDockedLeft(), SavedLeft);
    EXPECT_EQ(Form->Bar(2)->GetFloatLeft(), 320);
    EXPECT_EQ(Form->Bar(2)->GetFloatTop(), 240);
    EXPECT_EQ(Form->Bar(2)->GetFloatClientWidth(), 180);
    EXPECT_EQ(Form->Bar(2)->GetFloatClientHeight(), 60);
    EXPECT_EQ(Form->Bar(2)->GetDockingStyle(), dsNone);
    ASSERT_EQ(Form->Links(1)->GetCount(), 3);
    EXPECT_FALSE(Form->Links(1)->GetItem(2)->GetVisible());
    const TcbBarItemLink* Open = Form->Links(1)->GetItem(1);
    EXPECT_EQ(Open->GetCaption(), "Op&en now");
    EXPECT_EQ(Open->GetPaintStyle(), psCaptionGlyph);
    // No picture in the ini: the link shows its item's again.
    EXPECT_EQ(Open->GetUserDefine(), (TcbBarUserDefines{udCaption, udPaintStyle}));
    EXPECT_TRUE(Open->GetUserGlyph()->GetEmpty());
    TcbBarItemLinks* File = Form->SubFile()->GetItemLinks();
    ASSERT_EQ(File->GetCount(), 2);
    EXPECT_EQ(File->GetItem(1)->GetItem(), Form->Item("btnSave"));
    EXPECT_EQ(File->GetItem(1)->GetUseCount(), M->GetUseCountBase() + 2);
    EXPECT_EQ(File->GetItem(1)->GetRecentIndex(), 0);
    EXPECT_EQ(Form->Bar(3)->GetCaption(), "Custom 1");
    EXPECT_TRUE(Form->Bar(3)->GetVisible());

    // Without its section a sub-item keeps its design's links; a store of two bars hides the third.
    // The form's end saves its layout once more: the store is edited after it.
    Form.reset();
    std::string Text = StreamText(Stream);
    const size_t Sub = Text.find("[LayoutForm.BarManager1.SubItem_subFile]");
    ASSERT_NE(Sub, std::string::npos);
    Text.erase(Sub);
    SetStreamText(Stream, WithValue(Text, "LayoutForm.BarManager1.Main", "BarCount", "2"));
    Form = StreamForm();
    EXPECT_EQ(Form->SubFile()->GetItemLinks()->GetCount(), 3);
    EXPECT_EQ(Form->BarCount(), 3);
    EXPECT_FALSE(Form->Bar(2)->GetVisible());
    EXPECT_TRUE(Form->Bar(1)->GetVisible());
}

TEST_F(BarLayoutIni, HostileTextChangesNothingItCannotAndIsCappedOrDefaulted)
{
    const std::string Design = SavedDesign();
    // A count that is no number: no bar changes.
    std::string Text = WithValue(Design, "LayoutForm.BarManager1.Main", "BarCount", "zz");
    Text = WithValue(Text, "LayoutForm.BarManager1.Bar1", "Caption", "Changed");
    Text = WithValue(Text, "LayoutForm.BarManager1.Bar2", "Visible", "0");
    SetStreamText(Stream, Text);
    {
        TLayoutFormPtr Form;
        ASSERT_NO_THROW(Form = StreamForm());
        EXPECT_EQ(Form->Bar(1)->GetCaption(), "Standard");
        EXPECT_TRUE(Form->Bar(2)->GetVisible());
    }

    // A huge link count reads at most the capped number of link sections; an out-of-range style
    // is the default; a bad docking style keeps the bar's.
    Text = WithValue(Design, "LayoutForm.BarManager1.Bar2", "ItemLinkCount", "999999999");
    Text = WithValue(Text, "LayoutForm.BarManager1.Bar2", "DockingStyle", "9");
    Text = WithValue(Text, "LayoutForm.BarManager1.Bar2.ItemLink0", "UserDefine", "255");
    Text += "\r\n[LayoutForm.BarManager1.Bar2.ItemLink0]\r\nUserPaintStyle=7\r\nUserWidth=50\r\n";
    Text += "\r\n[LayoutForm.BarManager1.Bar2.ItemLink4095]\r\nItemName=btnOpen\r\n";
    Text += "\r\n[LayoutForm.BarManager1.Bar2.ItemLink4096]\r\nItemName=btnSave\r\n";
    SetStreamText(Stream, Text);
    {
        TLayoutFormPtr Form;
        ASSERT_NO_THROW(Form = StreamForm());
        TcbBarItemLinks* Tools = Form->Links(2);
        ASSERT_EQ(Tools->GetCount(), 2);
        EXPECT_EQ(Tools->GetItem(1)->GetItem(), Form->Item("btnOpen"));
        const TcbBarItemLink* Link = Tools->GetItem(0);
        EXPECT_EQ(Link->GetUserDefine(), (TcbBarUserDefines{udCaption, udPaintStyle, udWidth}));
        EXPECT_EQ(Link->GetUserPaintStyle(), psStandard);
        EXPECT_EQ(Link->GetUserWidth(), 50);
        EXPECT_EQ(Form->Bar(2)->GetDockingStyle(), dsNone);
    }

    // A section of this manager in another case is the same section: the next save erases it.
    Text = Design + "\r\n[layoutform.barmanager1.bar7]\r\nRow=0\r\n\r\n[Unrelated]\r\nKept=1\r\n";
    SetStreamText(Stream, Text);
    gLayoutDesign = TLayoutDesignSettings{};
    TLayoutFormPtr Form = MakeLayoutForm();
    Form->Manager()->SetIniStream(&Stream);
    SaveToIniFile(Form->Manager(), "");
    const std::string Saved = StreamText(Stream);
    EXPECT_EQ(Saved.find("layoutform.barmanager1"), std::string::npos);
    EXPECT_NE(Saved.find("[Unrelated]\r\nKept=1\r\n"), std::string::npos);
    EXPECT_NE(Saved.find(Design), std::string::npos);
}

TEST_F(BarLayoutIni, WithBothStoresTheRegistryIsReadFirstAndTheIniFileAfterIt)
{
    TestSupport::TTestRegistryKey Key;
    const std::string Layout = Key.Path() + "\\Layout";
    {
        TLayoutFormPtr Form = MakeLayoutForm();
        TcbBarManager* M = Form->Manager();
        M->SetStoreInRegistry(true);
        M->SetRegistryPath(Layout);
        M->SetStoreInIniFile(true);
        M->SetIniStream(&Stream);
        M->SetLargeIcons(true);
        Form->Bar(1)->SetRow(2);
        M->SaveLayout();
    }
    // The ini file says another row and nothing of the icons.
    std::string Text = WithValue(StreamText(Stream), "LayoutForm.BarManager1.Bar1", "Row", "3");
    const size_t Icons = Text.find("LargeIcons=1\r\n");
    ASSERT_NE(Icons, std::string::npos);
    SetStreamText(Stream, Text.erase(Icons, 14));
    gLayoutDesign.StoreInRegistry = true;
    gLayoutDesign.RegistryPath = Layout;
    TLayoutFormPtr Form = StreamForm();
    EXPECT_EQ(Form->Bar(1)->GetRow(), 3);
    EXPECT_TRUE(Form->Manager()->GetLargeIcons());
}

TEST_F(BarLayoutIni, EveryStoredValueAbsentNegativeZeroAtItsMaximumOrLongLeavesTheOthersApplied)
{
    const std::string Design = SavedDesign();
    TestSupport::TTempFolder Folder;
    const std::string File = Folder.File("hostile.ini");
    for (const TStoredValue& V : StoredValueTable())
        for (THostile H : HostileVariants(V.Type)) {
            SCOPED_TRACE(KeyOf(V) + " " + HostileName(H));
            SetStreamText(Stream, HostileLayout(Design, V, H));
            Stream.SaveToFile(File);
            CheckHostileLoad(false, V, H, [&](TcbBarManager* M) { LoadFromIniFile(M, File); });
        }
}
