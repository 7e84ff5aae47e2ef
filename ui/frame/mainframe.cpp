#include "mainframe.h"

#include "store/appxml.h"

CMainFrame::~CMainFrame()
{
    // Items first: each takes its row off the page and discards its job.
    m_items.clear();
}

void CMainFrame::SetDefaultFolders(const QString& programFolder)
{
    appxml::SetDefaultFolders(programFolder);
}

bool CMainFrame::LoadAppXml(const QString& path)
{
    return appxml::Load(path, m_items, m_content, AddressDlgLearn);
}

int CMainFrame::SaveAppXml(const QString& path)
{
    return appxml::Save(path, m_items, m_content, AddressDlgLearn);
}
