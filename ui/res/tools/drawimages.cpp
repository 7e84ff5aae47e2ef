// Draws the page's images into the folder given on the command line.
// Run by hand when the look changes; its output is kept in the repository.
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

QString g_dir;
int g_failures = 0;
// The dark scheme's drawings: the same shapes in its colours, named name_dark.
bool g_dark = false;

QColor Pick(QColor light, QColor dark)
{
    return g_dark ? dark : light;
}

void Write(const QString& name, int w, int h, int scale, const std::function<void(QPainter&)>& draw)
{
    QImage img(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        if (scale != 1)
            p.scale(scale, scale);
        draw(p);
    }
    const QString path = QDir(g_dir).filePath(name + QStringLiteral(".png"));
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
    }
}

// One image of the page at its size, and the same drawing at twice the size
// as name@2x.png for screens with a device pixel ratio of 2. Every drawing is
// in the 1x pixel grid, so whole-pixel edges stay whole pixels at 2x.
void Save(const char* name, int w, int h, const std::function<void(QPainter&)>& draw)
{
    const QString base = QString::fromLatin1(name) + (g_dark ? QStringLiteral("_dark") : QString());
    Write(base, w, h, 1, draw);
    Write(base + QStringLiteral("@2x"), w, h, 2, draw);
}

// A picture for a dialog or the desktop, at its size only.
void SaveOnce(const char* name, int w, int h, const std::function<void(QPainter&)>& draw)
{
    Write(QString::fromLatin1(name), w, h, 1, draw);
}

// A rounded grey panel with a light top edge; the band images are stretched
// by the page, so only their corners and edges matter.
void Panel(QPainter& p, const QRectF& r, qreal radius, QColor top, QColor bottom, QColor edge)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    QPainterPath path;
    path.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.fillPath(path, g);
    p.setPen(QPen(edge, 1));
    p.drawPath(path);
}

enum class Look { Normal, Hover, Pressed, Disabled };

// A small rounded button face in the given state.
void Face(QPainter& p, const QRectF& r, Look look, qreal radius = 3)
{
    QColor top = Pick(QColor(0xFD, 0xFD, 0xFD), QColor(0x4A, 0x4E, 0x55));
    QColor bottom = Pick(QColor(0xDD, 0xDF, 0xE3), QColor(0x3A, 0x3D, 0x43));
    QColor edge = Pick(QColor(0x8E, 0x94, 0x9C), QColor(0x22, 0x24, 0x28));
    switch (look) {
    case Look::Normal:
        break;
    case Look::Hover:
        top = Pick(QColor(0xFF, 0xFF, 0xFF), QColor(0x4E, 0x55, 0x60));
        bottom = Pick(QColor(0xC9, 0xDE, 0xF5), QColor(0x3E, 0x47, 0x54));
        edge = Pick(QColor(0x3C, 0x7F, 0xC8), QColor(0x5A, 0x9B, 0xE6));
        break;
    case Look::Pressed:
        top = Pick(QColor(0xB9, 0xC4, 0xD1), QColor(0x2A, 0x2D, 0x31));
        bottom = Pick(QColor(0xE3, 0xE8, 0xEE), QColor(0x3A, 0x3D, 0x42));
        edge = Pick(QColor(0x4A, 0x55, 0x62), QColor(0x15, 0x17, 0x1A));
        break;
    case Look::Disabled:
        top = Pick(QColor(0xF2, 0xF2, 0xF2), QColor(0x3A, 0x3C, 0x40));
        bottom = Pick(QColor(0xE6, 0xE6, 0xE6), QColor(0x34, 0x36, 0x3A));
        edge = Pick(QColor(0xBD, 0xBD, 0xBD), QColor(0x2A, 0x2C, 0x2F));
        break;
    }
    Panel(p, r, radius, top, bottom, edge);
}

QColor Ink(Look look)
{
    switch (look) {
    case Look::Hover:
        return Pick(QColor(0x1E, 0x5A, 0xA0), QColor(0xB4, 0xD6, 0xFF));
    case Look::Pressed:
        return Pick(QColor(0x20, 0x20, 0x20), QColor(0xF0, 0xF0, 0xF0));
    case Look::Disabled:
        return Pick(QColor(0xAA, 0xAA, 0xAA), QColor(0x6E, 0x72, 0x78));
    default:
        return Pick(QColor(0x40, 0x46, 0x4E), QColor(0xD8, 0xDC, 0xE2));
    }
}

