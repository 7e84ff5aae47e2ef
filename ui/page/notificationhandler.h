#pragma once

#include "behaviorregistry.h"
#include "resourceloader.h"

#include "platform/layout/htmlayout.h"

namespace htmlayout {

// The host side of the engine's notifications, for a host class T that
// derives from it. Only data requests and behaviour attaches act; the other
// operations are the engine's interface, kept so that a host can act on
// more of its notices without a change here.
template <class T>
class notification_handler {
public:
    // The engine's notification codes; anything outside is not for the host.
    static constexpr uint32_t FIRST_CODE = HLN_CREATE_CONTROL;
    static constexpr uint32_t LAST_CODE = HLN_DOCUMENT_LOADED;

    virtual ~notification_handler() = default;

    virtual intptr_t on_create_control(NMHDR*) { return 0; }
    virtual intptr_t on_control_created(NMHDR*) { return 0; }
    virtual intptr_t on_destroy_control(NMHDR*) { return 0; }
    virtual intptr_t OnLoadData(NMHL_LOAD_DATA* record)
    {
        if (!record || !record->uri)
            return 0;
        const QString url = QString::fromUtf16(record->uri);
        if (auto res = LoadResourceByUrl(url))
            HTMLayoutDataReady(record->hdr.hwndFrom, record->uri, res->data, res->size);
        return 0;
    }
    virtual intptr_t on_data_loaded(NMHDR*) { return 0; }
    virtual intptr_t on_document_complete(NMHDR*) { return 0; }
    virtual intptr_t on_dialog_close_rq(NMHDR*) { return 0; }
    virtual intptr_t OnAttachBehavior(NMHL_ATTACH_BEHAVIOR* record)
    {
        if (const behavior* b = record ? CBehaviorRegistry::find(record->behaviorName) : nullptr) {
            record->elementTag = b->handler;
            record->elementProc = &ElementProc;
            record->elementEvents = b->handler->subscribed;
        }
        return 0;
    }
    virtual intptr_t on_document_loaded(NMHDR*) { return 0; }
    virtual intptr_t on_dialog_created(NMHDR*) { return 0; }

    // The callback registered with the engine; vParam is the host.
    static intptr_t HostNotify(uint32_t /*uMsg*/, uintptr_t /*wParam*/, intptr_t lParam, void* vParam)
    {
        // The record travels as an integer, as every notification's does.
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);  // NOLINT(performance-no-int-to-ptr)
        if (!hdr || !vParam || hdr->code < FIRST_CODE || hdr->code > LAST_CODE)
            return 0;
        notification_handler* self = static_cast<T*>(vParam);
        switch (hdr->code) {
        case HLN_CREATE_CONTROL:
            return self->on_create_control(hdr);
        case HLN_LOAD_DATA:
            return self->OnLoadData(reinterpret_cast<NMHL_LOAD_DATA*>(hdr));
        case HLN_CONTROL_CREATED:
            return self->on_control_created(hdr);
        case HLN_DATA_LOADED:
            return self->on_data_loaded(hdr);
        case HLN_DOCUMENT_COMPLETE:
            return self->on_document_complete(hdr);
        case HLN_DESTROY_CONTROL:
            return self->on_destroy_control(hdr);
        case HLN_ATTACH_BEHAVIOR:
            return self->OnAttachBehavior(reinterpret_cast<NMHL_ATTACH_BEHAVIOR*>(hdr));
        case HLN_DIALOG_CREATED:
            return self->on_dialog_created(hdr);
        case HLN_DIALOG_CLOSE_RQ:
            return self->on_dialog_close_rq(hdr);
        case HLN_DOCUMENT_LOADED:
            return self->on_document_loaded(hdr);
        default:
            return 0;
        }
    }
};

}  // namespace htmlayout
