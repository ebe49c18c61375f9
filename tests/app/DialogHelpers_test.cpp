// The parts of the task and schedule dialogs that only compute: the task name made from an
// address, the address normalisation, the extension check, the schedule type of a choice, the
// date and time texts read back, and the folder chain.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "app/AddFileMaskForm.h"
#include "app/OptionPages.h"
#include "app/SchemeForm.h"
#include "app/TaskForm.h"
#include "platform/rtl/DateUtils.h"
#include "platform/win/Files.h"
#include "tests/support/TestSupport.h"

namespace {

// Runs the body with the current folder set to Folder.
class TCurrentFolder {
public:
    explicit TCurrentFolder(const std::string& Folder)
    {
        char Buf[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof(Buf), Buf);
        FOld = Buf;
        SetCurrentDirectoryA(Folder.c_str());
    }
    TCurrentFolder(const TCurrentFolder&) = delete;
    TCurrentFolder& operator=(const TCurrentFolder&) = delete;
    ~TCurrentFolder() { SetCurrentDirectoryA(FOld.c_str()); }

private:
    std::string FOld;
};

void Touch(const std::string& Path)
{
    HANDLE H = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE) << Path;
    CloseHandle(H);
}

} // namespace

TEST(UrlToTaskName, DropsSeparatorsAndKeepsTheRest)
{
    TestSupport::TTempFolder Temp;
    TCurrentFolder Here(Temp.Path());
    EXPECT_EQ(TTaskForm::UrlToTaskName("http://www.a.b.com/p/q.htm?x=1"), "httpwwwabcompqhtmx=1");
    EXPECT_EQ(TTaskForm::UrlToTaskName("a\\b*c:d"), "abcd");
    // Blanks, capitals, "=" and "&" are not dropped.
    EXPECT_EQ(TTaskForm::UrlToTaskName("HTTP://X.com/a b&c"), "HTTPXcoma b&c");
    EXPECT_EQ(TTaskForm::UrlToTaskName(""), "");
    EXPECT_EQ(TTaskForm::UrlToTaskName("./:?*\\"), "");
}

TEST(UrlToTaskName, ANameTakenInTheCurrentFolderIsDecorated)
{
    TestSupport::TTempFolder Temp;
    TCurrentFolder Here(Temp.Path());
    Touch(Temp.File("httpxcom"));
    EXPECT_EQ(TTaskForm::UrlToTaskName("http://x.com"), "httpxcom[0]");
    Touch(Temp.File("httpxcom[0]"));
    EXPECT_EQ(TTaskForm::UrlToTaskName("http://x.com"), "httpxcom[1]");
}

TEST(NormalizedUrl, AddsTheSchemeOnlyWhenNoHttpIsAnywhere)
{
    EXPECT_EQ(TTaskForm::NormalizedUrl("www.x.com"), "http://www.x.com");
    EXPECT_EQ(TTaskForm::NormalizedUrl("a http://b"), "a http://b");
    EXPECT_EQ(TTaskForm::NormalizedUrl("HTTP://X"), "HTTP://X");
    EXPECT_EQ(TTaskForm::NormalizedUrl("hTtP://x/y"), "hTtP://x/y");
    // "https://" holds no "http://": it is not recognised and gets the prefix, as stored tasks expect.
    EXPECT_EQ(TTaskForm::NormalizedUrl("ftp://x"), "http://ftp://x");
    EXPECT_EQ(TTaskForm::NormalizedUrl(""), "http://");
}

TEST(CleanMaskExtension, DropsOneLeadingDotAndRefusesUnusableExtensions)
{
    std::string E;
    EXPECT_TRUE(CleanMaskExtension("png", E));
    EXPECT_EQ(E, "png");
    EXPECT_TRUE(CleanMaskExtension(".jpg", E));
    EXPECT_EQ(E, "jpg");
    EXPECT_TRUE(CleanMaskExtension("  .tif ", E));
    EXPECT_EQ(E, "tif");
    EXPECT_FALSE(CleanMaskExtension("", E));
    EXPECT_FALSE(CleanMaskExtension(".", E));
    EXPECT_FALSE(CleanMaskExtension("   ", E));
    EXPECT_FALSE(CleanMaskExtension("a,b", E));
    EXPECT_FALSE(CleanMaskExtension(".,", E));
    // Only one dot goes: "..gif" keeps the second.
    EXPECT_TRUE(CleanMaskExtension("..gif", E));
    EXPECT_EQ(E, ".gif");
}

