#pragma once

#include "ui/page/downloaditem.h"
#include "ui/page/element.h"

#include <QString>

// The main window. For now it holds what app.xml reads and writes: the list
// items, the page's "content" list, the program folder, the path of app.xml
// and the learn setting of the address dialog.
class CMainFrame {
public:
    CMainFrame() = default;
    ~CMainFrame();
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    void SetDefaultFolders(const QString& programFolder);
    bool LoadAppXml(const QString& path);
    int SaveAppXml(const QString& path);

    htmlayout::dom::element m_content;  // the list of rows
    ItemTable m_items;                  // video id -> item, owned
    QString m_strProgramFolder;
    QString m_strAppXmlPath;
    int AddressDlgLearn = 1;
};
