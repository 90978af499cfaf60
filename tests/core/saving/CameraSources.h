#pragma once
// Camera-like source files made in the test: a Qt-encoded image with the
// EXIF block a camera writes, a JPEG thumbnail, and a maker note of one of
// several makers written through Exiv2's own model of that maker's layout,
// so that the note is laid out as Exiv2 lays out real ones.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <exiv2/exiv2.hpp>

#include "SavingFixtures.h"

namespace savingtests {

struct Tag {
    const char* key;
    const char* type;  // Exiv2's type name: "Ascii", "Short", "Long", "Rational", "Undefined", "Byte"
    const char* value;
};

struct CameraModel {
    const char* name;
    std::vector<Tag> tags;  // Make, Model and the maker note's entries
};

// Makers whose maker notes Exiv2 knows, each in its own layout: Canon (IFD
// with offsets from the TIFF header and binary arrays), Nikon (own TIFF
// header), Pentax ("AOC" header), Olympus (signature, IFD), OM Digital
// (signature, sub-IFDs), Sony (signature, IFD) and Sigma (signature, ASCII).
inline const std::vector<CameraModel>& CameraModels() {
    static const std::vector<CameraModel> models = {
        {"Canon",
         {{"Exif.Image.Make", "Ascii", "Canon"},
          {"Exif.Image.Model", "Ascii", "Canon EOS 40D"},
          {"Exif.Canon.ModelID", "Long", "2147484214"},
          {"Exif.CanonCs.Macro", "Short", "2"},
          {"Exif.CanonCs.LensType", "Short", "137"},
          {"Exif.CanonSi.ISOSpeed", "Short", "160"},
          {"Exif.Canon.FirmwareVersion", "Ascii", "Firmware Version 1.0.3"},
          {"Exif.Canon.OwnerName", "Ascii", "Jane Doe"}}},
        {"Nikon",
         {{"Exif.Image.Make", "Ascii", "NIKON CORPORATION"},
          {"Exif.Image.Model", "Ascii", "NIKON D300"},
          {"Exif.Nikon3.Version", "Undefined", "48 50 49 48"},
          {"Exif.Nikon3.ISOSpeed", "Short", "0 200"},
          {"Exif.Nikon3.Quality", "Ascii", "FINE"},
          {"Exif.Nikon3.WhiteBalance", "Ascii", "AUTO"},
          {"Exif.Nikon3.Focus", "Ascii", "AF-S"},
          {"Exif.Nikon3.Lens", "Rational", "18/1 55/1 35/10 56/10"}}},
        {"Pentax",
         {{"Exif.Image.Make", "Ascii", "PENTAX Corporation"},
          {"Exif.Image.Model", "Ascii", "PENTAX K10D"},
          {"Exif.Pentax.Version", "Byte", "3 0 0 0"},
          {"Exif.Pentax.Quality", "Short", "2"},
          {"Exif.Pentax.ISO", "Short", "6"},
          {"Exif.Pentax.ModelID", "Long", "76830"}}},
        {"Olympus",
         {{"Exif.Image.Make", "Ascii", "OLYMPUS IMAGING CORP."},
          {"Exif.Image.Model", "Ascii", "C5060WZ"},
          {"Exif.Olympus.Quality", "Short", "2"},
          {"Exif.Olympus.Macro", "Short", "0"}}},
        {"OM Digital",
         {{"Exif.Image.Make", "Ascii", "OM Digital Solutions"},
          {"Exif.Image.Model", "Ascii", "OM-1"},
          {"Exif.Olympus2.Quality", "Short", "2"},
          {"Exif.OlympusEq.CameraType", "Ascii", "S0093"},
          {"Exif.OlympusCs.WhiteBalance", "Short", "0"}}},
        {"Sony",
         {{"Exif.Image.Make", "Ascii", "SONY"},
          {"Exif.Image.Model", "Ascii", "DSLR-A700"},
          {"Exif.Sony1.Quality", "Long", "2"},
          {"Exif.Sony1.Teleconverter", "Long", "0"},
          {"Exif.Sony1.WhiteBalance", "Long", "16"}}},
        {"Sigma",
         {{"Exif.Image.Make", "Ascii", "SIGMA"},
          {"Exif.Image.Model", "Ascii", "SIGMA SD14"},
          {"Exif.Sigma.SerialNumber", "Ascii", "1234567"},
          {"Exif.Sigma.DriveMode", "Ascii", "SINGLE"},
          {"Exif.Sigma.ResolutionMode", "Ascii", "HI"}}},
    };
    return models;
}

inline void SetTag(Exiv2::ExifData& exif, const Tag& tag) {
    auto value = Exiv2::Value::create(Exiv2::TypeInfo::typeId(tag.type));
    value->read(tag.value);
    exif.add(Exiv2::ExifKey(tag.key), value.get());
}

// The file opened by Exiv2, its metadata read.
inline std::unique_ptr<Exiv2::Image> OpenWithExiv2(const Bytes& file) {
    std::unique_ptr<Exiv2::Image> image(
        Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size())).release());
    image->readMetadata();
    return image;
}

