#include "xmlelement.h"

CXmlElement::~CXmlElement() = default;

QString CXmlElement::GetAttribute(const QString& name) const
{
    const auto it = m_mapAttributes.find(name);
    return it == m_mapAttributes.end() ? QString() : it->second;
}
