#include "engine/HTMLScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string Base = "http://h/d/";

std::vector<std::string> Collected(const THTMLScan& S)
{
    std::vector<std::string> R;
    for (int32_t I = 0; I < S.GetURLs()->GetCount(); ++I)
        R.push_back(S.GetURLs()->GetItem(I)->GetURL());
    return R;
}

// The crawl worker's order: base address first, while the text is empty, then the text.
std::vector<std::string> ScanPage(const std::string& Text, const std::string& MainURL = Base)
{
    THTMLScan S;
    S.SetMainURL(MainURL);
    S.SetText(Text);
    return Collected(S);
}

using Strings = std::vector<std::string>;

} // namespace

// ---------------------------------------------------------------------------------------------
// The page-level cases

TEST(HTMLScan, QuotedRelativeSourceWithFurtherAttribute)
{
    EXPECT_EQ(ScanPage("<img src=\"pic.jpg\" alt=x>"), Strings{"http://h/d/pic.jpg"});
}

TEST(HTMLScan, UnquotedValueEndsAtBlankAndInnerQuotesAreDropped)
{
    EXPECT_EQ(ScanPage("<a href=a\"b.jpg title=x>"), Strings{"http://h/d/ab.jpg"});
}

TEST(HTMLScan, UrlParameterInsideHrefGivesASecondLink)
{
    EXPECT_EQ(ScanPage("<a href=\"go.cgi?url=next.html\">"),
              (Strings{"http://h/d/go.cgi?url=next.html", "http://h/d/next.html"}));
}

TEST(HTMLScan, LeadingSlashJoinsThePageFolder)
{
    EXPECT_EQ(ScanPage("<img src=\"/x.jpg\">"), Strings{"http://h/d/x.jpg"});
    // A lone "/" is kept: the joined address is the folder itself.
    EXPECT_EQ(ScanPage("<a href=/>"), Strings{"http://h/d/"});
}

TEST(HTMLScan, SelfClosingTag)
{
    EXPECT_EQ(ScanPage("<img src=\"a.jpg\"/>"), Strings{"http://h/d/a.jpg"});
}

TEST(HTMLScan, SameTextTwiceDoesNotRescanAndNewTextAppends)
{
    THTMLScan S;
    S.SetMainURL(Base);
    S.SetText("<img src=a.jpg>");
    S.SetText("<img src=a.jpg>");
    EXPECT_EQ(Collected(S), Strings{"http://h/d/a.jpg"});
    S.SetText("<img src=b.jpg><a href=c.html>");
    EXPECT_EQ(Collected(S), (Strings{"http://h/d/a.jpg", "http://h/d/b.jpg", "http://h/d/c.html"}));
    EXPECT_EQ(S.GetText(), "<img src=b.jpg><a href=c.html>");
}

TEST(HTMLScan, MainURLGetsTrailingSlashAndRescansOnlyOnChange)
{
    THTMLScan S;
    S.SetMainURL("http://h/d");
    EXPECT_EQ(S.GetMainURL(), "http://h/d/");
    S.SetText("<img src=a.jpg>");
    ASSERT_EQ(Collected(S), Strings{"http://h/d/a.jpg"});
    // Equal once the "/" is added: no second scan, no duplicate.
    S.SetMainURL("http://h/d/");
    S.SetMainURL("http://h/d");
    EXPECT_EQ(S.GetURLs()->GetCount(), 1);
    // A new base rescans the same text and appends.
    S.SetMainURL("http://h/e/");
    EXPECT_EQ(Collected(S), (Strings{"http://h/d/a.jpg", "http://h/e/a.jpg"}));
}

TEST(HTMLScan, KeywordOrderAndUpToThreePerTag)
{
    EXPECT_EQ(ScanPage("<x url=c.html href=b.html src=a.jpg>"),
              (Strings{"http://h/d/a.jpg", "http://h/d/b.html", "http://h/d/c.html"}));
    // Keywords are found in any case; values keep theirs.
    EXPECT_EQ(ScanPage("<IMG SRC=Pic.JPG>"), Strings{"http://h/d/Pic.JPG"});
}

TEST(HTMLScan, OnlyTheFirstOccurrenceOfEachKeywordCounts)
{
    EXPECT_EQ(ScanPage("<img src=a.jpg src=b.jpg>"), Strings{"http://h/d/a.jpg"});
    // The first "src" has no value of its own: the next "=" after it gives the value.
    EXPECT_EQ(ScanPage("<img src alt=b.jpg>"), Strings{"http://h/d/b.jpg"});
}

