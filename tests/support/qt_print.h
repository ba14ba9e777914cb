#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>
#include <ostream>

// Readable gtest messages for Qt's string types.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i)
            *out << ", ";
        PrintTo(list[i], out);
    }
    *out << '}';
}

inline void PrintTo(const QSize& size, std::ostream* out) {
    *out << size.width() << 'x' << size.height();
}

inline void PrintTo(const QColor& color, std::ostream* out) {
    *out << color.name(QColor::HexArgb).toStdString();
}
