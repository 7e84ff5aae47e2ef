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
//
// The keyboard reaches the same menus: the menu key or Shift+F10 opens the
// menu of the focused element as a right click there would, in a list for
// its selected rows. While a menu is open, Up, Down, Home and End move the
// current item over the enabled ones and the focus with it; Enter runs the
// current item as a click would; Escape and Tab close the menu, and the
// focus goes back to where it was.
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
    // below: the element a menu from the keyboard shows under, or null for the pointer's x, y.
    bool openFor(LayoutNode* target, int x, int y, LayoutNode* below = nullptr);
    bool openFromKeyboard(LayoutNode* focus, const layout::LayoutInput& input);
    bool keyWhileOpen(LayoutNode* target, const QString& key);
    void hoverWhileOpen(LayoutNode* target);
    void moveCurrent(const QString& key);
    void setCurrent(LayoutNode* item, bool focus);
    LayoutNode* currentItem() const;
    void run(LayoutNode* item);
    void show(LayoutNode* owner, int x, int y, LayoutNode* below);
    void hide(bool restoreFocus = false);

    std::vector<MenuRule> m_rules;
    uint32_t m_openMenu = 0;  // node ids
    uint32_t m_menuOwner = 0;
    uint32_t m_returnFocus = 0;  // where the focus was before it went into the menu
    bool m_focusInMenu = false;
};
