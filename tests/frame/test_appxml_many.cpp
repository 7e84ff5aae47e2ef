#include "storefixture.h"

using ManyTest = StoreTest;

// Slow by nature (a row per item on the page); kept out of the sanitizer runs.
TEST_F(ManyTest, HundredThousandItemsLoadInFileOrder)
{
    QByteArray many = "<application><content>";
    for (int i = 0; i < 100000; ++i)
        many += "<item id=\"v" + QByteArray::number(i) + "\"><title>t</title></item>";
    many += "</content></application>";
    EXPECT_TRUE(Load(many));
    ASSERT_EQ(items.size(), 100000u);
    const QStringList ids = Ids();
    EXPECT_EQ(ids.front(), "v0");
    EXPECT_EQ(ids.back(), "v99999");
}
