// The test seams: the log switch read at each call, whole lines from several threads, and the
// import base.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/win/Files.h"
#include "platform/win/TestSeams.h"
#include "tests/platform/win/TestThread.h"
#include "tests/support/TestSupport.h"

namespace {

class TEnvironment {
public:
    TEnvironment(const char* Name, const std::string& Value) : FName(Name)
    {
        SetEnvironmentVariableA(Name, Value.c_str());
    }
    ~TEnvironment() { SetEnvironmentVariableA(FName, nullptr); }

private:
    const char* FName;
};

std::string ReadAll(const std::string& Name)
{
    TMemoryStream M;
    M.LoadFromFile(Name);
    return std::string(static_cast<const char*>(M.Memory()), static_cast<size_t>(M.GetSize()));
}

} // namespace

TEST(TestSeams, LogLinesFromThreeThreadsStayWhole)
{
    TestSupport::TTempFolder Dir;
    const std::string Log = Dir.File("seams.log");
    {
        TEnvironment Env("QUILLMOOR_TEST_LOG", Log);
        EXPECT_TRUE(TestSeams::Active());
        std::vector<std::unique_ptr<TTestThread>> Threads;
        Threads.push_back(std::make_unique<TTestThread>(
            [](TTestThread&) { EXPECT_TRUE(TestSeams::Log("shutdown", 5u)); }));
        Threads.push_back(std::make_unique<TTestThread>([](TTestThread&) {
            EXPECT_TRUE(TestSeams::Log("shell", "open", "C:\\pics\\index.html", "", 1));
        }));
        Threads.push_back(std::make_unique<TTestThread>([](TTestThread&) {
            EXPECT_TRUE(TestSeams::Log("help", std::string("C:\\q\\zq.chm"), 15, -1));
        }));
        for (auto& T : Threads)
            T->Resume();
        for (auto& T : Threads)
            T->WaitFor();
    }
    const std::string Text = ReadAll(Log);
    TStringList Lines;
    Lines.SetText(Text);
    ASSERT_EQ(Lines.GetCount(), 3) << Text;
    EXPECT_EQ(Text.size(), Lines.GetText().size()); // every line ends with CR LF
    Lines.SetSorted(true);
    EXPECT_EQ(Lines.GetStrings(0), "help\tC:\\q\\zq.chm\t15\t-1");
    EXPECT_EQ(Lines.GetStrings(1), "shell\topen\tC:\\pics\\index.html\t\t1");
    EXPECT_EQ(Lines.GetStrings(2), "shutdown\t5");
}

TEST(TestSeams, UnsetMeansInactiveAndNothingWritten)
{
    TestSupport::TTempFolder Dir;
    {
        TEnvironment Env("QUILLMOOR_TEST_LOG", Dir.File("on.log"));
        EXPECT_TRUE(TestSeams::Log("shutdown", 1));
    }
    EXPECT_FALSE(TestSeams::Active()); // read again at this call
    EXPECT_FALSE(TestSeams::Log("shutdown", 2));
    EXPECT_EQ(ReadAll(Dir.File("on.log")), "shutdown\t1\r\n");
    TFindData F;
    int Files = 0;
    if (FindFirst(Dir.Path() + "*", faAnyFile, F) == 0) {
        do
            ++Files;
        while (FindNext(F) == 0);
        FindClose(F);
    }
    EXPECT_EQ(Files, 1);
}

TEST(TestSeams, FieldsCannotBreakTheLine)
{
    TestSupport::TTempFolder Dir;
    TEnvironment Env("QUILLMOOR_TEST_LOG", Dir.File("x.log"));
    EXPECT_TRUE(TestSeams::Log("shell", "open", "a\tb\r\nc", "", 0));
    EXPECT_EQ(ReadAll(Dir.File("x.log")), "shell\topen\ta b  c\t\t0\r\n");
}

TEST(TestSeams, ImportBaseIsTheVariablesText)
{
    EXPECT_EQ(TestSeams::ImportBase(), "");
    TEnvironment Env("QUILLMOOR_IMPORT_BASE", "http://127.0.0.1:8765/base/");
    EXPECT_EQ(TestSeams::ImportBase(), "http://127.0.0.1:8765/base/");
}
