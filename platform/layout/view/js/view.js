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

function forget(n) {
    if (n.__fid) nodes.delete(n.__fid);
    for (let c = n.firstChild; c; c = c.nextSibling) forget(c);
}

function setState(el, bits) {
    if (el.nodeType !== 1) return;
    for (const [bit, name] of states)
        if (bits & bit) { if (!el.hasAttribute(name)) el.setAttribute(name, ""); }
        else if (el.hasAttribute(name)) el.removeAttribute(name);
}

// The engine's widgets rendered with what Chromium has.
function decorate(el) {
    const tag = el.localName, type = el.getAttribute("type");
    if (tag === "widget" && type === "text") {
        el.setAttribute("contenteditable", "plaintext-only");
        el.setAttribute("spellcheck", "false");
    }
    // The list takes the keyboard once clicked, so its keys reach the model.
    if (tag === "widget" && type === "select" && !el.hasAttribute("tabindex")) el.setAttribute("tabindex", "-1");
    if (tag === "progress") syncProgress(el);
}

function syncProgress(el) {
    const max = parseInt(el.getAttribute("maxvalue") || "0", 10);
    const val = parseInt(el.getAttribute("value") || "0", 10);
    if (max > 0) { el.max = max; el.value = Math.max(0, Math.min(val, max)); }
    else el.removeAttribute("value");  // an unknown length shows an indeterminate bar
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
        // Chromium draws an HTML option as its label only; outside the HTML
        // namespace the same tag lays its children out and the page's selectors match.
        el = tag === "option" ? document.createElementNS("urn:ferrowick:layout", "option")
                              : document.createElement(isProgress ? "progress" : tag);
    } catch (e) {
        return null;  // a tag name Chromium refuses
    }
    adopt(el, n);
    return el;
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
        if (d) el.appendChild(d);
    }
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
    if (html) { html.__dom = true; document.documentElement.__fid = html.id; nodes.set(html.id, document.documentElement); }
    const head = findTag(root, "head");
    if (head) { document.head.__fid = head.id; nodes.set(head.id, document.head); }
    document.body.textContent = "";
    if (body) {
        for (const a of Array.from(document.body.attributes)) document.body.removeAttribute(a.name);
        adopt(document.body, body);
    }
    queueBoxes();
}

function placeInside(el, x, y) {
    el.style.left = "0px"; el.style.top = "0px";
    const w = el.offsetWidth, h = el.offsetHeight;
    const maxX = Math.max(0, window.innerWidth - w), maxY = Math.max(0, window.innerHeight - h);
    el.style.left = Math.max(0, Math.min(x, maxX)) + "px";
    el.style.top = Math.max(0, Math.min(y, maxY)) + "px";
}

function show(r, below) {
    const el = nodes.get(r.id);
    if (!el || el.nodeType !== 1) return;
    if (!r.show) { el.removeAttribute("fw-shown"); el.style.left = el.style.top = ""; return; }
    el.setAttribute("fw-shown", "");
    let x = r.x, y = r.y;
    const anchor = nodes.get(r.anchor);
    if (below && anchor && anchor.getBoundingClientRect) {
        const a = anchor.getBoundingClientRect();
        x = Math.round(a.left); y = Math.round(a.bottom + 2);
        // Above the source when there is no room below it.
        if (y + el.offsetHeight > window.innerHeight) y = Math.round(a.top - el.offsetHeight - 2);
    }
    placeInside(el, x | 0, y | 0);
}

function apply(batch) {
    for (const r of batch) {
        const el = nodes.get(r.id);
        switch (r.op) {
        case "insert": {
            const parent = nodes.get(r.parent);
            if (!parent) break;
            const before = r.before ? nodes.get(r.before) : null;
            const d = build(r.node);
            if (d) parent.insertBefore(d, before && before.parentNode === parent ? before : null);
            break;
        }
        case "remove":
            if (el) { forget(el); el.remove(); }
            break;
        case "attr":
            if (!el || el.nodeType !== 1) break;
            if (r.value === null || r.value === undefined) el.removeAttribute(r.name);
            else if (el.getAttribute(r.name) !== r.value) setAttr(el, r.name, r.value);
            if (el.localName === "progress") syncProgress(el);
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
            for (let c = el.firstChild; c; c = c.nextSibling) forget(c);
            el.textContent = "";
            if (r.text !== "") {
                const t = document.createTextNode(r.text);
                t.__fid = r.textId; nodes.set(r.textId, t);
                el.appendChild(t);
            }
            break;
        }
        case "html":
            if (!el) break;
            for (let c = el.firstChild; c; c = c.nextSibling) forget(c);
            el.textContent = "";
            for (const c of (r.children || [])) { const d = build(c); if (d) el.appendChild(d); }
            break;
        case "state":
            if (el) setState(el, r.state);
            break;
        case "menu":
            show(r, false);
            break;
        case "popup":
            show(r, true);
            break;
        }
    }
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
            if (!el.__fid) continue;
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

function listen() {
    document.addEventListener("mousedown", e => send("MouseDown", e), true);
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
        send("KeyDown", e, { key: e.key });
    }, true);
    document.addEventListener("scroll", queueBoxes, true);
    document.addEventListener("load", queueBoxes, true);
    window.addEventListener("resize", queueBoxes);
    new ResizeObserver(queueBoxes).observe(document.documentElement);
    new MutationObserver(queueBoxes).observe(document.documentElement,
        { subtree: true, childList: true, attributes: true, characterData: true });
}

function start() {
    listen();
    new QWebChannel(qt.webChannelTransport, channel => {
        host = channel.objects.host;
        host.snapshot.connect(text => load(JSON.parse(text)));
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
