#include "engine/HTMLGen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Joins lines, each ended by CR LF.
std::string Lines(std::initializer_list<std::string_view> L)
{
    std::string R;
    for (std::string_view S : L) {
        R += S;
        R += "\r\n";
    }
    return R;
}

size_t CountOf(const std::string& Text, std::string_view What)
{
    size_t N = 0;
    for (size_t P = Text.find(What); P != std::string::npos; P = Text.find(What, P + What.size()))
        ++N;
    return N;
}

// The text between the last "<p>" and the following "</p>": the line of page links.
std::string PageLinks(const std::string& Page)
{
    const size_t B = Page.rfind("<p>");
    const size_t E = Page.find("</p>", B);
    if (B == std::string::npos || E == std::string::npos)
        return "<no page links>";
    return Page.substr(B + 3, E - B - 3);
}

void AddImages(THTMLGenerator& G, int32_t Count)
{
    for (int32_t I = 0; I < Count; ++I)
        G.GetImages()->Add("C:\\pics\\p" + std::to_string(I) + ".jpg");
}

const std::string GoldenPage0 = Lines({
    "<html>",
    "<head>",
    "<title><no title></title>",
    "</head>",
    "<body>",
    "<h3> Page: 1/2</h3><table width=\"100%\" border=0 cellspacing=0 cellpadding=0>",
    "<tr>",
    "<td>",
    "<a href=Images/a.jpg target=_blank>",
    "<img src=Images/a.jpg width=35 height=35>",
    "</a>",
    "</td>",
    "</tr>",
    "</table>",
    "<table width=100% border=0 cellspacing=0 cellpadding=0><tr><td>",
    "<p>1 <a href=index_1.html>2</a> </p>",
    "</td></tr></table>",
    "",
    "</body>",
    "</html>",
});

const std::string GoldenPage1 = Lines({
    "<html>",
    "<head>",
    "<title><no title></title>",
    "</head>",
    "<body>",
    "<h3> Page: 2/2</h3><table width=\"100%\" border=0 cellspacing=0 cellpadding=0>",
    "<tr>",
    "<td>",
    "<a href=Images/b.jpg target=_blank>",
    "<img src=Images/b.jpg width=35 height=35>",
    "</a>",
    "</td>",
    "</tr>",
    "</table>",
    "<table width=100% border=0 cellspacing=0 cellpadding=0><tr><td>",
    "<p><a href=index.html>1</a> 2 </p>",
    "</td></tr></table>",
    "",
    "</body>",
    "</html>",
});