TEST(HTMLScan, SameAddressIsCollectedAgain)
{
    EXPECT_EQ(ScanPage("<a href=x.jpg><a href=x.jpg>"), (Strings{"http://h/d/x.jpg", "http://h/d/x.jpg"}));
}

TEST(HTMLScan, AbsoluteAddressesKeepTheirHost)
{
    EXPECT_EQ(ScanPage("<a href=\"http://other.test/p/q.html\">"), Strings{"http://other.test/p/q.html"});
    EXPECT_EQ(ScanPage("<a href=HTTP://Other.test/Q.html>"), Strings{"http://Other.test/Q.html"});
    EXPECT_EQ(ScanPage("<a href=http://h/dir/>"), Strings{"http://h/dir"});
}

TEST(HTMLScan, TextBetweenTagsIsNotLookedAt)
{
    EXPECT_EQ(ScanPage("src=a.jpg <b>href=b.jpg</b> url=c"), Strings{});
}

TEST(HTMLScan, DotDotNeverClimbsAboveTheHost)
{
    EXPECT_EQ(ScanPage("<img src=../x.jpg>"), Strings{"http://h/x.jpg"});
    EXPECT_EQ(ScanPage("<img src=../../../x.jpg>"), Strings{"http://h/x.jpg"});
    EXPECT_EQ(ScanPage("<img src=http://h/../../x.jpg>"), Strings{"http://h/x.jpg"});
}

// ---------------------------------------------------------------------------------------------
// Other schemes, "http" look-alikes and empty values

TEST(HTMLScan, OtherSchemesAreNotCollected)
{
    EXPECT_EQ(ScanPage("<a href=\"https://h/x\">"), Strings{});
    EXPECT_EQ(ScanPage("<a href=\"javascript:void(0)\">"), Strings{});
    EXPECT_EQ(ScanPage("<a href=\"mailto:a@b\">"), Strings{});
    EXPECT_EQ(ScanPage("<a href=ftp://f/x.jpg><img src=data:image/png;base64,AAAA>"), Strings{});
    EXPECT_EQ(ScanPage("<a href=svn+ssh://x>"), Strings{});
    // The rest of the tag is still read.
    EXPECT_EQ(ScanPage("<a href=mailto:a@b src=a.jpg>"), Strings{"http://h/d/a.jpg"});
}

TEST(HTMLScan, HttpLookAlikesAreRelative)
{
    EXPECT_EQ(ScanPage("<img src=httpd.jpg>"), Strings{"http://h/d/httpd.jpg"});
    // A ":" after a "/" or after a character no scheme holds is part of a relative address.
    EXPECT_EQ(ScanPage("<img src=a/b:c.jpg>"), Strings{"http://h/d/a/b:c.jpg"});
    EXPECT_EQ(ScanPage("<a href=go.cgi?u=x:y>"), Strings{"http://h/d/go.cgi?u=x:y"});
}

TEST(HTMLScan, ValueEndsAtAnyWhiteSpace)
{
    EXPECT_EQ(ScanPage("<img src=a.jpg\nalt=b>"), Strings{"http://h/d/a.jpg"});
    EXPECT_EQ(ScanPage("<img src=a.jpg\talt=b>"), Strings{"http://h/d/a.jpg"});
    EXPECT_EQ(ScanPage("<img src=a.jpg\r\nalt=b>"), Strings{"http://h/d/a.jpg"});
    EXPECT_EQ(ScanPage("<img src=a.jpg\falt=b>"), Strings{"http://h/d/a.jpg"});
}

TEST(HTMLScan, EmptyOrHostlessValuesCollectNothingAndTheScanGoesOn)
{
    EXPECT_EQ(ScanPage("<img src=http://>"), Strings{});
    EXPECT_EQ(ScanPage("<img src=>"), Strings{});
    EXPECT_EQ(ScanPage("<img src=\"\">"), Strings{});
    EXPECT_EQ(ScanPage("<img src=http:///x.jpg>"), Strings{});
    EXPECT_EQ(ScanPage("<img src=http://><img src=http:// href=b.jpg><a href=c.jpg>"),
              (Strings{"http://h/d/b.jpg", "http://h/d/c.jpg"}));
    EXPECT_EQ(ScanPage(""), Strings{});
}

