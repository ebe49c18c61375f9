// The engine routines that only compute; built for Windows and natively.
#include "engine/EngineText.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

std::pair<std::string, std::string> Split(std::string_view Entry)
{
    std::string A = "stale", B = "stale";
    SplitMaskEntry(Entry, A, B);
    return {A, B};
}

bool HasUnsafeCharacter(const std::string& S)
{
    for (char C : S) {
        const auto B = static_cast<unsigned char>(C);
        if (B < 32 || B == 127 || std::string_view("\\/:*?\"<>|").find(C) != std::string_view::npos)
            return true;
    }
    return false;
}

// The mask of partial downloads; split so it is no trigraph.
constexpr const char* PartialMask = "*.??" "?!*";

} // namespace

TEST(EngineText, AddTrailingBackslash)
{
    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(AddTrailingBackslash("a/"), "a/\\"); // only a backslash counts
}

TEST(EngineText, SplitMaskEntry)
{
    EXPECT_EQ(Split("png, Saved"), std::make_pair(std::string("png"), std::string("Saved")));
    EXPECT_EQ(Split("png"), std::make_pair(std::string(), std::string())); // outputs are cleared
    EXPECT_EQ(Split(" a , b , c "), std::make_pair(std::string("a"), std::string("b , c")));
    EXPECT_EQ(Split(","), std::make_pair(std::string(), std::string()));
    EXPECT_EQ(Split("\tjpg,\tMy Pictures\t"), std::make_pair(std::string("jpg"), std::string("My Pictures")));
}

TEST(EngineText, DomainTail)
{
    EXPECT_EQ(DomainTail("localhost"), "");
    EXPECT_EQ(DomainTail("a.b.c"), "b.c");
    EXPECT_EQ(DomainTail("a."), "");
    EXPECT_EQ(DomainTail("127.0.0.1"), "0.0.1");
    EXPECT_EQ(DomainTail("www.site.example"), "site.example");
    EXPECT_EQ(DomainTail(""), "");
}

TEST(EngineText, HostOfURL)
{
    EXPECT_EQ(HostOfURL("WWW.Site.TEST/x.jpg"), "www.site.test");
    EXPECT_EQ(HostOfURL("http://a.b:8080/x"), "a.b");
    EXPECT_EQ(HostOfURL("HTTP://User:Pw@Host.Example/dir/p.html?q=1#top"), "host.example");
    EXPECT_EQ(HostOfURL(""), "");
}

TEST(EngineText, URLHasHost)
{
    EXPECT_TRUE(URLHasHost("http://h/x"));
    EXPECT_FALSE(URLHasHost(""));
    EXPECT_FALSE(URLHasHost("images/x.jpg")); // relative: parsed as written, no host
    EXPECT_FALSE(URLHasHost("http:///x"));
}

TEST(EngineText, ValidTaskNameAcceptsPlainNames)
{
    EXPECT_TRUE(ValidTaskName("My task (2)-!"));
    EXPECT_TRUE(ValidTaskName(""));
    EXPECT_TRUE(ValidTaskName("   "));
    EXPECT_TRUE(ValidTaskName("0123456789 _-()!~[]{}=`"));
    EXPECT_TRUE(ValidTaskName("CONSOLE"));
    EXPECT_TRUE(ValidTaskName("COM10"));
    EXPECT_TRUE(ValidTaskName("LPT"));
    EXPECT_TRUE(ValidTaskName("Caf\xe9"));  // 8-bit letters of the code page
}

TEST(EngineText, ValidTaskNameRefusesEachForbiddenCharacter)
{
    const std::string Forbidden = "\"#$%&'*+,./:;<>?@\\^|";
    ASSERT_EQ(Forbidden.size(), 20u);
    for (char C : Forbidden) {
        EXPECT_FALSE(ValidTaskName(std::string(1, C))) << C;
        EXPECT_FALSE(ValidTaskName("task " + std::string(1, C) + " name")) << C;
    }
}

TEST(EngineText, ValidTaskNameRefusesControlsAndDevices)
{
    EXPECT_FALSE(ValidTaskName("a\tb"));
    EXPECT_FALSE(ValidTaskName(std::string("a\0b", 3)));
    EXPECT_FALSE(ValidTaskName("a\x7f"));
    EXPECT_FALSE(ValidTaskName("a\x1f"));
    for (const char* D : {"CON", "nul", "Com1", "LPT9", "prn", "aUx", "com9", "lpt1", " con ", "COM0", "LPT\xb9"})
        EXPECT_FALSE(ValidTaskName(D)) << D;
}

