#pragma once

#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "tests/frame/frameprobe.h"
#include "ui/frame/mainframe.h"
#include "ui/page/dom.h"
#include "ui/page/selectedelementlist.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

// A page with an empty "content" list, an item table and a folder for app.xml.
// The frame is never created as a window: its load and save run over the
// test's page.
struct StoreTest : ::testing::Test {
    HWND hwnd = HTMLayoutCreateWindow();
    HELEMENT content = nullptr;
    CMainFrame frame;
    ItemTable& items = FrameProbe::Items(frame);
    int& learn = frame.AddressDlgLearn;
    QTemporaryDir dir;
    QString path;

    void SetUp() override
    {
        static const char page[] = "<html><body><widget id=\"content\" type=\"select\" multiple></widget>"
                                   "</body></html>";
        ASSERT_TRUE(HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(page), uint32_t(strlen(page))));
        content = FindElementById(GetRootElement(hwnd), "content");
        ASSERT_NE(content, nullptr);
        FrameProbe::Content(frame) = content;
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("app.xml"));
        CMainFrame::SetDefaultFolders(QStringLiteral("/opt/prog"));
    }
    void TearDown() override
    {
        items.clear();
        FrameProbe::Content(frame).release();
        HTMLayoutDestroyWindow(hwnd);
    }

    void Write(const QByteArray& bytes, const QString& to = QString())
    {
        QFile f(to.isEmpty() ? path : to);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray Read(const QString& from = QString())
    {
        QFile f(from.isEmpty() ? path : from);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    bool Load(const QByteArray& bytes)
    {
        Write(bytes);
        return frame.LoadAppXml(path);
    }
    // The row values in page order, checked against the item table.
    QStringList Ids()
    {
        CSelectedElementList rows;
        SelectElements(content, "option", rows);
        QStringList out;
        for (const auto& r : rows) {
            const QString id = GetAttribute(r, "value").value_or(QString());
            const auto it = items.find(id);
            EXPECT_TRUE(it != items.end() && it->second->m_row == r) << id.toStdString();
            out << id;
        }
        EXPECT_EQ(size_t(out.size()), items.size());
        return out;
    }
    DownloaderInfo Info(const QString& id)
    {
        DownloaderInfo info;
        info.mask = uint32_t(-1);
        const auto it = items.find(id);
        if (it != items.end())
            it->second->m_pDownloader->GetInfo(info, false);
        return info;
    }
    // The default video folder: under the user's videos, never the program's data.
    static QString DefaultVideo()
    {
        return QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + "/Ferrowick";
    }
    static QString Video() { return GetVideoFolderSetting(); }
};
