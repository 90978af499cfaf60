#include "browser/info/ExifTagNames.h"

namespace browser {

namespace {
using R = ExifValueRule;
}

const std::array<ExifTagName, kExifTagCount> g_ExifTagNames = {{
    {0x0100, 157, R::Number},           // Image width
    {0x0101, 158, R::Number},           // Image length
    {0x0102, 159, R::Number},           // BitsPerSample
    {0x0103, 160, R::Hidden},           // Compression
    {0x0106, 161, R::Photometric},      // Photometric interpretation
    {0x010A, 162, R::Hidden},           // FillOrder
    {0x010D, 163, R::Hidden},           // Document name
    {0x010E, 164, R::Number},           // Image description
    {0x010F, 165, R::Number},           // Manufacturer
    {0x0110, 166, R::Number},           // Model
    {0x0111, 167, R::Hidden},           // StripOffsets
    {0x0112, 168, R::Orientation},      // Orientation
    {0x0115, 169, R::Hidden},           // SamplesPerPixel
    {0x0116, 176, R::Hidden},           // RowsPerStrip
    {0x0117, 177, R::Hidden},           // StripByteCounts
    {0x011A, 178, R::Hidden},           // Horizontal resolution
    {0x011B, 179, R::Hidden},           // Vertical resolution
    {0x011C, 180, R::Hidden},           // PlanarConfiguration
    {0x0128, 181, R::ResolutionUnit},   // Resolution units
    {0x012D, 182, R::Hidden},           // TransferFunction
    {0x0131, 183, R::Number},           // Software
    {0x0132, 184, R::Number},           // Date/time
    {0x013B, 185, R::Number},           // Artist
    {0x013E, 186, R::Hidden},           // WhitePoint
    {0x013F, 187, R::Hidden},           // PrimaryChromaticities
    {0x0156, 188, R::Hidden},           // TransferRange
    {0x0200, 189, R::Hidden},           // JPEGProc
    {0x0201, 190, R::Hidden},           // JPEGInterchangeFormat
    {0x0202, 191, R::Hidden},           // JPEGInterchangeFormatLength
    {0x0211, 192, R::Hidden},           // YCbCrCoefficients
    {0x0212, 193, R::Hidden},           // YCbCrSubSampling
    {0x0213, 194, R::Hidden},           // YCbCrPositioning
    {0x0214, 195, R::Hidden},           // ReferenceBlackWhite
    {0x828D, 196, R::Hidden},           // CFARepeatPatternDim
    {0x828E, 197, R::Number},           // CFAPattern
    {0x828F, 198, R::Hidden},           // Battery level
    {0x8298, 199, R::Number},           // Copyrights
    {0x829A, 200, R::Hidden},           // Exposure time
    {0x829D, 201, R::Hidden},           // FNumber
    {0x83BB, 202, R::Number},           // IPTC/NAA
    {0x8769, 203, R::Number},           // ExifOffset
    {0x8773, 204, R::Hidden},           // InterColorProfile
    {0x8822, 205, R::ExposureProgram},  // Exposure program
    {0x8824, 206, R::Number},           // SpectralSensitivity
    {0x8825, 207, R::Hidden},           // GPSInfo
    {0x8827, 208, R::Number},           // ISO speed ratings
    {0x8828, 209, R::Number},           // OECF
    {0x9000, 210, R::Number},           // ExifVersion
    {0x9003, 211, R::Number},           // Date/time original
    {0x9004, 212, R::Number},           // Date/time digitized
    {0x9101, 213, R::Hidden},           // ComponentsConfiguration
    {0x9102, 214, R::Hidden},           // CompressedBitsPerPixel
    {0x9201, 215, R::Hidden},           // Shutter speed value
    {0x9202, 216, R::Hidden},           // Aperture value
    {0x9203, 217, R::Hidden},           // Brightness value
    {0x9204, 218, R::Hidden},           // Exposure bias value
    {0x9205, 219, R::Hidden},           // Max aperture value
    {0x9206, 220, R::Hidden},           // Subject distance
    {0x9207, 221, R::MeteringMode},     // Metering mode
    {0x9208, 222, R::LightSource},      // Light source
    {0x9209, 223, R::Flash},            // Flash
    {0x920A, 224, R::Hidden},           // Focal length
    {0x927C, 225, R::Number},           // Maker notes
    {0x9286, 226, R::Number},           // User comments
    {0x9290, 227, R::Number},           // SubSecTime
    {0x9291, 228, R::Number},           // SubSecTimeOriginal
    {0x9292, 229, R::Number},           // SubSecTimeDigitized
    {0xA000, 230, R::Number},           // FlashPixVersion
    {0xA001, 231, R::ColorSpace},       // Color space
    {0xA002, 232, R::Number},           // Exif image width
    {0xA003, 233, R::Number},           // Exif image height
    {0xA005, 234, R::Hidden},           // InteroperabilityOffset
    {0xA20B, 235, R::Hidden},           // Flash energy
    {0xA20C, 236, R::Number},           // SpatialFrequencyResponse
    {0xA20E, 237, R::Hidden},           // FocalPlaneXResolution
    {0xA20F, 238, R::Hidden},           // FocalPlaneYResolution
    {0xA210, 239, R::Hidden},           // FocalPlaneResolutionUnit
    {0xA214, 240, R::Hidden},           // Subject location
    {0xA215, 241, R::Hidden},           // Exposure index
    {0xA217, 242, R::Sensor},           // Sensor
    {0xA300, 243, R::Number},           // File source
    {0xA301, 244, R::Number},           // Scene type
}};

const ExifTagName* FindExifTagName(std::uint32_t tag) {
    for (const ExifTagName& entry : g_ExifTagNames)
        if (entry.tag == tag)
            return &entry;
    return nullptr;
}

}  // namespace browser
