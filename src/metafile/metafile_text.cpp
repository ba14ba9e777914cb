// Text output: fonts, placement, per-character advances and glyph indices.

#include "metafile/metafile_gdi.h"
#include "metafile/metafile_player_util.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>

namespace lumora::mf {
namespace {

constexpr double kMaxFontPixels = 20000;
// Qt caches drawn glyphs as bitmaps; past this size text is drawn as
// outlines, so a huge font cannot fill memory with glyph images.
constexpr int kMaxBitmapTextPixels = 256;

QFont makeFont(const Font& f) {
    QFont font;
    if (!f.face.isEmpty())
        font.setFamilies({f.face});
    switch (f.pitchAndFamily & 0xF0) {
        case 0x10:
            font.setStyleHint(QFont::Serif);
            break;
        case 0x20:
            font.setStyleHint(QFont::SansSerif);
            break;
        case 0x30:
            font.setStyleHint(QFont::TypeWriter);
            break;
        case 0x40:
            font.setStyleHint(QFont::Cursive);
            break;
        case 0x50:
            font.setStyleHint(QFont::Decorative);
            break;
        default:
            break;
    }
    if ((f.pitchAndFamily & 3) == 1)
        font.setFixedPitch(true);
    const int weight = f.weight <= 0 ? 400 : std::clamp(f.weight, 1, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    font.setKerning(false);  // GDI places characters by their advances alone
    return font;
}

bool haveGuiApplication() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

// ---- Text --------------------------------------------------------------------------

void Player::textOut(QPointF reference, const QString& text, const std::vector<double>& dx,
                     quint32 options, const std::optional<QRectF>& rect) {
    const QTransform& m = mapping();
    if (!mappingValid_ || !budget_.spend(quint64(text.size()) * 64 + 64))
        return;
    const bool updateCp = dc_.textAlign & TA_UPDATECP;
    const QPointF ref = updateCp ? dc_.position : reference;
    // Layout happens where it is drawn: target pixels when painting, device
    // space when collecting a path or bounds.
    const bool toTarget = painter_ && !dc_.inPath;
    const QTransform c = toTarget ? m * frame_ : m;

    if (rect && (options & ETO_OPAQUE) && !dc_.inPath) {
        const QRectF box = rect->normalized();
        QPainterPath p;
        p.addPolygon(m.map(QPolygonF(box)));
        p.closeSubpath();
        if (prepare(p.controlPointRect(), 4)) {
            Brush bk;
            bk.color = dc_.bkColor;
            const int rop = dc_.rop2;
            dc_.rop2 = R2_COPYPEN;
            fillDevicePath(p, bk);
            dc_.rop2 = rop;
        }
    }
    if (text.isEmpty() || !haveGuiApplication())
        return;

    const Font& f = dc_.font;
    const double sx = std::hypot(c.m11(), c.m12()), sy = std::hypot(c.m21(), c.m22());
    QFont font = makeFont(f);
    double em;
    if (f.height < 0) {
        em = -double(f.height) * sy;
    } else {
        // A positive height is the cell (ascent + descent), not the em.
        font.setPixelSize(100);
        const QFontMetricsF probe(font);
        const double cell = probe.ascent() + probe.descent();
        const double wanted = f.height > 0 ? f.height * sy : 16 * (toTarget ? frameScale_ : 1.0);
        em = cell > 0 ? wanted * 100 / cell : wanted;
    }
    if (!(em >= 0.5) || !finite(em))
        return;
    font.setPixelSize(int(std::lround(std::min(em, kMaxFontPixels))));
    if (f.width != 0) {
        const QFontMetricsF natural(font);
        const double avg = natural.averageCharWidth();
        if (avg > 0)
            font.setStretch(
                std::clamp(int(std::lround(100 * std::fabs(f.width) * sx / avg)), 10, 1000));
    }
    const QFontMetricsF fm(font);
    const double ascent = fm.ascent(), descent = fm.descent();
    const bool glyphs = options & ETO_GLYPH_INDEX;
    const bool pdy = options & ETO_PDY;
    const double extra = dc_.charExtra * sx;

    // Per character offsets along the baseline when the record gives them.
    std::vector<QPointF> offsets;
    double width = 0;
    const qsizetype n = text.size();
    const std::size_t step = pdy ? 2 : 1;
    const bool perChar = !dx.empty() || extra != 0 || glyphs;
    QRawFont raw;
    QList<quint32> glyphIndexes;
    if (glyphs) {
        raw = QRawFont::fromFont(font);
        for (QChar ch : text)
            glyphIndexes.append(ch.unicode());
    }
    if (perChar) {
        offsets.reserve(n);
        QList<QPointF> advances;
        if (glyphs && dx.empty() && raw.isValid())
            advances = raw.advancesForGlyphIndexes(glyphIndexes);
        double x = 0, y = 0;
        for (qsizetype i = 0; i < n; ++i) {
            offsets.emplace_back(x, y);
            double adv;
            if (std::size_t(i) * step < dx.size()) {
                adv = dx[std::size_t(i) * step] * sx;
                if (pdy && std::size_t(i) * 2 + 1 < dx.size())
                    y -= dx[std::size_t(i) * 2 + 1] * sy;
            } else if (glyphs) {
                adv = i < advances.size() ? advances[i].x() : 0;
            } else {
                adv = fm.horizontalAdvance(text.at(i)) + extra;
            }
            if (!finite(adv))
                adv = 0;
            x += adv;
        }
        width = x;
    } else {
        width = fm.horizontalAdvance(text);
    }

    double x0 = 0;
    switch (dc_.textAlign & TA_HORZ_MASK) {
        case TA_CENTER:
            x0 = -width / 2;
            break;
        case TA_RIGHT:
            x0 = -width;
            break;
        default:
            break;
    }
    double baseline = ascent;
    switch (dc_.textAlign & TA_VERT_MASK) {
        case TA_BASELINE:
            baseline = 0;
            break;
        case TA_BOTTOM:
            baseline = -descent;
            break;
        default:
            break;
    }
    // Text stays upright whatever the axes do; escapement turns it, and in
    // advanced mode so does the world transform.
    double angle = -f.escapement / 10.0;
    if (dc_.graphicsMode == GM_ADVANCED)
        angle += std::atan2(c.m12(), c.m11()) * 180 / M_PI;
    const QPointF origin = c.map(ref);
    QTransform place;
    place.translate(origin.x(), origin.y());
    place.rotate(angle);

    if (updateCp) {
        const double advance = (dc_.textAlign & TA_HORZ_MASK) == TA_CENTER
                                   ? 0
                                   : ((dc_.textAlign & TA_HORZ_MASK) == TA_RIGHT ? -width : width);
        const QPointF moved = place.map(QPointF(advance, 0));
        if (c.isInvertible())
            dc_.position = c.inverted().map(moved);
    }

    const QRectF cell(x0, baseline - ascent, width, ascent + descent);
    auto drawInto = [&](QPainterPath& out) {
        if (glyphs)
            return;  // glyph outlines need the exact font; left out of paths
        if (!perChar) {
            out.addText(QPointF(x0, baseline), font, text);
            return;
        }
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF at(x0 + offsets[i].x(), baseline + offsets[i].y());
            if (text.at(i).isHighSurrogate() && i + 1 < n) {
                out.addText(at, font, text.mid(i, 2));
                ++i;
            } else {
                out.addText(at, font, text.mid(i, 1));
            }
        }
    };

    if (dc_.inPath) {
        QPainterPath p;
        drawInto(p);
        addToPath(place.map(p), false);
        return;
    }
    QPainterPath box;
    box.addRect(cell);
    const QRectF deviceBounds = toTarget ? frame_.inverted().mapRect(place.map(box).boundingRect())
                                         : place.map(box).boundingRect();
    if (!prepare(deviceBounds, quint64(n)))
        return;

    painter_->save();
    if (rect && (options & ETO_CLIPPED)) {
        QPainterPath clip;
        clip.addPolygon(c.map(QPolygonF(rect->normalized())));
        painter_->setWorldTransform(base_);
        painter_->setClipPath(clip, Qt::IntersectClip);
    }
    painter_->setWorldTransform(place * base_);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->setRenderHint(QPainter::Antialiasing);
    if (dc_.bkMode == OPAQUE)
        painter_->fillRect(cell, dc_.bkColor);
    painter_->setPen(dc_.textColor);
    painter_->setFont(font);
    const bool outlines = font.pixelSize() > kMaxBitmapTextPixels;
    if (outlines) {
        QPainterPath p;
        if (glyphs && raw.isValid()) {
            for (qsizetype i = 0; i < glyphIndexes.size() && i < qsizetype(offsets.size()); ++i)
                p.addPath(raw.pathForGlyph(glyphIndexes[i])
                              .translated(x0 + offsets[i].x(), baseline + offsets[i].y()));
        } else {
            drawInto(p);
        }
        painter_->fillPath(p, dc_.textColor);
    } else if (glyphs) {
        if (raw.isValid()) {
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes(glyphIndexes);
            QList<QPointF> positions;
            for (const QPointF& o : offsets)
                positions.append(QPointF(x0 + o.x(), baseline + o.y()));
            run.setPositions(positions);
            run.setUnderline(f.underline);
            run.setStrikeOut(f.strikeOut);
            painter_->drawGlyphRun(QPointF(0, 0), run);
        }
    } else if (!perChar) {
        painter_->drawText(QPointF(x0, baseline), text);
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF at(x0 + offsets[i].x(), baseline + offsets[i].y());
            if (text.at(i).isHighSurrogate() && i + 1 < n) {
                painter_->drawText(at, text.mid(i, 2));
                ++i;
            } else {
                painter_->drawText(at, text.mid(i, 1));
            }
        }
    }
    painter_->restore();
}

}  // namespace lumora::mf
