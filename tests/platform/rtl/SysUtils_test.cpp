#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// The message of the EConvertError that F raises; fails the test when none is raised.
template <class F>
std::string ConvertErrorText(F&& Fn)
{
    try {
        Fn();
    } catch (const EConvertError& E) {
        return E.Message();
    }
    ADD_FAILURE() << "no EConvertError";
    return {};
}

} // namespace

TEST(Exceptions, ClassNamesAndHierarchy)
{
    EXPECT_EQ(EConvertError("x").ClassName(), "EConvertError");
    EXPECT_EQ(EStringListError("x").ClassName(), "EStringListError");
    EXPECT_EQ(EFOpenError("m", "f", 2).ClassName(), "EFOpenError");
    EXPECT_STREQ(EReadError("short").what(), "short");

    // Callers catch by the base classes.
    try {
        throw EFCreateError("Cannot create file 'f': exists", "f", 17);
    } catch (const EStreamError& E) {
        const auto* F = dynamic_cast<const EFileStreamError*>(&E);
        ASSERT_NE(F, nullptr);
        EXPECT_EQ(F->GetErrorCode(), 17u);
        EXPECT_EQ(F->GetFileName(), "f");
    }
    EXPECT_EQ(EOSError("Access denied", 5).GetErrorCode(), 5u);
    EXPECT_EQ(EInOutError("Disk full", 112).GetErrorCode(), 112);
}

TEST(Format, AcceptanceLine)
{
    EXPECT_EQ(Format("%s|%5d|%-3s|%.2f|%x", "a", 42, "b", 3.14159, 255), "a|   42|b  |3.14|ff");
    EXPECT_THROW(Format("%d", "x"), EConvertError);
    EXPECT_EQ(ConvertErrorText([] { Format("%d", "x"); }), "Format '%d' does not match its arguments");
}

TEST(Format, IntegerForms)
{
    EXPECT_EQ(Format("%.3d|%5.3d|%-5d|", 7, -7, -7), "007| -007|-7   |");
    EXPECT_EQ(Format("%05d|%03d", -42, 7), "-0042|007");
    EXPECT_EQ(Format("%X|%.4x", 48879u, 10), "BEEF|000a");
    EXPECT_EQ(Format("%d|%d", std::numeric_limits<int64_t>::min(), std::numeric_limits<uint64_t>::max()),
              "-9223372036854775808|18446744073709551615");
    // Negative values in %u and %x are the two's complement of their own width.
    EXPECT_EQ(Format("%x|%u|%x", int32_t(-1), int32_t(-2), int64_t(-1)), "ffffffff|4294967294|ffffffffffffffff");
    EXPECT_EQ(Format("%c%c%s", 'o', 107, 'x'), "okx");
    EXPECT_EQ(Format("%*d|%-*s|%.*f", 4, 1, 3, "a", 1, 2.25), "   1|a  |2.2");
    EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
    EXPECT_EQ(Format("100%%"), "100%");
}

