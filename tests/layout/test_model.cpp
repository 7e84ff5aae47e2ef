#include "platform/layout/htmlayout.h"
#include "platform/layout/layoutview.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* kPage = R"(<html><head><style>
@import url(std-menu.css);
/* the menus */
body { width:680; context-menu: selector(menu#item_menu) }
#content option { height:40; context-menu: selector(menu#item_menu); flow:horizontal }
#url { width:100%% }
</style></head><body>
<div id="top"><widget id="add" type="button" title="Add">+</widget><widget id="url" type="text"></widget>
<widget id="off" type="button">x</widget></div>
<widget id="content" type="select" multiple></widget>
<img id="thumb" titleid="thumb_tip" src="unknown.png">
<menu id="item_menu"><li id="mi_restart">Restart</li><hr><li id="mi_remove">Remove</li></menu>
<popup id="thumb_tip"><img id="thumb_tip_img" src="unknown.png"></popup>
</body></html>)";

struct Event {
    uint32_t group;
    uint32_t cmd;
    std::string target;
    std::string source;
};

std::string IdOf(HELEMENT he)
{
    const char16_t* v = nullptr;
    if (!he || HTMLayoutGetAttributeByName(he, "id", &v) != HLDOM_OK || !v) {
        const char* tag = nullptr;
        if (he)
            HTMLayoutGetElementType(he, &tag);
        return tag ? std::string("<") + tag + ">" : "";
    }
    return QString::fromUtf16(v).toStdString();
}

struct Model : ::testing::Test {
    HWND hwnd = HTMLayoutCreateWindow();
    std::vector<Event> events;
    std::vector<std::string> hooked;
    bool consume = false;

    void SetUp() override
    {
        ASSERT_TRUE(HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(kPage), uint32_t(strlen(kPage))));
        HTMLayoutWindowAttachEventHandler(hwnd, &Model::Proc, this, HANDLE_ALL);
        layout::SetDirtyCallback(hwnd, [] {});
        layout::TakeMutations(hwnd);
    }
    void TearDown() override { HTMLayoutDestroyWindow(hwnd); }

    static bool Proc(void* tag, HELEMENT, uint32_t group, void* prms)
    {
        auto* self = static_cast<Model*>(tag);
        if (group == HANDLE_BEHAVIOR_EVENT) {
            auto* p = static_cast<BEHAVIOR_EVENT_PARAMS*>(prms);
            self->events.push_back({group, p->cmd, IdOf(p->heTarget), IdOf(p->he)});
            if (p->cmd == CONTEXT_MENU_SETUP)  // the frame disables an item before the menu shows
                HTMLayoutSetElementState(self->byId("mi_remove"), STATE_DISABLED, 0, false);
        } else if (group == HANDLE_MOUSE) {
            auto* p = static_cast<MOUSE_PARAMS*>(prms);
            self->events.push_back({group, p->cmd, IdOf(p->target), ""});
        }
        return false;
    }

    HELEMENT root()
    {
        HELEMENT he = nullptr;
        HTMLayoutGetRootElement(hwnd, &he);
        return he;
    }
    HELEMENT byId(const char* id)
    {
        struct Found {
            HELEMENT he = nullptr;
        } f;
        const QString wide = QString::fromLatin1(id);
        HTMLayoutVisitElements(
            root(), nullptr, "id", reinterpret_cast<const char16_t*>(wide.utf16()),
            [](HELEMENT he, void* p) {
                static_cast<Found*>(p)->he = he;
                return true;
            },
            &f, 0);
        return f.he;
    }
    HELEMENT addRow(const char* value)
    {
        HELEMENT row = nullptr;
        HTMLayoutCreateElement("Option", nullptr, &row);
        const QString v = QString::fromLatin1(value);
        HTMLayoutSetAttributeByName(row, "value", reinterpret_cast<const char16_t*>(v.utf16()));
        HTMLayoutSetAttributeByName(row, "id", reinterpret_cast<const char16_t*>(v.utf16()));
        HTMLayoutInsertElement(row, byId("content"), HTMLAYOUT_APPEND);
        HTMLayout_UnuseElement(row);  // the page keeps it
        return row;
    }
    std::vector<std::string> select(const char* css, HELEMENT under = nullptr, int stopAfter = -1)
    {
        struct Ctx {
            std::vector<std::string> ids;
            int stop;
        } ctx{{}, stopAfter};
        const HLDOM_RESULT r = HTMLayoutSelectElements(
            under ? under : root(), css,
            [](HELEMENT he, void* p) {
                auto* c = static_cast<Ctx*>(p);
                c->ids.push_back(IdOf(he));
                return c->stop >= 0 && int(c->ids.size()) >= c->stop;
            },
            &ctx);
        EXPECT_EQ(r, HLDOM_OK) << css;
        return ctx.ids;
    }
    void input(layout::LayoutInput::Type type, HELEMENT target, uint32_t mods = 0, const QString& key = {})
    {
        layout::LayoutInput in;
        in.type = type;
        in.target = layout::NodeId(target);
        in.modifiers = mods;
        in.key = key;
        layout::ProcessInput(hwnd, in);
    }
    bool checked(HELEMENT he)
    {
        uint32_t s = 0;
        HTMLayoutGetElementState(he, &s);
        return s & STATE_CHECKED;
    }
    QJsonArray batch() { return QJsonDocument::fromJson(layout::TakeMutations(hwnd)).array(); }
};

