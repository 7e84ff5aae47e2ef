#include "viewharness.h"

#include "ui/page/dom.h"
#include "ui/page/resourceloader.h"
#include "ui/res/resources.h"

namespace {

// Appends a new element; the parent keeps it.
HELEMENT Append(HELEMENT parent, const char* tag, const char* cls = nullptr)
{
    const htmlayout::dom::element he = CreateElement(tag);
    InsertElement(he, parent, HTMLAYOUT_APPEND);
    if (cls)
        SetAttribute(he, "class", QString::fromLatin1(cls));
    return he;
}

QString Id(HELEMENT he)
{
    return he ? GetAttribute(he, "id").value_or(QString()) : QString();
}

}  // namespace

void ViewHarness::PrepareProcess(int debugPort)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-gpu-compositing");
    if (debugPort > 0)
        qputenv("QTWEBENGINE_REMOTE_DEBUGGING", QByteArray("127.0.0.1:") + QByteArray::number(debugPort));
    layout::LayoutWebView::RegisterScheme();
}

ViewHarness::ViewHarness()
{
    InitPageResources();
    m_hwnd = HTMLayoutCreateWindow();
    HTMLayoutSetCallback(m_hwnd, &ViewHarness::HostNotify, this);
    HTMLayoutWindowAttachEventHandler(m_hwnd, &ViewHarness::ElementProc, this, 0x3FF);
}

ViewHarness::~ViewHarness()
{
    m_view.reset();
    HTMLayoutWindowDetachEventHandler(m_hwnd, &ViewHarness::ElementProc, this);
    HTMLayoutDestroyWindow(m_hwnd);
}

intptr_t ViewHarness::HostNotify(uint32_t, uintptr_t, intptr_t lParam, void*)
{
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr->code != HLN_LOAD_DATA)
        return 0;
    auto* rec = reinterpret_cast<NMHL_LOAD_DATA*>(lParam);
    if (auto data = LoadResourceByUrl(QString::fromUtf16(rec->uri)))
        HTMLayoutDataReady(hdr->hwndFrom, rec->uri, data->data, data->size);
    return 0;
}

bool ViewHarness::ElementProc(void* tag, HELEMENT, uint32_t group, void* params)
{
    if (group != HANDLE_BEHAVIOR_EVENT)
        return false;
    auto* self = static_cast<ViewHarness*>(tag);
    auto* p = static_cast<BEHAVIOR_EVENT_PARAMS*>(params);
    self->events.push_back({p->cmd, Id(p->heTarget), Id(p->he), p->heTarget, p->he});
    return false;
}

bool ViewHarness::loadPage()
{
    auto page = LoadResourceByUrl(QStringLiteral("DEFAULT"));
    return page && HTMLayoutLoadHtml(m_hwnd, page->data, page->size);
}

bool ViewHarness::showView(int timeoutMs)
{
    m_view = std::make_unique<layout::LayoutWebView>(m_hwnd);
    m_view->resize(680, 600);
    m_view->show();
    bool boxes = false;
    QObject::connect(m_view.get(), &layout::LayoutWebView::boxesReported, [&boxes] { boxes = true; });
    const bool ok = WaitFor([&] { return m_view->isReady() && boxes; }, timeoutMs);
    QObject::disconnect(m_view.get(), &layout::LayoutWebView::boxesReported, nullptr, nullptr);
    return ok;
}

HELEMENT ViewHarness::First(HELEMENT root, const char* selector)
{
    htmlayout::dom::element::find_first_callback first;
    SelectElements(root, selector, first);
    return first.hfound;
}

HELEMENT ViewHarness::byId(const char* id) const
{
    return FindElementById(GetRootElement(m_hwnd), id);
}

HELEMENT ViewHarness::insertRow(int index, const QString& value, const QString& title, const QString& statusHtml,
                                bool running, int length, int completed)
{
    const htmlayout::dom::element row = CreateElement("Option");
    InsertElement(row, byId("content"), unsigned(index));
    SetAttribute(row, "value", value);
    HELEMENT img = Append(Append(row, "div", "thumb"), "img");
    SetAttribute(img, "src", QStringLiteral("unknown.png"));
    SetAttribute(img, "titleid", QStringLiteral("thumb_tip"));
    HELEMENT info = Append(row, "div", "info");
    SetElementText(Append(info, "div", "title"), title);
    HELEMENT status = Append(info, "div", "status");
    SetElementHtml(Append(status, "div", "text"), statusHtml.toStdString());
    if (running) {
        HELEMENT bar = Append(Append(status, "div", "progress"), "input");
        SetAttribute(bar, "type", QStringLiteral("progress"));
        SetAttribute(bar, "maxvalue", QString::number(length));
        SetAttribute(bar, "value", QString::number(completed));
    }
    return row;
}

void ViewHarness::setRowStatus(HELEMENT row, const QString& statusHtml, int completed)
{
    SetElementHtml(First(row, ".text"), statusHtml.toStdString());
    if (HELEMENT bar = First(row, "input"))
        SetAttribute(bar, "value", QString::number(completed));
}
