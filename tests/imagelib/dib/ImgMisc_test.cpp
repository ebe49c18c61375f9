#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <windows.h>

#include "imagelib/ImgMisc.h"
#include "platform/rtl/DateUtils.h"
#include "platform/win/Files.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(ImgMisc, UnusedFileNameSkipsTakenNames)
{
    TestSupport::TTempFolder Folder;
    HANDLE H = CreateFileA(Folder.File("En0.tif").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    CloseHandle(H);
    const std::string Name =
        UnusedFileName(Folder.Path(), "En", "tif", [](const std::string& F) { return FileExists(F); });
    EXPECT_EQ(Name, Folder.File("En1.tif"));
    EXPECT_FALSE(FileExists(Name)); // named, not created
    EXPECT_EQ(UnusedFileName(Folder.Path(), "En", ".png", [](const std::string& F) { return FileExists(F); }),
              Folder.File("En0.png"));
}

TEST(ImgMisc, CreateTempFileUsesTheTempFolder)
{
    // Point TEMP and TMP at a private folder holding En0.tif.
    TestSupport::TTempFolder Folder;
    char OldTemp[MAX_PATH] = {}, OldTmp[MAX_PATH] = {};
    GetEnvironmentVariableA("TEMP", OldTemp, MAX_PATH);
    GetEnvironmentVariableA("TMP", OldTmp, MAX_PATH);
    SetEnvironmentVariableA("TEMP", Folder.Path().c_str());
    SetEnvironmentVariableA("TMP", Folder.Path().c_str());
    HANDLE H = CreateFileA(Folder.File("En0.tif").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    CloseHandle(H);
    std::string Name;
    CreateTempFile("En", "tif", Name);
    SetEnvironmentVariableA("TEMP", OldTemp);
    SetEnvironmentVariableA("TMP", OldTmp);
    EXPECT_EQ(LowerCase(Name), LowerCase(Folder.File("En1.tif")));
    EXPECT_FALSE(FileExists(Name));
}

TEST(ImgMisc, AddBackslash)
{
    EXPECT_EQ(AddBackslash(""), "\\");
    EXPECT_EQ(AddBackslash("C:"), "C:");
    EXPECT_EQ(AddBackslash("abc"), "abc\\");
    EXPECT_EQ(AddBackslash("abc\\"), "abc\\");
}

TEST(ImgMisc, Numbers)
{
    EXPECT_EQ(Ceil(2.0), 2);
    EXPECT_EQ(Ceil(2.1), 3);
    EXPECT_EQ(Ceil(-2.1), -2);
    EXPECT_EQ(Floor(-2.1), -3);
    EXPECT_EQ(Floor(2.9), 2);
    EXPECT_EQ(SafeTrunc(-2.7), -2);
    EXPECT_EQ(SafeTrunc(-9223372036854775808.0), INT64_MIN);
    for (double Bad : {1e30, -1e30, 9223372036854775808.0, std::numeric_limits<double>::quiet_NaN()}) {
        try {
            SafeTrunc(Bad);
            ADD_FAILURE() << Bad;
        } catch (const Exception& E) {
            EXPECT_EQ(E.Message(), "ImgMisc unit: Error in SafeTrunc.");
        }
    }
    EXPECT_DOUBLE_EQ(RoundToDigits(3, 1.23456), 1.235);
    EXPECT_DOUBLE_EQ(RoundToDigits(0, 2.6), 3.0);
    EXPECT_EQ(Clamp(5, 0, 3), 3);
    EXPECT_EQ(Clamp(-5, 0, 3), 0);
    EXPECT_EQ(Clamp(2, 0, 3), 2);
    int32_t A = 1, B = 2;
    SwapInt(A, B);
    EXPECT_EQ(A, 2);
    EXPECT_EQ(B, 1);
    EXPECT_TRUE(HasFlags(0x7, 0x5));
    EXPECT_FALSE(HasFlags(0x3, 0x5));
    try {
        RaiseLzwNotSupported();
    } catch (const EDidodazaError& E) {
        EXPECT_EQ(E.Message(), "LZW compression not supported");
    }
}

TEST(ImgMisc, ExceptionFamily)
{
    try {
        throw ETgaError("t");
    } catch (const EDidodazaError& E) {
        EXPECT_EQ(E.ClassName(), "ETgaError");
    }
    for (auto Raise : {+[] { throw ETiffError("x"); }, +[] { throw EJpegError("x"); }, +[] { throw EPNGError("x"); },
                       +[] { throw EBmcError("x"); }, +[] { throw EDcxError("x"); }}) {
        bool Caught = false;
        try {
            Raise();
        } catch (const EDidodazaError&) {
            Caught = true;
        }
        EXPECT_TRUE(Caught);
    }
}

TEST(ImgMisc, DatePatternsWhileOtherThreadsFormat)
{
    const TDateTime Leap = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0);
    EXPECT_EQ(DateToTextWithPattern("yyyy:mm:dd", Leap), "2024:02:29");
    EXPECT_EQ(TimeToTextWithPattern("hh:nn:ss", Leap), "13:05:09");
    std::atomic<bool> Stop{false};
    std::atomic<int> Wrong{0};
    std::vector<std::thread> Threads;
    for (int T = 0; T < 8; ++T)
        Threads.emplace_back([&, T] {
            const std::string Pattern = T % 2 ? "dd/mm/yy" : "mmmm d";
            const std::string Expected = DateToTextWithPattern(Pattern, Leap);
            while (!Stop)
                if (DateToTextWithPattern(Pattern, Leap) != Expected)
                    ++Wrong;
        });
    int Bad = 0;
    for (int I = 0; I < 2000; ++I)
        if (DateToTextWithPattern("yyyy:mm:dd", Leap) != "2024:02:29")
            ++Bad;
    Stop = true;
    for (auto& T : Threads)
        T.join();
    EXPECT_EQ(Bad, 0);
    EXPECT_EQ(Wrong, 0);
}

} // namespace
