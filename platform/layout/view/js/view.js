// Mirror of the page model: builds the document once, applies mutation
// batches in place by node id, and reports raw input and element boxes back.
// Nothing here decides what an event means; the model does.
(function () {
"use strict";
const nodes = new Map();      // node id -> DOM node
// The model's numbers, from its snapshot: [bit, attribute] for each state
// shown, and the bits of the modifier keys.
let states = [];
let modifierBits = { alt: 0, control: 0, shift: 0 };
let host = null;
let styleEl = null;
let boxesQueued = false;
const lastBoxes = new Map();  // node id -> "x,y,w,h" last sent
let hoverId = 0;
// The engine's own elements that Chromium's HTML versions would draw their
// way: built outside the HTML namespace, where the page's selectors still match.
const LAYOUT_NS = "urn:ferrowick:layout";
// Image addresses whose last load failed: an image built again with one is
// hidden at once instead of showing its frame until the failure comes back.
const failedSrc = new Set();
// A polite live region is announced at most once in this time.
const LIVE_QUIET_MS = 5000;
// A long list lays out and paints only the rows near its visible part: a
// row further away than one list height keeps its box, its place, its nodes
// and its name for assistive technology, but its cells are left out of
// layout (view.css). Chromium skips content-visibility only for HTML
// elements, and the engine's rows are not. Rows start far; each list's near
// rows are found again as it scrolls or its rows change.
const FAR = "fw-far";
const nearRows = new WeakMap();  // list -> Set of its rows shown with their cells
const listsToPlace = new Set();  // lists whose rows changed since they were last placed

function idOf(n) { return n ? n.__fid || 0 : 0; }

// Whatever the model holds, nothing of it runs here: elements that execute or
// embed content are never built, event-handler attributes and javascript:
// URLs never set. The page's Content-Security-Policy is the second wall.
const BLOCKED_TAGS = new Set(["script", "iframe", "object", "embed"]);
const URL_ATTRS = new Set(["src", "href", "action", "formaction", "data", "poster", "background", "xlink:href"]);

function attrAllowed(name, value) {
    const k = String(name).toLowerCase();
    if (k.startsWith("on")) return false;
    // URL parsing drops blanks and controls, so "java\tscript:" counts too.
    return !(URL_ATTRS.has(k) && /^javascript:/i.test(String(value).replace(/[\u0000-\u0020]/g, "")));
}

function setAttr(el, name, value) {
    if (!attrAllowed(name, value)) { el.removeAttribute(name); return; }
    try { el.setAttribute(name, value); } catch (e) { /* a name Chromium refuses */ }
}

function isList(el) { return el.nodeType === 1 && el.localName === "widget" && el.getAttribute("type") === "select"; }

// The rows of a list from one list height above its visible part to one
// below get their cells; the others lose them. Rows are in the order they
// are drawn, so the first near one is found by halving.
function placeRows(list) {
    const rows = list.children, count = rows.length;
    const shown = nearRows.get(list) || new Set();
    const now = new Set();
    if (count && list.isConnected) {
        const view = list.getBoundingClientRect(), reach = view.height;
        const top = view.top - reach, bottom = view.bottom + reach;
        let lo = 0, hi = count;
        while (lo < hi) {
            const mid = (lo + hi) >> 1;
            if (rows[mid].getBoundingClientRect().bottom < top) lo = mid + 1; else hi = mid;
        }
        for (let i = lo; i < count; ++i) {
            const r = rows[i];
            if (r.getBoundingClientRect().top > bottom) break;
            if (isRow(r)) now.add(r);
        }
    }
    for (const r of shown) if (!now.has(r) && r.parentNode === list) r.setAttribute(FAR, "");
    for (const r of now) r.removeAttribute(FAR);
    nearRows.set(list, now);
}

function placeChangedLists() {
    for (const list of listsToPlace) placeRows(list);
    listsToPlace.clear();
}

function forget(n) {
    if (n.__fid) nodes.delete(n.__fid);
    for (let c = n.firstChild; c; c = c.nextSibling) forget(c);
}

function setState(el, bits) {
    if (el.nodeType !== 1) return;
    for (const [bit, name] of states)
        if (bits & bit) { if (!el.hasAttribute(name)) el.setAttribute(name, ""); }
        else if (el.hasAttribute(name)) el.removeAttribute(name);
    ariaStates(el);
}

// What assistive technology reads comes from the model's nodes: roles from
// the engine's widgets and elements, names from the page's own text and
// attributes, states from the state bits. The records that change a node
// change these too.
function setAria(el, name, value) {
    if (value === null) { if (el.hasAttribute(name)) el.removeAttribute(name); }
    else if (el.getAttribute(name) !== value) el.setAttribute(name, value);
}

// An id for aria references to an element the model gave none; never reported as a box.
function viewId(el) {
    if (!el.id) { el.id = "fw-" + el.__fid; el.__viewId = true; }
    return el.id;
}

function isRow(el) { return el.namespaceURI === LAYOUT_NS && el.localName === "option"; }

function ariaStates(el) {
    const role = el.getAttribute("role");
    if (!role) return;
    setAria(el, "aria-disabled", el.hasAttribute("state-disabled") ? "true" : null);
    if (role === "textbox") setAria(el, "aria-readonly", el.hasAttribute("state-readonly") ? "true" : null);
    if (role !== "option") return;
    setAria(el, "aria-selected", el.hasAttribute("state-checked") ? "true" : "false");
    // The list keeps the focus; its current row is the one a screen reader follows.
    const list = el.parentNode;
    if (!list || list.nodeType !== 1) return;
    if (el.hasAttribute("state-current")) {
        list.setAttribute("aria-activedescendant", viewId(el));
        if (document.activeElement === list) el.scrollIntoView({ block: "nearest" });
    } else if (el.id && list.getAttribute("aria-activedescendant") === el.id) {
        list.removeAttribute("aria-activedescendant");
    }
}

// A row is named by its title and described by its status text, the cells
// themselves: their text is never copied into an attribute.
function describeRow(row) {
    const title = row.querySelector(".title"), status = row.querySelector(".text");
    setAria(row, "aria-labelledby", title ? viewId(title) : null);
    setAria(row, "aria-describedby", status ? viewId(status) : null);
}

function focusable(el) {
    if (!el.hasAttribute("tabindex")) el.setAttribute("tabindex", "0");
}

// Within LIVE_QUIET_MS of the last announcement a change is made with the
// region switched off; when the time is over its text then is announced.
function liveChange(region) {
    const s = region.__live || (region.__live = { last: -Infinity, timer: 0 });
    if (s.timer) return;
    const since = performance.now() - s.last;
    if (since >= LIVE_QUIET_MS) { s.last = performance.now(); return; }
    const live = region.getAttribute("aria-live");
    region.setAttribute("aria-live", "off");
    s.timer = setTimeout(() => {
        s.timer = 0;
        s.last = performance.now();
        if (live === null) region.removeAttribute("aria-live"); else region.setAttribute("aria-live", live);
        const t = region.firstChild;
        if (t && t.nodeType === 3 && !t.nextSibling) {
            const fresh = document.createTextNode(t.data);
            if (t.__fid) { fresh.__fid = t.__fid; nodes.set(t.__fid, fresh); }
            region.replaceChild(fresh, t);
        }
    }, LIVE_QUIET_MS - since);
}

function liveRegionOf(el) {
    for (let n = el; n && n.nodeType === 1; n = n.parentNode) {
        const role = n.getAttribute("role"), live = n.getAttribute("aria-live");
        if (role === "status" || live === "polite" || n.__live) return n;
    }
    return null;
}

// The bar as assistive technology reads it; no value while the length is unknown.
function progressAria(el, value, max) {
    el.setAttribute("role", "progressbar");
    el.setAttribute("aria-valuemin", "0");
    setAria(el, "aria-valuemax", max > 0 ? String(max) : null);
    setAria(el, "aria-valuenow", max > 0 ? String(value) : null);
    setAria(el, "aria-valuetext", max > 0 ? Math.floor(value * 100 / max) + " %" : null);
}

// The engine's widgets rendered with what Chromium has, and their roles.
function decorate(el) {
    const tag = el.localName, type = el.getAttribute("type");
    if (tag === "widget" && type === "text") {
        el.setAttribute("contenteditable", "plaintext-only");
        el.setAttribute("spellcheck", "false");
        el.setAttribute("role", "textbox");
        el.setAttribute("aria-multiline", "false");
    } else if (tag === "widget" && type === "button") {
        el.setAttribute("role", "button");
        focusable(el);
    } else if (tag === "widget" && type === "select") {
        el.setAttribute("role", "listbox");
        if (el.hasAttribute("multiple")) el.setAttribute("aria-multiselectable", "true");
        focusable(el);
    } else if (isRow(el)) {
        el.setAttribute("role", "option");
    } else if (tag === "menu") {
        el.setAttribute("role", "menu");
        el.setAttribute("tabindex", "-1");
    } else if (tag === "popup") {
        el.setAttribute("aria-hidden", "true");  // it shows a picture the row beside it names
    } else if (tag === "img" && !el.hasAttribute("alt")) {
        el.setAttribute("alt", "");
    }
    if (isProgressBar(el)) syncProgress(el);
    if (tag === "img") syncImage(el);
    ariaStates(el);
}

// What a node is in its parent: a menu's items, a list's current row.
function decorateChild(parent, el) {
    if (el.nodeType !== 1) return;
    if (isRow(el)) {
        ariaStates(el);  // its list now holds it
        el.setAttribute(FAR, "");
        if (isList(parent)) listsToPlace.add(parent);
    }
    if (parent.localName !== "menu") return;
    if (el.localName === "li") {
        el.setAttribute("role", "menuitem");
        el.setAttribute("tabindex", "-1");
        ariaStates(el);
    } else if (el.localName === "hr") {
        el.setAttribute("role", "separator");
    }
}

function isProgressBar(el) { return el.namespaceURI === LAYOUT_NS && el.localName === "input"; }

// The progress widget: the page's rules size the bar, view.css draws it, and
// a child of the view's own fills the share of maxvalue done. A length not
// known (0 or less) leaves the bar empty: nothing is arriving to show.
function syncProgress(el) {
    const max = parseInt(el.getAttribute("maxvalue") || "0", 10);
    const val = parseInt(el.getAttribute("value") || "0", 10);
    const share = max > 0 && val > 0 ? Math.min(val, max) / max : 0;
    let fill = el.firstElementChild;
    if (!fill) { fill = document.createElement("fw-fill"); el.appendChild(fill); }
    fill.style.width = (share * 100) + "%";
    progressAria(el, Math.max(0, Math.min(val, max)), max);
}

// A picture that is missing or cannot be decoded is not drawn at all (no
// glyph, no border) and keeps its place; a pop-up left with nothing to show
// stays hidden.
function syncImage(img, failed) {
    if (failed === undefined) failed = failedSrc.has(img.getAttribute("src"));
    if (failed) img.setAttribute("fw-broken", ""); else img.removeAttribute("fw-broken");
    const popup = img.closest("popup");
    if (popup) syncPopup(popup);
}

function syncPopup(popup) {
    const images = popup.querySelectorAll("img");
    const empty = images.length > 0 && !popup.textContent.trim() &&
                  Array.from(images).every(i => i.hasAttribute("fw-broken"));
    if (empty) popup.setAttribute("fw-empty", ""); else popup.removeAttribute("fw-empty");
}

// The DOM node of a model node, or null when it must not be shown (then its
// subtree is left out as well and later records for it find nothing).
function build(n) {
    if (n.text !== undefined && n.tag === undefined) {
        const t = document.createTextNode(n.text);
        t.__fid = n.id; nodes.set(n.id, t);
        return t;
    }
    const tag = String(n.tag).toLowerCase();
    if (BLOCKED_TAGS.has(tag)) return null;
    const isProgress = tag === "input" && n.attrs && String(n.attrs.type).toLowerCase() === "progress";
    let el;
    try {
        // Chromium draws an HTML option as its label only, and a progress bar
        // at its own size whatever the page says; these two are the engine's.
        el = tag === "option" || isProgress ? document.createElementNS(LAYOUT_NS, tag) : document.createElement(tag);
    } catch (e) {
        return null;  // a tag name Chromium refuses
    }
    adopt(el, n);
    return el;
}

// Puts a built node into its parent (at the end without before) and gives it
// what it is there.
function attach(parent, d, before) {
    parent.insertBefore(d, before && before.parentNode === parent ? before : null);
    decorateChild(parent, d);
}

// Empties a node for new content; a live region around it announces the
// change in its own time.
function clear(el) {
    const region = el.nodeType === 1 ? liveRegionOf(el) : null;
    if (region) liveChange(region);
    for (let c = el.firstChild; c; c = c.nextSibling) forget(c);
    el.textContent = "";
}

function adopt(el, n) {
    el.__fid = n.id; nodes.set(n.id, el);
    for (const k in (n.attrs || {})) setAttr(el, k, n.attrs[k]);
    setState(el, n.state || 0);
    decorate(el);
    for (const c of (n.children || [])) {
        const tag = c.tag ? String(c.tag).toLowerCase() : "";
        if (tag === "style") continue;  // the style text arrives on its own
        const d = build(c);
        if (d) attach(el, d, null);
    }
    if (isRow(el)) describeRow(el);
}

function rowOf(n) {
    for (; n && n.nodeType !== 9; n = n.parentNode) if (n.nodeType === 1 && isRow(n)) return n;
    return null;
}

function findTag(n, tag) {
    if (!n || !n.tag) return null;
    if (String(n.tag).toLowerCase() === tag) return n;
    for (const c of (n.children || [])) { const f = findTag(c, tag); if (f) return f; }
    return null;
}

function load(snapshot) {
    nodes.clear(); lastBoxes.clear();
    states = snapshot.states || [];
    modifierBits = snapshot.modifiers || modifierBits;
    if (!styleEl) { styleEl = document.createElement("style"); document.head.appendChild(styleEl); }
    styleEl.textContent = snapshot.style || "";
    const root = snapshot.root || {};
    const html = findTag(root, "html"), body = findTag(root, "body");
    if (root.id) { root.__dom = true; nodes.set(root.id, document); }
    if (html) {
        html.__dom = true; document.documentElement.__fid = html.id; nodes.set(html.id, document.documentElement);
        // The root's attributes (the colour scheme) choose rules of the page's sheet.
        for (const a of Array.from(document.documentElement.attributes)) document.documentElement.removeAttribute(a.name);
        for (const k in (html.attrs || {})) setAttr(document.documentElement, k, html.attrs[k]);
    }
    const head = findTag(root, "head");
    if (head) { document.head.__fid = head.id; nodes.set(head.id, document.head); }
    document.body.textContent = "";
    if (body) {
        for (const a of Array.from(document.body.attributes)) document.body.removeAttribute(a.name);
        adopt(document.body, body);
        placeChangedLists();
    }
    queueBoxes();
}

// How far the outer shadows of a computed style reach beyond the border box
// on each side: offset, blur and spread.
function shadowReach(boxShadow) {
    const reach = { left: 0, top: 0, right: 0, bottom: 0 };
    for (const shadow of String(boxShadow).split(/,(?![^(]*\))/)) {
        if (/\binset\b/.test(shadow)) continue;
        const v = (shadow.match(/-?[\d.]+px/g) || []).map(parseFloat);
        if (v.length < 2) continue;
        const [dx, dy, blur = 0, spread = 0] = v;
        const r = blur + spread;
        reach.left = Math.max(reach.left, Math.ceil(r - dx));
        reach.right = Math.max(reach.right, Math.ceil(r + dx));
        reach.top = Math.max(reach.top, Math.ceil(r - dy));
        reach.bottom = Math.max(reach.bottom, Math.ceil(r + dy));
    }
    return reach;
}

// Puts the border box of a shown menu or pop-up at (x, y). Where it would
// cross the right or bottom edge it ends at (altX, altY) instead, as a desktop
// menu opens left of or above the pointer there; then it is moved wholly
// inside the window, border and shadow included.
function place(el, x, y, altX, altY) {
    el.style.left = "0px"; el.style.top = "0px";
    const style = getComputedStyle(el), box = el.getBoundingClientRect();
    const reach = shadowReach(style.boxShadow);
    const fit = (pos, alt, size, before, after, room) => {
        if (pos + size + after > room) pos = alt - size;
        return Math.max(before, Math.min(pos, room - size - after));
    };
    const w = Math.ceil(box.width), h = Math.ceil(box.height);
    const left = fit(x, altX, w, reach.left, reach.right, window.innerWidth);
    const top = fit(y, altY, h, reach.top, reach.bottom, window.innerHeight);
    // left and top place the margin box.
    el.style.left = (left - (parseFloat(style.marginLeft) || 0)) + "px";
    el.style.top = (top - (parseFloat(style.marginTop) || 0)) + "px";
}

function show(r, below) {
    const el = nodes.get(r.id);
    if (!el || el.nodeType !== 1) return;
    if (!r.show) { el.removeAttribute("fw-shown"); el.style.left = el.style.top = ""; return; }
    el.setAttribute("fw-shown", "");
    if (el.localName === "popup") syncPopup(el);
    const anchor = nodes.get(r.anchor);
    if (below && anchor && anchor.getBoundingClientRect) {
        // Below the source, or above it when there is no room below.
        const a = anchor.getBoundingClientRect();
        place(el, Math.round(a.left), Math.round(a.bottom + 2), Math.round(a.left), Math.round(a.top - 2));
    } else {
        place(el, r.x | 0, r.y | 0, r.x | 0, r.y | 0);
    }
}

function apply(batch) {
    const rows = new Set();
    const touch = n => { const row = rowOf(n); if (row) rows.add(row); };
    for (const r of batch) {
        const el = nodes.get(r.id);
        switch (r.op) {
        case "insert": {
            const parent = nodes.get(r.parent);
            if (!parent) break;
            const before = r.before ? nodes.get(r.before) : null;
            const d = build(r.node);
            if (d) attach(parent, d, before);
            touch(parent);
            break;
        }
        case "remove":
            if (el) {
                const parent = el.parentNode;
                forget(el); el.remove(); touch(parent);
                if (parent && isList(parent)) listsToPlace.add(parent);
            }
            break;
        case "attr":
            if (!el || el.nodeType !== 1) break;
            if (r.value === null || r.value === undefined) el.removeAttribute(r.name);
            else if (el.getAttribute(r.name) !== r.value) setAttr(el, r.name, r.value);
            if (isProgressBar(el)) syncProgress(el);
            if (el.localName === "img" && r.name === "src") syncImage(el);
            touch(el);
            break;
        case "text": {
            if (!el) break;
            const only = el.childNodes.length === 1 ? el.firstChild : null;
            if (only && only.nodeType === 3 && only.data === r.text) {
                // Same text (e.g. what the user just typed): keep the node and the caret.
                if (only.__fid) nodes.delete(only.__fid);
                only.__fid = r.textId; nodes.set(r.textId, only);
                break;
            }
            clear(el);
            touch(el);
            if (r.text !== "") {
                const t = document.createTextNode(r.text);
                t.__fid = r.textId; nodes.set(r.textId, t);
                el.appendChild(t);
            }
            break;
        }
        case "html": {
            if (!el) break;
            clear(el);
            for (const c of (r.children || [])) { const d = build(c); if (d) attach(el, d, null); }
            touch(el);
            break;
        }
        case "state":
            if (el) setState(el, r.state);
            break;
        case "menu":
            show(r, !!r.below);
            break;
        case "popup":
            show(r, true);
            break;
        case "focus":
            if (el && el.focus) el.focus();
            break;
        }
    }
    for (const row of rows) if (row.isConnected) describeRow(row);
    placeChangedLists();
    queueBoxes();
}

// Border boxes of the elements that have an id, sent when they change.
function queueBoxes() {
    if (boxesQueued) return;
    boxesQueued = true;
    requestAnimationFrame(() => {
        boxesQueued = false;
        const out = [];
        for (const el of document.querySelectorAll("[id]")) {
            if (!el.__fid || el.__viewId) continue;
            const b = el.getBoundingClientRect();
            const key = [Math.round(b.left), Math.round(b.top), Math.round(b.width), Math.round(b.height)];
            const s = key.join(",");
            if (lastBoxes.get(el.__fid) === s) continue;
            lastBoxes.set(el.__fid, s);
            out.push([el.__fid].concat(key));
        }
        if (out.length && host) host.boxes(out);
    });
}

function modifiers(e) {
    return (e.altKey ? modifierBits.alt : 0) | (e.ctrlKey || e.metaKey ? modifierBits.control : 0) |
           (e.shiftKey ? modifierBits.shift : 0);
}

// A text widget's text with its line breaks, however Chromium holds them
// (newlines in text, <br>, block elements), so a pasted list keeps its lines.
function widgetText(w) {
    let out = "";
    (function walk(n) {
        for (let c = n.firstChild; c; c = c.nextSibling) {
            if (c.nodeType === 3) { out += c.data; continue; }
            if (c.nodeType !== 1) continue;
            if (c.localName === "br") { out += "\n"; continue; }
            const block = c.localName === "div" || c.localName === "p";
            if (block && out && !out.endsWith("\n")) out += "\n";
            walk(c);
            if (block && !out.endsWith("\n")) out += "\n";
        }
    })(w);
    return out;
}

function targetId(e) {
    let n = e.target;
    while (n && !n.__fid) n = n.parentNode;
    return idOf(n);
}

function send(type, e, extra) {
    if (!host) return;
    const m = { type: type, target: targetId(e), x: Math.round(e.clientX || 0), y: Math.round(e.clientY || 0),
                modifiers: modifiers(e), button: e.button || 0 };
    Object.assign(m, extra || {});
    host.input(m);
}

const LIST_KEYS = new Set(["ArrowUp", "ArrowDown", "ArrowLeft", "ArrowRight", "Home", "End", "PageUp", "PageDown", " "]);

// Keys whose meaning is the model's, not Chromium's: its keyboard context
// menu, a button's Space and Enter, a list's scrolling and select-all, and
// every key but the modifiers while the focus is in a menu.
function keptFromChromium(e) {
    if (e.key === "ContextMenu" || (e.key === "F10" && e.shiftKey)) return true;
    const t = e.target && e.target.nodeType === 1 ? e.target : null;
    if (!t) return false;
    if (t.closest("menu[fw-shown]")) return !["Shift", "Control", "Alt", "Meta"].includes(e.key);
    const role = t.getAttribute("role");
    if (role === "button") return e.key === " " || e.key === "Enter";
    if (role === "listbox") return LIST_KEYS.has(e.key) || ((e.ctrlKey || e.metaKey) && e.key.toLowerCase() === "a");
    return false;
}

function listen() {
    document.addEventListener("mousedown", e => {
        // A click in a menu leaves the focus where it was.
        if (e.target && e.target.closest && e.target.closest("menu[fw-shown]")) e.preventDefault();
        send("MouseDown", e);
    }, true);
    document.addEventListener("mouseup", e => send("MouseUp", e), true);
    document.addEventListener("click", e => send("Click", e), true);
    document.addEventListener("dblclick", e => send("DoubleClick", e), true);
    document.addEventListener("contextmenu", e => { e.preventDefault(); send("ContextMenu", e, { button: 2 }); }, true);
    document.addEventListener("mouseover", e => {
        const id = targetId(e);
        if (id === hoverId) return;
        hoverId = id;
        send("HoverEnter", e);
    }, true);
    document.addEventListener("mouseout", e => {
        if (e.relatedTarget && e.relatedTarget !== document.documentElement) return;
        hoverId = 0;
        send("HoverLeave", e);
    }, true);
    document.addEventListener("input", e => {
        const w = e.target && e.target.closest ? e.target.closest('widget[type="text"]') : null;
        if (!w || !host) return;
        host.input({ type: "TextChanged", target: idOf(w), text: widgetText(w), x: 0, y: 0, modifiers: 0, button: 0 });
    }, true);
    document.addEventListener("keydown", e => {
        const w = e.target && e.target.closest ? e.target.closest('widget[type="text"]') : null;
        if (w && e.key === "Enter") e.preventDefault();  // typing makes no lines; a paste may bring several
        if (keptFromChromium(e)) e.preventDefault();
        send("KeyDown", e, { key: e.key });
    }, true);
    document.addEventListener("scroll", e => {
        if (e.target && e.target.nodeType === 1 && isList(e.target)) placeRows(e.target);
        queueBoxes();
    }, true);
    // Image loads and failures do not bubble; the capture phase sees them.
    document.addEventListener("load", e => {
        const img = e.target;
        if (img && img.localName === "img") { failedSrc.delete(img.getAttribute("src")); syncImage(img, false); }
        queueBoxes();
    }, true);
    document.addEventListener("error", e => {
        const img = e.target;
        if (!img || img.localName !== "img") return;
        failedSrc.add(img.getAttribute("src"));
        syncImage(img, true);
    }, true);
    window.addEventListener("resize", () => {
        for (const list of document.querySelectorAll('widget[type="select"]')) placeRows(list);
        queueBoxes();
    });
    new ResizeObserver(queueBoxes).observe(document.documentElement);
    new MutationObserver(queueBoxes).observe(document.documentElement,
        { subtree: true, childList: true, attributes: true, characterData: true });
}

function start() {
    listen();
    new QWebChannel(qt.webChannelTransport, channel => {
        host = channel.objects.host;
        // The marks time a start's phases for the start-up benchmark.
        host.snapshot.connect(text => {
            performance.mark("fw-snapshot-received");
            const snapshot = JSON.parse(text);
            performance.mark("fw-snapshot-parsed");
            load(snapshot);
            performance.mark("fw-document-built");
            // What the parse left behind goes at once, after the first
            // paint, when the program lets the page ask for it.
            requestAnimationFrame(() => setTimeout(() => { if (typeof gc === "function") gc(); }, 0));
        });
        host.batch.connect((seq, text) => {
            const t0 = performance.now();
            apply(JSON.parse(text));
            host.applied(seq, performance.now() - t0);
        });
        host.ready();
    });
}

if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
else start();
})();
