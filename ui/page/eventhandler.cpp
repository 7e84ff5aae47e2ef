#include "eventhandler.h"

namespace htmlayout {

bool ElementProc(void* tag, HELEMENT he, uint32_t evtg, void* prms)
{
    auto* h = static_cast<event_handler*>(tag);
    if (!h)
        return false;
    switch (evtg) {
    case HANDLE_INITIALIZATION: {
        auto* p = static_cast<INITIALIZATION_PARAMS*>(prms);
        if (p->cmd == BEHAVIOR_DETACH)
            h->detached(he);
        else if (p->cmd == BEHAVIOR_ATTACH)
            h->attached(he);
        return true;
    }
    case HANDLE_MOUSE:
        return h->handle_mouse(he, *static_cast<MOUSE_PARAMS*>(prms));
    case HANDLE_KEY:
        return h->handle_key(he, *static_cast<KEY_PARAMS*>(prms));
    case HANDLE_FOCUS:
        return h->handle_focus(he, *static_cast<FOCUS_PARAMS*>(prms));
    case HANDLE_SCROLL:
        return h->handle_scroll(he, *static_cast<SCROLL_PARAMS*>(prms));
    case HANDLE_TIMER:
        return h->handle_timer(he, *static_cast<TIMER_PARAMS*>(prms));
    case HANDLE_SIZE:
        h->handle_size(he);
        return false;
    case HANDLE_DATA_ARRIVED:
        return h->handle_data_arrived(he, *static_cast<DATA_ARRIVED_PARAMS*>(prms));
    case HANDLE_EXCHANGE:
        return h->handle_exchange(he, *static_cast<EXCHANGE_PARAMS*>(prms));
    case HANDLE_BEHAVIOR_EVENT:
        return h->handle_event(he, *static_cast<BEHAVIOR_EVENT_PARAMS*>(prms));
    case HANDLE_METHOD_CALL: {
        auto* p = static_cast<METHOD_PARAMS*>(prms);
        return p->methodID == XCALL ? h->handle_scripting_call(he, *p) : h->handle_method_call(he, *p);
    }
    default:
        return false;
    }
}

}  // namespace htmlayout
