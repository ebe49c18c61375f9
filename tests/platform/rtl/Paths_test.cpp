#include "platform/rtl/Paths.h"

#include <gtest/gtest.h>

TEST(Paths, AcceptanceNames)
{
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\c.d.jpg"), ".jpg");
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\c"), "");
    EXPECT_EQ(ExtractFileName("C:\\a\\b.jpg"), "b.jpg");
    EXPECT_EQ(ExtractFilePath("C:\\a\\b.jpg"), "C:\\a\\");
}

TEST(Paths, SeparatorsAndDrives)
{
    EXPECT_EQ(ExtractFileName("C:b.jpg"), "b.jpg");
    EXPECT_EQ(ExtractFileName("a/b\\c"), "c");
    EXPECT_EQ(ExtractFilePath("a/b/c.txt"), "a/b/");
    EXPECT_EQ(ExtractFilePath("name"), "");
    EXPECT_EQ(ExtractFileExt("dir.x/name"), "");
    EXPECT_EQ(ExtractFileExt("C:.hidden"), ".hidden");
    EXPECT_EQ(ExtractFileExt("a.tar."), ".");
    EXPECT_EQ(ExtractFileDir("C:\\a\\b.jpg"), "C:\\a");
    EXPECT_EQ(ExtractFileDir("C:\\b.jpg"), "C:\\"); // the root keeps its separator
    EXPECT_EQ(ExtractFileDir("\\b.jpg"), "\\");
    EXPECT_EQ(ExtractFileDir("b.jpg"), "");
    EXPECT_EQ(ExtractFileDrive("C:\\x"), "C:");
    EXPECT_EQ(ExtractFileDrive("\\\\srv\\share\\x\\y"), "\\\\srv\\share");
    EXPECT_EQ(ExtractFileDrive("x\\y"), "");
}

TEST(Paths, ChangeAndTrailingSeparators)
{
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\c", ".png"), "C:\\a.b\\c.png"); // no dot in the name: appended
    EXPECT_EQ(ChangeFileExt("c.d.jpg", ".png"), "c.d.png");
    EXPECT_EQ(ChangeFileExt("c.jpg", ""), "c");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash("a/"), "a/");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\a"), "C:\\a");
    EXPECT_EQ(ExcludeTrailingBackslash(""), "");
    EXPECT_TRUE(IsPathDelimiter("a\\b", 2));
    EXPECT_FALSE(IsPathDelimiter("a\\b", 4));
}

TEST(Paths, JoinPathPutsOneBackslashBetweenFolderAndName)
{
    EXPECT_EQ(JoinPath("C:\\a", "b.wrp"), "C:\\a\\b.wrp");
    EXPECT_EQ(JoinPath("C:\\a\\", "b.wrp"), "C:\\a\\b.wrp");
    EXPECT_EQ(JoinPath("C:\\a\\\\", "\\/b.wrp"), "C:\\a\\b.wrp");
    EXPECT_EQ(JoinPath("", "\\b.wrp"), "b.wrp");
    EXPECT_EQ(JoinPath("C:\\", "*.*"), "C:\\*.*");
}
