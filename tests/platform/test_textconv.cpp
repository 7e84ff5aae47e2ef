#include "platform/textconv.h"

#include <gtest/gtest.h>

TEST(TextConv, RoundTripsNonAsciiThroughUtf8)
{
    const QString text = QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xac");
    const std::string bytes = ToUtf8(text);
    EXPECT_EQ(bytes, "Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xac");
    EXPECT_EQ(FromUtf8(bytes), text);
}

TEST(TextConv, StopsAtTheFirstZero)
{
    EXPECT_EQ(ToUtf8(QString("ab") + QChar(0) + "cd"), "ab");
    EXPECT_EQ(FromUtf8(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(FromUtf8(std::string()), "");
    EXPECT_EQ(FromUtf8(static_cast<const char*>(nullptr)), "");
}

TEST(TextConv, InvalidUtf8IsReplacedNotPassedThrough)
{
    const QString text = FromUtf8(std::string("a\xff\xfe"
                                              "b"));
    EXPECT_TRUE(text.startsWith('a'));
    EXPECT_TRUE(text.endsWith('b'));
    EXPECT_FALSE(text.contains(QChar(0xff)));
    // Whatever the replacement, the result converts back to valid UTF-8.
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}
