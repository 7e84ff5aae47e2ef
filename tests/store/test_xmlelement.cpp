#include "platform/decimal.h"
#include "store/xmlelementitem.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

TEST(XmlElement, AttributeLookupGivesEmptyWhenAbsent)
{
    CXmlElement e;
    EXPECT_TRUE(e.GetAttribute("id").isEmpty());
    e.m_mapAttributes["id"] = " x ";
    EXPECT_EQ(e.GetAttribute("id"), " x ");
    EXPECT_TRUE(e.GetAttribute("ID").isEmpty());  // keys are stored in lower case
}

TEST(XmlElement, ItemTakesOnlyItsSevenFields)
{
    std::unique_ptr<CXmlElement> e = std::make_unique<CXmlElementItem>();
    auto* item = dynamic_cast<CXmlElementItem*>(e.get());
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->SetField("title", "T"));
    EXPECT_TRUE(item->SetField("videopath", "V"));
    EXPECT_TRUE(item->SetField("thumbpath", "P"));
    EXPECT_TRUE(item->SetField("imagepath", "I"));
    EXPECT_TRUE(item->SetField("length", "1"));
    EXPECT_TRUE(item->SetField("completed", "2"));
    EXPECT_TRUE(item->SetField("error", "3"));
    EXPECT_TRUE(item->SetField("title", "T2"));  // the later one wins
    EXPECT_FALSE(item->SetField("Title", "x"));
    EXPECT_FALSE(item->SetField("dir", "x"));
    EXPECT_EQ(item->m_strTitle, "T2");
    EXPECT_EQ(item->m_strVideoPath, "V");
    EXPECT_EQ(item->m_strThumbPath, "P");
    EXPECT_EQ(item->m_strImagePath, "I");
    EXPECT_EQ(item->m_strLength, "1");
    EXPECT_EQ(item->m_strCompleted, "2");
    EXPECT_EQ(item->m_strError, "3");
}

TEST(ParseDecimal, LikeTheCLibrary)
{
    EXPECT_EQ(ParseDecimal("42"), 42);
    EXPECT_EQ(ParseDecimal(" \t\n\r\v\f42"), 42);
    EXPECT_EQ(ParseDecimal("-7x"), -7);
    EXPECT_EQ(ParseDecimal("+5"), 5);
    EXPECT_EQ(ParseDecimal("007"), 7);
    EXPECT_EQ(ParseDecimal("1e3"), 1);
    EXPECT_EQ(ParseDecimal("12 34"), 12);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal("-"), 0);
    EXPECT_EQ(ParseDecimal("- 3"), 0);
    EXPECT_EQ(ParseDecimal("+-3"), 0);
    EXPECT_EQ(ParseDecimal(QString::fromUtf8("\u00a03")), 0);  // no-break space is not C white space
    EXPECT_EQ(ParseDecimal(QString::fromUtf8("\u0663")), 0);   // nor is an Arabic-Indic digit a digit
    EXPECT_EQ(ParseDecimal("2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ParseDecimal("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ParseDecimal("2147483648"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ParseDecimal("99999999999999999999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ParseDecimal("-99999999999999999999999999"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ParseDecimal64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(ParseDecimal64(" 99999999999999999999"), std::numeric_limits<int64_t>::max());
}