// ---------------------------------------------------------------------------------------------
// Text tests

TEST(HTMLScanText, IsHTTP)
{
    EXPECT_TRUE(IsHTTP(""));
    EXPECT_TRUE(IsHTTP("http://x"));
    EXPECT_TRUE(IsHTTP("HTTP:x"));
    EXPECT_FALSE(IsHTTP("httpd.jpg"));
    EXPECT_FALSE(IsHTTP("https://x"));
    EXPECT_FALSE(IsHTTP("http"));
    EXPECT_FALSE(IsHTTP("x.jpg"));
}

TEST(HTMLScanText, HasOtherScheme)
{
    EXPECT_TRUE(HasOtherScheme("https://h"));
    EXPECT_TRUE(HasOtherScheme("JavaScript:x"));
    EXPECT_TRUE(HasOtherScheme("a1+b-c.d:x"));
    EXPECT_FALSE(HasOtherScheme("http://h"));
    EXPECT_FALSE(HasOtherScheme("x.jpg"));
    EXPECT_FALSE(HasOtherScheme(":x"));
    EXPECT_FALSE(HasOtherScheme("1a:x"));
    EXPECT_FALSE(HasOtherScheme("a/b:c"));
    EXPECT_FALSE(HasOtherScheme("a?b:c"));
    EXPECT_FALSE(HasOtherScheme(""));
}

TEST(HTMLScanText, FirstWord)
{
    EXPECT_EQ(FirstWord("\"a.jpg\" alt=x"), "a.jpg");
    EXPECT_EQ(FirstWord("'a'b'.jpg>"), "ab.jpg>");
    EXPECT_EQ(FirstWord("a\tb"), "a");
    EXPECT_EQ(FirstWord(" a"), "");
    EXPECT_EQ(FirstWord(""), "");
    EXPECT_EQ(FirstWord("\"\""), "");
}

TEST(HTMLScanText, StripLeadingSlash)
{
    EXPECT_EQ(StripLeadingSlash("/x"), "x");
    EXPECT_EQ(StripLeadingSlash("//x"), "/x");
    EXPECT_EQ(StripLeadingSlash("/"), "/");
    EXPECT_EQ(StripLeadingSlash("x/"), "x/");
    EXPECT_EQ(StripLeadingSlash(""), "");
}

TEST(HTMLScanText, IsHTMLPage)
{
    EXPECT_TRUE(IsHTMLPage(".HTM "));
    EXPECT_TRUE(IsHTMLPage(""));
    EXPECT_TRUE(IsHTMLPage("  "));
    EXPECT_FALSE(IsHTMLPage(".jpg"));
    EXPECT_TRUE(IsHTMLPage("php"));
    for (const char* Ext : {".shtml", ".html", ".htm", ".asp", ".php", ".dll", ".cgi", ".Asp"})
        EXPECT_TRUE(IsHTMLPage(Ext)) << Ext;
    EXPECT_FALSE(IsHTMLPage("."));
    EXPECT_FALSE(IsHTMLPage(".phtml"));
    EXPECT_FALSE(IsHTMLPage("..htm"));
}

TEST(HTMLScanText, KeywordTable)
{
    ASSERT_EQ(kHTMLScanKeywords.size(), 3u);
    EXPECT_EQ(kHTMLScanKeywords[0], "src");
    EXPECT_EQ(kHTMLScanKeywords[1], "href");
    EXPECT_EQ(kHTMLScanKeywords[2], "url");
}

// ---------------------------------------------------------------------------------------------
// TTags

TEST(HTMLScanTags, CutsBetweenAngleBrackets)
{
    TTags T;
    T.SetText("x<a href=1>y< b >z<c\nd>");
    ASSERT_EQ(T.GetTags()->GetCount(), 3);
    EXPECT_EQ(T.GetTags()->GetStrings(0), "a href=1");
    EXPECT_EQ(T.GetTags()->GetStrings(1), " b ");
    EXPECT_EQ(T.GetTags()->GetStrings(2), "c\nd");
}

TEST(HTMLScanTags, NewOpenBracketRestartsTheTag)
{
    TTags T;
    T.SetText("<a <b>");
    ASSERT_EQ(T.GetTags()->GetCount(), 1);
    EXPECT_EQ(T.GetTags()->GetStrings(0), "b");
}