using Ids = std::vector<std::string>;

}  // namespace

TEST_F(Model, UsesKeepRemovedElementsAliveUntilTheLastGoes)
{
    const size_t before = HTMLayoutLiveNodeCount();
    HELEMENT row = addRow("r1");
    HTMLayout_UseElement(row);
    HTMLayout_UseElement(row);
    ASSERT_EQ(HTMLayoutDeleteElement(row), HLDOM_OK);
    const char* tag = nullptr;
    EXPECT_EQ(HTMLayoutGetElementType(row, &tag), HLDOM_OK);  // still valid, detached
    EXPECT_STREQ(tag, "option");
    HELEMENT parent = reinterpret_cast<HELEMENT>(1);
    HTMLayoutGetParentElement(row, &parent);
    EXPECT_EQ(parent, nullptr);
    HTMLayout_UnuseElement(row);
    EXPECT_EQ(HTMLayoutGetElementType(row, &tag), HLDOM_OK);
    HTMLayout_UnuseElement(row);
    EXPECT_EQ(HTMLayoutLiveNodeCount(), before);
    // Dead handles are refused, never touched.
    EXPECT_EQ(HTMLayoutGetElementType(row, &tag), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayout_UnuseElement(row), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutGetElementType(reinterpret_cast<HELEMENT>(0x7fffffff), &tag), HLDOM_INVALID_HANDLE);
    // A pointer whose low half is a live id is still foreign.
    const uint64_t aliased = (uint64_t(1) << 32) | layout::NodeId(byId("content"));
    EXPECT_EQ(HTMLayoutGetElementType(reinterpret_cast<HELEMENT>(uintptr_t(aliased)), &tag), HLDOM_INVALID_HANDLE);
}

TEST_F(Model, InsertsAtTheGivenIndexAndMatchesTagsInAnyCase)
{
    addRow("b");
    addRow("c");
    HELEMENT first = nullptr;
    HTMLayoutCreateElement("OPTION", nullptr, &first);
    HTMLayoutSetAttributeByName(first, "id", u"a");
    HTMLayoutInsertElement(first, byId("content"), 0);
    HTMLayout_UnuseElement(first);
    EXPECT_EQ(select("option"), (Ids{"a", "b", "c"}));
    EXPECT_EQ(select("Option"), (Ids{"a", "b", "c"}));
    EXPECT_EQ(select("#content > OPTION"), (Ids{"a", "b", "c"}));
}

