#pragma once

#include "element.h"

#include <vector>

// Collects every element a selection visits, in document order; each entry
// holds its own use until the list goes.
class CSelectedElementList : public htmlayout::dom::callback {
public:
    bool on_element(HELEMENT he) override;

    const std::vector<htmlayout::dom::element>& items() const { return m_items; }
    size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    const htmlayout::dom::element& operator[](size_t i) const { return m_items[i]; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<htmlayout::dom::element> m_items;
};