TEST(HTMLScanTags, StrayCloseBracketAddsNothing)
{
    TTags T;
    T.SetText("<a>x>y>>");
    ASSERT_EQ(T.GetTags()->GetCount(), 1);
    EXPECT_EQ(T.GetTags()->GetStrings(0), "a");
    // And so no link is collected twice from one tag.
    EXPECT_EQ(ScanPage("<img src=a.jpg> > >"), Strings{"http://h/d/a.jpg"});
}

TEST(HTMLScanTags, UnclosedTagIsNotATag)
{
    TTags T;
    T.SetText("<a href=x><img src=y.jpg");
    ASSERT_EQ(T.GetTags()->GetCount(), 1);
    EXPECT_EQ(ScanPage("<img src=y.jpg"), Strings{});
}

TEST(HTMLScanTags, EmptyTagAndSetTextOnlyOnChange)
{
    TTags T;
    T.SetText("<>");
    ASSERT_EQ(T.GetTags()->GetCount(), 1);
    EXPECT_EQ(T.GetTags()->GetStrings(0), "");
    T.GetTags()->Add("marker");
    T.SetText("<>"); // unchanged: not parsed again
    EXPECT_EQ(T.GetTags()->GetCount(), 2);
    T.SetText("<p><q>");
    EXPECT_EQ(T.GetTags()->GetCount(), 2);
    EXPECT_EQ(T.GetTags()->GetStrings(1), "q");
}

TEST(HTMLScanTags, AssignCopiesTheText)
{
    TTags A, B;
    A.SetText("<a><b>");
    B.Assign(&A);
    EXPECT_EQ(B.GetText(), "<a><b>");
    ASSERT_EQ(B.GetTags()->GetCount(), 2);
    EXPECT_EQ(B.GetTags()->GetStrings(1), "b");
    TURLPath P("http://h/x");
    EXPECT_THROW(B.Assign(&P), EConvertError);
}

// ---------------------------------------------------------------------------------------------
// TURLPath

TEST(HTMLScanURLPath, DotDotRemovesThePreviousSegment)
{
    TURLPath P("http://a/b/../c");
    EXPECT_EQ(P.GetURL(), "http://a/c");
    ASSERT_EQ(P.GetParts()->GetCount(), 2);
    EXPECT_EQ(P.GetParts()->GetStrings(0), "a");
    EXPECT_EQ(P.GetParts()->GetStrings(1), "c");
}

TEST(HTMLScanURLPath, LeadingDotDotIsDroppedAlone)
{
    TURLPath P("../a/b");
    EXPECT_EQ(P.GetURL(), "http://a/b");
    ASSERT_EQ(P.GetParts()->GetCount(), 2);
    EXPECT_EQ(P.GetParts()->GetStrings(0), "a");
}

TEST(HTMLScanURLPath, DotDotRightAfterTheHostIsDroppedAlone)
{
    EXPECT_EQ(TURLPath("http://h/../x.jpg").GetURL(), "http://h/x.jpg");
    EXPECT_EQ(TURLPath("http://h/a/../../../b/x.jpg").GetURL(), "http://h/b/x.jpg");
}

TEST(HTMLScanURLPath, SegmentsAndRebuild)
{
    TURLPath P("HTTP://h/d/");
    EXPECT_EQ(P.GetURL(), "http://h/d"); // no trailing "/"
    EXPECT_EQ(P.GetSourceText(), "HTTP://h/d/");
    ASSERT_EQ(P.GetParts()->GetCount(), 2);

    TURLPath Q("http://h//x.jpg");
    ASSERT_EQ(Q.GetParts()->GetCount(), 3); // empty segments before a "/" stay
    EXPECT_EQ(Q.GetParts()->GetStrings(1), "");
    EXPECT_EQ(Q.GetURL(), "http://h//x.jpg");

    TURLPath R("h/x.jpg "); // the last segment is tested trimmed but kept as written
    EXPECT_EQ(R.GetURL(), "http://h/x.jpg ");
    TURLPath S("h/ ");
    EXPECT_EQ(S.GetURL(), "http://h");
}

TEST(HTMLScanURLPath, HostlessTexts)
{
    EXPECT_FALSE(TURLPath("http://").HasHost());
    EXPECT_FALSE(TURLPath("").HasHost());
    EXPECT_FALSE(TURLPath("http:///x").HasHost());
    EXPECT_FALSE(TURLPath("..").HasHost());
    EXPECT_TRUE(TURLPath("http://h").HasHost());
    EXPECT_EQ(TURLPath("http://").GetURL(), "http://");
}

