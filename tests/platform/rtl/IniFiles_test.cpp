#include "platform/rtl/IniFiles.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/FileStream.h"
#include "TempDir.h"

namespace {

void WriteBytes(const std::string& Name, const std::string& Bytes)
{
    TFileStream F(Name, fmCreate);
    F.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
}

std::string ReadBytes(const std::string& Name)
{
    TMemoryStream M;
    M.LoadFromFile(Name);
    return std::string(static_cast<const char*>(M.Memory()), static_cast<size_t>(M.GetSize()));
}

std::string Joined(TStrings& L)
{
    std::string R;
    for (int32_t I = 0; I < L.GetCount(); ++I)
        R += L.GetStrings(I) + "|";
    return R;
}

} // namespace

TEST(MemIniFile, ReadsCrLfAndLfAlikeIgnoringCase)
{
    TTempDir Dir;
    WriteBytes(Dir.File("crlf.ini"), "[Main]\r\nCount=3\r\nName= spaced value \r\n\r\n[Other]\r\nFlag=1\r\n");
    WriteBytes(Dir.File("lf.ini"), "\xEF\xBB\xBF[Main]\nCount=3\nName= spaced value \n\n[Other]\nFlag=1\n");
    for (const char* F : {"crlf.ini", "lf.ini"}) {
        TMemIniFile Ini(Dir.File(F));
        EXPECT_EQ(Ini.ReadInteger("MAIN", "count", 0), 3);
        EXPECT_EQ(Ini.ReadString("main", "NAME", ""), " spaced value "); // kept as written
        EXPECT_TRUE(Ini.ReadBool("other", "flag", false));
        EXPECT_EQ(Ini.ReadString("Main", "Missing", "dflt"), "dflt");
        EXPECT_EQ(Ini.ReadInteger("Main", "Name", -1), -1); // not a number: the default
        EXPECT_FALSE(Ini.ReadBool("Nowhere", "Flag", false));
        EXPECT_TRUE(Ini.SectionExists("OTHER"));
        EXPECT_TRUE(Ini.ValueExists("Other", "FLAG"));
        EXPECT_FALSE(Ini.ValueExists("Other", "Count"));
    }
}

TEST(MemIniFile, ChangeUpdateAndReadAgainKeepOrderAndBytes)
{
    TTempDir Dir;
    const std::string Name = Dir.File("layout.ini");
    WriteBytes(Name, "; made by hand\n[Bars]\nB=2\nA=1\n; keep me\n[Empty]\n[Links]\nX=x=y\nY=\xE9\t\n");
    {
        TMemIniFile Ini(Name);
        Ini.WriteString("bars", "C", "  three ");
        Ini.WriteInteger("Bars", "b", -20);
        Ini.WriteBool("New", "On", true);
        Ini.WriteBool("New", "Off", false);
        Ini.DeleteKey("Links", "x");
        Ini.UpdateFile();
    }
    const std::string First = ReadBytes(Name);
    EXPECT_EQ(First, "; made by hand\r\n\r\n[Bars]\r\nB=-20\r\nA=1\r\n; keep me\r\nC=  three \r\n\r\n[Empty]\r\n"
                     "\r\n[Links]\r\nY=\xE9\t\r\n\r\n[New]\r\nOn=1\r\nOff=0\r\n");
    {
        TMemIniFile Again(Name);
        TStringList Keys;
        Again.ReadSection("BARS", &Keys);
        EXPECT_EQ(Joined(Keys), "B|A|C|");
        Again.ReadSections(&Keys);
        EXPECT_EQ(Joined(Keys), "Bars|Empty|Links|New|");
        Again.ReadSectionValues("links", &Keys);
        EXPECT_EQ(Joined(Keys), "Y=\xE9\t|");
        EXPECT_EQ(Again.ReadString("Bars", "C", ""), "  three ");
        Again.UpdateFile();
    }
    EXPECT_EQ(ReadBytes(Name), First); // a second round changes nothing
}

TEST(MemIniFile, EraseMissingFilesAndUnstorableNames)
{
    TTempDir Dir;
    TMemIniFile Ini(Dir.File("new.ini")); // missing: empty
    EXPECT_FALSE(Ini.SectionExists("A"));
    Ini.WriteString("A", "k", "v");
    Ini.WriteString("B", "k", "v");
    Ini.EraseSection("a");
    EXPECT_FALSE(Ini.SectionExists("A"));
    Ini.EraseSection("Nothing");
    Ini.DeleteKey("Nothing", "k");
    // What the file cannot carry is refused instead of corrupting it.
    EXPECT_THROW(Ini.WriteString("B", "k", "two\r\n[Evil]"), EInvalidOperation);
    EXPECT_THROW(Ini.WriteString("B", "a=b", "v"), EInvalidOperation);
    EXPECT_THROW(Ini.WriteString("B", " k", "v"), EInvalidOperation);
    EXPECT_THROW(Ini.WriteString("B", "", "v"), EInvalidOperation);
    EXPECT_THROW(Ini.WriteString("B\n", "k", "v"), EInvalidOperation);
    EXPECT_EQ(Ini.ReadString("B", "k", ""), "v");
    Ini.UpdateFile();
    EXPECT_EQ(ReadBytes(Dir.File("new.ini")), "[B]\r\nk=v\r\n");

    // A file that exists but cannot be read is an error, not an empty ini to overwrite later.
    EXPECT_THROW(TMemIniFile(Dir.Path().string()), EFOpenError);
}

// Text handed over in memory is taken as it is: a leading UTF-8 mark stays part of the key,
// so the strings read back unchanged however often they pass through.
TEST(MemIniFile, StringsKeepALeadingMarkThroughRoundTrips)
{
    TStringList In;
    In.Add("[S]");
    In.Add("\xEF\xBB\xBFk=v");
    TMemIniFile Ini("");
    Ini.SetStrings(&In);
    EXPECT_EQ("v", Ini.ReadString("S", "\xEF\xBB\xBFk", "none"));
    TStringList Out;
    Ini.GetStrings(&Out);
    TMemIniFile Again("");
    Again.SetStrings(&Out);
    TStringList Out2;
    Again.GetStrings(&Out2);
    EXPECT_EQ(Joined(Out), Joined(Out2));
    EXPECT_EQ("[S]|\xEF\xBB\xBFk=v|", Joined(Out2));
}
