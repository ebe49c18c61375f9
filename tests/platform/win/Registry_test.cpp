// The registry under a scoped test key: typed values, numbered lists, errors, key trees and the
// ini view.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win/Registry.h"
#include "tests/support/TestSupport.h"

using TestSupport::TTestRegistryKey;

TEST(TRegistry, TypedValuesReadBack)
{
    TTestRegistryKey Key;
    TRegistry R;
    ASSERT_TRUE(R.OpenKey(Key.Path(), false));
    R.WriteString("Name", "picture collector");
    R.WriteInteger("Count", -123456);
    R.WriteBool("On", true);
    R.WriteBool("Off", false);
    const uint8_t Bytes[5] = {0, 1, 0xFE, 0xFF, 7};
    R.WriteBinaryData("Blob", Bytes, sizeof(Bytes));
    const TDateTime When = 36526.123456789012; // bits that a text round trip would lose
    R.WriteDate("SchemeStartDate", When);
    R.WriteFloat("Ratio", 1.0 / 3);

    TRegistry Reader;
    ASSERT_TRUE(Reader.OpenKeyReadOnly(Key.Path()));
    EXPECT_EQ(Reader.ReadString("Name"), "picture collector");
    EXPECT_EQ(Reader.ReadInteger("Count"), -123456);
    EXPECT_TRUE(Reader.ReadBool("On"));
    EXPECT_FALSE(Reader.ReadBool("Off"));
    uint8_t Back[8] = {};
    EXPECT_EQ(Reader.ReadBinaryData("Blob", Back, sizeof(Back)), 5);
    EXPECT_EQ(std::memcmp(Back, Bytes, 5), 0);
    uint8_t Small[4];
    EXPECT_THROW(Reader.ReadBinaryData("Blob", Small, sizeof(Small)), ERegistryException);
    const TDateTime D = Reader.ReadDate("SchemeStartDate");
    EXPECT_EQ(std::memcmp(&D, &When, sizeof(D)), 0);
    EXPECT_EQ(Reader.ReadFloat("Ratio"), 1.0 / 3);
    EXPECT_EQ(Reader.GetDataType("Name"), rdString);
    EXPECT_EQ(Reader.GetDataType("Count"), rdInteger);
    EXPECT_EQ(Reader.GetDataType("Blob"), rdBinary);
    EXPECT_EQ(Reader.GetDataType("Nothing"), rdUnknown);
    EXPECT_EQ(Reader.GetDataSize("Blob"), 5);
    EXPECT_EQ(Reader.GetDataSize("Nothing"), -1);
    // A read-only key refuses writes with an exception, not silently.
    EXPECT_THROW(Reader.WriteString("Name", "x"), ERegistryException);
}