TEST_F(Model, SelectorsFollowDocumentOrderAndStates)
{
    HELEMENT a = addRow("a");
    addRow("b");
    HELEMENT c = addRow("c");
    EXPECT_TRUE(select("Option:checked", byId("content")).empty());
    HTMLayoutSetElementState(c, STATE_CHECKED, 0, false);
    HTMLayoutSetElementState(a, STATE_CHECKED, 0, false);
    EXPECT_EQ(select("Option:checked", byId("content")), (Ids{"a", "c"}));
    EXPECT_EQ(select("option", byId("content"), 1), (Ids{"a"}));  // a visitor answering true stops
    EXPECT_EQ(select("widget[type=button]"), (Ids{"add", "off"}));
    EXPECT_EQ(select("widget[type=\"text\"], #thumb_tip img"), (Ids{"url", "thumb_tip_img"}));
    EXPECT_EQ(select("body #top > *"), (Ids{"add", "url", "off"}));
    EXPECT_EQ(select("li:disabled"), Ids{});
    EXPECT_EQ(select("[titleid]"), (Ids{"thumb"}));
    HTMLayoutSetAttributeByName(a, "class", u"row  error");
    EXPECT_EQ(select(".error.row"), (Ids{"a"}));

    // Outside the subset: an error, not an empty result.
    for (const char* bad : {"option:nth-child(odd)", "a + b", "li:hover", "[x", "", "#"}) {
        EXPECT_EQ(HTMLayoutSelectElements(
                      root(), bad, [](HELEMENT, void*) { return false; }, nullptr),
                  HLDOM_INVALID_PARAMETER)
            << bad;
    }
}

TEST_F(Model, TextAndHtmlReplaceTheContent)
{
    HELEMENT row = addRow("r");
    HTMLayoutSetElementInnerText16(row, u"a <b> & c", 9);
    const char* text = nullptr;
    HTMLayoutGetElementInnerText(row, &text);
    EXPECT_STREQ(text, "a <b> & c");
    EXPECT_TRUE(select("b", row).empty());  // plain text, no markup

    const std::string html = "1.0 KB - <span class=\"error\">Internet Error!</span>";
    HTMLayoutSetElementHtml(row, reinterpret_cast<const uint8_t*>(html.data()), unsigned(html.size()), 0);
    EXPECT_EQ(select("span.error", row).size(), 1u);
    HTMLayoutGetElementInnerText(row, &text);
    EXPECT_STREQ(text, "1.0 KB - Internet Error!");

    HTMLayoutSetElementInnerText16(row, u"", 0);
    unsigned n = 9;
    HTMLayoutGetChildrenCount(row, &n);
    EXPECT_EQ(n, 0u);
    HTMLayoutGetElementInnerText(row, &text);
    EXPECT_STREQ(text, "");
}

TEST_F(Model, ButtonClickReachesTheHandlerUnlessDisabled)
{
    input(layout::LayoutInput::Click, byId("add"));
    HTMLayoutSetElementState(byId("off"), STATE_DISABLED, 0, false);
    input(layout::LayoutInput::Click, byId("off"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].cmd, BUTTON_CLICK);
    EXPECT_EQ(events[0].target, "add");
}

