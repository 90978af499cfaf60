#pragma once
// Readable names and values of metadata property items, as the Image Info
// dialog lists them.

#include <cstdint>
#include <span>

#include <QString>

#include "platform/imaging/PropertyItem.h"

namespace browser {

// Name and value of one property item; both empty when the item is not
// shown: a tag the tag table lacks, a type other than ASCII, SHORT or LONG,
// a SHORT or LONG with more than one value, or a count that does not agree
// with the item's length.
void FormatExifProperty(const imaging::PropertyItem& item, QString& name, QString& value);

// The text of a single SHORT or LONG value of a tag: the tag's value list,
// or its number; empty where the tag shows no such value. A tag the table
// lacks shows its number.
QString FormatExifValue(std::uint32_t tag, std::uint32_t value);

// The text of an ASCII value: the bytes up to the first NUL (or all of them),
// read as UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise.
QString DecodeExifAscii(std::span<const std::uint8_t> bytes);

}  // namespace browser
