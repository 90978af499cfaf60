#include "app/presets/SettingsCommands.h"

#include "app/presets/CGadgetDlg.h"
#include "app/presets/PresetFolder.h"
#include "app/presets/PresetIds.h"
#include "app/presets/PresetStrings.h"
#include "app/presets/SettingsFile.h"
#include "core/settings/AppSettings.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/StringTable.h"

#include <utility>

namespace presets {

namespace {

const QString kSubfolder = QStringLiteral("Settings");
const QString kExtension = QStringLiteral("vps");

void Report(int id, const QString& reason = {}) {
    QString text = platform::LoadResString(id);
    if (text.contains(QLatin1String("%1")))
        text = text.arg(reason);
    platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok, text);
}

}  // namespace

bool SaveSettingsCommand(QWidget* parent, const AppSettings& settings) {
    CGadgetDlg dialog(IDS_SAVE_SETTINGS_TITLE, kSubfolder, kExtension, false, parent);
    if (dialog.DoModal() != QDialog::Accepted)
        return false;
    QString error;
    if (!WriteSettingsFile(dialog.GetSelectedPath(), CaptureSettings(settings), &error)) {
        Report(IDS_CANT_WRITE_SETTINGS, error);
        return false;
    }
    return true;
}

bool LoadSettingsCommand(QWidget* parent, AppSettings& settings) {
    CGadgetDlg dialog(IDS_LOAD_SETTINGS_TITLE, kSubfolder, kExtension, true, parent);
    if (dialog.DoModal() != QDialog::Accepted)
        return false;
    QString error;
    switch (ReadSettingsFile(dialog.GetSelectedPath(), settings, &error)) {
    case ReadResult::Ok:
        return true;
    case ReadResult::CannotRead:
        Report(IDS_CANT_READ_SETTINGS, error);
        return false;
    case ReadResult::Refused:
        Report(IDS_WRONG_FILE);
        return false;
    }
    return false;
}

bool CanLoadSettings(const AppSettings& settings) { return HasPresets(settings.m_strSettingsFolder, kExtension); }

PresetCommands::PresetCommands(AppSettings& settings, std::function<QWidget*()> parent,
                               std::function<void()> settingsLoaded)
    : settings_(settings), parent_(std::move(parent)), settingsLoaded_(std::move(settingsLoaded)) {
    OnCommand(ID_SAVE_SETTINGS, [this] { SaveSettingsCommand(parent_ ? parent_() : nullptr, settings_); });
    OnCommand(ID_LOAD_SETTINGS, [this] {
        if (LoadSettingsCommand(parent_ ? parent_() : nullptr, settings_) && settingsLoaded_)
            settingsLoaded_();
    });
    OnUpdate(ID_LOAD_SETTINGS, [this](platform::CCmdUI& ui) { ui.Enable(CanLoadSettings(settings_)); });
}

}  // namespace presets
