#pragma once

// Shared by the WMF and EMF targets: arbitrary bytes read as a metafile and,
// when they are one of the wanted kind, played onto a small image, straight
// and through a turned painter. Crashes, sanitizer reports and slow units are
// the findings.

#include "metafile/metafile.h"

#include <QGuiApplication>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

namespace lumora::fuzz {

// Text needs fonts, fonts need a GUI application.
inline void startGuiApplication() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz_metafile";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

inline void playMetafile(const uint8_t* data, size_t size, bool wantEmf) {
    const Metafile m =
        Metafile::fromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (m.isNull() || (m.format() == Metafile::Format::Emf) != wantEmf)
        return;  // the other target's format
    const QSize natural = m.size();
    if (natural.width() > Metafile::maxSide() || natural.height() > Metafile::maxSide())
        std::abort();
    m.toImage(QSize(64, 48));
    if (size & 1) {
        QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.translate(24, 0);
        painter.rotate(30);
        m.play(painter, QRectF(-10, 5, 40, 30));
    }
}

}  // namespace lumora::fuzz
