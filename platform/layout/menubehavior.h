#pragma once

#include "cssselector.h"
#include "layoutbehavior.h"

#include <string>
#include <vector>

// Context menus: the page's style block names, by "context-menu:
// selector(...)", the menu an element opens on a right click. The host sets
// the menu up (CONTEXT_MENU_SETUP) before it shows; a click on an enabled
// item closes it and reports the item (MENU_ITEM_CLICK); a click elsewhere
// or Escape closes it.
class MenuBehavior : public LayoutBehavior {
public:
    using LayoutBehavior::LayoutBehavior;

    void reset() override;
    bool handleInput(LayoutNode* target, const layout::LayoutInput& input) override;

private:
    struct MenuRule {
        CssSelector owner;
        std::string menuSelector;
    };

    void parseMenuRules();
    LayoutNode* menuFor(const LayoutNode* owner) const;
    bool clickWhileOpen(LayoutNode* target);
    bool openFor(LayoutNode* target, int x, int y);
    void show(LayoutNode* owner, int x, int y);
    void hide();

    std::vector<MenuRule> m_rules;
    uint32_t m_openMenu = 0;  // node ids
    uint32_t m_menuOwner = 0;
};
