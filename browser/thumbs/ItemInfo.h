#pragma once
// What a browser shows and sorts by besides the thumbnails: file sizes as
// text, the tooltip of an item, and the shot dates of all items.

#include <QString>

#include <cstdint>
#include <memory>

class CITEMLIST;
class CPaletteItemImg;

// The size in kilobytes ("%.2fKB"), from 1000 KB on in megabytes ("%.2fMB"),
// from 1000 MB on in gigabytes ("%.2fGB"); 1024 to each step.
QString FormatFileSizeText(std::uint64_t bytes);

// "File: name.ext\nSize: WxH\nFile size: ..." for a file that exists and whose
// cell knows the image size; empty otherwise (no cell yet, no file).
QString ItemToolTipText(const QString& path, const CPaletteItemImg* cell);

// The item information of every item (CItem::LoadInfo).
void LoadAllInfo(CITEMLIST& items);

// The shot date of every item that lacks one: the EXIF date, else the last
// write time.
void LoadAllShotDates(CITEMLIST& items);
