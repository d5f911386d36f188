#include "dialogs/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace tonvarra::dialogs {

namespace {

using Drawing = std::function<void(QPainter&)>;

const QColor kInk(0x2b, 0x33, 0x40);
const QColor kPaper(0xf4, 0xf1, 0xe8);
const QColor kAccent(0x2f, 0x7d, 0xc4);
const QColor kGood(0x2e, 0x9e, 0x4f);
const QColor kBad(0xc8, 0x32, 0x32);

// Every picture is drawn on a 64 x 64 canvas and scaled, so one drawing serves
// every size that a style asks for.
QPixmap Render(const Drawing& draw, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    draw(p);
    return pixmap;
}

QIcon MakeIcon(const Drawing& draw) {
    QIcon icon;
    for (int size : {16, 24, 32, 40, 48, 64})
        icon.addPixmap(Render(draw, size));
    return icon;
}

QPen Pen(const QColor& color, double width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Sheet(QPainter& p) {
    QPainterPath path;
    path.moveTo(14, 6);
    path.lineTo(40, 6);
    path.lineTo(52, 18);
    path.lineTo(52, 58);
    path.lineTo(14, 58);
    path.closeSubpath();
    p.setPen(Pen(kInk, 3));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawPolyline(QPolygonF({QPointF(40, 6), QPointF(40, 18), QPointF(52, 18)}));
}

// A drum pad: what a hotkey is played on.
void Pad(QPainter& p) {
    p.setPen(Pen(kInk, 3));
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(8, 12, 40, 40), 7, 7);
    p.setBrush(kAccent.lighter(140));
    p.drawEllipse(QPointF(28, 32), 10, 10);
}

void Badge(QPainter& p, const QColor& color) {
    p.setPen(Pen(Qt::white, 2.5));
    p.setBrush(color);
    p.drawEllipse(QPointF(46, 46), 14, 14);
    p.setPen(Pen(Qt::white, 4));
}

void Plus(QPainter& p, const QColor& color) {
    Badge(p, color);
    p.drawLine(QPointF(46, 39), QPointF(46, 53));
    p.drawLine(QPointF(39, 46), QPointF(53, 46));
}

void Cross(QPainter& p) {
    Badge(p, kBad);
    p.drawLine(QPointF(41, 41), QPointF(51, 51));
    p.drawLine(QPointF(51, 41), QPointF(41, 51));
}

void Note(QPainter& p, const QColor& color, QPointF head, double stem) {
    p.setPen(Pen(color, 3));
    p.setBrush(color);
    p.drawEllipse(head, 6, 4.5);
    const QPointF top(head.x() + 5.5, head.y() - stem);
    p.drawLine(QPointF(head.x() + 5.5, head.y()), top);
    p.drawLine(top, top + QPointF(9, 6));
}

void DrawProgramIcon(QPainter& p) {
    QLinearGradient fill(0, 0, 0, 64);
    fill.setColorAt(0, kAccent.lighter(130));
    fill.setColorAt(1, kAccent.darker(130));
    p.setPen(Pen(kInk, 2));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 12, 12);
    // Three white keys and two black keys under a note: MIDI in, keys out.
    p.setBrush(kPaper);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(10 + i * 15, 34, 14, 22));
    p.setBrush(kInk);
    p.drawRect(QRectF(20, 34, 8, 13));
    p.drawRect(QRectF(35, 34, 8, 13));
    Note(p, Qt::white, QPointF(26, 24), 16);
}

