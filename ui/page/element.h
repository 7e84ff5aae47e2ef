#pragma once

#include "platform/layout/htmlayout.h"

namespace htmlayout::dom {

// A visitor of elements; answering true ends the visit.
struct callback {
    virtual ~callback() = default;
    virtual bool on_element(HELEMENT he) = 0;
};

// A reference to an engine element that owns exactly one use of it.
class element {
public:
    element() = default;
    element(HELEMENT he);  // takes a use; stays empty if the engine refuses
    element(const element& other);
    element(element&& other) noexcept;
    element& operator=(const element& other);
    element& operator=(element&& other) noexcept;
    element& operator=(HELEMENT he);
    ~element();

    // Wraps a new element whose one use the engine gave with it.
    static element adopt(HELEMENT he);

    void release();
    HELEMENT get() const { return m_he; }
    operator HELEMENT() const { return m_he; }
    bool is_valid() const { return m_he != nullptr; }
    bool operator==(const element& other) const { return m_he == other.m_he; }
    bool operator==(HELEMENT he) const { return m_he == he; }

    // Stops at the first element seen; the handle carries no use.
    struct find_first_callback : callback {
        HELEMENT hfound = nullptr;
        bool on_element(HELEMENT he) override
        {
            hfound = he;
            return true;
        }
    };

private:
    void use(HELEMENT he);

    HELEMENT m_he = nullptr;
};

}  // namespace htmlayout::dom
