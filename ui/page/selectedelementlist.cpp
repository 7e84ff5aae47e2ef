#include "selectedelementlist.h"

bool CSelectedElementList::on_element(HELEMENT he)
{
    m_items.emplace_back(he);
    return false;
}
