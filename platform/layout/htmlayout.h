#pragma once

// The layout engine's C-style interface: the operations the program calls,
// with their names and meanings. Wide text is UTF-16 (char16_t), narrow text
// is UTF-8; handles carry use counts; every call answers a HLDOM_RESULT.

#include <cstddef>
#include <cstdint>

class HLWindow;
using HWND = HLWindow*;
using HELEMENT = struct HLElementTag*;

using HLDOM_RESULT = int;
enum : int {
    HLDOM_OK = 0,
    HLDOM_INVALID_HWND = 1,
    HLDOM_INVALID_HANDLE = 2,
    HLDOM_PASSIVE_HANDLE = 3,
    HLDOM_INVALID_PARAMETER = 4,
    HLDOM_OPERATION_FAILED = 5,
    HLDOM_OK_NOT_HANDLED = -1,
};

// Element state bits.
enum : uint32_t {
    STATE_LINK = 0x0001,
    STATE_HOVER = 0x0002,
    STATE_ACTIVE = 0x0004,
    STATE_FOCUS = 0x0008,
    STATE_VISITED = 0x0010,
    STATE_CURRENT = 0x0020,
    STATE_CHECKED = 0x0040,
    STATE_DISABLED = 0x0080,
    STATE_READONLY = 0x0100,
    STATE_POPUP = 0x0200,   // a menu or pop-up that is shown
    STATE_ANCHOR = 0x0400,  // the anchor row of a multiple selection
};

// Event groups.
enum : uint32_t {
    HANDLE_INITIALIZATION = 0x0000,
    HANDLE_MOUSE = 0x0001,
    HANDLE_KEY = 0x0002,
    HANDLE_FOCUS = 0x0004,
    HANDLE_SCROLL = 0x0008,
    HANDLE_TIMER = 0x0010,
    HANDLE_SIZE = 0x0020,
    HANDLE_DATA_ARRIVED = 0x0040,
    HANDLE_EXCHANGE = 0x0080,
    HANDLE_BEHAVIOR_EVENT = 0x0100,
    HANDLE_METHOD_CALL = 0x0200,
    HANDLE_ALL = 0x03FF,
};

// Behaviour event codes: the ones the built-in behaviours send.
enum : uint32_t {
    BUTTON_CLICK = 0,
    SELECT_SELECTION_CHANGED = 5,
    POPUP_REQUEST = 7,
    MENU_ITEM_CLICK = 11,
    CONTEXT_MENU_SETUP = 15,
};

// Host notification codes. This engine sends only HLN_LOAD_DATA; the others
// are the interface's notices that the host's notification handler routes,
// kept on purpose as the surface a host is written against.
enum : uint32_t {
    HLN_CREATE_CONTROL = 2816,
    HLN_LOAD_DATA = 2817,
    HLN_CONTROL_CREATED = 2818,
    HLN_DATA_LOADED = 2819,
    HLN_DOCUMENT_COMPLETE = 2820,
    HLN_DESTROY_CONTROL = 2822,
    HLN_ATTACH_BEHAVIOR = 2823,
    HLN_DIALOG_CREATED = 2825,
    HLN_DIALOG_CLOSE_RQ = 2826,
    HLN_DOCUMENT_LOADED = 2831,
};

constexpr uint32_t WM_NOTIFY = 0x004E;
constexpr unsigned HTMLAYOUT_APPEND = 2147483647u;  // insert index: after the last child
constexpr unsigned SIH_REPLACE_CONTENT = 0;         // placement code of HTMLayoutSetElementHtml
constexpr unsigned BORDER_BOX_IN_ROOT = 0x21;       // area code: border box relative to the root

struct POINT {
    int x = 0;
    int y = 0;
};
struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct NMHDR {
    HWND hwndFrom = nullptr;
    uintptr_t idFrom = 0;
    uint32_t code = 0;
};

// HLN_LOAD_DATA: the engine asks the host for the bytes of a URL.
struct NMHL_LOAD_DATA {
    NMHDR hdr;
    const char16_t* uri = nullptr;  // zero-terminated
    const uint8_t* outData = nullptr;
    uint32_t outDataSize = 0;
    uint32_t dataType = 0;
    HELEMENT principal = nullptr;
};

using ElementEventProc = bool (*)(void* tag, HELEMENT he, uint32_t evtg, void* prms);

// HLN_ATTACH_BEHAVIOR: an element names a behaviour the host may supply.
struct NMHL_ATTACH_BEHAVIOR {
    NMHDR hdr;
    HELEMENT element = nullptr;
    const char* behaviorName = nullptr;
    ElementEventProc elementProc = nullptr;
    void* elementTag = nullptr;
    uint32_t elementEvents = 0;
};

using HTMLAYOUT_NOTIFY = intptr_t (*)(uint32_t uMsg, uintptr_t wParam, intptr_t lParam, void* vParam);

// Parameter records of the event groups.
enum : uint32_t {
    MOUSE_ENTER = 0,
    MOUSE_LEAVE = 1,
    MOUSE_MOVE = 2,
    MOUSE_UP = 3,
    MOUSE_DOWN = 4,
    MOUSE_DCLICK = 5,
    MOUSE_CLICK = 0xFF
};
enum : uint32_t { KEY_DOWN = 0, KEY_UP = 1, KEY_CHAR = 2 };
enum : uint32_t { MAIN_MOUSE_BUTTON = 1, PROP_MOUSE_BUTTON = 2 };
enum : uint32_t { ALT_KEY_PRESSED = 0x1, CONTROL_KEY_PRESSED = 0x2, SHIFT_KEY_PRESSED = 0x4 };
enum : uint32_t { BEHAVIOR_DETACH = 0, BEHAVIOR_ATTACH = 1 };

