#pragma once

#include <QHashFunctions>
#include <QString>
#include <unordered_map>

// One element of app.xml while it is open during the load: what its end tag
// needs, nothing more. Elements are not linked; the load's stack orders them.
class CXmlElement {
public:
    CXmlElement() = default;
    virtual ~CXmlElement();
    CXmlElement(const CXmlElement&) = delete;
    CXmlElement& operator=(const CXmlElement&) = delete;

    // The stored value, or the empty string when there is none. name is lower case.
    QString GetAttribute(const QString& name) const;

    QString m_strName;                                     // local name, lower case
    std::unordered_map<QString, QString> m_mapAttributes;  // lower-case local name -> value
    QString m_strText;                                     // the last text node read inside it
};
