// The object table (pens, brushes, fonts, palettes, regions), stock
// objects, colours, and saved device-context states.

#include "metafile/metafile_gdi.h"

namespace lumora::mf {
namespace {

constexpr std::size_t kMaxSavedDcs = 1024;
constexpr quint32 kMaxObjects = 65536;

const QList<QRgb>& defaultPalette() {
    static const QList<QRgb> colors = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),     qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128),   qRgb(192, 192, 192),
        qRgb(192, 220, 192), qRgb(166, 202, 240), qRgb(255, 251, 240), qRgb(160, 160, 164),
        qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),   qRgb(255, 255, 255)};
    return colors;
}

}  // namespace

QColor Player::color(quint32 ref) const {
    if ((ref >> 24) == 1) {  // PALETTEINDEX
        const QList<QRgb> colors = paletteColors();
        const quint32 index = ref & 0xFFFF;
        return index < quint32(colors.size()) ? QColor(colors[index]) : QColor(Qt::black);
    }
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

QList<QRgb> Player::paletteColors() const {
    if (dc_.palette >= 0) {
        auto it = objects_.find(quint32(dc_.palette));
        if (it != objects_.end())
            if (const auto* p = std::get_if<Palette>(&it->second))
                return p->colors;
    }
    return defaultPalette();
}

// ---- Saved states and objects ------------------------------------------------

void Player::saveDc() {
    if (saved_.size() >= kMaxSavedDcs)
        return;
    saved_.push_back(dc_);
}

void Player::restoreDc(int which) {
    std::size_t keep;
    if (which < 0) {
        const std::size_t back = std::size_t(-qint64(which));
        if (back > saved_.size())
            return;
        keep = saved_.size() - back;
    } else if (which > 0) {
        if (std::size_t(which) > saved_.size())
            return;
        keep = std::size_t(which) - 1;
    } else {
        return;
    }
    dc_ = saved_[keep];
    saved_.resize(keep);
    mappingChanged();
    clipDirty_ = true;
}

void Player::createObject(Object object) {
    quint32 index;
    if (!freeSlots_.empty()) {
        index = *freeSlots_.begin();
        freeSlots_.erase(freeSlots_.begin());
    } else if (nextSlot_ < kMaxObjects) {
        index = nextSlot_++;
    } else {
        return;
    }
    objects_[index] = std::move(object);
}

void Player::createObjectAt(quint32 index, Object object) {
    if (index == 0 || index >= kMaxObjects)
        return;  // 0 is the metafile itself
    objects_[index] = std::move(object);
}

void Player::deleteObject(quint32 index) {
    if (objects_.erase(index) && index < nextSlot_)
        freeSlots_.insert(index);
}

const Object* Player::object(quint32 index) const {
    auto it = objects_.find(index);
    return it == objects_.end() ? nullptr : &it->second;
}

Palette* Player::palette(quint32 index) {
    auto it = objects_.find(index);
    return it == objects_.end() ? nullptr : std::get_if<Palette>(&it->second);
}

void Player::selectPalette(quint32 index) {
    if (index == 0x8000000F) {  // DEFAULT_PALETTE
        dc_.palette = -1;
        return;
    }
    if (palette(index))
        dc_.palette = int(index);
}

void Player::selectObject(quint32 index) {
    if (index & 0x80000000) {
        selectStockObject(index & 0x7FFFFFFF);
        return;
    }
    const Object* o = object(index);
    if (!o)
        return;
    if (const auto* pen = std::get_if<Pen>(o))
        dc_.pen = *pen;
    else if (const auto* brush = std::get_if<Brush>(o)) {
        // A pattern brush whose bitmap could not be read is one GDI would
        // have failed to create: selecting it changes nothing.
        const bool pattern = brush->style == BS_PATTERN || brush->style == BS_DIBPATTERN ||
                             brush->style == BS_DIBPATTERNPT;
        if (!pattern || !brush->pattern.isNull())
            dc_.brush = *brush;
    } else if (const auto* font = std::get_if<Font>(o))
        dc_.font = *font;
    else if (const auto* region = std::get_if<Region>(o))
        selectLogicalClipRegion(region->region);
    else if (std::get_if<Palette>(o))
        dc_.palette = int(index);
}

void Player::selectStockObject(quint32 index) {
    auto solid = [](QColor c) {
        Brush b;
        b.color = c;
        return b;
    };
    auto pen = [](QColor c, quint32 style = PS_SOLID) {
        Pen p;
        p.color = c;
        p.style = style;
        return p;
    };
    switch (index) {
        case 0:
            dc_.brush = solid(Qt::white);
            break;
        case 1:
            dc_.brush = solid(QColor(192, 192, 192));
            break;
        case 2:
            dc_.brush = solid(QColor(128, 128, 128));
            break;
        case 3:
            dc_.brush = solid(QColor(64, 64, 64));
            break;
        case 4:
            dc_.brush = solid(Qt::black);
            break;
        case 5:
            dc_.brush.style = BS_NULL;
            break;
        case 6:
            dc_.pen = pen(Qt::white);
            break;
        case 7:
            dc_.pen = pen(Qt::black);
            break;
        case 8:
            dc_.pen = pen(Qt::black, PS_NULL);
            break;
        case 10:
        case 11:
        case 16: {
            Font f;
            f.pitchAndFamily = 0x31;  // fixed pitch, modern
            dc_.font = f;
            break;
        }
        case 12:
        case 13:
        case 14:
        case 17:
            dc_.font = Font();
            break;
        case 15:
            dc_.palette = -1;
            break;
        case 18:
            dc_.brush = solid(Qt::white);
            break;
        case 19:
            dc_.pen = pen(Qt::black);
            break;
        default:
            break;
    }
}

}  // namespace lumora::mf