void CaptionButton(const char* name, Look look, bool cross)
{
    Save(name, 14, 15, [&](QPainter& p) {
        Face(p, QRectF(0, 0, 14, 15), look, 3);
        p.setRenderHint(QPainter::Antialiasing, cross);
        QPen pen(Ink(look), cross ? 1.6 : 2, Qt::SolidLine, Qt::FlatCap);
        p.setPen(pen);
        if (cross) {
            p.drawLine(QPointF(4, 4.5), QPointF(10, 10.5));
            p.drawLine(QPointF(10, 4.5), QPointF(4, 10.5));
        } else {
            p.drawLine(QPointF(4, 10), QPointF(10, 10));
        }
    });
}

void AddButton(const char* name, Look look)
{
    Save(name, 28, 23, [&](QPainter& p) {
        Face(p, QRectF(0, 0, 28, 23), look, 4);
        p.setRenderHint(QPainter::Antialiasing, false);
        const QColor ink =
            look == Look::Disabled ? Ink(look) : Pick(QColor(0x2E, 0x8B, 0x3A), QColor(0x5B, 0xC4, 0x6A));
        const int dy = look == Look::Pressed ? 1 : 0;
        p.fillRect(QRect(13, 6 + dy, 2, 11), ink);  // crisp: whole pixels only
        p.fillRect(QRect(9, 10 + dy, 10, 2), ink);
        p.fillRect(QRect(13, 5 + dy, 2, 1), ink.lighter(115));
    });
}

void WordButton(const char* name, int w, const char* word, Look look)
{
    Save(name, w, 23, [&](QPainter& p) {
        Face(p, QRectF(0, 0, w, 23), look, 4);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Ink(look));
        p.drawText(QRectF(0, look == Look::Pressed ? 1 : 0, w, 23), Qt::AlignCenter, QString::fromLatin1(word));
    });
}

void SkinButton(const char* name, Look look)
{
    Save(name, 7, 20, [&](QPainter& p) { Face(p, QRectF(0, 0, 7, 20), look, 3); });
}

