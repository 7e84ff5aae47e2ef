#include "layoutbridge.h"

#include "platform/layout/layoutview.h"

#include <QRect>

namespace layout {

namespace {

std::optional<LayoutInput::Type> TypeFromName(const QString& name)
{
    static const QPair<const char*, LayoutInput::Type> names[] = {
        {"MouseDown", LayoutInput::MouseDown},
        {"MouseUp", LayoutInput::MouseUp},
        {"Click", LayoutInput::Click},
        {"DoubleClick", LayoutInput::DoubleClick},
        {"ContextMenu", LayoutInput::ContextMenu},
        {"HoverEnter", LayoutInput::HoverEnter},
        {"HoverLeave", LayoutInput::HoverLeave},
        {"TextChanged", LayoutInput::TextChanged},
        {"KeyDown", LayoutInput::KeyDown},
    };
    for (const auto& [n, t] : names)
        if (name == QLatin1String(n))
            return t;
    return std::nullopt;
}

}  // namespace

LayoutBridge::LayoutBridge(HWND hwnd, QObject* parent) : QObject(parent), m_hwnd(hwnd)
{
}

void LayoutBridge::ready()
{
    emit pageReady();
}

void LayoutBridge::input(const QVariantMap& event)
{
    const auto type = TypeFromName(event.value(QStringLiteral("type")).toString());
    if (!type)
        return;
    LayoutInput in;
    in.type = *type;
    in.target = event.value(QStringLiteral("target")).toUInt();
    in.x = event.value(QStringLiteral("x")).toInt();
    in.y = event.value(QStringLiteral("y")).toInt();
    in.modifiers =
        event.value(QStringLiteral("modifiers")).toUInt() & (ALT_KEY_PRESSED | CONTROL_KEY_PRESSED | SHIFT_KEY_PRESSED);
    in.button = event.value(QStringLiteral("button")).toInt();
    in.key = event.value(QStringLiteral("key")).toString();
    in.text = event.value(QStringLiteral("text")).toString();
    ProcessInput(m_hwnd, in);
}

void LayoutBridge::boxes(const QVariantList& list)
{
    QList<QPair<uint32_t, QRect>> out;
    out.reserve(list.size());
    for (const QVariant& v : list) {
        const QVariantList b = v.toList();
        if (b.size() != 5)
            continue;
        out.append({b[0].toUInt(), QRect(b[1].toInt(), b[2].toInt(), b[3].toInt(), b[4].toInt())});
    }
    SetElementBoxes(m_hwnd, out);
    emit boxesReported();
}

void LayoutBridge::applied(int seq, double milliseconds)
{
    emit batchApplied(seq, milliseconds);
}

}  // namespace layout
