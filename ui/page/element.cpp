#include "element.h"

#include <utility>

namespace htmlayout::dom {

element::element(HELEMENT he)
{
    use(he);
}

element::element(const element& other)
{
    use(other.m_he);
}

element::element(element&& other) noexcept : m_he(std::exchange(other.m_he, nullptr))
{
}

element& element::operator=(const element& other)
{
    if (this != &other) {
        const HELEMENT he = other.m_he;
        element keep(he);  // the new use comes before the old goes: same handle stays alive
        release();
        m_he = std::exchange(keep.m_he, nullptr);
    }
    return *this;
}

element& element::operator=(element&& other) noexcept
{
    if (this != &other) {
        release();
        m_he = std::exchange(other.m_he, nullptr);
    }
    return *this;
}

element& element::operator=(HELEMENT he)
{
    element keep(he);
    release();
    m_he = std::exchange(keep.m_he, nullptr);
    return *this;
}

element::~element()
{
    release();
}

element element::adopt(HELEMENT he)
{
    element e;
    e.m_he = he;
    return e;
}

void element::release()
{
    if (m_he) {
        HTMLayout_UnuseElement(m_he);
        m_he = nullptr;
    }
}

void element::use(HELEMENT he)
{
    if (he && HTMLayout_UseElement(he) == HLDOM_OK)
        m_he = he;
}

}  // namespace htmlayout::dom