Drawing ToolbarDrawing(const QString& name) {
    if (name == QLatin1String("sBitBtn2"))
        return [](QPainter& p) {
            Sheet(p);
            Plus(p, kGood);
        };
    if (name == QLatin1String("sBitBtn3"))
        return [](QPainter& p) {
            Sheet(p);
            Cross(p);
        };
    if (name == QLatin1String("sBitBtn7"))
        return [](QPainter& p) {
            Sheet(p);
            p.setPen(Pen(kInk, 3));
            for (int y : {28, 38, 48})
                p.drawLine(QPointF(21, y), QPointF(45, y));
        };
    if (name == QLatin1String("add"))
        return [](QPainter& p) {
            Pad(p);
            Plus(p, kGood);
        };
    if (name == QLatin1String("sBitBtn6"))
        return [](QPainter& p) {
            Pad(p);
            Cross(p);
        };
    if (name == QLatin1String("sBitBtn1"))
        return [](QPainter& p) {
            Pad(p);
            p.setPen(Pen(kInk, 2.5));
            p.setBrush(QColor(0xf2, 0xb1, 0x34));
            p.drawPolygon(QPolygonF(
                {QPointF(34, 58), QPointF(37, 47), QPointF(56, 28), QPointF(62, 34), QPointF(43, 53)}));
        };
    if (name == QLatin1String("sBitBtn4"))
        return [](QPainter& p) {
            p.setPen(Pen(kBad, 6));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(10, 12, 44, 44), 120 * 16, 300 * 16);
            p.drawLine(QPointF(32, 6), QPointF(32, 32));
        };
    if (name == QLatin1String("sBitBtn9"))
        return [](QPainter& p) {
            p.setPen(Pen(kInk, 3));
            p.setBrush(kPaper);
            p.drawRoundedRect(QRectF(6, 44, 52, 14), 3, 3);
            p.setPen(Pen(kAccent, 6));
            p.drawLine(QPointF(32, 6), QPointF(32, 34));
            p.drawPolyline(QPolygonF({QPointF(20, 24), QPointF(32, 36), QPointF(44, 24)}));
        };
    if (name == QLatin1String("sBitBtn5"))
        return [](QPainter& p) {
            p.setPen(Pen(kInk, 3));
            p.setBrush(kBad);
            p.drawRoundedRect(QRectF(12, 12, 40, 40), 6, 6);
        };
    if (name == QLatin1String("sBitBtn8"))
        return [](QPainter& p) {
            p.setPen(Pen(kInk, 3));
            p.setBrush(kGood);
            p.drawPolygon(QPolygonF({QPointF(16, 8), QPointF(56, 32), QPointF(16, 56)}));
        };
    return {};
}

} // namespace

QIcon ProgramIcon() {
    return MakeIcon(DrawProgramIcon);
}

QIcon ToolbarIcon(const QString& buttonName) {
    const Drawing draw = ToolbarDrawing(buttonName);
    return draw ? MakeIcon(draw) : QIcon();
}

QPixmap SplashPicture() {
    QPixmap pixmap(335, 244);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 335, 244);
    sky.setColorAt(0, kAccent.darker(160));
    sky.setColorAt(1, kInk);
    p.fillRect(pixmap.rect(), sky);

    // A keyboard along the bottom edge.
    p.setPen(Pen(kInk, 1.5));
    p.setBrush(kPaper);
    const double keyWidth = 335.0 / 14;
    for (int i = 0; i < 14; ++i)
        p.drawRect(QRectF(i * keyWidth, 184, keyWidth, 60));
    p.setBrush(kInk);
    for (int i = 0; i < 13; ++i) {
        if (i % 7 == 2 || i % 7 == 6)
            continue;
        p.drawRect(QRectF((i + 1) * keyWidth - keyWidth * 0.3, 184, keyWidth * 0.6, 36));
    }

    p.save();
    p.translate(24, 34);
    p.scale(1.6, 1.6);
    DrawProgramIcon(p);
    p.restore();

    p.setPen(Qt::white);
    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(34);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRectF(140, 40, 190, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tonvarra"));
    QFont small(QStringLiteral("Sans Serif"));
    small.setPixelSize(14);
    p.setFont(small);
    p.drawText(QRectF(142, 92, 190, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("MIDI to keystrokes"));
    p.drawText(QRectF(142, 116, 190, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("v.1.3"));
    return pixmap;
}

} // namespace tonvarra::dialogs
