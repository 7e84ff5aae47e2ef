#pragma once

#include "platform/layout/htmlayout.h"

namespace htmlayout {

// The engine's event sink. Each raw entry unpacks its group's record and
// calls the typed entry; typed entries answer "not handled" by default.
class event_handler {
public:
    explicit event_handler(uint32_t subscription = HANDLE_ALL) : subscribed(subscription) {}
    virtual ~event_handler() = default;

    virtual void detached(HELEMENT /*he*/) {}
    virtual void attached(HELEMENT /*he*/) {}
    virtual event_handler* attach(HELEMENT /*he*/) { return this; }

    // Raw entries, one per event group.
    virtual bool handle_mouse(HELEMENT he, MOUSE_PARAMS& p)
    {
        return on_mouse(he, p.target, p.cmd, p.pos, p.button_state, p.alt_state);
    }
    virtual bool handle_key(HELEMENT he, KEY_PARAMS& p) { return on_key(he, p.target, p.cmd, p.key_code, p.alt_state); }
    virtual bool handle_focus(HELEMENT he, FOCUS_PARAMS& p) { return on_focus(he, p.target, p.cmd); }
    virtual bool handle_timer(HELEMENT he, TIMER_PARAMS& p)
    {
        return p.timerId ? on_timer(he, p.timerId) : on_timer(he);
    }
    virtual void handle_size(HELEMENT he) { on_size(he); }
    virtual bool handle_scroll(HELEMENT he, SCROLL_PARAMS& p)
    {
        return on_scroll(he, p.target, p.cmd, p.pos, p.vertical);
    }
    virtual bool handle_data_arrived(HELEMENT he, DATA_ARRIVED_PARAMS& p)
    {
        return on_data_arrived(he, p.initiator, p.data, p.dataSize, p.dataType);
    }
    virtual bool handle_method_call(HELEMENT he, METHOD_PARAMS& p) { return on_method_call(he, p.methodID); }
    virtual bool handle_scripting_call(HELEMENT he, METHOD_PARAMS& p) { return on_script_call(he, p.methodID); }
    virtual bool handle_event(HELEMENT he, BEHAVIOR_EVENT_PARAMS& p)
    {
        return on_event(he, p.heTarget, p.cmd, p.reason);
    }
    virtual bool handle_exchange(HELEMENT he, EXCHANGE_PARAMS& p) { return on_exchange(he, p.target, p.cmd); }

    // Typed entries.
    virtual bool on_mouse(HELEMENT, HELEMENT, uint32_t, POINT, uint32_t, uint32_t) { return false; }
    virtual bool on_key(HELEMENT, HELEMENT, uint32_t, uint32_t, uint32_t) { return false; }
    virtual bool on_focus(HELEMENT, HELEMENT, uint32_t) { return false; }
    virtual bool on_timer(HELEMENT) { return false; }
    virtual bool on_timer(HELEMENT, uintptr_t) { return false; }
    virtual void on_size(HELEMENT) {}
    virtual bool on_scroll(HELEMENT, HELEMENT, uint32_t, int, bool) { return false; }
    virtual bool on_data_arrived(HELEMENT, HELEMENT, const uint8_t*, uint32_t, uint32_t) { return false; }
    virtual bool on_method_call(HELEMENT, uint32_t) { return false; }
    virtual bool on_script_call(HELEMENT, uint32_t) { return false; }
    virtual bool on_event(HELEMENT, HELEMENT, uint32_t, uint32_t) { return false; }
    virtual bool on_exchange(HELEMENT, HELEMENT, uint32_t) { return false; }

    uint32_t subscribed;
};

// The routing callback given to the engine with every handler.
bool ElementProc(void* tag, HELEMENT he, uint32_t evtg, void* prms);

}  // namespace htmlayout
