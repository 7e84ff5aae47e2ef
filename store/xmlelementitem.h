#pragma once

#include "xmlelement.h"

// An open `item` element: collects the texts of its field elements, which are
// converted only when the item is restored.
class CXmlElementItem : public CXmlElement {
public:
    ~CXmlElementItem() override;

    // Takes the text of a completed child named `field`; false when the name is no field.
    bool SetField(const QString& field, const QString& text);

    QString m_strTitle;
    QString m_strVideoPath;
    QString m_strThumbPath;
    QString m_strImagePath;
    QString m_strError;
    QString m_strLength;
    QString m_strCompleted;
};