// The program's own mark: a slate tile with a rust-coloured arrow coming
// down onto a tray, read as "keep this video". One shape at every size.
void Logo(QPainter& p, const QRectF& r)
{
    const qreal s = r.width();
    auto at = [&](qreal x, qreal y) { return QPointF(r.left() + s * x, r.top() + s * y); };
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0x4F, 0x5D, 0x6E));
    g.setColorAt(1, QColor(0x2B, 0x34, 0x40));
    QPainterPath tile;
    tile.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), s * 0.2, s * 0.2);
    p.fillPath(tile, g);
    p.setPen(QPen(QColor(0x1C, 0x22, 0x2A), s >= 24 ? 1.0 : 0.6));
    p.drawPath(tile);
    QPainterPath arrow;
    arrow.moveTo(at(0.40, 0.14));
    arrow.lineTo(at(0.60, 0.14));
    arrow.lineTo(at(0.60, 0.42));
    arrow.lineTo(at(0.78, 0.42));
    arrow.lineTo(at(0.50, 0.70));
    arrow.lineTo(at(0.22, 0.42));
    arrow.lineTo(at(0.40, 0.42));
    arrow.closeSubpath();
    QLinearGradient rust(at(0, 0.14), at(0, 0.70));
    rust.setColorAt(0, QColor(0xF0, 0x8A, 0x45));
    rust.setColorAt(1, QColor(0xC8, 0x52, 0x1E));
    p.fillPath(arrow, rust);
    QPainterPath tray;
    tray.moveTo(at(0.16, 0.64));
    tray.lineTo(at(0.16, 0.84));
    tray.lineTo(at(0.84, 0.84));
    tray.lineTo(at(0.84, 0.64));
    p.setPen(
        QPen(QColor(0xEE, 0xF1, 0xF4), std::max<qreal>(1.2, s * 0.085), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(tray);
}

void AppIcon(int size)
{
    const QByteArray name = "icon_" + QByteArray::number(size);
    SaveOnce(name.constData(), size, size, [size](QPainter& p) { Logo(p, QRectF(0, 0, size, size)); });
}

// The address dialog's picture: the corner of a browser window, its address
// field holding the program's mark and "http://" with the caret after it.
void AddressBarPicture()
{
    SaveOnce("addressbar", 97, 114, [](QPainter& p) {
        p.fillRect(QRect(0, 0, 97, 114), QColor(0xEC, 0xEE, 0xF1));
        // Tab strip with one tab.
        QLinearGradient strip(0, 0, 0, 18);
        strip.setColorAt(0, QColor(0xC4, 0xCA, 0xD2));
        strip.setColorAt(1, QColor(0xB3, 0xBA, 0xC4));
        p.fillRect(QRect(0, 0, 97, 18), strip);
        QPainterPath tab;
        tab.moveTo(3, 18);
        tab.lineTo(7, 4);
        tab.quadTo(8, 2, 11, 2);
        tab.lineTo(62, 2);
        tab.quadTo(65, 2, 66, 4);
        tab.lineTo(70, 18);
        tab.closeSubpath();
        p.fillPath(tab, QColor(0xF6, 0xF7, 0xF9));
        p.setPen(QPen(QColor(0x8E, 0x96, 0xA1), 1));
        p.drawPath(tab);
        Logo(p, QRectF(12, 5, 10, 10));
        p.fillRect(QRectF(26, 8.5, 30, 3), QColor(0x9A, 0xA1, 0xAB));
        // Toolbar: back and forward.
        p.fillRect(QRect(0, 18, 97, 1), QColor(0xF6, 0xF7, 0xF9));
        auto arrow = [&](qreal cx, qreal cy, bool back, QColor ink) {
            QPainterPath a;
            const qreal d = back ? -1 : 1;
            a.moveTo(cx - 5 * d, cy);
            a.lineTo(cx + 5 * d, cy);
            a.moveTo(cx + 1 * d, cy - 4);
            a.lineTo(cx + 5 * d, cy);
            a.lineTo(cx + 1 * d, cy + 4);
            p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(a);
        };
        p.setPen(QPen(QColor(0x9A, 0xA1, 0xAB), 1));
        p.setBrush(QColor(0xFB, 0xFB, 0xFC));
        p.drawEllipse(QRectF(4.5, 22.5, 18, 18));
        p.setBrush(Qt::NoBrush);
        arrow(13.5, 31.5, true, QColor(0x4A, 0x53, 0x5F));
        arrow(33.5, 31.5, false, QColor(0xA9, 0xAF, 0xB8));
        // The address field, focused.
        QPainterPath field;
        field.addRoundedRect(QRectF(3.5, 47.5, 90, 24), 4, 4);
        p.fillPath(field, Qt::white);
        p.setPen(QPen(QColor(0x3C, 0x7F, 0xC8), 1.5));
        p.drawPath(field);
        Logo(p, QRectF(8, 52, 15, 15));
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(QColor(0x30, 0x34, 0x3A));
        const QString text = QStringLiteral("http://");
        p.drawText(QPointF(27, 64), text);
        const qreal caret = 27 + QFontMetricsF(f).horizontalAdvance(text) + 1.5;
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(caret, 53, 1, 14), Qt::black);
        p.setRenderHint(QPainter::Antialiasing);
        // Below, the top of the page: a heading and lines of text.
        p.fillRect(QRect(0, 78, 97, 36), Qt::white);
        p.fillRect(QRect(0, 77, 97, 1), QColor(0xB3, 0xBA, 0xC4));
        p.fillRect(QRectF(8, 84, 48, 5), QColor(0x5B, 0x67, 0x75));
        for (int i = 0; i < 3; ++i)
            p.fillRect(QRectF(8, 95 + i * 7, i == 2 ? 52 : 80, 3), QColor(0xC9, 0xCE, 0xD5));
        // The mouse's text cursor over the field, outlined so it shows on white.
        QPainterPath beam;
        beam.moveTo(74, 50);
        beam.lineTo(77, 50);
        beam.lineTo(78.5, 51.5);
        beam.lineTo(80, 50);
        beam.lineTo(83, 50);
        beam.moveTo(78.5, 51.5);
        beam.lineTo(78.5, 68.5);
        beam.moveTo(74, 70);
        beam.lineTo(77, 70);
        beam.lineTo(78.5, 68.5);
        beam.lineTo(80, 70);
        beam.lineTo(83, 70);
        p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(beam);
        p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(beam);
    });
}

}  // namespace

