#include "platform/imaging/ImageEncoder.h"

#include <algorithm>
#include <cmath>
#include <new>

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QImageWriter>

#include "platform/files/LocalSaveFile.h"
#include "platform/imaging/ExifProperties.h"
#include "platform/imaging/GifEncoder.h"
#include "platform/imaging/ImageFormatPlugins.h"

namespace imaging {

namespace {

struct QtEncoder {
    const char* mime;
    const char* format;
};

constexpr QtEncoder kQtEncoders[] = {
    {"image/jpeg", "jpeg"},
    {"image/png", "png"},
    {"image/bmp", "bmp"},
    {"image/tiff", "tiff"},
};

const QtEncoder* FindQtEncoder(const std::string& mime) {
    for (const auto& e : kQtEncoders)
        if (mime == e.mime)
            return &e;
    return nullptr;
}

// The file is written this much at a time.
constexpr std::size_t kFileBlockBytes = std::size_t{1} << 20;

int DotsPerMetre(double dpi) { return static_cast<int>(std::lround(dpi / 0.0254)); }

// The pixels as the writers take them: 24-bit BGR goes out as RGB (the layout
// every Qt writer stores as 24-bit), the resolution as dots per metre. A
// bitmap with an ICC profile item gets that profile, byte for byte, from the
// metadata writer: Qt writes none then, so the file has one.
QImage WritableImage(const Bitmap& bitmap) {
    QImage image = bitmap.Image();
    if (image.format() == QImage::Format_BGR888)
        image = image.convertToFormat(QImage::Format_RGB888);
    if (bitmap.GetPropertyItem(PropertyTagICCProfile) != nullptr && image.colorSpace().isValid())
        image.setColorSpace(QColorSpace());
    image.setDotsPerMeterX(DotsPerMetre(bitmap.HorizontalResolution()));
    image.setDotsPerMeterY(DotsPerMetre(bitmap.VerticalResolution()));
    return image;
}

bool StopRequested(const WriteStop& stop) { return stop && stop(); }

// The encoder's output in memory. Once a stop is asked it refuses every
// block, so the writer gives up at its next one instead of finishing the
// image (a large PNG takes seconds).
class StoppableBuffer final : public QBuffer {
public:
    StoppableBuffer(QByteArray* bytes, const WriteStop& stop) : QBuffer(bytes), stop_(stop) {}

    bool Stopped() const { return stopped_; }

protected:
    qint64 writeData(const char* data, qint64 size) override {
        if (stopped_ || StopRequested(stop_)) {
            stopped_ = true;
            return -1;
        }
        return QBuffer::writeData(data, size);
    }

private:
    const WriteStop& stop_;
    bool stopped_ = false;
};

bool EncodeWithQt(const Bitmap& bitmap, const QtEncoder& encoder, const EncoderParameters& parameters,
                  std::vector<std::uint8_t>& out, const WriteStop& stop) {
    const QImage image = WritableImage(bitmap);
    if (image.isNull())
        return false;
    QByteArray bytes;
    StoppableBuffer buffer(&bytes, stop);
    buffer.open(QIODevice::WriteOnly);
    LoadImageFormatPlugins();
    QImageWriter writer(&buffer, encoder.format);
    if (std::string(encoder.format) == "jpeg" && parameters.quality >= 0)
        writer.setQuality(std::clamp(parameters.quality, 0, 100));
    if (std::string(encoder.format) == "tiff")
        writer.setCompression(1);  // LZW
    if (!writer.write(image) || buffer.Stopped())
        return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace

bool HasEncoder(const std::string& mimeType) { return mimeType == "image/gif" || FindQtEncoder(mimeType); }

bool EncodeBitmap(const Bitmap& bitmap, const std::string& mimeType, const EncoderParameters& parameters,
                  std::vector<std::uint8_t>& out, const WriteStop& stop) {
    try {
        std::vector<std::uint8_t> bytes;
        if (mimeType == "image/gif") {
            const GifMetadata metadata = MetadataForGif(bitmap.PropertyItems(), bitmap.Width(), bitmap.Height());
            if (!EncodeGif(bitmap.Image(), bytes, metadata))
                return false;
        } else if (const QtEncoder* encoder = FindQtEncoder(mimeType)) {
            if (!EncodeWithQt(bitmap, *encoder, parameters, bytes, stop) || StopRequested(stop))
                return false;
            // Metadata the file cannot take is dropped; the image is still written.
            if (mimeType != "image/bmp" && !bitmap.PropertyItems().empty())
                WriteExifProperties(bytes, bitmap.PropertyItems(), bitmap.MakerNote().get(), bitmap.ExifOrder());
        } else {
            return false;
        }
        out = std::move(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::string SizeRefusal(const std::string& mimeType, int width, int height) {
    // The JPEG library refuses sides beyond its own limit, below the 65535
    // that the format's header could state.
    constexpr int kMaxJpegSide = 65500;
    if (mimeType == "image/jpeg" && (width > kMaxJpegSide || height > kMaxJpegSide))
        return "JPEG files hold at most 65500 pixels a side.";
    return {};
}

bool SaveBitmapToFile(const Bitmap& bitmap, const std::string& path, const std::string& mimeType,
                      const EncoderParameters& parameters, std::string* failure, const WriteStop& stop) {
    auto fail = [failure](const QString& why) {
        if (failure != nullptr)
            *failure = why.toStdString();
        return false;
    };
    if (const std::string refusal = SizeRefusal(mimeType, bitmap.Width(), bitmap.Height()); !refusal.empty())
        return fail(QString::fromStdString(refusal));
    std::vector<std::uint8_t> bytes;
    if (StopRequested(stop) || !EncodeBitmap(bitmap, mimeType, parameters, bytes, stop))
        return fail(QString());
    // Unbuffered, so that every write reports its own failure: a short write
    // (a full file system, a file size limit) is followed by one that says
    // why, and never passes for a complete file. Written in blocks, so that
    // a stop asked meanwhile is heard; the temporary goes with the stop. The
    // path's bytes are the name, whatever they are.
    platform::LocalSaveFile file(path);
    if (!file.Open())
        return fail(file.ErrorString());
    const char* data = reinterpret_cast<const char*>(bytes.data());
    for (std::size_t written = 0; written < bytes.size();) {
        if (StopRequested(stop))
            return fail(QString());
        const std::size_t block = std::min<std::size_t>(bytes.size() - written, kFileBlockBytes);
        if (!file.Write(data + written, block))
            return fail(file.ErrorString());
        written += block;
    }
    if (StopRequested(stop))
        return fail(QString());
    if (!file.Commit())
        return fail(file.ErrorString());
    return true;
}

}  // namespace imaging