TEST(SchemeTypeOfText, TheFiveChoicesAndNothingElse)
{
    EXPECT_EQ(OptionPages::SchemeTypeOfText("None"), 0);
    EXPECT_EQ(OptionPages::SchemeTypeOfText("Every"), 1);
    EXPECT_EQ(OptionPages::SchemeTypeOfText("Daily"), 2);
    EXPECT_EQ(OptionPages::SchemeTypeOfText("Weekly"), 3);
    EXPECT_EQ(OptionPages::SchemeTypeOfText("Monthly"), 4);
    EXPECT_EQ(OptionPages::SchemeTypeOfText("weekly"), -1);
    EXPECT_EQ(OptionPages::SchemeTypeOfText(""), -1);
}

TEST(ScheduleTexts, DatesAndTimesReadBackWhatTheyShow)
{
    const TDateTime D = EncodeDate(2027, 3, 9);
    const TDateTime T = EncodeTime(17, 5, 42, 0);
    TDateTime Back = 0;
    ASSERT_TRUE(ParseDateText(ShortDateText(D), Back)) << ShortDateText(D);
    EXPECT_EQ(Back, D);
    ASSERT_TRUE(ParseTimeText(LongTimeText(T), Back)) << LongTimeText(T);
    EXPECT_NEAR(Back, T, 1e-9);
    // The short form drops the seconds and is read back too.
    ASSERT_TRUE(ParseTimeText(ShortTimeText(T), Back)) << ShortTimeText(T);
    EXPECT_NEAR(Back, EncodeTime(17, 5, 0, 0), 1e-9);
    // What the system writes is what the dialog writes.
    SYSTEMTIME S{};
    S.wYear = 2027;
    S.wMonth = 3;
    S.wDay = 9;
    S.wHour = 17;
    S.wMinute = 5;
    S.wSecond = 42;
    char Buf[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &S, nullptr, Buf, sizeof(Buf));
    EXPECT_EQ(ShortDateText(D), Buf);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &S, nullptr, Buf, sizeof(Buf));
    EXPECT_EQ(LongTimeText(T), Buf);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &S, nullptr, Buf, sizeof(Buf));
    EXPECT_EQ(ShortTimeText(T), Buf);

    for (const char* Bad : {"", "xx", "13/45/2020", "1/2/3/4"}) {
        EXPECT_FALSE(ParseDateText(Bad, Back)) << Bad;
    }
    for (const char* Bad : {"", "xx", "25:00", "12:61"}) {
        EXPECT_FALSE(ParseTimeText(Bad, Back)) << Bad;
    }
}

TEST(MakeFolderChain, CreatesParentsAndRefusesWhatCannotExist)
{
    TestSupport::TTempFolder Temp;
    const std::string Deep = Temp.Path() + "a\\b\\c\\";
    EXPECT_TRUE(OptionPages::MakeFolderChain(Deep));
    EXPECT_TRUE(DirectoryExists(Temp.Path() + "a\\b\\c"));
    EXPECT_TRUE(OptionPages::MakeFolderChain(Deep)); // already there
    Touch(Temp.File("plain"));
    EXPECT_FALSE(OptionPages::MakeFolderChain(Temp.Path() + "plain\\below\\"));
    EXPECT_FALSE(DirectoryExists(Temp.Path() + "plain\\below"));
    EXPECT_FALSE(OptionPages::MakeFolderChain(""));
    EXPECT_FALSE(OptionPages::MakeFolderChain("   "));
    EXPECT_FALSE(OptionPages::MakeFolderChain(Temp.Path() + "bad<name>\\"));
}
