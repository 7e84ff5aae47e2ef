#pragma once

#include "htmlayout.h"
#include "layoutview.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LayoutBehavior;
struct LayoutNode;

// What the engine keeps for one window: the document, the host's callback
// and handlers, the log of changes for the view, and the built-in
// behaviours that turn the view's raw input into behaviour events.
class HLWindow {
public:
    HLWindow();
    ~HLWindow();
    HLWindow(const HLWindow&) = delete;
    HLWindow& operator=(const HLWindow&) = delete;

    // Takes over the parser's reference to document.
    void load(LayoutNode* document, const QString& style);
    LayoutNode* document() const { return m_document; }
    const QString& styleText() const { return m_styleText; }
    LayoutNode* findById(const QString& id) const;

    // The host: its notification callback and its window-level handlers.
    void setCallback(HTMLAYOUT_NOTIFY callback, void* param);
    intptr_t notify(NMHDR* record);
    void attachHandler(ElementEventProc proc, void* tag, uint32_t mask);
    void detachHandler(ElementEventProc proc, void* tag);
    bool sendEvent(uint32_t group, LayoutNode* target, void* params);
    bool sendBehaviorEvent(uint32_t cmd, LayoutNode* target, LayoutNode* source, uint32_t reason = 0);

    // A data request to the host; the host answers with dataReady while
    // the request runs, or not at all.
    std::optional<QByteArray> requestData(const QString& url);
    bool dataReady(const QString& url, const QByteArray& data);

    // The view's log: nothing is kept while no view listens.
    bool logging() const { return m_logging; }
    void log(QJsonObject record);
    void logUpdate();  // a run of repaint requests is one record
    void setDirtyCallback(std::function<void()> onDirty);
    // The whole document as JSON, {"style": ..., "root": NODE} with the
    // members of more beside them; the log so far is in it.
    QByteArray snapshot(const QJsonObject& more);
    std::vector<QJsonObject> takeMutations();
    int pendingMutations() const { return int(m_mutations.size()); }
    static QJsonObject NodeJson(const LayoutNode* node);

    // Moves the view's keyboard focus to node (a menu opened from the keyboard, its items).
    void moveFocus(const LayoutNode* node);

    // Changes a node's state bits and logs the change for the window that shows it.
    static void SetState(LayoutNode* node, uint32_t set, uint32_t clear);

    // Raw input from the view: the host's hook first, then the host's mouse
    // handlers, then the behaviours in order.
    void setInputHook(layout::InputHook hook);
    void processInput(const layout::LayoutInput& input);

private:
    struct Handler {
        ElementEventProc proc;
        void* tag;
        uint32_t mask;
    };

    void releaseDocument();
    void sendMouse(uint32_t cmd, LayoutNode* target, const layout::LayoutInput& input);

    LayoutNode* m_document = nullptr;
    QString m_styleText;

    HTMLAYOUT_NOTIFY m_callback = nullptr;
    void* m_callbackParam = nullptr;
    std::vector<Handler> m_handlers;

    // Set only while requestData waits for the host's answer.
    const QString* m_awaitedUrl = nullptr;
    std::optional<QByteArray> m_delivered;

    std::vector<QJsonObject> m_mutations;
    std::function<void()> m_dirty;
    bool m_logging = false;

    layout::InputHook m_hook;
    std::vector<std::unique_ptr<LayoutBehavior>> m_behaviors;
};
