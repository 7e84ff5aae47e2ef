#pragma once

#include "node.h"

// Keeps a node alive while a handler runs, whatever the handler deletes.
class NodeGuard {
public:
    explicit NodeGuard(LayoutNode* n) : m_n(n)
    {
        if (m_n)
            m_n->retain();
    }
    ~NodeGuard()
    {
        if (m_n)
            m_n->release();
    }
    NodeGuard(const NodeGuard&) = delete;
    NodeGuard& operator=(const NodeGuard&) = delete;

private:
    LayoutNode* m_n;
};
