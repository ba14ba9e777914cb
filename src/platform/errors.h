#pragma once

#include <QString>
#include <stdexcept>

namespace lumora {

// A failure that ends the current handler and reaches the default error box.
class EError : public std::runtime_error {
public:
    explicit EError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// File open and create failures, with the program's fixed texts.
class EInOutError : public EError {
public:
    using EError::EError;
    static EInOutError cannotOpen(const QString& path) {
        return EInOutError(QStringLiteral("Cannot open file %1").arg(path));
    }
    static EInOutError cannotCreate(const QString& path) {
        return EInOutError(QStringLiteral("Cannot create file %1").arg(path));
    }
};

}  // namespace lumora
