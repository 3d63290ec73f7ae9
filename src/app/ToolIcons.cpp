#include "app/ToolIcons.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <utility>

namespace onda {

namespace {

const QString kProgramKey = QStringLiteral("ONDA_link");

class GlyphEngine final : public QIconEngine {
public:
    explicit GlyphEngine(QString key) : m_key(std::move(key)) {}

    QIconEngine* clone() const override { return new GlyphEngine(m_key); }
    QString key() const override { return QStringLiteral("onda-glyph"); }

    // The engine's own pixmap is not cleared before it is painted: the glyph would sit on
    // whatever the memory held.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        // The program's picture is drawn on the grid of its 256-unit SVG, the glyphs on 24 units.
        const qreal units = m_key == kProgramKey ? 256.0 : 24.0;
        painter->scale(rect.width() / units, rect.height() / units);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        draw(*painter);
        painter->restore();
    }

private:
    void draw(QPainter& p) const {
        const QPen outline(QColor(0x30, 0x30, 0x30), 1.2);
        p.setPen(outline);
        if (m_key == QLatin1String("Save")) {
            p.setBrush(QColor(0x3a, 0x6e, 0xc4));
            p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6, 3, 12, 7));
            p.setBrush(QColor(0xdd, 0xdd, 0xdd));
            p.drawRect(QRectF(7, 14, 10, 7));
        } else if (m_key == QLatin1String("Print")) {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7, 2, 10, 8));
            p.setBrush(QColor(0x8a, 0x8f, 0x98));
            p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6, 15, 12, 7));
            p.drawLine(QPointF(8, 18), QPointF(16, 18));
        } else if (m_key == QLatin1String("Atleti")) {
            p.setBrush(QColor(0x2f, 0x8f, 0x5b));
            p.drawEllipse(QPointF(8, 7), 3.2, 3.2);
            p.drawChord(QRectF(2, 11, 12, 14), 0, 180 * 16);
            p.setBrush(QColor(0x3f, 0xa9, 0xd6));
            p.drawEllipse(QPointF(16, 8), 3.2, 3.2);
            p.drawChord(QRectF(10, 12, 12, 14), 0, 180 * 16);
        } else if (m_key == QLatin1String("Iscrizioni")) {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4, 2, 14, 20));
            for (int y = 7; y <= 17; y += 4)
                p.drawLine(QPointF(7, y), QPointF(15, y));
            p.setPen(QPen(QColor(0xc4, 0x3a, 0x3a), 2.4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(13, 20), QPointF(21, 10));
        } else if (m_key == kProgramKey) {
            drawProgram(p);
        } else if (m_key == QLatin1String("send")) {
            p.setBrush(QColor(0xf4, 0xf1, 0xe8));
            p.drawRect(QRectF(2, 6, 20, 13));
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(QPolygonF({{2, 6}, {12, 14}, {22, 6}}));
        }
    }

    // data/icons/onda-link.svg, the file installed for the desktop, as painter strokes: drawn
    // here it needs no image plug-ins, which take a few milliseconds to load at start-up.
    static void drawProgram(QPainter& p) {
        QLinearGradient water(0, 8, 0, 248);
        water.setColorAt(0, QColor(0x1e, 0x88, 0xe5));
        water.setColorAt(1, QColor(0x0d, 0x47, 0xa1));
        p.setPen(Qt::NoPen);
        p.setBrush(water);
        p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(92, 104), 22, 22);
        p.setBrush(Qt::NoBrush);
        const auto stroke = [&p](const QColor& colour, qreal width) {
            p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        };
        QPainterPath arm(QPointF(112, 126));
        arm.cubicTo(140, 70, 186, 62, 214, 92);
        stroke(Qt::white, 18);
        p.drawPath(arm);
        stroke(Qt::white, 16);
        p.drawLine(QPointF(112, 136), QPointF(200, 144));
        for (const auto& [y, colour] : {std::pair{170.0, QColor(Qt::white)}, {208.0, QColor(0x90, 0xca, 0xf9)}}) {
            // "q 25 -20 50 0 t 50 0 ...": each crest mirrored into a trough.
            QPainterPath wave(QPointF(28, y));
            for (int i = 0; i < 4; ++i)
                wave.quadTo(53 + 50 * i, i % 2 ? y + 20 : y - 20, 78 + 50 * i, y);
            stroke(colour, 14);
            p.drawPath(wave);
        }
    }

    QString m_key;
};

} // namespace

QIcon toolIcon(const QString& key) {
    return QIcon(new GlyphEngine(key));
}

QIcon programIcon() {
    return QIcon(new GlyphEngine(kProgramKey));
}

} // namespace onda