// The window's bands, buttons, address box, list border and checked row.
void DrawPage()
{
    Save("top", 20, 63, [](QPainter& p) {
        Panel(p, QRectF(0, 0, 20, 63), 6, Pick(QColor(0xE9, 0xEB, 0xEE), QColor(0x3C, 0x3F, 0x44)),
              Pick(QColor(0xCD, 0xD1, 0xD7), QColor(0x2F, 0x32, 0x37)),
              Pick(QColor(0x86, 0x8C, 0x94), QColor(0x1B, 0x1D, 0x20)));
        p.setPen(Pick(QColor(255, 255, 255, 170), QColor(255, 255, 255, 40)));
        p.drawLine(QPointF(5, 1.5), QPointF(15, 1.5));
    });
    Save("bottom", 20, 29, [](QPainter& p) {
        Panel(p, QRectF(0, 0, 20, 29), 6, Pick(QColor(0xD9, 0xDC, 0xE1), QColor(0x34, 0x37, 0x3C)),
              Pick(QColor(0xC3, 0xC7, 0xCE), QColor(0x2A, 0x2D, 0x31)),
              Pick(QColor(0x86, 0x8C, 0x94), QColor(0x1B, 0x1D, 0x20)));
    });
    Save("content", 12, 81, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(0, 0, 12, 81), Pick(QColor(0x86, 0x8C, 0x94), QColor(0x1B, 0x1D, 0x20)));
        p.fillRect(QRect(2, 1, 8, 80), Pick(Qt::white, QColor(0x2B, 0x2D, 0x30)));
        p.fillRect(QRect(1, 1, 1, 80), Pick(QColor(0xC8, 0xCC, 0xD2), QColor(0x3A, 0x3D, 0x42)));
        p.fillRect(QRect(10, 1, 1, 80), Pick(QColor(0xC8, 0xCC, 0xD2), QColor(0x3A, 0x3D, 0x42)));
    });

    CaptionButton("minimize", Look::Normal, false);
    CaptionButton("minimize_h", Look::Hover, false);
    CaptionButton("minimize_a", Look::Pressed, false);
    CaptionButton("close", Look::Normal, true);
    CaptionButton("close_h", Look::Hover, true);
    CaptionButton("close_a", Look::Pressed, true);

    // Address field: a white sunken box with a neutral play mark at its left.
    Save("url", 23, 22, [](QPainter& p) {
        Panel(p, QRectF(0, 0, 23, 22), 3, Pick(QColor(0xF4, 0xF5, 0xF7), QColor(0x1F, 0x21, 0x24)),
              Pick(Qt::white, QColor(0x25, 0x27, 0x2B)), Pick(QColor(0x7F, 0x87, 0x91), QColor(0x5A, 0x60, 0x68)));
        QPainterPath mark;
        mark.addRoundedRect(QRectF(3, 5, 13, 12), 3, 3);
        p.fillPath(mark, Pick(QColor(0x5B, 0x67, 0x75), QColor(0x8A, 0x96, 0xA5)));
        QPainterPath play;
        play.moveTo(7.5, 8);
        play.lineTo(13, 11);
        play.lineTo(7.5, 14);
        play.closeSubpath();
        p.fillPath(play, Pick(Qt::white, QColor(0x1F, 0x21, 0x24)));
    });

    AddButton("add", Look::Normal);
    AddButton("add_a", Look::Pressed);
    AddButton("add_d", Look::Disabled);
    WordButton("options", 60, "Options", Look::Normal);
    WordButton("options_a", 60, "Options", Look::Pressed);
    WordButton("help", 40, "Help", Look::Normal);
    WordButton("help_a", 40, "Help", Look::Pressed);
    SkinButton("button", Look::Normal);
    SkinButton("button_a", Look::Pressed);

    auto rowGradient = [](const char* name, QColor top, QColor bottom) {
        Save(name, 1, 40, [=](QPainter& p) {
            QLinearGradient g(0, 0, 0, 40);
            g.setColorAt(0, top);
            g.setColorAt(1, bottom);
            p.fillRect(QRect(0, 0, 1, 40), g);
            p.fillRect(QRect(0, 39, 1, 1), bottom.darker(125));
        });
    };
    rowGradient("checked_f", Pick(QColor(0x5A, 0x9B, 0xE6), QColor(0x3F, 0x6F, 0xA6)),
                Pick(QColor(0x2A, 0x66, 0xB8), QColor(0x2D, 0x55, 0x89)));
    if (!g_dark)  // not on the page
        rowGradient("checked", QColor(0xA7, 0xB4, 0xC4), QColor(0x7C, 0x8A, 0x9C));
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawimages <output folder>\n");
        return 2;
    }
    g_dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_dir);

    DrawPage();
    // The dark scheme's variants of what would look wrong on a dark page.
    g_dark = true;
    DrawPage();
    g_dark = false;

    Save("unknown", 48, 32, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        QLinearGradient g(0, 0, 0, 32);
        g.setColorAt(0, QColor(0xA6, 0xAB, 0xB2));
        g.setColorAt(1, QColor(0x86, 0x8C, 0x94));
        p.fillRect(QRect(0, 0, 48, 32), g);
        p.setRenderHint(QPainter::Antialiasing);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(24);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, 48, 32), Qt::AlignCenter, QStringLiteral("?"));
    });

    // The dialogs' pictures: the address dialog's browser corner and the
    // program's icon at the sizes the desktop asks for.
    AddressBarPicture();
    for (int size : {16, 32, 48, 256})
        AppIcon(size);

    return g_failures ? 1 : 0;
}
