#pragma once
// The default printer's resolution for the "Default Printer" preset, asked
// of the print system the first time it is needed and kept afterwards:
// asking can take a while, and the answer does not change while the
// program runs.

#include <functional>
#include <optional>
#include <utility>

// Asks the print system: the default printer's horizontal resolution in
// dots per inch, or nothing when there is no default printer.
std::optional<int> QueryDefaultPrinterDpi();

class PrinterResolution {
public:
    using Query = std::function<std::optional<int>()>;

    explicit PrinterResolution(Query query = QueryDefaultPrinterDpi) : query_(std::move(query)) {}

    // The kept answer; the query runs on the first call only.
    std::optional<int> Dpi();
    bool HasPrinter() { return Dpi().has_value(); }

private:
    Query query_;
    std::optional<std::optional<int>> kept_;
};
