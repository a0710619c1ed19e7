#pragma once

#include <QString>

#include <functional>

namespace velta {

// Opens a web address in the user's browser through the desktop. Returns false and tells the
// user when nothing could open it.
bool shellOpen(const QString& address);

// Whether the desktop has a program for a MIME type or URL scheme ("x-scheme-handler/https").
bool desktopHandles(const QString& mimeType);

// Replaces the desktop (tests): the opener receives the address instead.
void setShellOpener(std::function<bool(const QString&)> opener);

} // namespace velta