TEST_F(Model, HostHookSeesInputFirstAndMayConsumeIt)
{
    layout::SetInputHook(hwnd, [&](HWND, const layout::LayoutInput& in) {
        hooked.push_back(in.type == layout::LayoutInput::DoubleClick ? "dbl" : "other");
        return consume;
    });
    input(layout::LayoutInput::DoubleClick, byId("add"));
    ASSERT_EQ(hooked, (Ids{"dbl"}));
    ASSERT_EQ(events.size(), 1u);  // then the engine went on
    EXPECT_EQ(events[0].cmd, uint32_t(MOUSE_DCLICK));
    consume = true;
    input(layout::LayoutInput::Click, byId("add"));
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(Model, SelectListFollowsClicksModifiersAndKeys)
{
    HELEMENT r[5];
    for (int i = 0; i < 5; ++i)
        r[i] = addRow(std::string(1, char('a' + i)).c_str());
    const auto checkedIds = [&] { return select("Option:checked", byId("content")); };

    input(layout::LayoutInput::Click, r[1]);
    EXPECT_EQ(checkedIds(), (Ids{"b"}));
    input(layout::LayoutInput::Click, r[3], CONTROL_KEY_PRESSED);
    EXPECT_EQ(checkedIds(), (Ids{"b", "d"}));
    input(layout::LayoutInput::Click, r[1], CONTROL_KEY_PRESSED);  // toggles off
    EXPECT_EQ(checkedIds(), (Ids{"d"}));
    input(layout::LayoutInput::Click, r[0], SHIFT_KEY_PRESSED);  // range from the anchor, the last clicked b
    EXPECT_EQ(checkedIds(), (Ids{"a", "b"}));
    input(layout::LayoutInput::Click, r[3], SHIFT_KEY_PRESSED);
    EXPECT_EQ(checkedIds(), (Ids{"b", "c", "d"}));
    input(layout::LayoutInput::Click, r[2]);
    EXPECT_EQ(checkedIds(), (Ids{"c"}));
    input(layout::LayoutInput::KeyDown, r[2], 0, "ArrowDown");
    EXPECT_EQ(checkedIds(), (Ids{"d"}));
    input(layout::LayoutInput::KeyDown, byId("content"), SHIFT_KEY_PRESSED, "ArrowDown");
    EXPECT_EQ(checkedIds(), (Ids{"d", "e"}));
    input(layout::LayoutInput::KeyDown, byId("content"), 0, "ArrowUp");
    EXPECT_EQ(checkedIds(), (Ids{"d"}));
    input(layout::LayoutInput::KeyDown, byId("content"), CONTROL_KEY_PRESSED, "a");
    EXPECT_EQ(checkedIds().size(), 5u);
    // A right-click (the press, then the menu) inside the selection keeps it;
    // outside, it selects that row alone before the menu is set up.
    const auto rightClick = [&](HELEMENT row) {
        layout::LayoutInput in;
        in.type = layout::LayoutInput::MouseDown;
        in.button = layout::LayoutInput::RightButton;
        in.target = layout::NodeId(row);
        layout::ProcessInput(hwnd, in);
        input(layout::LayoutInput::ContextMenu, row);
    };
    rightClick(r[0]);
    EXPECT_EQ(checkedIds().size(), 5u);
    input(layout::LayoutInput::Click, r[1]);
    events.clear();
    rightClick(r[3]);
    EXPECT_EQ(checkedIds(), (Ids{"d"}));
    ASSERT_EQ(events.size(), 3u);  // the press, the new selection, the menu's set-up
    EXPECT_EQ(events[1].cmd, SELECT_SELECTION_CHANGED);
    EXPECT_EQ(events[2].cmd, CONTEXT_MENU_SETUP);
    input(layout::LayoutInput::KeyDown, r[3], 0, "Escape");
    // A row inside a deeper element of the row still selects the row.
    HELEMENT cell = nullptr;
    HTMLayoutCreateElement("div", u"title", &cell);
    HTMLayoutInsertElement(cell, r[4], HTMLAYOUT_APPEND);
    HTMLayout_UnuseElement(cell);
    input(layout::LayoutInput::Click, cell);
    EXPECT_EQ(checkedIds(), (Ids{"e"}));
}

TEST_F(Model, ContextMenuSetUpThenShowThenItemClick)
{
    HELEMENT row = addRow("r1");
    HELEMENT cell = nullptr;
    HTMLayoutCreateElement("div", nullptr, &cell);
    HTMLayoutInsertElement(cell, row, HTMLAYOUT_APPEND);
    HTMLayout_UnuseElement(cell);
    batch();

    input(layout::LayoutInput::ContextMenu, cell);  // the row's rule names the menu
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].cmd, CONTEXT_MENU_SETUP);
    EXPECT_EQ(events[0].source, "item_menu");
    EXPECT_EQ(events[0].target, "r1");
    // The set-up ran before the menu was shown: its state change comes first.
    const QJsonArray b = batch();
    ASSERT_GE(b.size(), 2);
    EXPECT_EQ(b[b.size() - 1].toObject()["op"].toString(), "menu");
    EXPECT_TRUE(b[b.size() - 1].toObject()["show"].toBool());
    EXPECT_EQ(b[0].toObject()["op"].toString(), "state");

    input(layout::LayoutInput::Click, byId("mi_remove"));  // disabled: nothing, menu stays
    EXPECT_EQ(events.size(), 1u);
    input(layout::LayoutInput::Click, byId("mi_restart"));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].cmd, MENU_ITEM_CLICK);
    EXPECT_EQ(events[1].target, "mi_restart");
    EXPECT_EQ(events[1].source, "r1");
    uint32_t s = 0;
    HTMLayoutGetElementState(byId("item_menu"), &s);
    EXPECT_FALSE(s & STATE_POPUP);

    // Outside the rows the body's rule applies; Escape closes.
    input(layout::LayoutInput::ContextMenu, byId("top"));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2].target, "<body>");
    input(layout::LayoutInput::KeyDown, byId("top"), 0, "Escape");
    HTMLayoutGetElementState(byId("item_menu"), &s);
    EXPECT_FALSE(s & STATE_POPUP);
    input(layout::LayoutInput::Click, byId("mi_restart"));  // closed: no item click
    EXPECT_EQ(events.size(), 3u);
}

