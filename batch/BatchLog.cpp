#include "batch/BatchLog.h"

#include <QByteArray>

#include "batch/BatchIds.h"
#include "batch/BatchWorker.h"
#include "core/resize/InterpolMode.h"
#include "platform/files/LocalFileName.h"
#include "platform/paths/Paths.h"
#include "platform/resources/StringTable.h"

namespace {

QByteArray Format(int id) { return platform::LoadResString(id).toUtf8(); }

QByteArray Utf8(const QString& text) { return text.toUtf8(); }

// A path as the log shows it: a name that is not UTF-8 with its other bytes
// as escapes, as the thumbnails' captions show it.
QByteArray Shown(const QString& path) { return Utf8(platform::DisplayFileName(path)); }

struct FolderAndName {
    QByteArray folder;
    QByteArray name;
};

FolderAndName Split(const QString& path) {
    const platform::PathParts parts = platform::SplitPath(path);
    return {Shown(parts.drive + parts.dir), Shown(parts.name + parts.ext)};
}

// The table's texts end their lines with "\r\n" (and once with a lone "\n");
// the log's text box breaks lines at "\n".
QString LineBreaks(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// The reason on a line of its own after the message's text, before the blank
// line that ends the block.
QString WithReason(const QString& text, const QString& reason) {
    const QString end = QStringLiteral("\r\n\r\n");
    if (!text.endsWith(end))
        return text + QStringLiteral("\r\n") + reason;
    return text.left(text.size() - end.size()) + QStringLiteral("\r\n") + reason + end;
}

}  // namespace

QString BatchStatusLine(int index, int total) { return QString::asprintf(Format(IDS_PROCESSING), index, total); }

QString BatchAlgorithmName(int mode) {
    // A mode outside the ten (only a damaged batch file brings one) shows
    // its number.
    const int id = InterpolModeStringId(mode);
    return id == 0 ? QString::number(mode) : platform::LoadResString(id);
}

QString BatchLogText(const BatchReport& report) {
    const CItem& item = report.item;
    const FolderAndName input = Split(item.m_strPath);
    QString text;
    switch (report.status) {
    case BATCH_ITEM_STARTED: {
        const FolderAndName output = Split(report.outputPath);
        text = QString::asprintf(Format(IDS_LOG_STARTED), report.index, report.total, input.folder.constData(),
                                 input.name.constData(), output.folder.constData(), output.name.constData(),
                                 item.m_nTargetWidth, item.m_nTargetHeight, double{item.m_fTargetDpi},
                                 Utf8(BatchAlgorithmName(item.m_nMode)).constData());
        break;
    }
    case BATCH_ITEM_OPEN_FAILED:
        text = QString::asprintf(Format(IDS_LOG_OPEN_FAILED), report.index, report.total, input.folder.constData(),
                                 input.name.constData(), Shown(item.m_strPath).constData());
        break;
    case BATCH_ITEM_NO_OUTPUT_FOLDER:
        text = platform::LoadResString(IDS_LOG_NO_OUTPUT_FOLDER);
        break;
    case BATCH_ITEM_SKIPPED:
        text = QString::asprintf(Format(IDS_LOG_SKIPPED), report.index, report.total, input.folder.constData(),
                                 input.name.constData(), Split(report.outputPath).name.constData());
        break;
    case BATCH_ITEM_NO_MEMORY:
        text = platform::LoadResString(IDS_CANT_CREATE_OUTPUT);
        break;
    case BATCH_ITEM_NO_SIZE:
        text = QString::asprintf(Format(IDS_LOG_NO_SIZE), report.index, report.total, input.folder.constData(),
                                 input.name.constData(), Shown(item.m_strPath).constData());
        break;
    case BATCH_ITEM_CANCELLED:
        return BatchCancelledText();
    case BATCH_ITEM_WRITE_FAILED:
        text = QString::asprintf(Format(IDS_LOG_WRITE_FAILED), Shown(report.outputPath).constData());
        if (!report.failure.isEmpty())
            text = WithReason(text, report.failure);
        break;
    }
    return LineBreaks(text);
}

QString BatchCancelledText() { return LineBreaks(platform::LoadResString(IDS_LOG_CANCELLED)); }