void MakeGoldenGallery(THTMLGenerator& G)
{
    G.GetImages()->Add("C:\\p\\a.jpg");
    G.GetImages()->Add("C:\\p\\b.jpg");
    G.SetRows(1);
    G.SetColumns(1);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The golden pages

TEST(HTMLGen, GoldenFirstPage)
{
    THTMLGenerator G;
    MakeGoldenGallery(G);
    ASSERT_EQ(G.GetPageCount(), 2);
    EXPECT_EQ(G.GetPage(0), GoldenPage0);
    std::string Out = "stale";
    G.GetPage(0, Out);
    EXPECT_EQ(Out, GoldenPage0);
}

TEST(HTMLGen, GoldenSecondPage)
{
    THTMLGenerator G;
    MakeGoldenGallery(G);
    EXPECT_EQ(G.GetPage(1), GoldenPage1);
}

TEST(HTMLGen, Defaults)
{
    THTMLGenerator G;
    EXPECT_EQ(G.GetRows(), 5);
    EXPECT_EQ(G.GetColumns(), 7);
    EXPECT_EQ(G.GetImageFolder(), "Images");
    EXPECT_EQ(G.GetThumbWidth(), 35);
    EXPECT_EQ(G.GetThumbHeight(), 35);
    EXPECT_EQ(G.GetImages()->GetCount(), 0);
    EXPECT_EQ(G.GetTitle(), "<no title>");
    EXPECT_EQ(G.GetCellPadding(), 0);
    EXPECT_EQ(G.GetCellSpacing(), 0);
    EXPECT_EQ(G.GetBorder(), 0);
    EXPECT_EQ(G.GetFileName(), "index.html");
}

TEST(HTMLGen, FieldsReachThePage)
{
    THTMLGenerator G;
    G.GetImages()->Add("x.png");
    G.SetRows(1);
    G.SetColumns(2);
    G.SetBorder(3);
    G.SetCellSpacing(4);
    G.SetCellPadding(5);
    G.SetThumbWidth(120);
    G.SetThumbHeight(90);
    G.SetImageFolder("pics");
    G.SetTitle("Holiday <b>2004</b>"); // written as given
    const std::string Page = G.GetPage(0);
    EXPECT_NE(Page.find("<title>Holiday <b>2004</b></title>\r\n"), std::string::npos);
    EXPECT_NE(Page.find("<table width=\"100%\" border=3 cellspacing=4 cellpadding=5>\r\n"), std::string::npos);
    EXPECT_NE(Page.find("<a href=pics/x.png target=_blank>\r\n<img src=pics/x.png width=120 height=90>\r\n"),
              std::string::npos);
    // One row of two columns with one picture: one cell, the other left out.
    EXPECT_EQ(CountOf(Page, "<td>\r\n<a href="), 1u);
    EXPECT_EQ(PageLinks(Page), "1 ");
}

// ---------------------------------------------------------------------------------------------
// Page counts and layout

TEST(HTMLGen, ThirtySixImagesInFiveRowsOfSeven)
{
    THTMLGenerator G;
    AddImages(G, 36);
    ASSERT_EQ(G.GetPageCount(), 2);
    const std::string Page0 = G.GetPage(0);
    EXPECT_EQ(CountOf(Page0, "<td>\r\n<a href="), 35u);
    EXPECT_EQ(CountOf(Page0, "<tr>\r\n"), 5u);
    EXPECT_NE(Page0.find("Images/p34.jpg"), std::string::npos);
    EXPECT_EQ(Page0.find("Images/p35.jpg"), std::string::npos);

    const std::string Page1 = G.GetPage(1);
    EXPECT_NE(Page1.find("<h3> Page: 2/2</h3>"), std::string::npos);
    const std::string Expected = Lines({
        "<tr>",
        "<td>",
        "<a href=Images/p35.jpg target=_blank>",
        "<img src=Images/p35.jpg width=35 height=35>",
        "</a>",
        "</td>",
        "</tr>",
        "<tr>", "</tr>",
        "<tr>", "</tr>",
        "<tr>", "</tr>",
        "<tr>", "</tr>",
        "</table>",
    });
    EXPECT_NE(Page1.find(Expected), std::string::npos) << Page1;
    EXPECT_EQ(CountOf(Page1, "<td>\r\n<a href="), 1u);
}

TEST(HTMLGen, PageLinksOfThreePages)
{
    THTMLGenerator G;
    AddImages(G, 3);
    G.SetRows(1);
    G.SetColumns(1);
    ASSERT_EQ(G.GetPageCount(), 3);
    EXPECT_EQ(PageLinks(G.GetPage(0)), "1 <a href=index_1.html>2</a> <a href=index_2.html>3</a> ");
    EXPECT_EQ(PageLinks(G.GetPage(1)), "<a href=index.html>1</a> 2 <a href=index_2.html>3</a> ");
    EXPECT_EQ(PageLinks(G.GetPage(2)), "<a href=index.html>1</a> <a href=index_1.html>2</a> 3 ");
}

TEST(HTMLGen, InvalidPageIndex)
{
    THTMLGenerator G;
    AddImages(G, 3);
    G.SetRows(1);
    G.SetColumns(1);
    EXPECT_EQ(G.GetPage(3), "<invalid page num>");
    EXPECT_EQ(G.GetPage(-1), "<invalid page num>");
    std::string Out = "stale";
    G.GetPage(100, Out);
    EXPECT_EQ(Out, "<invalid page num>");
}

TEST(HTMLGen, ZeroPages)
{
    THTMLGenerator G;
    EXPECT_EQ(G.GetPageCount(), 0);
    EXPECT_EQ(G.GetPage(0), "<invalid page num>");
    AddImages(G, 5);
    EXPECT_EQ(G.GetPageCount(), 1);
    G.SetRows(0);
    EXPECT_EQ(G.GetPageCount(), 0);
    EXPECT_EQ(G.GetPage(0), "<invalid page num>");
    G.SetRows(1);
    G.SetColumns(-3);
    EXPECT_EQ(G.GetPageCount(), 0);
}

TEST(HTMLGen, PageCountRoundsUp)
{
    THTMLGenerator G;
    G.SetRows(2);
    G.SetColumns(3);
    AddImages(G, 6);
    EXPECT_EQ(G.GetPageCount(), 1);
    G.GetImages()->Add("one-more.jpg");
    EXPECT_EQ(G.GetPageCount(), 2);
    // Rows x Columns beyond 32 bits neither overflows nor divides by zero.
    G.SetRows(2147483647);
    G.SetColumns(2147483647);
    EXPECT_EQ(G.GetPageCount(), 1);
    G.SetRows(65536);
    G.SetColumns(65536);
    EXPECT_EQ(G.GetPageCount(), 1);
}

TEST(HTMLGen, ManyEmptyRowsAfterTheLastImage)
{
    THTMLGenerator G;
    G.SetRows(100000);
    G.SetColumns(100000);
    AddImages(G, 3);
    const std::string Page = G.GetPage(0);
    EXPECT_EQ(CountOf(Page, "<td>\r\n<a href="), 3u);
    EXPECT_EQ(CountOf(Page, "<tr>\r\n"), 100000u);
}

// ---------------------------------------------------------------------------------------------
// Page names

TEST(HTMLGen, PageNamesFromADottedName)
{
    THTMLGenerator G;
    G.SetFileName("my.gallery.html");
    EXPECT_EQ(G.GetPageFileName(0), "my.gallery.html");
    EXPECT_EQ(G.GetPageFileName(1), "my_1.html");
    EXPECT_EQ(G.GetPageFileName(2), "my_2.html");
    EXPECT_EQ(G.GetPageFileName(12), "my_12.html");
}

TEST(HTMLGen, PageNamesWithoutADot)
{
    THTMLGenerator G;
    G.SetFileName("gallery");
    EXPECT_EQ(G.GetPageFileName(1), "_1.html");
    EXPECT_EQ(G.GetPageLinkName(1), "_1.html");
}

TEST(HTMLGen, PageNamesInADottedFolder)
{
    THTMLGenerator G;
    G.SetFileName("C:\\my.site\\g\\index.html");
    AddImages(G, 2);
    G.SetRows(1);
    G.SetColumns(1);
    EXPECT_EQ(G.GetPageFileName(0), "C:\\my.site\\g\\index.html");
    EXPECT_EQ(G.GetPageFileName(1), "C:\\my.site\\g\\index_1.html");
    EXPECT_EQ(G.GetPageLinkName(1), "index_1.html");
    EXPECT_EQ(G.GetPageLinkName(0), "index.html");
    EXPECT_EQ(PageLinks(G.GetPage(0)), "1 <a href=index_1.html>2</a> ");
    EXPECT_EQ(PageLinks(G.GetPage(1)), "<a href=index.html>1</a> 2 ");
    EXPECT_EQ(G.GetPage(0).find("my.site"), std::string::npos);
    EXPECT_THROW(G.GetPageFileName(-1), EListError);
}

TEST(HTMLGen, PageNamesNeedingQuotes)
{
    THTMLGenerator G;
    G.SetFileName("D:\\web\\my gallery.html");
    AddImages(G, 2);
    G.SetRows(1);
    G.SetColumns(1);
    EXPECT_EQ(G.GetPageFileName(1), "D:\\web\\my gallery_1.html");
    EXPECT_EQ(PageLinks(G.GetPage(0)), "1 <a href=\"my%20gallery_1.html\">2</a> ");
    EXPECT_EQ(PageLinks(G.GetPage(1)), "<a href=\"my%20gallery.html\">1</a> 2 ");
}

// ---------------------------------------------------------------------------------------------
// Names in attribute values

TEST(HTMLGen, NameWithBlank)
{
    THTMLGenerator G;
    G.GetImages()->Add("C:\\p\\my pic.jpg");
    const std::string Page = G.GetPage(0);
    EXPECT_NE(Page.find("<a href=\"Images/my%20pic.jpg\" target=_blank>\r\n"), std::string::npos) << Page;
    EXPECT_NE(Page.find("<img src=\"Images/my%20pic.jpg\" width=35 height=35>\r\n"), std::string::npos) << Page;
}

TEST(HTMLGen, NameWithAmpersandHashAndPercent)
{
    THTMLGenerator G;
    G.GetImages()->Add("C:\\p\\a&b#1%.jpg");
    const std::string Page = G.GetPage(0);
    EXPECT_NE(Page.find("<a href=\"Images/a&amp;b%231%25.jpg\" target=_blank>"), std::string::npos) << Page;
    EXPECT_NE(Page.find("<img src=\"Images/a&amp;b%231%25.jpg\" width"), std::string::npos) << Page;
}

TEST(HTMLGen, NameCannotCloseTheTag)
{
    THTMLGenerator G;
    G.GetImages()->Add("a\"><script>.jpg");
    const std::string Page = G.GetPage(0);
    EXPECT_NE(Page.find("\"Images/a&quot;&gt;&lt;script&gt;.jpg\""), std::string::npos) << Page;
    EXPECT_EQ(Page.find("<script>"), std::string::npos);
}

TEST(HTMLGen, AttributeValueRules)
{
    EXPECT_EQ(HTMLAttributeValue("Images/a-b_c.d~e!(f).jpg"), "Images/a-b_c.d~e!(f).jpg");
    EXPECT_EQ(HTMLAttributeValue("a?b.jpg"), "\"a%3Fb.jpg\"");
    EXPECT_EQ(HTMLAttributeValue("a'b=c.jpg"), "\"a'b=c.jpg\"");
    EXPECT_EQ(HTMLAttributeValue("x\\y.jpg"), "\"x\\y.jpg\"");
    EXPECT_EQ(HTMLAttributeValue("caf\xe9.jpg"), "\"caf\xe9.jpg\"");
    EXPECT_EQ(HTMLAttributeValue(" #%?&<>\""), "\"%20%23%25%3F&amp;&lt;&gt;&quot;\"");
    // An empty value is quoted, so the tag still reads as intended.
    EXPECT_EQ(HTMLAttributeValue(""), "\"\"");
}

TEST(HTMLGen, ImageFolderNeedingQuotes)
{
    THTMLGenerator G;
    G.SetImageFolder("My Images");
    G.GetImages()->Add("a.jpg");
    EXPECT_NE(G.GetPage(0).find("<a href=\"My%20Images/a.jpg\" target=_blank>"), std::string::npos);
}

TEST(HTMLGen, PicturesAreNamedWithoutTheirFolder)
{
    THTMLGenerator G;
    G.GetImages()->Add("C:\\deep\\folder/mixed\\x.jpg");
    G.GetImages()->Add("D:y.jpg");
    G.GetImages()->Add("plain.jpg");
    const std::string Page = G.GetPage(0);
    EXPECT_NE(Page.find("<img src=Images/x.jpg "), std::string::npos);
    EXPECT_NE(Page.find("<img src=Images/y.jpg "), std::string::npos);
    EXPECT_NE(Page.find("<img src=Images/plain.jpg "), std::string::npos);
    EXPECT_EQ(Page.find("deep"), std::string::npos);
}

TEST(HTMLGen, LongNameIsKeptWhole)
{
    const std::string Name = std::string(2000, 'n') + ".jpg";
    THTMLGenerator G;
    G.GetImages()->Add("C:\\p\\" + Name);
    EXPECT_EQ(G.GetImages()->GetItem(0), "C:\\p\\" + Name);
    const std::string Page = G.GetPage(0);
    EXPECT_NE(Page.find("<a href=Images/" + Name + " target=_blank>"), std::string::npos);
    EXPECT_NE(Page.find("<img src=Images/" + Name + " width=35"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// The file list and the document wrapper

TEST(HTMLGen, ImageFilesList)
{
    TImageFiles L;
    EXPECT_EQ(L.Add("a.jpg"), 0);
    EXPECT_EQ(L.Add("b.jpg"), 1);
    EXPECT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L.GetItem(1), "b.jpg");
    EXPECT_THROW(L.GetItem(2), EListError);
    EXPECT_THROW(L.GetItem(-1), EListError);
    L.Clear();
    EXPECT_EQ(L.GetCount(), 0);
    EXPECT_THROW(L.GetItem(0), EListError);
}

TEST(HTMLGen, DocumentWrapper)
{
    THTMLFile F;
    EXPECT_EQ(F.GetTitle(), "<no name>");
    EXPECT_EQ(F.GetHTML(), Lines({"<html>", "<head>", "<title><no name></title>", "</head>", "<body>", "",
                                  "</body>", "</html>"}));
    F.SetTitle("T");
    F.SetBody("B");
    std::string Out = "stale";
    F.GetHTML(Out);
    EXPECT_EQ(Out, "<html>\r\n<head>\r\n<title>T</title>\r\n</head>\r\n<body>\r\nB\r\n</body>\r\n</html>\r\n");
    EXPECT_EQ(F.GetBody(), "B");
}