// The keyboard's way to the same menu: Shift+F10 on the list opens the
// selected row's menu with the focus in it, the arrows pass over a disabled
// item, Enter runs the current one and the focus goes back to the list.
TEST_F(Model, TheMenuKeyOpensTheSelectedRowsMenuAndEnterRunsTheCurrentItem)
{
    addRow("r1");
    input(layout::LayoutInput::Click, addRow("r2"));
    events.clear();
    batch();
    input(layout::LayoutInput::KeyDown, byId("content"), SHIFT_KEY_PRESSED, "F10");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].target, "r2");
    for (int i = 0; i < 3; ++i)  // Remove is disabled: Restart stays current
        input(layout::LayoutInput::KeyDown, byId("item_menu"), 0, i ? "ArrowUp" : "ArrowDown");
    input(layout::LayoutInput::KeyDown, byId("mi_restart"), 0, "Enter");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].cmd, MENU_ITEM_CLICK);
    EXPECT_EQ(events[1].target, "mi_restart");
    EXPECT_EQ(events[1].source, "r2");
    std::vector<uint32_t> focus;
    for (const QJsonValue& r : batch())
        if (r.toObject()["op"].toString() == "focus")
            focus.push_back(uint32_t(r.toObject()["id"].toInteger()));
    const auto id = [&](const char* e) { return layout::NodeId(byId(e)); };
    EXPECT_EQ(focus, (std::vector<uint32_t>{id("item_menu"), id("mi_restart"), id("content")}));
}

TEST_F(Model, HoverOnTitleidRequestsThePopupFirst)
{
    input(layout::LayoutInput::HoverEnter, byId("thumb"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].cmd, POPUP_REQUEST);
    EXPECT_EQ(events[0].target, "thumb_tip");
    EXPECT_EQ(events[0].source, "thumb");
    const QJsonArray b = batch();
    EXPECT_EQ(b.last().toObject()["op"].toString(), "popup");
    input(layout::LayoutInput::HoverLeave, byId("thumb"));
    EXPECT_FALSE(batch().last().toObject()["show"].toBool());
}

TEST_F(Model, TypedTextBecomesTheWidgetText)
{
    layout::LayoutInput in;
    in.type = layout::LayoutInput::TextChanged;
    in.target = layout::NodeId(byId("url"));
    in.text = QString::fromUtf8("http://www.youtube.com/watch?v=\xc3\xa9");
    layout::ProcessInput(hwnd, in);
    const char* text = nullptr;
    HTMLayoutGetElementInnerText(byId("url"), &text);
    EXPECT_EQ(std::string(text), "http://www.youtube.com/watch?v=\xc3\xa9");
    EXPECT_EQ(layout::PendingMutations(hwnd), 0);         // the view already shows it
    HTMLayoutSetElementInnerText16(byId("url"), u"", 0);  // the program's change does reach the view
    EXPECT_EQ(layout::PendingMutations(hwnd), 1);
}