TEST(EngineText, SafePathPartAcceptanceCases)
{
    EXPECT_EQ(SafePathPart("..\\..\\evil.jpg"), ".._.._evil.jpg");
    EXPECT_EQ(SafePathPart("a:b.jpg"), "a_b.jpg");
    EXPECT_EQ(SafePathPart("con.jpg"), "_con.jpg");
    EXPECT_EQ(SafePathPart("NUL"), "_NUL");
    EXPECT_EQ(SafePathPart("lpt9.tar.gz"), "_lpt9.tar.gz");
    EXPECT_EQ(SafePathPart("x.jpg. . "), "x.jpg");
    EXPECT_EQ(SafePathPart("."), "_");
    EXPECT_EQ(SafePathPart(".."), "_");
    EXPECT_EQ(SafePathPart(""), "_");
    EXPECT_EQ(SafePathPart("a\x01" "b.jpg"), "a_b.jpg");
    EXPECT_EQ(SafePathPart("Summer (2) - beach!.jpg"), "Summer (2) - beach!.jpg");
}

TEST(EngineText, SafePathPartReplacesEverySeparatorAndWildcard)
{
    EXPECT_EQ(SafePathPart("a/b\\c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(SafePathPart("../x"), ".._x");
    EXPECT_EQ(SafePathPart("\\\\server\\share"), "__server_share");
    EXPECT_EQ(SafePathPart("tab\there"), "tab_here");
    EXPECT_EQ(SafePathPart("del\x7f"), "del_");
    EXPECT_EQ(SafePathPart(" . . "), "_");
    EXPECT_EQ(SafePathPart(" con .jpg"), "_ con .jpg");
    EXPECT_EQ(SafePathPart("CONOUT$"), "_CONOUT$");
    EXPECT_EQ(SafePathPart("console.jpg"), "console.jpg");
    EXPECT_EQ(SafePathPart(".hidden"), ".hidden");
}

TEST(EngineText, SafePathPartCutsLongNamesKeepingTheExtension)
{
    const std::string Long = std::string(295, 'n') + ".jpeg";
    ASSERT_EQ(Long.size(), 300u);
    const std::string R = SafePathPart(Long);
    EXPECT_EQ(R.size(), kMaxSafePathPart);
    EXPECT_EQ(R.substr(R.size() - 5), ".jpeg");
    EXPECT_EQ(R.substr(0, 195), std::string(195, 'n'));

    // An "extension" too long to be one is cut with the rest.
    const std::string NoExt = std::string(100, 'a') + "." + std::string(199, 'b');
    const std::string R2 = SafePathPart(NoExt);
    EXPECT_EQ(R2, NoExt.substr(0, 200));

    // Exactly 200 stays.
    const std::string Exact(200, 'z');
    EXPECT_EQ(SafePathPart(Exact), Exact);
}

TEST(EngineText, SafePathPartChecksAgainAfterCutting)
{
    // The cut leaves "con" and blanks: the blanks go, and the device name is caught.
    const std::string Hidden = "con" + std::string(250, ' ') + "x";
    EXPECT_EQ(SafePathPart(Hidden), "_con");
    // The cut leaves only dots (the tail is too long to count as an extension).
    const std::string Dots = std::string(250, '.') + std::string(20, 'x');
    EXPECT_EQ(SafePathPart(Dots), "_");
    // A short tail is kept as the extension.
    EXPECT_EQ(SafePathPart(std::string(250, '.') + "x"), std::string(198, '.') + ".x");
    // A device name with a long extension: prefixed, then cut back to the limit.
    const std::string Dev = "aux." + std::string(300, 'e');
    const std::string R = SafePathPart(Dev);
    EXPECT_LE(R.size(), kMaxSafePathPart);
    EXPECT_EQ(R.substr(0, 5), "_aux.");
}

TEST(EngineText, SafePathPartResultsAreAlwaysSafe)
{
    // Every single byte, and pairs of interesting bytes, give a usable part.
    for (int B = 0; B < 256; ++B) {
        const std::string In(1, static_cast<char>(B));
        const std::string R = SafePathPart(In);
        EXPECT_FALSE(R.empty());
        EXPECT_FALSE(HasUnsafeCharacter(R)) << B;
        EXPECT_NE(R.back(), '.');
        EXPECT_NE(R.back(), ' ');
        EXPECT_EQ(SafePathPart(R), R) << B; // safe parts come out unchanged
    }
    const std::string Pieces[] = {"con", ".", " ", "\\", "x", "jpg", "..", "\x01", "nul", ":"};
    for (const auto& A : Pieces)
        for (const auto& B : Pieces)
            for (const auto& C : Pieces) {
                const std::string R = SafePathPart(A + B + C);
                EXPECT_FALSE(HasUnsafeCharacter(R)) << A + B + C;
                EXPECT_NE(R, ".");
                EXPECT_NE(R, "..");
                EXPECT_FALSE(IsDeviceName(Trim(R.substr(0, R.find('.'))))) << R;
                EXPECT_EQ(SafePathPart(R), R) << R;
            }
}

TEST(EngineText, MatchesMask)
{
    EXPECT_TRUE(MatchesMask("x.jpg!!wr", PartialMask));
    EXPECT_TRUE(MatchesMask("X.JPG!!WR", PartialMask));
    EXPECT_FALSE(MatchesMask("x.jpeg!!wr", PartialMask)); // three characters exactly
    EXPECT_FALSE(MatchesMask("x.jpg", PartialMask));
    EXPECT_TRUE(MatchesMask("a.b.c", "*"));
    EXPECT_TRUE(MatchesMask("", "*"));
    EXPECT_FALSE(MatchesMask("", "?"));
    EXPECT_TRUE(MatchesMask("abcabd", "*abd"));
    EXPECT_FALSE(MatchesMask("abcab", "*abd"));
    EXPECT_TRUE(MatchesMask("Photo.JPG", "*.jpg"));
    EXPECT_FALSE(MatchesMask("photo.jpgx", "*.jpg"));
}

TEST(EngineText, WindowsVersionCode)
{
    EXPECT_EQ(WindowsVersionCode(1, 4, 0), 1);
    EXPECT_EQ(WindowsVersionCode(1, 4, 10), 2);
    EXPECT_EQ(WindowsVersionCode(1, 5, 0), 2);
    EXPECT_EQ(WindowsVersionCode(2, 4, 0), 3);
    EXPECT_EQ(WindowsVersionCode(2, 3, 51), 3);
    EXPECT_EQ(WindowsVersionCode(2, 5, 0), 4);
    EXPECT_EQ(WindowsVersionCode(2, 5, 1), 5);
    EXPECT_EQ(WindowsVersionCode(2, 5, 2), 0);
    EXPECT_EQ(WindowsVersionCode(2, 6, 1), 0);
    EXPECT_EQ(WindowsVersionCode(2, 10, 0), 0);
}

TEST(EngineText, UnitTexts)
{
    EXPECT_EQ(UnitText(1), "Hour(s)");
    EXPECT_EQ(UnitText(2), "Day(s)");
    EXPECT_EQ(UnitText(3), "Week(s)");
    EXPECT_EQ(UnitText(4), "month(s)");
    EXPECT_EQ(UnitText(0), "");
    EXPECT_EQ(UnitText(5), "");
    EXPECT_EQ(UnitText(-1), "");
    EXPECT_EQ(UnitForChoice("Every"), "Hour(s)");
    EXPECT_EQ(UnitForChoice("Daily"), "Day(s)");
    EXPECT_EQ(UnitForChoice("Weekly"), "Week(s)");
    EXPECT_EQ(UnitForChoice("Monthly"), "month(s)");
    EXPECT_EQ(UnitForChoice("daily"), "");
    EXPECT_EQ(UnitForChoice("Daily "), "");
    EXPECT_EQ(UnitForChoice(""), "");
}

TEST(EngineText, SchemeDescription)
{
    TLocaleFormats Us; // the built-in formats: m/d/yyyy and h:nn:ss ampm
    const TDateTime D = EncodeDate(2024, 3, 5);
    const TDateTime T = EncodeTime(13, 45, 30, 250);
    EXPECT_EQ(SchemeDescription(2, 3, D, T, Us), "All project will start every 3 Day(s), From 3/5/2024, 1:45:30 PM");

    TLocaleFormats De;
    De.ShortDateFormat = "dd/mm/yyyy";
    De.DateSeparator = '.';
    De.LongTimeFormat = "hh:nn:ss";
    EXPECT_EQ(SchemeDescription(1, 12, D + 0.5, T, De),
              "All project will start every 12 Hour(s), From 05.03.2024, 13:45:30");

    EXPECT_EQ(SchemeDescription(0, 3, D, T, Us), "");
    EXPECT_EQ(SchemeDescription(2, 3, 1e300, T, Us), "");
    EXPECT_EQ(SchemeDescription(2, 3, D, std::numeric_limits<double>::quiet_NaN(), Us), "");
    EXPECT_EQ(SchemeDescription(4, 1, 0, 0, Us), "All project will start every 1 month(s), From 12/30/1899, 12:00:00 AM");
}
