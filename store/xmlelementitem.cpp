#include "xmlelementitem.h"

CXmlElementItem::~CXmlElementItem() = default;

bool CXmlElementItem::SetField(const QString& field, const QString& text)
{
    QString* target = nullptr;
    if (field == QLatin1String("title"))
        target = &m_strTitle;
    else if (field == QLatin1String("videopath"))
        target = &m_strVideoPath;
    else if (field == QLatin1String("thumbpath"))
        target = &m_strThumbPath;
    else if (field == QLatin1String("imagepath"))
        target = &m_strImagePath;
    else if (field == QLatin1String("error"))
        target = &m_strError;
    else if (field == QLatin1String("length"))
        target = &m_strLength;
    else if (field == QLatin1String("completed"))
        target = &m_strCompleted;
    if (!target)
        return false;
    *target = text;
    return true;
}
