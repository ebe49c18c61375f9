// File streams over CreateFileA, the file and folder routines, and GUID texts.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "platform/rtl/FileStream.h"
#include "platform/win/Files.h"
#include "platform/win/Guid.h"
#include "tests/support/TestSupport.h"

using TestSupport::TTempFolder;

namespace {

void WriteFileText(const std::string& Name, const std::string& Text)
{
    TFileStream F(Name, fmCreate);
    F.WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
}

} // namespace

TEST(TFileStream, ShortReadsAndCopies)
{
    TTempFolder Dir;
    WriteFileText(Dir.File("ten.bin"), "0123456789");
    TFileStream In(Dir.File("ten.bin"), fmOpenRead | fmShareDenyWrite);
    char Buffer[20];
    In.SetPosition(0);
    EXPECT_THROW(In.ReadBuffer(Buffer, 20), EReadError);
    In.SetPosition(3);
    EXPECT_EQ(In.Read(Buffer, 20), 7);

    TMemoryStream Copy;
    In.SetPosition(6); // CopyFrom with 0 starts from the beginning anyway
    EXPECT_EQ(Copy.CopyFrom(&In, 0), 10);
    EXPECT_EQ(std::string(static_cast<const char*>(Copy.Memory()), 10), "0123456789");
}

TEST(TFileStream, SharingRules)
{
    TTempFolder Dir;
    const std::string Name = Dir.File("shared.log");
    TFileStream Writer(Name, fmCreate | fmShareDenyNone);
    Writer.WriteBuffer("first", 5);
    {
        TFileStream Reader(Name, fmOpenRead | fmShareDenyNone);
        Writer.WriteBuffer(" second", 7); // written while the reader holds the file
        char Text[12] = {};
        Reader.ReadBuffer(Text, 12);
        EXPECT_EQ(std::string(Text, 12), "first second");
    }
    try {
        TFileStream Exclusive(Name, fmOpenReadWrite | fmShareExclusive);
        ADD_FAILURE() << "an exclusive open succeeded while another handle writes";
    } catch (const EFOpenError& E) {
        EXPECT_NE(std::string(E.what()).find("Cannot open file '" + Name + "'"), std::string::npos) << E.what();
        EXPECT_EQ(E.GetFileName(), Name);
        EXPECT_EQ(E.GetErrorCode(), static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
    }
    try {
        TFileStream Again(Name, fmCreateNew);
        ADD_FAILURE() << "fmCreateNew replaced an existing file";
    } catch (const EFCreateError& E) {
        EXPECT_TRUE(IsFileExistsError(E.GetErrorCode())) << E.GetErrorCode();
        EXPECT_NE(std::string(E.what()).find("Cannot create file"), std::string::npos);
    }
    try {
        TFileStream Missing(Dir.File("none\\x.txt"), fmOpenRead);
        ADD_FAILURE() << "opened a missing file";
    } catch (const EFOpenError& E) {
        EXPECT_TRUE(IsFileNotFoundError(E.GetErrorCode())) << E.GetErrorCode();
    }
}

TEST(TFileStream, SeeksBeyondFourGigabytesWithoutGrowing)
{
    TTempFolder Dir;
    TFileStream F(Dir.File("big.bin"), fmCreate);
    F.WriteBuffer("abc", 3);
    const int64_t Far = 3LL * 1024 * 1024 * 1024 + 10;
    EXPECT_EQ(F.Seek(Far, soBeginning), Far);
    EXPECT_EQ(F.GetPosition(), Far);
    EXPECT_EQ(F.GetSize(), 3);
    EXPECT_THROW(F.Seek(-1, soBeginning), EStreamError);
    F.SetSize(2);
    EXPECT_EQ(F.GetSize(), 2);
    EXPECT_EQ(F.GetPosition(), 2);
    EXPECT_EQ(FileSize(Dir.File("big.bin")), 2);
}

TEST(Files, FoldersAndExistence)
{
    TTempFolder Dir;
    const std::string Deep = Dir.Path() + "a\\b\\c\\d";
    EXPECT_TRUE(ForceDirectories(Deep));
    EXPECT_TRUE(DirectoryExists(Deep));
    EXPECT_TRUE(ForceDirectories(Deep + "\\")); // already there
    WriteFileText(Dir.File("a\\file.txt"), "x");
    EXPECT_FALSE(ForceDirectories(Dir.File("a\\file.txt\\sub\\more")));
    EXPECT_FALSE(DirectoryExists(Dir.File("a\\file.txt\\sub")));

    EXPECT_FALSE(FileExists(Deep));
    EXPECT_TRUE(EntryExists(Deep));
    EXPECT_TRUE(FileExists(Dir.File("a\\file.txt")));
    EXPECT_FALSE(DirectoryExists(Dir.File("a\\file.txt")));
    EXPECT_TRUE(EntryExists(Dir.File("a\\file.txt")));
    EXPECT_FALSE(EntryExists(Dir.File("a\\nothing")));

    EXPECT_FALSE(CreateDir(Dir.Path() + "x\\y")); // one level only
    EXPECT_TRUE(CreateDir(Dir.Path() + "x"));
    EXPECT_FALSE(RemoveDir(Dir.Path() + "a")); // not empty
    EXPECT_TRUE(RemoveDir(Dir.Path() + "x"));
    EXPECT_FALSE(DirectoryExists(Dir.Path() + "x"));
}

TEST(Files, CopyMoveRenameDelete)
{
    TTempFolder Dir;
    WriteFileText(Dir.File("one.txt"), "one");
    WriteFileText(Dir.File("two.txt"), "two two");
    EXPECT_EQ(FileSize(Dir.File("two.txt")), 7);
    EXPECT_EQ(FileSize(Dir.File("none.txt")), -1);
    EXPECT_EQ(FileSize(Dir.Path()), -1);

    EXPECT_FALSE(CopyFile(Dir.File("one.txt"), Dir.File("two.txt"), true));
    EXPECT_EQ(FileSize(Dir.File("two.txt")), 7);
    EXPECT_TRUE(CopyFile(Dir.File("one.txt"), Dir.File("two.txt"), false));
    EXPECT_EQ(FileSize(Dir.File("two.txt")), 3);

    WriteFileText(Dir.File("three.txt"), "three");
    EXPECT_FALSE(RenameFile(Dir.File("three.txt"), Dir.File("one.txt"))); // target exists
    EXPECT_TRUE(MoveFileReplace(Dir.File("three.txt"), Dir.File("one.txt")));
    EXPECT_EQ(FileSize(Dir.File("one.txt")), 5);
    EXPECT_FALSE(FileExists(Dir.File("three.txt")));
    EXPECT_TRUE(RenameFile(Dir.File("one.txt"), Dir.File("four.txt")));
    EXPECT_TRUE(FileExists(Dir.File("four.txt")));

    const TDateTime Age = FileAge(Dir.File("four.txt"));
    EXPECT_GT(Age, Now() - 1);
    EXPECT_LT(Age, Now() + 1);
    EXPECT_EQ(FileAge(Dir.File("gone.txt")), -1);

    EXPECT_TRUE(DeleteFile(Dir.File("four.txt")));
    EXPECT_FALSE(DeleteFile(Dir.File("four.txt")));
}

// New files made through names looked up as written: never over a file of the same name, also
// for names outside ASCII, and again after their folder was removed and made anew in another
// case (the folder's remembered form no longer exists).
TEST(Files, ExactNamesMakeAndRenameButNeverReplace)
{
    TTempFolder Dir;
    DWORD Error = 0;
    HANDLE F = CreateNewFileExact(Dir.File("a.txt"), Error);
    ASSERT_NE(F, INVALID_HANDLE_VALUE);
    DWORD Written = 0;
    EXPECT_TRUE(WriteFile(F, "abc", 3, &Written, nullptr));
    CloseHandle(F);
    EXPECT_EQ(FileSize(Dir.File("a.txt")), 3);
    EXPECT_EQ(CreateNewFileExact(Dir.File("a.txt"), Error), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsFileExistsError(Error));
    EXPECT_EQ(FileSize(Dir.File("a.txt")), 3);

    WriteFileText(Dir.File("b.txt"), "bb");
    EXPECT_FALSE(RenameFileExact(Dir.File("b.txt"), Dir.File("a.txt")));
    EXPECT_EQ(FileSize(Dir.File("a.txt")), 3);
    EXPECT_TRUE(RenameFileExact(Dir.File("b.txt"), Dir.File("c.txt")));
    EXPECT_FALSE(FileExists(Dir.File("b.txt")));
    EXPECT_EQ(FileSize(Dir.File("c.txt")), 2);

    // A name in the system code page comes back by the ordinary calls.
    const std::string Accented = "caf\xE9 \xC0.txt";
    F = CreateNewFileExact(Dir.File(Accented), Error);
    ASSERT_NE(F, INVALID_HANDLE_VALUE);
    CloseHandle(F);
    TFindData D;
    ASSERT_EQ(FindFirst(Dir.File("caf*"), faAnyFile, D), 0);
    EXPECT_EQ(D.Name, Accented);
    FindClose(D);
    EXPECT_TRUE(RenameFileExact(Dir.File(Accented), Dir.File(Accented + ".old")));
    EXPECT_TRUE(FileExists(Dir.File(Accented + ".old")));

    ASSERT_TRUE(CreateDir(Dir.File("Sub")));
    F = CreateNewFileExact(Dir.File("Sub\\one.txt"), Error);
    ASSERT_NE(F, INVALID_HANDLE_VALUE);
    CloseHandle(F);
    ASSERT_TRUE(DeleteFile(Dir.File("Sub\\one.txt")));
    ASSERT_TRUE(RemoveDir(Dir.File("Sub")));
    ASSERT_TRUE(CreateDir(Dir.File("SUB")));
    for (const char* Name : {"two.txt", "three.txt"}) {
        F = CreateNewFileExact(Dir.File("Sub\\") + Name, Error);
        ASSERT_NE(F, INVALID_HANDLE_VALUE) << Name << " error " << Error;
        CloseHandle(F);
        EXPECT_TRUE(FileExists(Dir.File("SUB\\") + Name));
    }
    EXPECT_TRUE(RenameFileExact(Dir.File("Sub\\two.txt"), Dir.File("Sub\\four.txt")));
    EXPECT_TRUE(FileExists(Dir.File("SUB\\four.txt")));
    // A folder that does not exist makes nothing.
    EXPECT_EQ(CreateNewFileExact(Dir.File("none\\x.txt"), Error), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsFileNotFoundError(Error));
}

// A file still open takes its new name through its handle: the handle keeps writing to it, a
// name already taken (also in the same case only) is never replaced, and the file then keeps
// its old name, open.
TEST(Files, AnOpenFileIsRenamedThroughItsHandleButNeverOverAnotherFile)
{
    TTempFolder Dir;
    DWORD Error = 0;
    HANDLE F = CreateNewFileExact(Dir.File("p.jpg!!wr"), Error);
    ASSERT_NE(F, INVALID_HANDLE_VALUE);
    DWORD Written = 0;
    EXPECT_TRUE(WriteFile(F, "abc", 3, &Written, nullptr));
    WriteFileText(Dir.File("taken.jpg"), "other");
    EXPECT_FALSE(RenameOpenFileExact(F, Dir.File("taken.jpg")));
    EXPECT_EQ(FileSize(Dir.File("taken.jpg")), 5);
    EXPECT_TRUE(FileExists(Dir.File("p.jpg!!wr")));
    // Into a folder that does not exist: refused, nothing moves.
    EXPECT_FALSE(RenameOpenFileExact(F, Dir.File("none\\p.jpg")));
    EXPECT_TRUE(FileExists(Dir.File("p.jpg!!wr")));
    if (RenameOpenFileExact(F, Dir.File("p.jpg"))) {
        EXPECT_FALSE(FileExists(Dir.File("p.jpg!!wr")));
        EXPECT_TRUE(WriteFile(F, "de", 2, &Written, nullptr));
        CloseHandle(F);
        EXPECT_EQ(FileSize(Dir.File("p.jpg")), 5);
    } else {
        // Outside Wine the caller renames by name once the file is closed.
        CloseHandle(F);
        EXPECT_EQ(FileSize(Dir.File("p.jpg!!wr")), 3);
    }
}

TEST(Files, FindFirstSeesHiddenFilesAndFoldersWhenAsked)
{
    TTempFolder Dir;
    WriteFileText(Dir.File("plain.jpg"), "12345");
    WriteFileText(Dir.File("secret.jpg"), "1");
    ASSERT_TRUE(SetFileAttributesA(Dir.File("secret.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CreateDir(Dir.File("sub")));

    auto Names = [&](uint32_t Attr) {
        std::map<std::string, TFindData> Found;
        TFindData F;
        if (FindFirst(Dir.Path() + "*.*", Attr, F) == 0) {
            do
                Found[F.Name] = F;
            while (FindNext(F) == 0);
            FindClose(F);
        }
        return Found;
    };
    auto All = Names(faAnyFile);
    ASSERT_EQ(All.size(), 3u);
    EXPECT_TRUE(All["secret.jpg"].Attr & faHidden);
    EXPECT_TRUE(All["sub"].Attr & faDirectory);
    EXPECT_EQ(All["plain.jpg"].Size, 5);
    EXPECT_FALSE(All["plain.jpg"].Attr & faDirectory);
    EXPECT_GT(All["plain.jpg"].Time, Now() - 1);

    auto Plain = Names(faArchive | faReadOnly);
    ASSERT_EQ(Plain.size(), 1u);
    EXPECT_EQ(Plain.begin()->first, "plain.jpg");

    TFindData None;
    EXPECT_NE(FindFirst(Dir.Path() + "*.png", faAnyFile, None), 0);
    EXPECT_EQ(None.FindHandle, INVALID_HANDLE_VALUE);
}

TEST(Files, KnownFolders)
{
    const std::string Personal = SpecialFolderPath(5, true);
    ASSERT_FALSE(Personal.empty());
    EXPECT_EQ(Personal.back(), '\\');
    EXPECT_TRUE(DirectoryExists(Personal));
    EXPECT_TRUE(DirectoryExists(WindowsFolder()));
    EXPECT_TRUE(DirectoryExists(SystemFolder()));
    EXPECT_TRUE(FileExists(ProgramFileName()));
    EXPECT_EQ(ProgramFolder(), ExtractFilePath(ProgramFileName()));
    const std::string Temp = GetTempPath();
    EXPECT_EQ(Temp.back(), '\\');
    EXPECT_TRUE(DirectoryExists(Temp));
    EXPECT_EQ(ExpandFileName(Temp + "x\\..\\y.txt"), Temp + "y.txt");
}

TEST(NewGuidText, TenThousandUniqueBracedUpperCaseTexts)
{
    const std::regex Shape("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$");
    std::set<std::string> Seen;
    for (int I = 0; I < 10000; ++I) {
        const std::string G = NewGuidText();
        ASSERT_TRUE(std::regex_match(G, Shape)) << G;
        Seen.insert(G);
    }
    EXPECT_EQ(Seen.size(), 10000u);
}
