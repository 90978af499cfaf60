#include "platform/shellexec/OpenAddress.h"

#include <QDesktopServices>

#include <mutex>
#include <utility>

namespace platform {

namespace {

std::mutex g_openerMutex;
AddressOpener g_opener;

}  // namespace

QUrl WebAddress(const QString& address) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return {};
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return {};
    return url;
}

bool OpenWebAddress(const QString& address) {
    const QUrl url = WebAddress(address);
    if (!url.isValid())
        return false;
    AddressOpener opener;
    {
        std::lock_guard lock(g_openerMutex);
        opener = g_opener;
    }
    return opener ? opener(url) : QDesktopServices::openUrl(url);
}

AddressOpener InstallAddressOpener(AddressOpener opener) {
    std::lock_guard lock(g_openerMutex);
    return std::exchange(g_opener, std::move(opener));
}

}  // namespace platform