TEST(HTMLScanURLPath, SetURLOnlyOnChangeAndAssign)
{
    TURLPath P("http://h/a");
    P.GetParts()->Add("marker");
    P.SetURL("http://h/a"); // unchanged: not rebuilt
    EXPECT_EQ(P.GetParts()->GetCount(), 3);
    P.SetURL("http://g/b/c");
    EXPECT_EQ(P.GetURL(), "http://g/b/c");
    EXPECT_EQ(P.GetParts()->GetCount(), 3);

    TURLPath Q;
    Q.Assign(&P);
    EXPECT_EQ(Q.GetSourceText(), "http://g/b/c");
    EXPECT_EQ(Q.GetURL(), "http://g/b/c");
    TTags T;
    EXPECT_THROW(Q.Assign(&T), EConvertError);
}

TEST(HTMLScanURLPath, ItemsListAndBadIndex)
{
    TURLPathItems L;
    EXPECT_EQ(L.Add("http://h/a")->GetURL(), "http://h/a");
    L.Add("http://h/b");
    ASSERT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L.GetItem(1)->GetURL(), "http://h/b");
    EXPECT_THROW(L.GetItem(2), EListError);
    EXPECT_THROW(L.GetItem(-1), EListError);
    L.Clear();
    EXPECT_EQ(L.GetCount(), 0);
}

TEST(HTMLScan, OwnedByAComponent)
{
    TComponentPtr<TComponent> Owner(new TComponent(nullptr));
    auto* S = new THTMLScan(Owner.get());
    EXPECT_EQ(Owner->GetComponentCount(), 1);
    S->SetMainURL(Base);
    S->SetText("<img src=a.jpg>");
    EXPECT_EQ(S->GetURLs()->GetCount(), 1);
    EXPECT_EQ(S->ClassName(), "THTMLScan");
    // The owner frees it (the sanitizer build reports a leak or double free otherwise).
}

// ---------------------------------------------------------------------------------------------
// Hostile pages: nothing crashes, and the time stays linear in the size of the page.

TEST(HTMLScanHostile, TwoMegabytePageOfLinks)
{
    std::string Page;
    int32_t Links = 0;
    while (Page.size() < 2 * 1024 * 1024) {
        Page += "<p>text <a href=\"page" + std::to_string(Links) + ".html\">x</a> <img src=/i/" +
                std::to_string(Links) + ".jpg alt='z'>\r\n";
        ++Links;
    }
    THTMLScan S;
    S.SetMainURL(Base);
    S.SetText(Page);
    ASSERT_EQ(S.GetURLs()->GetCount(), 2 * Links);
    EXPECT_EQ(S.GetURLs()->GetItem(0)->GetURL(), "http://h/d/page0.html");
    EXPECT_EQ(S.GetURLs()->GetItem(1)->GetURL(), "http://h/d/i/0.jpg");
    EXPECT_EQ(S.GetURLs()->GetItem(2 * Links - 1)->GetURL(),
              "http://h/d/i/" + std::to_string(Links - 1) + ".jpg");
}

TEST(HTMLScanHostile, UnterminatedTagsAndOnlyBrackets)
{
    EXPECT_EQ(ScanPage("<"), Strings{});
    EXPECT_EQ(ScanPage(">"), Strings{});
    EXPECT_EQ(ScanPage("<a href="), Strings{});
    EXPECT_EQ(ScanPage("<a href=x.jpg"), Strings{});
    EXPECT_EQ(ScanPage(std::string(2 * 1024 * 1024, '<')), Strings{});
    EXPECT_EQ(ScanPage(std::string(2 * 1024 * 1024, '>')), Strings{});
    std::string Open = "<img src=a.jpg " + std::string(2 * 1024 * 1024, 'x');
    EXPECT_EQ(ScanPage(Open), Strings{});
}

TEST(HTMLScanHostile, ThousandsOfKeywordsInOneTag)
{
    std::string Tag = "<img";
    for (int I = 0; I < 20000; ++I)
        Tag += " src=s" + std::to_string(I) + ".jpg href=h" + std::to_string(I) + ".html url=u" +
               std::to_string(I);
    Tag += ">";
    EXPECT_EQ(ScanPage(Tag), (Strings{"http://h/d/s0.jpg", "http://h/d/h0.html", "http://h/d/u0"}));
}

