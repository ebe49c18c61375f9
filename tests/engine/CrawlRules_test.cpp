// The crawl's pure rules: which hosts are followed, and the progress texts of a transfer.
#include <gtest/gtest.h>

#include "engine/TaskRules.h"
#include "platform/rtl/StringList.h"

TEST(CrawlRules, DomainTable)
{
    EXPECT_TRUE(LinkHostPasses("www.site.test", "img.site.test"));
    EXPECT_FALSE(LinkHostPasses("www.site.test", "site.test"));
    EXPECT_TRUE(LinkHostPasses("site.test", "www.site.test"));
    EXPECT_FALSE(LinkHostPasses("site.test", "other.test"));
    EXPECT_FALSE(LinkHostPasses("127.0.0.1", "10.0.0.1"));
    EXPECT_TRUE(LinkHostPasses("127.0.0.1", "127.0.0.1"));
    EXPECT_TRUE(LinkHostPasses("localhost", "www.localhost"));
    EXPECT_FALSE(LinkHostPasses("127.0.0.1", "localhost"));
    EXPECT_TRUE(LinkHostPasses(" WWW.Site.Test ", "IMG.SITE.TEST"));
    EXPECT_FALSE(LinkHostPasses("www.site.test", "www.other.test"));
    EXPECT_FALSE(LinkHostPasses("site.test", ""));
}

TEST(CrawlRules, ExcludedHosts)
{
    TStringList L;
    L.Add(" IMG.SITE.TEST ");
    EXPECT_TRUE(HostInList("img.site.test", &L));
    EXPECT_FALSE(HostInList("site.test", &L));
    EXPECT_FALSE(HostInList("img.site.test", nullptr));
}

TEST(CrawlRules, ProgressTexts)
{
    std::string Size, Percent;
    TransferProgressTexts(-1, 10, Size, Percent);
    EXPECT_EQ(Size, "---");
    EXPECT_EQ(Percent, "---");
    TransferProgressTexts(0, 10, Size, Percent);
    EXPECT_EQ(Percent, "---");
    TransferProgressTexts(1000, 125, Size, Percent);
    EXPECT_EQ(Size, "1000");
    EXPECT_EQ(Percent, "12%");
    TransferProgressTexts(1000, 375, Size, Percent);
    EXPECT_EQ(Percent, "38%");
    TransferProgressTexts(6000000000LL, 3000000000LL, Size, Percent);
    EXPECT_EQ(Size, "6000000000");
    EXPECT_EQ(Percent, "50%");
    TransferProgressTexts(3, 1, Size, Percent);
    EXPECT_EQ(Percent, "33%");
    TransferProgressTexts(3, 2, Size, Percent);
    EXPECT_EQ(Percent, "67%");
    TransferProgressTexts(1000, 1000, Size, Percent);
    EXPECT_EQ(Percent, "100%");
}
