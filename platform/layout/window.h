#pragma once

#include "cssselector.h"
#include "htmlayout.h"
#include "layoutview.h"

#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

struct LayoutNode;

// What the engine keeps for one window: the document, the host's callbacks
// and handlers, the log of changes for the view, and the behaviours' state.
struct HLWindow {
    HLWindow() = default;
    ~HLWindow();
    HLWindow(const HLWindow&) = delete;
    HLWindow& operator=(const HLWindow&) = delete;

    void load(LayoutNode* document, const QString& style);

    // Host notifications and events.
    intptr_t notify(NMHDR* record);
    bool sendEvent(uint32_t group, LayoutNode* target, void* params);
    bool sendBehaviorEvent(uint32_t cmd, LayoutNode* target, LayoutNode* source, uint32_t reason = 0);

    // The view's log.
    void log(QJsonObject record);
    static QJsonObject NodeJson(const LayoutNode* node);

    // Behaviours.
    void processInput(const layout::LayoutInput& input);
    LayoutNode* findById(const QString& id) const;

    LayoutNode* document = nullptr;
    QString styleText;
    struct MenuRule {
        CssSelector owner;
        std::string menuSelector;
    };
    std::vector<MenuRule> menuRules;

    HTMLAYOUT_NOTIFY callback = nullptr;
    void* callbackParam = nullptr;
    struct Handler {
        ElementEventProc proc;
        void* tag;
        uint32_t mask;
    };
    std::vector<Handler> handlers;

    std::vector<QJsonObject> mutations;
    std::function<void()> dirty;
    bool logging = false;

    layout::InputHook hook;

    // HTMLayoutDataReady during a load-data notification lands here.
    const QString* awaitedUrl = nullptr;
    std::optional<QByteArray> delivered;

private:
    void parseMenuRules();
    void setState(LayoutNode* node, uint32_t set, uint32_t clear);
    void showMenu(LayoutNode* owner, int x, int y);
    void hideMenu();
    void showPopup(LayoutNode* source);
    void hidePopup();
    void selectRows(LayoutNode* list, LayoutNode* row, uint32_t modifiers);
    bool handleListKey(LayoutNode* list, const QString& key, uint32_t modifiers);

    uint32_t m_openMenu = 0;
    uint32_t m_menuOwner = 0;
    uint32_t m_openPopup = 0;
    uint32_t m_popupSource = 0;
    std::unordered_map<uint32_t, uint32_t> m_anchor;   // list id -> anchor row id
    std::unordered_map<uint32_t, uint32_t> m_current;  // list id -> current row id
};