TEST(HTMLScanHostile, LongTagFollowedByManyStrayCloseBrackets)
{
    // Re-adding the long tag at every ">" would need terabytes.
    std::string Page = "<img src=a.jpg alt=" + std::string(1024 * 1024, 'v') + ">" + std::string(1024 * 1024, '>');
    EXPECT_EQ(ScanPage(Page), Strings{"http://h/d/a.jpg"});
}

TEST(HTMLScanHostile, MegabyteAttributeValue)
{
    const std::string Name(1024 * 1024, 'n');
    const Strings Got = ScanPage("<img src=\"" + Name + ".jpg\">");
    ASSERT_EQ(Got.size(), 1u);
    EXPECT_EQ(Got[0], "http://h/d/" + Name + ".jpg");
}

TEST(HTMLScanHostile, HundredsOfThousandsOfSegmentsAndDotDots)
{
    std::string Value;
    for (int I = 0; I < 200000; ++I)
        Value += "a/../";
    Value += "x.jpg";
    EXPECT_EQ(ScanPage("<img src=" + Value + ">"), Strings{"http://h/d/x.jpg"});

    std::string Deep;
    for (int I = 0; I < 200000; ++I)
        Deep += "s/";
    for (int I = 0; I < 200001; ++I)
        Deep += "../";
    Deep += "y.jpg";
    EXPECT_EQ(ScanPage("<img src=" + Deep + ">"), Strings{"http://h/y.jpg"});
}

TEST(HTMLScanHostile, HttpAloneAndEmptyText)
{
    EXPECT_EQ(ScanPage("http://"), Strings{});
    EXPECT_EQ(ScanPage("<http://>"), Strings{});
    EXPECT_EQ(ScanPage("<a href=http://>", "http://"), Strings{});
    THTMLScan S;
    S.SetText("");
    S.SetMainURL("");
    EXPECT_EQ(S.GetMainURL(), "/");
    EXPECT_EQ(S.GetURLs()->GetCount(), 0);
}

TEST(HTMLScanHostile, RandomBytesWithNuls)
{
    std::mt19937 Rng(12345);
    std::string Page(1024 * 1024, '\0');
    // Mostly bytes with markup characters mixed in, so tags and keywords do appear.
    const char Pool[] = "<>=\"' /.srchefurl\0\xff\x80\r\n";
    for (char& C : Page)
        C = (Rng() % 4 == 0) ? static_cast<char>(Rng() & 0xFF) : Pool[Rng() % (sizeof(Pool) - 1)];
    THTMLScan S;
    S.SetMainURL(Base);
    S.SetText(Page);
    for (int32_t I = 0; I < S.GetURLs()->GetCount(); ++I) {
        const std::string& URL = S.GetURLs()->GetItem(I)->GetURL();
        ASSERT_EQ(URL.rfind("http://", 0), 0u) << I;
        ASSERT_TRUE(S.GetURLs()->GetItem(I)->HasHost()) << I;
    }
    EXPECT_GT(S.GetURLs()->GetCount(), 0);
}

// Large pages are scanned to their end: the last link of a 2 MB page is found, and a 2 MB tag of
// stray quotes and keywords ends with nothing but well-formed addresses.
// (How the time grows with the page is measured by bench/htmlscan, not here.)
TEST(HTMLScanHostile, LargePagesAreScannedToTheirEnd)
{
    std::string Large;
    int Links = 0;
    while (Large.size() < 2 * 1024 * 1024)
        Large += "<a href=p" + std::to_string(Links++) + ".html><img src=../i.jpg alt=\"x y\">text ";
    const Strings Found = ScanPage(Large);
    EXPECT_NE(std::find(Found.begin(), Found.end(), Base + "p0.html"), Found.end());
    EXPECT_NE(std::find(Found.begin(), Found.end(), Base + "p" + std::to_string(Links - 1) + ".html"), Found.end())
        << "the last link of the page";
    EXPECT_NE(std::find(Found.begin(), Found.end(), std::string("http://h/i.jpg")), Found.end());

    std::string OneTag = "<";
    while (OneTag.size() < 2 * 1024 * 1024)
        OneTag += "srcsrc hrefhref= \"'\" ";
    OneTag += ">";
    THTMLScan S;
    S.SetMainURL(Base);
    S.SetText(OneTag);
    for (int32_t I = 0; I < S.GetURLs()->GetCount(); ++I)
        EXPECT_TRUE(S.GetURLs()->GetItem(I)->HasHost()) << I;
}
