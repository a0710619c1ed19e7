#pragma once

#include <QString>
#include <stdexcept>

namespace velta {

// A platform facility that failed; the message is shown to the user as it stands.
class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

} // namespace velta
