#include "ui/page/dom.h"
#include "ui/page/element.h"
#include "ui/page/eventhandler.h"
#include "ui/page/notificationhandler.h"
#include "ui/page/resourceloader.h"
#include "ui/page/selectedelementlist.h"

#include "platform/layout/layoutview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using htmlayout::dom::element;

namespace {

const char* kPage =
    "<html><head><style>body{context-menu: selector(menu#m)}</style></head><body>"
    "<widget id=\"content\" type=\"select\" multiple></widget><widget id=\"add\" type=\"button\"></widget>"
    "<menu id=\"m\"><li id=\"i1\">One</li></menu></body></html>";

struct Page : ::testing::Test {
    HWND hwnd = HTMLayoutCreateWindow();
    void SetUp() override
    {
        HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(kPage), uint32_t(std::strlen(kPage)));
    }
    void TearDown() override { HTMLayoutDestroyWindow(hwnd); }
    HELEMENT content() { return FindElementById(GetRootElement(hwnd), "content"); }
};

// A host in the shape of the main frame: both handler bases, recording what reaches it.
struct Host : htmlayout::event_handler, htmlayout::notification_handler<Host> {
    std::vector<uint32_t> codes;
    std::vector<uint32_t> behaviorCmds;
    intptr_t on_create_control(NMHDR* h) override
    {
        codes.push_back(h->code);
        return 0;
    }
    intptr_t on_document_loaded(NMHDR* h) override
    {
        codes.push_back(h->code);
        return 0;
    }
    intptr_t on_dialog_created(NMHDR* h) override
    {
        codes.push_back(h->code);
        return 0;
    }
    bool handle_event(HELEMENT, BEHAVIOR_EVENT_PARAMS& p) override
    {
        behaviorCmds.push_back(p.cmd);
        return true;
    }
};

}  // namespace

TEST_F(Page, ReferencesBalanceUseCounts)
{
    const size_t live = HTMLayoutLiveNodeCount();
    {
        element row = CreateElement("Option");
        ASSERT_TRUE(row.is_valid());
        InsertElement(row, content(), HTMLAYOUT_APPEND);
        element copy = row;
        element other;
        other = copy;
        other = copy;  // reassigning the same handle keeps it alive
        copy = content();
        element moved = std::move(other);
        EXPECT_FALSE(other.is_valid());
        DeleteElement(row);  // off the page, still held
        EXPECT_EQ(GetTagName(moved), "option");
        EXPECT_EQ(GetParentElement(moved), nullptr);
    }
    EXPECT_EQ(HTMLayoutLiveNodeCount(), live);
    // Wrapping a dead handle leaves the reference empty.
    HELEMENT dead = nullptr;
    {
        element e = CreateElement("div");
        dead = e;
    }
    element ghost(dead);
    EXPECT_FALSE(ghost.is_valid());
}

TEST_F(Page, SelectionListCollectsInDocumentOrder)
{
    for (const char* v : {"a", "b", "c"}) {
        element row = CreateElement("Option");
        SetAttribute(row, "value", QString::fromLatin1(v));
        InsertElement(row, content(), HTMLAYOUT_APPEND);
        if (*v != 'b')
            SetElementState(row, STATE_CHECKED, 0);
    }
    CSelectedElementList rows;
    ASSERT_EQ(SelectElements(content(), "Option:checked", rows), HLDOM_OK);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(GetAttribute(rows[0], "value"), QString("a"));
    EXPECT_EQ(GetAttribute(rows[1], "value"), QString("c"));
    EXPECT_FALSE(GetAttribute(rows[0], "nothing").has_value());

    element::find_first_callback first;
    SelectElements(content(), "option", first);
    EXPECT_EQ(first.hfound, rows[0].get());
    EXPECT_EQ(FindElementById(GetRootElement(hwnd), "nope"), nullptr);
    EXPECT_NE(SelectElements(content(), "option:nth-child(2)", rows), HLDOM_OK);
}

TEST_F(Page, TextAndMarkupLandAsTheyShould)
{
    element cell = CreateElement("div");
    InsertElement(cell, content(), HTMLAYOUT_APPEND);
    SetElementHtml(cell, "1 KB - <span class=\"error\">Uncompleted</span>");
    CSelectedElementList spans;
    SelectElements(cell, "span.error", spans);
    EXPECT_EQ(spans.size(), 1u);
    SetElementText(cell, QString::fromUtf8("caf\xc3\xa9 <b>"));
    EXPECT_EQ(GetElementInnerText(cell), "caf\xc3\xa9 <b>");
}

