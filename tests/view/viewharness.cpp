#include "viewharness.h"

#include "ui/page/resourceloader.h"
#include "ui/res/resources.h"

#include <QThread>

namespace {

std::u16string Wide(const QString& s)
{
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

HELEMENT Create(const char* tag)
{
    HELEMENT he = nullptr;
    HTMLayoutCreateElement(tag, nullptr, &he);
    return he;
}

// Appends a new element and drops the creator's use: the parent keeps it.
HELEMENT Append(HELEMENT parent, const char* tag, const char* cls = nullptr)
{
    HELEMENT he = Create(tag);
    HTMLayoutInsertElement(he, parent, 0x7FFFFFFF);
    if (cls)
        HTMLayoutSetAttributeByName(he, "class", Wide(QString::fromLatin1(cls)).c_str());
    HTMLayout_UnuseElement(he);
    return he;
}

void SetAttr(HELEMENT he, const char* name, const QString& value)
{
    HTMLayoutSetAttributeByName(he, name, Wide(value).c_str());
}

QString Id(HELEMENT he)
{
    const char16_t* v = nullptr;
    if (!he || HTMLayoutGetAttributeByName(he, "id", &v) != HLDOM_OK || !v)
        return {};
    return QString::fromUtf16(v);
}

HELEMENT Find(HELEMENT root, const char* cls)
{
    struct Hit {
        HELEMENT he = nullptr;
    } hit;
    const std::u16string value = Wide(QString::fromLatin1(cls));
    HTMLayoutVisitElements(
        root, nullptr, "class", value.c_str(),
        [](HELEMENT he, void* p) {
            static_cast<Hit*>(p)->he = he;
            return true;
        },
        &hit, 0);
    return hit.he;
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
    const bool ok = waitFor([&] { return m_view->isReady() && boxes; }, timeoutMs);
    QObject::disconnect(m_view.get(), &layout::LayoutWebView::boxesReported, nullptr, nullptr);
    return ok;
}

HELEMENT ViewHarness::byId(const char* id) const
{
    HELEMENT root = nullptr;
    HTMLayoutGetRootElement(m_hwnd, &root);
    struct Hit {
        HELEMENT he = nullptr;
    } hit;
    const std::u16string value = Wide(QString::fromLatin1(id));
    HTMLayoutVisitElements(
        root, nullptr, "id", value.c_str(),
        [](HELEMENT he, void* p) {
            static_cast<Hit*>(p)->he = he;
            return true;
        },
        &hit, 0);
    return hit.he;
}

HELEMENT ViewHarness::insertRow(int index, const QString& value, const QString& title, const QString& statusHtml,
                                bool running, int length, int completed)
{
    HELEMENT row = Create("Option");
    HTMLayoutInsertElement(row, byId("content"), unsigned(index));
    SetAttr(row, "value", value);
    HELEMENT thumb = Append(row, "div", "thumb");
    HELEMENT img = Append(thumb, "img");
    SetAttr(img, "src", QStringLiteral("unknown.png"));
    SetAttr(img, "titleid", QStringLiteral("thumb_tip"));
    HELEMENT info = Append(row, "div", "info");
    HELEMENT t = Append(info, "div", "title");
    const std::u16string wt = Wide(title);
    HTMLayoutSetElementInnerText16(t, wt.c_str(), unsigned(wt.size()));
    HELEMENT status = Append(info, "div", "status");
    HELEMENT text = Append(status, "div", "text");
    const QByteArray html = statusHtml.toUtf8();
    HTMLayoutSetElementHtml(text, reinterpret_cast<const uint8_t*>(html.constData()), unsigned(html.size()), 0);
    if (running) {
        HELEMENT progress = Append(status, "div", "progress");
        HELEMENT bar = Append(progress, "input");
        SetAttr(bar, "type", QStringLiteral("progress"));
        SetAttr(bar, "maxvalue", QString::number(length));
        SetAttr(bar, "value", QString::number(completed));
    }
    HTMLayout_UnuseElement(row);
    return row;
}

void ViewHarness::setRowStatus(HELEMENT row, const QString& statusHtml, int completed)
{
    const QByteArray html = statusHtml.toUtf8();
    HTMLayoutSetElementHtml(Find(row, "text"), reinterpret_cast<const uint8_t*>(html.constData()),
                            unsigned(html.size()), 0);
    struct Hit {
        HELEMENT he = nullptr;
    } hit;
    HTMLayoutVisitElements(
        row, "input", nullptr, nullptr,
        [](HELEMENT he, void* p) {
            static_cast<Hit*>(p)->he = he;
            return true;
        },
        &hit, 0);
    if (hit.he)
        SetAttr(hit.he, "value", QString::number(completed));
}

void ViewHarness::pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
