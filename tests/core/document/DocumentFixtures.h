#pragma once
// Fixtures of the document tests: image files written at run time into a
// private folder, a listener that records what the document tells the
// windows, a scripted file dialog and the scripted prompt.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "core/document/DocumentFileDialog.h"
#include "core/document/DocumentListener.h"
#include "core/document/QVVesperaDoc.h"
#include "core/settings/AppSettings.h"
#include "engine/RSProgress.h"
#include "platform/commands/BatchRunning.h"
#include "platform/imaging/ExifProperties.h"
#include "support/FileFixtures.h"

namespace doctests {

class RecordingListener : public DocumentListener {
public:
    void OnUpdateAllViews() override { ++viewUpdates; }
    void OnUpdateResizePanel() override { ++panelUpdates; }
    void OnDocumentOpened(const QString& path, bool opened) override { opens.push_back({path, opened}); }
    void OnBeep() override { ++beeps; }

    struct Open {
        QString path;
        bool opened;
    };
    int viewUpdates = 0;
    int panelUpdates = 0;
    int beeps = 0;
    std::vector<Open> opens;
};

// Answers each question with the next path of its script; an empty path is a
// cancelled dialog.
class ScriptedFileDialog : public DocumentFileDialog {
public:
    bool PromptFileName(QString& path, bool open) override {
        asked.push_back(open);
        if (answers.empty())
            return false;
        path = answers.front();
        answers.erase(answers.begin());
        return !path.isEmpty();
    }
    std::vector<QString> answers;
    std::vector<bool> asked;
};

// A coloured gradient, so that pixels tell where they came from.
inline QImage Gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<uchar>(x * 255 / std::max(1, w - 1));
            row[3 * x + 1] = static_cast<uchar>(y * 255 / std::max(1, h - 1));
            row[3 * x + 2] = static_cast<uchar>((x + y) & 255);
        }
    }
    return image;
}

inline QByteArray Encode(const QImage& image, const char* format, int quality = 90) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes;
}

inline void SetDpi(QImage& image, double dpi) {
    const int perMetre = static_cast<int>(dpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(perMetre);
    image.setDotsPerMeterY(perMetre);
}

// The imaging layer ready, a private folder, a scripted prompt, clean engine
// flags and settings with known values.
class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() {
        imaging::InitializeImaging();
        g_bAbortResize = 0;
        g_bBatchRunning = 0;
        settings.m_nInterpolMode = 4;
        settings.m_nCorrectProp = 0;
        settings.m_nJpegQuality = 90;
        settings.m_nWidth = 640;
        settings.m_nHeight = 480;
        settings.m_fDpi = 300.0f;
        settings.m_dPercentW = 100.0;
        settings.m_dPercentH = 100.0;
    }
    ~DocumentTest() override {
        g_bAbortResize = 0;
        g_bBatchRunning = 0;
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const {
        EXPECT_TRUE(WriteFile(Path(name), bytes));
        return Path(name);
    }
    QString WriteImage(const QString& name, const QImage& image, const char* format) const {
        return Write(name, Encode(image, format));
    }
    // A camera JPEG of w x h at 72 dpi with the Make tag "TestCam".
    QString WriteCameraJpeg(const QString& name, int w, int h) const {
        QImage image = Gradient(w, h);
        SetDpi(image, 72);
        QByteArray bytes = Encode(image, "jpeg");
        std::vector<std::uint8_t> file(bytes.begin(), bytes.end());
        const std::string make = "TestCam";
        std::vector<std::uint8_t> value(make.begin(), make.end());
        value.push_back(0);
        EXPECT_TRUE(imaging::WriteExifProperties(
            file, {{271, imaging::PropertyTypeASCII, static_cast<std::uint32_t>(value.size()), value}}));
        return Write(name, QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size())));
    }

    std::vector<QString> Messages() const {
        std::vector<QString> texts;
        for (const auto& q : prompt.Questions())
            texts.push_back(q.text);
        return texts;
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    ScriptedAnswers prompt;
    AppSettings settings;
    RecordingListener listener;
    ScriptedFileDialog dialog;
};

}  // namespace doctests
