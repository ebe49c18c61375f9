#include "platform/net/Uri.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TParts {
    std::string Protocol, Username, Password, Host, Port, Path, Document, Params, Bookmark, Full;
};

// Parses Text, checks every part, and that the full address parses to itself again.
void Check(const std::string& Text, const TParts& Want)
{
    SCOPED_TRACE(Text);
    TUri U(Text);
    EXPECT_EQ(U.GetProtocol(), Want.Protocol);
    EXPECT_EQ(U.GetUsername(), Want.Username);
    EXPECT_EQ(U.GetPassword(), Want.Password);
    EXPECT_EQ(U.GetHost(), Want.Host);
    EXPECT_EQ(U.GetPort(), Want.Port);
    EXPECT_EQ(U.GetPath(), Want.Path);
    EXPECT_EQ(U.GetDocument(), Want.Document);
    EXPECT_EQ(U.GetParams(), Want.Params);
    EXPECT_EQ(U.GetBookmark(), Want.Bookmark);
    EXPECT_EQ(U.GetURI(), Want.Full);
    EXPECT_EQ(TUri(U.GetURI()).GetURI(), U.GetURI());
}

} // namespace

TEST(Uri, AcceptanceCases)
{
    Check("http://h", {"http", "", "", "h", "", "/", "", "", "", "http://h/"});
    Check("http://h:8080/a/b/c.jpg?x=1&y=/z#top",
          {"http", "", "", "h", "8080", "/a/b/", "c.jpg", "x=1&y=/z", "top", "http://h:8080/a/b/c.jpg?x=1&y=/z#top"});
    Check("HTTP://Www.Site.Test/Dir", {"HTTP", "", "", "Www.Site.Test", "", "/", "Dir", "", "", "HTTP://Www.Site.Test/Dir"});
    Check("http://u:p@h/x", {"http", "u", "p", "h", "", "/", "x", "", "", "http://u:p@h/x"});
    Check("http://h/dir/", {"http", "", "", "h", "", "/dir/", "", "", "", "http://h/dir/"});
    Check("http://h/%5c..%5cevil.jpg", {"http", "", "", "h", "", "/", "%5c..%5cevil.jpg", "", "", "http://h/%5c..%5cevil.jpg"});
    Check("example.com/x", {"", "", "", "", "", "example.com/", "x", "", "", "example.com/x"});
}

TEST(Uri, EdgeCases)
{
    Check("http://h?q=1", {"http", "", "", "h", "", "/", "", "q=1", "", "http://h/?q=1"});
    Check("http://h/a#frag?not=query", {"http", "", "", "h", "", "/", "a", "", "frag?not=query", "http://h/a#frag?not=query"});
    Check("http://u:p@ss@h/", {"http", "u", "p@ss", "h", "", "/", "", "", "", "http://u:p@ss@h/"});
    Check("http://h/a@b/c", {"http", "", "", "h", "", "/a@b/", "c", "", "", "http://h/a@b/c"});
    Check("http://[::1]:81/x", {"http", "", "", "[::1]", "81", "/", "x", "", "", "http://[::1]:81/x"});
    Check("http://h:/x", {"http", "", "", "h", "", "/", "x", "", "", "http://h/x"});
    Check("page.html?a", {"", "", "", "", "", "", "page.html", "a", "", "page.html?a"});
    Check("", {"", "", "", "", "", "", "", "", "", ""});
}

TEST(Uri, PartsBuildTheAddress)
{
    TUri U("http://h/old/doc.htm?a=1");
    U.SetDocument("new.htm");
    U.SetParams("");
    U.SetPort("8000");
    EXPECT_EQ(U.GetURI(), "http://h:8000/old/new.htm");
    U.SetPath("no/slashes"); // a path must not run into the host or the document
    EXPECT_EQ(U.GetURI(), "http://h:8000/no/slashes/new.htm");
    U.SetURI("ftp://x/y");
    EXPECT_EQ(U.GetPort(), ""); // parsing starts afresh
    EXPECT_EQ(U.GetParams(), "");
}

// Addresses whose parts could not be told apart once joined again.
TEST(Uri, JoinedAddressesReadBackTheSameParts)
{
    for (const char* Text : {"http://a:b:/x", "://h/x", "://h:81/x", ":///a://h/x", "http://:p@h/x"}) {
        TUri First(Text);
        TUri Second(First.GetURI());
        EXPECT_EQ(First.GetProtocol(), Second.GetProtocol()) << Text;
        EXPECT_EQ(First.GetUsername(), Second.GetUsername()) << Text;
        EXPECT_EQ(First.GetPassword(), Second.GetPassword()) << Text;
        EXPECT_EQ(First.GetHost(), Second.GetHost()) << Text;
        EXPECT_EQ(First.GetPort(), Second.GetPort()) << Text;
        EXPECT_EQ(First.GetPath(), Second.GetPath()) << Text;
        EXPECT_EQ(First.GetDocument(), Second.GetDocument()) << Text;
        EXPECT_EQ(First.GetURI(), Second.GetURI()) << Text;
    }
    EXPECT_EQ("a:b", TUri("http://a:b:/x").GetHost());
    EXPECT_EQ("h", TUri("://h/x").GetHost());
    EXPECT_EQ("://h/x", TUri("://h/x").GetURI());
}
