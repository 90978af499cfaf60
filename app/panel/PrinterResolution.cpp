#include "app/panel/PrinterResolution.h"

#include <QPrinter>
#include <QPrinterInfo>

std::optional<int> QueryDefaultPrinterDpi() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return std::nullopt;
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid())
        return std::nullopt;
    const int dpi = printer.resolution();
    if (dpi <= 0)
        return std::nullopt;
    return dpi;
}

std::optional<int> PrinterResolution::Dpi() {
    if (!kept_)
        kept_ = query_ ? query_() : std::nullopt;
    return *kept_;
}