TEST(TRegistry, BadReadsRaise)
{
    TTestRegistryKey Key;
    TRegistry R;
    ASSERT_TRUE(R.OpenKey(Key.Path(), false));
    R.WriteString("Text", "12");
    const uint8_t Four[4] = {1, 2, 3, 4};
    R.WriteBinaryData("Short", Four, sizeof(Four));
    R.WriteInteger("Number", 5);

    auto Message = [](auto&& Call) {
        try {
            Call();
        } catch (const ERegistryException& E) {
            return std::string(E.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(Message([&] { R.ReadInteger("Text"); }), "Registry value 'Text' has another type");
    EXPECT_EQ(Message([&] { R.ReadString("Missing"); }), "Registry value 'Missing' is missing");
    EXPECT_EQ(Message([&] { R.ReadDate("Short"); }), "Registry value 'Short' has another type");
    EXPECT_EQ(Message([&] { R.ReadString("Number"); }), "Registry value 'Number' has another type");
    EXPECT_EQ(Message([&] { R.ReadBool("Text"); }), "Registry value 'Text' has another type");
    EXPECT_EQ(Message([&] { R.ReadBinary("Text"); }), "Registry value 'Text' has another type");
    EXPECT_EQ(Message([&] { R.ReadFloat("Missing"); }), "Registry value 'Missing' is missing");
}

TEST(TRegistry, StringsWithoutTheirTerminatorReadBounded)
{
    TTestRegistryKey Key;
    TRegistry R;
    ASSERT_TRUE(R.OpenKey(Key.Path(), false));
    // Written by another program without the final NUL.
    ASSERT_EQ(RegSetValueExA(R.GetCurrentKey(), "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
              ERROR_SUCCESS);
    EXPECT_EQ(R.ReadString("Raw"), "abc");
    R.WriteString("Empty", "");
    EXPECT_EQ(R.ReadString("Empty"), "");
}

TEST(TRegistry, NumberedListsKeepTheirOrder)
{
    TTestRegistryKey Key;
    TRegistry R;
    ASSERT_TRUE(R.OpenKey(Key.Path(), false));
    TStringList L;
    for (int I = 0; I < 12; ++I)
        L.Add("a" + IntToStr(I));
    R.WriteNumberedList("Lists\\Projects", &L);
    EXPECT_EQ(R.GetCurrentPath(), Key.Path().substr(1)); // the open key stays

    TStringList Back;
    ASSERT_TRUE(R.ReadNumberedList("Lists\\Projects", &Back));
    ASSERT_EQ(Back.GetCount(), 12);
    for (int I = 0; I < 12; ++I)
        EXPECT_EQ(Back.GetStrings(I), "a" + IntToStr(I));

    TStringList Five;
    for (int I = 0; I < 5; ++I)
        Five.Add("b" + IntToStr(I));
    R.WriteNumberedList(Key.Path() + "\\Lists\\Projects", &Five); // absolute this time
    TRegistry Check;
    ASSERT_TRUE(Check.OpenKeyReadOnly(Key.Path() + "\\Lists\\Projects"));
    TStringList Names;
    Check.GetValueNames(&Names);
    EXPECT_EQ(Names.GetCount(), 5);
    EXPECT_FALSE(Check.ValueExists("5"));
    ASSERT_TRUE(R.ReadNumberedList("Lists\\Projects", &Back));
    EXPECT_EQ(Back.GetText(), "b0\r\nb1\r\nb2\r\nb3\r\nb4\r\n");

    // Names that are not indexes come after the numbered ones.
    ASSERT_TRUE(R.OpenKey("Mixed", true));
    R.WriteString("Zeta", "z");
    R.WriteString("10", "ten");
    R.WriteString("2", "two");
    R.WriteString("Alpha", "al");
    R.WriteString("0", "zero");
    ASSERT_TRUE(R.ReadNumberedList("", &Back));
    ASSERT_EQ(Back.GetCount(), 5);
    EXPECT_EQ(Back.GetStrings(0), "zero");
    EXPECT_EQ(Back.GetStrings(1), "two");
    EXPECT_EQ(Back.GetStrings(2), "ten");

    EXPECT_FALSE(R.ReadNumberedList("NoSuchList", &Back));
    EXPECT_EQ(Back.GetCount(), 0);
    // A value of another type ends the read with the error.
    R.WriteInteger("3", 3);
    EXPECT_THROW(R.ReadNumberedList("", &Back), ERegistryException);
}

TEST(TRegistry, KeysOpenCreateAndDeleteAsTrees)
{
    TTestRegistryKey Key;
    TRegistry R;
    EXPECT_FALSE(R.OpenKey(Key.Path() + "\\Missing", false));
    EXPECT_FALSE(R.KeyExists(Key.Path() + "\\Missing"));
    ASSERT_TRUE(R.OpenKey(Key.Path() + "\\Top", true));
    ASSERT_TRUE(R.OpenKey("Middle", true)); // relative to Top
    ASSERT_TRUE(R.OpenKey("Bottom", true));
    R.WriteString("Leaf", "x");
    EXPECT_EQ(R.GetCurrentPath(), Key.Path().substr(1) + "\\Top\\Middle\\Bottom");
    ASSERT_TRUE(R.OpenKey(Key.Path() + "\\Top", false));
    R.WriteInteger("AtTop", 1);
    ASSERT_TRUE(R.CreateKey("Second"));
    TStringList Names;
    R.GetKeyNames(&Names);
    EXPECT_EQ(Names.GetCount(), 2);
    R.CloseKey();

    EXPECT_TRUE(R.DeleteKey(Key.Path() + "\\Top"));
    EXPECT_FALSE(R.KeyExists(Key.Path() + "\\Top"));
    EXPECT_FALSE(R.KeyExists(Key.Path() + "\\Top\\Middle\\Bottom"));
    EXPECT_TRUE(R.KeyExists(Key.Path()));
    EXPECT_FALSE(R.DeleteKey(Key.Path() + "\\Top"));

    ASSERT_TRUE(R.OpenKey(Key.Path(), false));
    R.WriteString("Gone", "soon");
    EXPECT_TRUE(R.ValueExists("Gone"));
    EXPECT_TRUE(R.DeleteValue("Gone"));
    EXPECT_FALSE(R.ValueExists("Gone"));
    EXPECT_FALSE(R.DeleteValue("Gone"));
}

TEST(TRegIniFile, SectionsAreSubKeysAndNamesValues)
{
    TTestRegistryKey Key;
    {
        TRegIniFile Ini(Key.Path().substr(1));
        Ini.WriteString("desktop", "Wallpaper", "C:\\windows\\pic.bmp");
        Ini.WriteInteger("desktop", "WallpaperStyle", 2);
        Ini.WriteBool("desktop", "TileWallpaper", false);
        EXPECT_EQ(Ini.ReadString("desktop", "Wallpaper", ""), "C:\\windows\\pic.bmp");
        EXPECT_EQ(Ini.ReadInteger("desktop", "WallpaperStyle", -1), 2);
        EXPECT_FALSE(Ini.ReadBool("desktop", "TileWallpaper", true));
        EXPECT_EQ(Ini.ReadString("desktop", "Missing", "dflt"), "dflt");
        EXPECT_EQ(Ini.ReadInteger("nosection", "x", 9), 9);
        TStringList Names;
        Ini.ReadSection("desktop", &Names);
        EXPECT_EQ(Names.GetCount(), 3);
        TStringList Sections;
        Ini.ReadSections(&Sections);
        EXPECT_EQ(Sections.GetText(), "desktop\r\n");
    }
    TRegistry R;
    ASSERT_TRUE(R.OpenKeyReadOnly(Key.Path() + "\\desktop"));
    EXPECT_EQ(R.GetDataType("Wallpaper"), rdString);
    EXPECT_EQ(R.ReadString("Wallpaper"), "C:\\windows\\pic.bmp");
    EXPECT_EQ(R.ReadString("WallpaperStyle"), "2"); // as Windows keeps it
    EXPECT_EQ(R.ReadString("TileWallpaper"), "0");
    R.CloseKey();

    TRegIniFile Ini(Key.Path());
    Ini.EraseSection("desktop");
    EXPECT_FALSE(R.KeyExists(Key.Path() + "\\desktop"));
}

TEST(TTestRegistryKey, IsRemovedWithEverythingBelowIt)
{
    std::string Path;
    {
        TTestRegistryKey Key;
        Path = Key.Path();
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Path + "\\Deep\\Deeper", true));
        EXPECT_EQ(Path.rfind("\\Software\\QuillmoorTest\\{", 0), 0u);
    }
    TRegistry R;
    EXPECT_FALSE(R.KeyExists(Path));
}
