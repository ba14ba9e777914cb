#pragma once

// Shared by the icon targets: arbitrary bytes read as one kind of icon file,
// every icon (up to a few dozen) extracted at two sizes. Besides crashes,
// sanitizer reports and slow units, an icon of the wrong size, a count out of
// range or a second extraction that differs are findings.

#include "platform/icons.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace lumora::fuzz {

inline void extractIcons(const uint8_t* data, size_t size, IconFileKind kind) {
    const IconResources icons = IconResources::fromBytes(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), kind);
    if (icons.count() < 0 || icons.count() > kMaxIconsPerFile)
        std::abort();
    const int last = std::min(icons.count(), 40);
    for (int i = 0; i < last; ++i) {
        for (int pixels : {32, 48}) {
            const QImage icon = icons.icon(i, pixels);
            if (!icon.isNull() && (icon.size() != QSize(pixels, pixels) ||
                                   icon.format() != QImage::Format_ARGB32_Premultiplied))
                std::abort();
            if (icons.icon(i, pixels).cacheKey() != icon.cacheKey())
                std::abort();
        }
    }
}

}  // namespace lumora::fuzz
