#include "profile.h"
#include "store/appxml.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using appxml::Document;
using appxml::ItemRecord;

TEST(Records, ParseKeepsWhatWasCompletedBeforeABreak)
{
    Document doc;
    EXPECT_TRUE(appxml::Parse("<application><options><directories><dir type=\"video\">/a</dir>"
                              "<dir type=\"Video\">/ignored</dir><dir type=\"video\">/b</dir></directories></options>"
                              "<content><item id=\"  one \"><title>T &amp; U</title><error>3</error>"
                              "<length> 12x</length></item><item id=\"  \"><title>blank</title></item>"
                              "<ITEM ID=\"one\"><TITLE>again</TITLE></ITEM>"
                              "<item id=\"cut\"><title>never ends",
                              doc));
    EXPECT_EQ(doc.settings.videoFolder, QString("/b"));
    EXPECT_EQ(doc.settings.tempFolder, QString());
    ASSERT_EQ(doc.items.size(), 2u);  // the blank id is dropped, the cut item never completed
    EXPECT_EQ(doc.items[0].id, "one");
    EXPECT_EQ(doc.items[0].title, "T & U");
    EXPECT_EQ(doc.items[0].error, 3);
    EXPECT_EQ(doc.items[0].length, 12);
    EXPECT_EQ(doc.items[0].completed, 0);
    EXPECT_EQ(doc.items[1].title, "again");  // duplicates are the frame's to settle

    Document field;
    EXPECT_FALSE(appxml::Parse("<title>alone</title>", field));
    Document dtd;
    EXPECT_TRUE(appxml::Parse("<!DOCTYPE a [<!ENTITY e \"x\">]><application><content><item id=\"x\"/></content>"
                              "</application>",
                              dtd));
    EXPECT_TRUE(dtd.items.empty());
}

TEST(Records, WhatIsWrittenReadsBackTheSame)
{
    const std::vector<ItemRecord> items = {
        {"a1", "Line\r\nbreak & <tag> \x01 ctl", "/v/a b.mp4", "/t/a1.jpg", "", 0, 5368709120, -5},
        {"b2", "", "", "", "", 1, 0, 0},
    };
    const QByteArray bytes = appxml::Serialize({"/home/u/Vid\"eos", "", 0, 250}, items);
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_NE(bytes.indexOf("<dir type=\"temp\"></dir>"), -1);  // never an empty-element tag

    Document doc;
    ASSERT_TRUE(appxml::Parse(bytes, doc));
    EXPECT_EQ(doc.settings, (SettingsValues{"/home/u/Vid\"eos", "", 0, 250}));
    // An unknown type is ignored, a number that is no setting's gives the default.
    Document odd;
    ASSERT_TRUE(appxml::Parse("<application><options><limits><limit type=\"downloads\">21</limit>"
                              "<limit type=\"rate\">9x</limit><limit type=\"speed\">5</limit>"
                              "</limits></options></application>",
                              odd));
    EXPECT_EQ(odd.settings, SettingsValues());
    ASSERT_EQ(doc.items.size(), 2u);
    // A control character cannot travel in XML 1.0: it becomes U+FFFD rather
    // than cutting the document short.
    EXPECT_EQ(doc.items[0].title, QString("Line\r\nbreak & <tag> \uFFFD ctl"));
    EXPECT_EQ(doc.items[0].length, 5368709120);  // past 32 bits, in plain decimal
    EXPECT_NE(bytes.indexOf("<length>5368709120</length>"), -1);
    EXPECT_EQ(doc.items[0].completed, -5);
    EXPECT_EQ(doc.items[1].id, "b2");
    EXPECT_EQ(doc.items[1].error, 1);

    QTemporaryDir dir;
    const QString path = dir.filePath("app.xml");
    ASSERT_EQ(appxml::Save(path, {"/v", "/t"}, items), 1);
    Document loaded;
    EXPECT_TRUE(appxml::Load(path, loaded));
    EXPECT_EQ(loaded.items.size(), 2u);
    EXPECT_EQ(appxml::Save(dir.filePath("missing/app.xml"), {"/v", "/t"}, items), -1);
    EXPECT_FALSE(appxml::Load(dir.filePath("missing/app.xml"), loaded));
}

TEST(Records, LearnSettingDefaultsToOne)
{
    RemoveProfileLearnValue();
    EXPECT_EQ(appxml::LoadLearnSetting(), 1);
    appxml::SaveLearnSetting(0);
    EXPECT_EQ(appxml::LoadLearnSetting(), 0);
    EXPECT_EQ(ProfileLearnValue(), 0);
    RemoveProfileLearnValue();
}
