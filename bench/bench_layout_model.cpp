// Builds a list of rows of the list's shape, changes one row, and prints the
// time of selector walks over all rows and the size of the mutation log that
// the change produced. Asserts nothing.

#include "platform/layout/layoutview.h"
#include "ui/page/dom.h"
#include "ui/page/selectedelementlist.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* kPage = "<html><body><widget id=\"content\" type=\"select\" multiple></widget></body></html>";

double Ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// Option > div.thumb > img; div.info > div.title, div.status > div.text, div.progress > input
void FillRow(HELEMENT row, int i)
{
    SetElementText(row, QString());
    auto add = [](HELEMENT parent, const char* tag, const char* cls) {
        htmlayout::dom::element e = CreateElement(tag);
        if (cls)
            SetAttribute(e, "class", QString::fromLatin1(cls));
        InsertElement(e, parent, HTMLAYOUT_APPEND);
        return e;
    };
    auto thumb = add(row, "div", "thumb");
    auto img = add(thumb, "img", nullptr);
    SetAttribute(img, "src", "unknown.png");
    auto info = add(row, "div", "info");
    auto title = add(info, "div", "title");
    SetElementText(title, QStringLiteral("Video %1").arg(i));
    auto status = add(info, "div", "status");
    auto text = add(status, "div", "text");
    SetElementText(text, QStringLiteral("%1.0 KB / 4.0 MB ").arg(i));
    auto progress = add(status, "div", "progress");
    auto bar = add(progress, "input", nullptr);
    SetAttribute(bar, "type", "progress");
}

}  // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000;
    HWND hwnd = HTMLayoutCreateWindow();
    HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(kPage), uint32_t(std::strlen(kPage)));
    layout::SetDirtyCallback(hwnd, [] {});
    HELEMENT content = FindElementById(GetRootElement(hwnd), "content");

    auto t0 = std::chrono::steady_clock::now();
    std::vector<htmlayout::dom::element> list;
    for (int i = 0; i < rows; ++i) {
        htmlayout::dom::element row = CreateElement("Option");
        InsertElement(row, content, HTMLAYOUT_APPEND);
        SetAttribute(row, "value", QStringLiteral("id%1").arg(i));
        FillRow(row, i);
        list.push_back(row);
    }
    const double buildMs = Ms(t0);
    const QByteArray initial = layout::TakeMutations(hwnd);
    SetElementState(list[size_t(rows / 2)], STATE_CHECKED, 0);
    layout::TakeMutations(hwnd);

    constexpr int kWalks = 100;
    t0 = std::chrono::steady_clock::now();
    size_t seen = 0;
    for (int i = 0; i < kWalks; ++i) {
        CSelectedElementList all;
        SelectElements(content, "Option", all);
        seen += all.size();
    }
    const double walkAll = Ms(t0) / kWalks;
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kWalks; ++i) {
        CSelectedElementList checked;
        SelectElements(content, "Option:checked", checked);
        seen += checked.size();
    }
    const double walkChecked = Ms(t0) / kWalks;

    // One row changes: it is rebuilt the way a refresh rebuilds it.
    FillRow(list[7], 99999);
    const int records = layout::PendingMutations(hwnd);
    const QByteArray change = layout::TakeMutations(hwnd);

    std::printf("rows                          %d (8 elements each), built in %.1f ms\n", rows, buildMs);
    std::printf("selector walk \"Option\"        %.3f ms per walk (%zu rows seen in all)\n", walkAll, seen);
    std::printf("selector walk \"Option:checked\" %.3f ms per walk\n", walkChecked);
    std::printf("mutation log of one row       %d records, %lld bytes (the whole build: %lld bytes)\n", records,
                (long long)change.size(), (long long)initial.size());
    list.clear();
    HTMLayoutDestroyWindow(hwnd);
    return 0;
}
