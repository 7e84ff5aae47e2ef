#pragma once

// What a view needs to mirror a window's document: a snapshot once, then
// batches of mutation records; raw input and element boxes travel back.
// Every node (element or text) has a stable id, never reused in a process.
//
// Snapshot:  {"style": "<style text>", "root": NODE, "states": [[BIT, "attribute"]...],
//             "modifiers": {"alt": BIT, "control": BIT, "shift": BIT}}
//   The view shows each listed state bit of a node as the attribute named
//   beside it, and reports its modifier keys with these bits.
//   NODE = {"id":N, "tag":"div", "attrs":{"name":"value"}, "state":BITS, "children":[NODE...]}
//        | {"id":N, "text":"..."}
// Batch (array, in order):
//   {"op":"insert", "parent":P, "before":B, "node":NODE}     B = the next sibling's id, 0 = append
//   {"op":"remove", "id":N}                                  the whole subtree
//   {"op":"attr",   "id":N, "name":"src", "value":"x"|null}
//   {"op":"text",   "id":N, "textId":T, "text":"..."}         children replaced by one text node
//   {"op":"html",   "id":N, "children":[NODE...]}             children replaced
//   {"op":"state",  "id":N, "state":BITS}
//   {"op":"menu",   "show":true, "id":M, "anchor":A, "x":X, "y":Y} / {"op":"menu","show":false,"id":M}
//                   with "below":true (opened from the keyboard) it shows under A, else at X, Y
//   {"op":"popup",  "show":true, "id":P, "anchor":A} / {"op":"popup","show":false,"id":P}
//   {"op":"focus",  "id":N}                                  the keyboard's focus moves to N
//   {"op":"update"}                                          the program asked for a repaint

#include "htmlayout.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

namespace layout {

// Raw input from the view, about the element under the pointer (or with focus).
struct LayoutInput {
    enum Type { MouseDown, MouseUp, Click, DoubleClick, ContextMenu, HoverEnter, HoverLeave, TextChanged, KeyDown };
    enum Button { LeftButton = 0, RightButton = 2 };  // the DOM's numbers
    Type type = Click;
    uint32_t target = 0;      // node id
    int x = 0, y = 0;         // in page co-ordinates
    uint32_t modifiers = 0;   // ALT_KEY_PRESSED | CONTROL_KEY_PRESSED | SHIFT_KEY_PRESSED
    int button = LeftButton;  // or RightButton
    QString key;              // DOM key name: "ArrowDown", "a", "Escape"
    QString text;             // TextChanged: the text widget's whole new text
};

// The host window sees raw input before the engine; true consumes it.
using InputHook = std::function<bool(HWND, const LayoutInput&)>;

uint32_t NodeId(HELEMENT he);
HELEMENT ElementFromId(uint32_t id);  // no use taken; null when dead

QByteArray SnapshotDocument(HWND hwnd);
QByteArray TakeMutations(HWND hwnd);
int PendingMutations(HWND hwnd);
// Called once when the first record of a batch is logged, and on update requests.
void SetDirtyCallback(HWND hwnd, std::function<void()> onDirty);

void ProcessInput(HWND hwnd, const LayoutInput& input);
void SetInputHook(HWND hwnd, InputHook hook);

// Border boxes in page co-ordinates, as laid out by the view.
void SetElementBoxes(HWND hwnd, const QList<QPair<uint32_t, QRect>>& boxes);

// Bytes for a page resource, asked of the host as HLN_LOAD_DATA; none when it
// does not answer (the view then reads a local file itself).
std::optional<QByteArray> RequestData(HWND hwnd, const QString& url);

// The page's style text as loaded.
QString StyleText(HWND hwnd);

}  // namespace layout