TEST(Format, FloatForms)
{
    EXPECT_EQ(Format("%f|%.0f|%.3f", 2.5, 2.5, -0.0004), "2.50|2|0.000");
    EXPECT_EQ(Format("%8.2f|%-8.1f|", -3.14159, 2.0), "   -3.14|2.0     |");
    EXPECT_EQ(Format("%g|%g|%g", 0.1, 1e20, 123456.0), "0.1|1E20|123456");
    EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
    EXPECT_EQ(Format("%.3e", -0.000123), "-1.23E-004");
    EXPECT_EQ(Format("%f", std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(Format("%.2f", 1e20), "100000000000000000000.00");

    TLocaleFormats Comma;
    Comma.DecimalSeparator = ',';
    EXPECT_EQ(Format(Comma, "%.1f|%g", 1.25, 0.5), "1,2|0,5");
}

TEST(Format, MismatchesRaise)
{
    EXPECT_THROW(Format("%f", 3), EConvertError);        // integer for a float
    EXPECT_THROW(Format("%s", 3.0), EConvertError);      // float for a string
    EXPECT_THROW(Format("%d", true), EConvertError);     // a bool is no number
    EXPECT_THROW(Format("%d %d", 1), EConvertError);     // too few arguments
    EXPECT_THROW(Format("%q", 1), EConvertError);        // unknown type
    EXPECT_THROW(Format("abc%"), EConvertError);         // cut pattern
    EXPECT_THROW(Format("%5", 1), EConvertError);        // width without a type
    EXPECT_THROW(Format("%c", 300), EConvertError);      // not a character
    EXPECT_THROW(Format("%999999999d", 1), EConvertError); // absurd width
    EXPECT_THROW(Format("%*d", -1, 1), EConvertError);
    EXPECT_THROW(Format("%5:d", 1), EConvertError);      // index past the arguments
}

TEST(Text, TrimCaseAndCompare)
{
    EXPECT_EQ(Trim(std::string("\t\r\n a b \x01\0", 9)), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim("\xE9 "), "\xE9"); // bytes above 127 are not blanks
    EXPECT_EQ(UpperCase("abz\xE9"), "ABZ\xE9");
    EXPECT_EQ(LowerCase("ABZ"), "abz");
    EXPECT_EQ(CompareText("abc", "ABD") < 0, true);
    EXPECT_EQ(CompareText("ABC", "abc"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_GT(CompareStr("\xE9", "a"), 0); // unsigned bytes
    EXPECT_LT(CompareStr("B", "a"), 0);
    EXPECT_TRUE(SameText("Hello", "hELLO"));
    EXPECT_FALSE(SameText("Hello", "Hell"));
}

TEST(Text, PosCopyReplace)
{
    EXPECT_EQ(Pos("c", "abc"), 3);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Copy("abc", 0, 2), "ab");
    EXPECT_EQ(Copy("abc", 3, 100), "c");
    EXPECT_EQ(Copy("abc", 4, 1), "");
    EXPECT_EQ(Copy("abc", 1, -1), "");
    EXPECT_EQ(LastDelimiter("\\.", "C:\\a.b\\c"), 7);
    EXPECT_EQ(LastDelimiter(".", "C:\\a.b\\c"), 5);
    EXPECT_EQ(StringReplace("aXbxc", "x", "-", {rfReplaceAll}), "aXb-c");
    EXPECT_EQ(StringReplace("aXbxc", "x", "-", {rfReplaceAll, rfIgnoreCase}), "a-b-c");
    EXPECT_EQ(StringReplace("xxx", "x", "y", {}), "yxx");
    EXPECT_EQ(StringReplace("aaa", "a", "aa", {rfReplaceAll}), "aaaaaa"); // no re-scan of output
    EXPECT_EQ(StringReplace("abc", "", "z", {rfReplaceAll}), "abc");
}

TEST(Numbers, StrToIntFamily)
{
    EXPECT_EQ(StrToIntDef("12abc", 7), 7);
    EXPECT_EQ(StrToIntDef(" 12", 7), 12);
    EXPECT_EQ(StrToIntDef("12 ", 7), 7);
    EXPECT_EQ(StrToIntDef("", 7), 7);
    EXPECT_EQ(StrToIntDef("-", 7), 7);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(StrToInt("2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_THROW(StrToInt("2147483648"), EConvertError);
    EXPECT_THROW(StrToInt("4294967296"), EConvertError);
    EXPECT_EQ(ConvertErrorText([] { StrToInt("1x"); }), "'1x' is not an integer");
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_THROW(StrToInt64("99999999999999999999"), EConvertError);
    int32_t V = 99;
    EXPECT_FALSE(TryStrToInt("0x10", V));
    EXPECT_EQ(V, 99); // untouched on failure
    EXPECT_TRUE(TryStrToInt("010", V));
    EXPECT_EQ(V, 10);
}

TEST(Numbers, IntToText)
{
    EXPECT_EQ(IntToStr(-12), "-12");
    EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(int32_t(-1), 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(uint8_t(0xAB), 1), "AB");
    EXPECT_EQ(IntToHex(int64_t(0x123456789A), 0), "123456789A");
}

TEST(Numbers, FloatText)
{
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FloatToStr(36526.5), "36526.5");
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(-2.5), "-2.5");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3"); // 15 digits hide the binary noise
    TLocaleFormats Comma;
    Comma.DecimalSeparator = ',';
    EXPECT_EQ(FloatToStr(36526.5, Comma), "36526,5");

    EXPECT_DOUBLE_EQ(StrToFloat(" -1.5e3 "), -1500.0);
    EXPECT_DOUBLE_EQ(StrToFloat("2,25", Comma), 2.25);
    EXPECT_THROW(StrToFloat("2,25"), EConvertError);
    EXPECT_THROW(StrToFloat("1.2.3"), EConvertError);
    EXPECT_THROW(StrToFloat("1e"), EConvertError);
    EXPECT_THROW(StrToFloat("nan"), EConvertError);
    EXPECT_THROW(StrToFloat("1e999"), EConvertError);
    EXPECT_DOUBLE_EQ(StrToFloatDef("", 4.5), 4.5);
    // What FloatToStr writes, StrToFloat reads back to the same 15 digits.
    const double X = 1234.56789012345;
    EXPECT_EQ(FloatToStr(StrToFloat(FloatToStr(X))), FloatToStr(X));
}

TEST(Numbers, RoundHalfToEvenAndTrunc)
{
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(-3.5), -4);
    EXPECT_EQ(Round(0.49999999999999994), 0);
    EXPECT_EQ(Round(2.5000001), 3);
    EXPECT_EQ(Round(4503599627370497.0), 4503599627370497); // odd beyond 2^52: no spurious step
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_EQ(Trunc(2.9), 2);
    EXPECT_THROW(Round(1e19), EConvertError);
    EXPECT_THROW(Trunc(std::numeric_limits<double>::quiet_NaN()), EConvertError);
    EXPECT_EQ(Round(-9223372036854775808.0), std::numeric_limits<int64_t>::min());
}