// The file with its metadata changed by `edit` through Exiv2.
inline Bytes EditWithExiv2(const Bytes& file, const std::function<void(Exiv2::Image&)>& edit) {
    auto image = OpenWithExiv2(file);
    edit(*image);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.open();
    Bytes out(static_cast<std::size_t>(io.size()));
    io.read(out.data(), static_cast<long>(out.size()));
    io.close();
    return out;
}

// The EXIF block of a camera: everything exiftool asks of a JPEG, a
// thumbnail, and the camera's own tags.
inline void SetCameraExif(Exiv2::ExifData& exif, int w, int h, const std::vector<Tag>& camera) {
    const std::string width = std::to_string(w), height = std::to_string(h);
    const Tag standard[] = {
        {"Exif.Image.XResolution", "Rational", "300/1"},
        {"Exif.Image.YResolution", "Rational", "300/1"},
        {"Exif.Image.ResolutionUnit", "Short", "2"},
        {"Exif.Image.DateTime", "Ascii", "2011:04:05 06:07:08"},
        {"Exif.Image.YCbCrPositioning", "Short", "2"},
        {"Exif.Photo.ExposureTime", "Rational", "1/250"},
        {"Exif.Photo.FNumber", "Rational", "56/10"},
        {"Exif.Photo.ExifVersion", "Undefined", "48 50 51 48"},
        {"Exif.Photo.DateTimeOriginal", "Ascii", "2011:04:05 06:07:08"},
        {"Exif.Photo.ComponentsConfiguration", "Undefined", "1 2 3 0"},
        {"Exif.Photo.FlashpixVersion", "Undefined", "48 49 48 48"},
        {"Exif.Photo.ColorSpace", "Short", "1"},
        {"Exif.Photo.PixelXDimension", "Long", width.c_str()},
        {"Exif.Photo.PixelYDimension", "Long", height.c_str()},
    };
    for (const Tag& tag : standard)
        SetTag(exif, tag);
    for (const Tag& tag : camera)
        SetTag(exif, tag);
    const Bytes thumbnail = QtEncode(Flat(160, 120, Qt::blue), "jpeg", 75);
    Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()), {72, 1}, {72, 1}, 2);
}

// A w x h camera file in `format` ("jpeg" or "tiff").
inline Bytes CameraFile(const CameraModel& camera, const char* format, int w = 400, int h = 300) {
    return EditWithExiv2(QtEncode(Noise(w / 4, h / 4).scaled(w, h), format, 92), [&](Exiv2::Image& image) {
        Exiv2::ExifData exif = image.exifData();
        SetCameraExif(exif, w, h, camera.tags);
        image.setExifData(exif);
    });
}

// The maker note's entries as Exiv2 reads them: key to type and value
// (where the note starts is left out: that changes when it moves).
inline std::map<std::string, std::string> MakerNoteEntries(const Bytes& file) {
    auto image = OpenWithExiv2(file);
    std::map<std::string, std::string> entries;
    for (const auto& datum : image->exifData())
        if (Exiv2::ExifTags::isMakerGroup(datum.groupName()) && datum.key() != "Exif.MakerNote.Offset")
            entries[datum.key()] = std::string(datum.typeName() ? datum.typeName() : "?") + " " + datum.toString();
    return entries;
}

}  // namespace savingtests