TEST_F(Model, MutationLogIsProportionalToTheChange)
{
    for (int i = 0; i < 50; ++i)
        addRow(("r" + std::to_string(i)).c_str());
    batch();
    HELEMENT row = byId("r7");
    HTMLayoutSetAttributeByName(row, "value", u"x");
    HTMLayoutSetAttributeByName(row, "value", u"x");  // no change, no record
    HTMLayoutSetElementState(row, STATE_CHECKED, 0, false);
    const qint64 removed = layout::NodeId(byId("r9"));
    HTMLayoutDeleteElement(byId("r9"));
    const QJsonArray b = batch();
    ASSERT_EQ(b.size(), 3);
    EXPECT_EQ(b[0].toObject()["op"].toString(), "attr");
    EXPECT_EQ(b[1].toObject()["op"].toString(), "state");
    EXPECT_EQ(b[2].toObject()["op"].toString(), "remove");
    EXPECT_EQ(b[2].toObject()["id"].toInteger(), removed);

    // An insert names its place by the next sibling, so the view can put it exactly.
    HELEMENT top = nullptr;
    HTMLayoutCreateElement("option", nullptr, &top);
    HTMLayoutInsertElement(top, byId("content"), 0);
    const QJsonObject ins = batch()[0].toObject();
    EXPECT_EQ(ins["op"].toString(), "insert");
    EXPECT_EQ(ins["before"].toInteger(), qint64(layout::NodeId(byId("r0"))));
    HTMLayout_UnuseElement(top);

    const QJsonObject snap = QJsonDocument::fromJson(layout::SnapshotDocument(hwnd)).object();
    EXPECT_TRUE(snap["style"].toString().contains("context-menu"));
    EXPECT_EQ(snap["root"].toObject()["tag"].toString(), "html");
}

// The snapshot is written by hand for speed; it must say what an insert says.
TEST_F(Model, SnapshotWritesANodeAsItsInsertRecordDoes)
{
    const std::u16string odd = u"quote \" slash \\ line\n tab\t bell\x01 \u00e9\u65e5 \U0001F600 </script>";
    HELEMENT row = nullptr;
    HTMLayoutCreateElement("option", nullptr, &row);
    HTMLayoutSetAttributeByName(row, "value", odd.c_str());
    HTMLayoutSetElementInnerText16(row, odd.c_str(), unsigned(odd.size()));
    HTMLayoutInsertElement(row, byId("content"), 0);
    const QJsonObject inserted = batch()[0].toObject()["node"].toObject();
    HTMLayout_UnuseElement(row);

    const QJsonDocument snap = QJsonDocument::fromJson(layout::SnapshotDocument(hwnd));
    ASSERT_TRUE(snap.isObject());
    std::vector<QJsonObject> open{snap["root"].toObject()};
    QJsonObject found;
    while (!open.empty() && found.isEmpty()) {
        const QJsonObject n = open.back();
        open.pop_back();
        if (n["id"] == inserted["id"])
            found = n;
        for (const QJsonValue& c : n["children"].toArray())
            open.push_back(c.toObject());
    }
    EXPECT_EQ(found, inserted);
    EXPECT_EQ(found["attrs"].toObject()["value"].toString(), QString::fromStdU16String(odd));
    EXPECT_EQ(snap["states"].toArray().size(), 6);
}

TEST_F(Model, BoxesGiveLocationAndElementAtPoint)
{
    layout::SetElementBoxes(hwnd, {{layout::NodeId(byId("top")), QRect(0, 0, 680, 63)},
                                   {layout::NodeId(byId("url")), QRect(30, 30, 400, 22)}});
    RECT r;
    HTMLayoutGetElementLocation(byId("url"), &r, BORDER_BOX_IN_ROOT);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.right, 430);
    HELEMENT he = nullptr;
    HTMLayoutFindElement(hwnd, {40, 40}, &he);
    EXPECT_EQ(IdOf(he), "url");
    HTMLayoutFindElement(hwnd, {5, 5}, &he);
    EXPECT_EQ(IdOf(he), "top");
    HTMLayoutFindElement(hwnd, {5, 500}, &he);
    EXPECT_EQ(he, nullptr);
}

TEST_F(Model, DataRequestsGoThroughTheHostCallback)
{
    static const uint8_t png[] = {0x89, 'P', 'N', 'G'};
    HTMLayoutSetCallback(
        hwnd,
        [](uint32_t msg, uintptr_t, intptr_t lParam, void*) -> intptr_t {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            if (msg == WM_NOTIFY && hdr->code == HLN_LOAD_DATA) {
                auto* rec = reinterpret_cast<NMHL_LOAD_DATA*>(hdr);
                if (QString::fromUtf16(rec->uri) == "top.png")
                    HTMLayoutDataReady(hdr->hwndFrom, rec->uri, png, sizeof png);
            }
            return 0;
        },
        nullptr);
    const auto got = layout::RequestData(hwnd, "top.png");
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->size(), 4);
    EXPECT_FALSE(layout::RequestData(hwnd, "/tmp/thumb.jpg").has_value());
}
