#pragma once
// Opens web addresses in the desktop's browser. Only absolute http and https
// addresses with a host are opened; anything else (file:, javascript:, a
// program's path, a relative text) is refused and nothing is launched.

#include <QString>
#include <QUrl>

#include <functional>

namespace platform {

// The address as it will be opened, or an invalid QUrl when it is refused.
QUrl WebAddress(const QString& address);

// Opens `address` when WebAddress accepts it. False when it was refused or the
// desktop could not open it.
bool OpenWebAddress(const QString& address);

// What opens an accepted address: QDesktopServices::openUrl in the program, a
// recorder in tests. Returns the previous opener; an empty function restores
// the desktop's.
using AddressOpener = std::function<bool(const QUrl&)>;
AddressOpener InstallAddressOpener(AddressOpener opener);

}  // namespace platform