struct INITIALIZATION_PARAMS {
    uint32_t cmd = 0;
};
struct MOUSE_PARAMS {
    uint32_t cmd = 0;
    HELEMENT target = nullptr;
    POINT pos;
    POINT pos_document;
    uint32_t button_state = 0;
    uint32_t alt_state = 0;
};
struct KEY_PARAMS {
    uint32_t cmd = 0;
    HELEMENT target = nullptr;
    uint32_t key_code = 0;
    uint32_t alt_state = 0;
};
struct FOCUS_PARAMS {
    uint32_t cmd = 0;
    HELEMENT target = nullptr;
    bool by_mouse_click = false;
    bool cancel = false;
};
struct SCROLL_PARAMS {
    uint32_t cmd = 0;
    HELEMENT target = nullptr;
    int pos = 0;
    bool vertical = false;
};
struct TIMER_PARAMS {
    uintptr_t timerId = 0;
};
struct DATA_ARRIVED_PARAMS {
    HELEMENT initiator = nullptr;
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;
    uint32_t dataType = 0;
};
struct EXCHANGE_PARAMS {
    uint32_t cmd = 0;
    HELEMENT target = nullptr;
};
struct BEHAVIOR_EVENT_PARAMS {
    uint32_t cmd = 0;
    HELEMENT heTarget = nullptr;
    HELEMENT he = nullptr;
    uint32_t reason = 0;
};
struct METHOD_PARAMS {
    uint32_t methodID = 0;
};
constexpr uint32_t XCALL = 0xFF;  // the scripting-call method id

using HTMLayoutElementCallback = bool (*)(HELEMENT he, void* param);

// Windows (the stand-in for the native window the engine draws into).
HWND HTMLayoutCreateWindow();
void HTMLayoutDestroyWindow(HWND hwnd);

bool HTMLayoutLoadHtml(HWND hwnd, const uint8_t* html, uint32_t size);
void HTMLayoutSetCallback(HWND hwnd, HTMLAYOUT_NOTIFY cb, void* cbParam);
bool HTMLayoutDataReady(HWND hwnd, const char16_t* uri, const uint8_t* data, uint32_t dataLength);
HLDOM_RESULT HTMLayoutWindowAttachEventHandler(HWND hwnd, ElementEventProc pep, void* tag, uint32_t subscription);
HLDOM_RESULT HTMLayoutWindowDetachEventHandler(HWND hwnd, ElementEventProc pep, void* tag);

// Elements.
HLDOM_RESULT HTMLayout_UseElement(HELEMENT he);
HLDOM_RESULT HTMLayout_UnuseElement(HELEMENT he);
HLDOM_RESULT HTMLayoutGetRootElement(HWND hwnd, HELEMENT* phe);
HLDOM_RESULT HTMLayoutCreateElement(const char* tagname, const char16_t* textOrNull, HELEMENT* phe);
HLDOM_RESULT HTMLayoutInsertElement(HELEMENT he, HELEMENT hparent, unsigned index);
HLDOM_RESULT HTMLayoutDeleteElement(HELEMENT he);
HLDOM_RESULT HTMLayoutSetElementInnerText16(HELEMENT he, const char16_t* text, unsigned length);
HLDOM_RESULT HTMLayoutSetElementHtml(HELEMENT he, const uint8_t* html, unsigned length, unsigned where);
HLDOM_RESULT HTMLayoutGetElementInnerText(HELEMENT he, const char** utf8);
HLDOM_RESULT HTMLayoutSetAttributeByName(HELEMENT he, const char* name, const char16_t* valueOrNull);
HLDOM_RESULT HTMLayoutGetAttributeByName(HELEMENT he, const char* name, const char16_t** pvalue);
HLDOM_RESULT HTMLayoutGetElementType(HELEMENT he, const char** ptype);
HLDOM_RESULT HTMLayoutGetElementState(HELEMENT he, uint32_t* pstateBits);
HLDOM_RESULT HTMLayoutSetElementState(HELEMENT he, uint32_t bitsToSet, uint32_t bitsToClear, bool updateView);
HLDOM_RESULT HTMLayoutUpdateElement(HELEMENT he, bool renderNow);
HLDOM_RESULT HTMLayoutGetElementLocation(HELEMENT he, RECT* prect, unsigned areas);
HLDOM_RESULT HTMLayoutFindElement(HWND hwnd, POINT pt, HELEMENT* phe);
HLDOM_RESULT HTMLayoutGetParentElement(HELEMENT he, HELEMENT* pparent);
HLDOM_RESULT HTMLayoutGetChildrenCount(HELEMENT he, unsigned* count);
HLDOM_RESULT HTMLayoutGetNthChild(HELEMENT he, unsigned n, HELEMENT* phe);
HLDOM_RESULT HTMLayoutGetElementHwnd(HELEMENT he, HWND* phwnd, bool rootWindow);
// Every descendant (all depths) whose tag and attribute match; a null filter matches all.
HLDOM_RESULT HTMLayoutVisitElements(HELEMENT he, const char* tagName, const char* attributeName,
                                    const char16_t* attributeValue, HTMLayoutElementCallback cb, void* param,
                                    uint32_t depth);
// Every descendant matching the selector, in document order, until cb answers true.
// An unsupported selector answers HLDOM_INVALID_PARAMETER.
HLDOM_RESULT HTMLayoutSelectElements(HELEMENT he, const char* cssSelectors, HTMLayoutElementCallback cb, void* param);

// How many elements and text nodes are alive (for tests of use counts).
size_t HTMLayoutLiveNodeCount();