TEST(Resources, LookUpByNameAndTypeInAnyCase)
{
    Q_INIT_RESOURCE(testresources);
    for (const char* url : {"top.png", "TOP.PNG", "Top.Png"}) {
        auto r = LoadResourceByUrl(QString::fromLatin1(url));
        ASSERT_TRUE(r.has_value()) << url;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(r->data), r->size), "\x89PNG top");
    }
    auto ab = LoadResourceByUrl("a.b.png");
    ASSERT_TRUE(ab.has_value());
    EXPECT_EQ(ab->size, 9u);
    EXPECT_TRUE(LoadResourceByUrl("DEFAULT").has_value());       // no dot: HTML
    EXPECT_TRUE(LoadResourceByUrl("default.html").has_value());  // the html type
    EXPECT_FALSE(LoadResourceByUrl("empty.png").has_value());    // an empty resource finds nothing
    EXPECT_FALSE(LoadResourceByUrl("missing.png").has_value());
    EXPECT_FALSE(LoadResourceByUrl("").has_value());
    EXPECT_FALSE(LoadResourceByUrl("/tmp/Temp/abc.jpg").has_value());
    // Both names exist: 259 characters find theirs, 260 or more find nothing.
    EXPECT_TRUE(LoadResourceByUrl(QString(255, 'x') + ".png").has_value());
    EXPECT_FALSE(LoadResourceByUrl(QString(256, 'x') + ".png").has_value());
}

TEST_F(Page, HostNotificationsRouteByCode)
{
    Q_INIT_RESOURCE(testresources);
    Host host;
    HTMLayoutSetCallback(hwnd, &Host::HostNotify, &host);
    for (uint32_t code : {2815u, 2816u, 2825u, 2831u, 2832u}) {
        NMHDR hdr;
        hdr.code = code;
        EXPECT_EQ(Host::HostNotify(WM_NOTIFY, 0, reinterpret_cast<intptr_t>(&hdr), &host), 0);
    }
    EXPECT_EQ(host.codes, (std::vector<uint32_t>{2816u, 2825u, 2831u}));

    // A data request is answered from the resources; a thumbnail path is left to the engine.
    const auto data = layout::RequestData(hwnd, "top.png");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, QByteArray("\x89PNG top"));
    EXPECT_FALSE(layout::RequestData(hwnd, "/home/u/Temp/vid.jpg").has_value());

    // With no registered behaviour an attach request stays unfilled.
    NMHL_ATTACH_BEHAVIOR attach;
    attach.hdr.code = HLN_ATTACH_BEHAVIOR;
    attach.behaviorName = "anything";
    Host::HostNotify(WM_NOTIFY, 0, reinterpret_cast<intptr_t>(&attach.hdr), &host);
    EXPECT_EQ(attach.elementProc, nullptr);
}

TEST_F(Page, ElementProcRoutesGroupsToTheHandler)
{
    Host host;
    HTMLayoutWindowAttachEventHandler(hwnd, &htmlayout::ElementProc, static_cast<htmlayout::event_handler*>(&host),
                                      HANDLE_ALL);
    layout::LayoutInput click;
    click.type = layout::LayoutInput::Click;
    click.target = layout::NodeId(FindElementById(GetRootElement(hwnd), "add"));
    layout::ProcessInput(hwnd, click);
    EXPECT_EQ(host.behaviorCmds, (std::vector<uint32_t>{BUTTON_CLICK}));

    // Groups the host does not override answer "not handled"; initialization always 1.
    htmlayout::event_handler plain;
    MOUSE_PARAMS mouse;
    TIMER_PARAMS timer;
    INITIALIZATION_PARAMS init;
    METHOD_PARAMS method;
    method.methodID = XCALL;
    EXPECT_FALSE(htmlayout::ElementProc(&plain, nullptr, HANDLE_MOUSE, &mouse));
    EXPECT_FALSE(htmlayout::ElementProc(&plain, nullptr, HANDLE_TIMER, &timer));
    EXPECT_FALSE(htmlayout::ElementProc(&plain, nullptr, HANDLE_METHOD_CALL, &method));
    EXPECT_TRUE(htmlayout::ElementProc(&plain, nullptr, HANDLE_INITIALIZATION, &init));
    EXPECT_FALSE(htmlayout::ElementProc(&plain, nullptr, 0x4000, nullptr));
    EXPECT_FALSE(htmlayout::ElementProc(nullptr, nullptr, HANDLE_MOUSE, &mouse));
}

TEST_F(Page, AttributeValuesComeBackAsStored)
{
    element row = CreateElement("Option");
    const QString value = QString(QChar(0xFEFF)) + "id" + QChar(0xFFFE);
    SetAttribute(row, "value", value);
    EXPECT_EQ(GetAttribute(row, "value"), value);
}
