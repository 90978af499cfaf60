#pragma once
// The File menu's "Save se&ttings..." and "&Load settings...": the preset
// picker over the "Settings" folder and the settings file.
//
// The main frame offers the two ids to a PresetCommands it keeps in its
// command chain, or calls the functions from its own handlers.

#include "platform/commands/CmdTarget.h"

#include <functional>

class AppSettings;
class QWidget;

namespace presets {

// Save settings: the picker in save mode; on OK the ten values go to the
// chosen file. True when a file was written; a failure is reported.
bool SaveSettingsCommand(QWidget* parent, const AppSettings& settings);

// Load settings: the picker in load mode; on OK the chosen file is read and
// checked, and only a sound file replaces the ten values (a wrong, short or
// damaged file gives "Wrong file!" and changes nothing). True when the
// settings were replaced.
bool LoadSettingsCommand(QWidget* parent, AppSettings& settings);

// The update handler's test: the settings folder holds a settings file.
bool CanLoadSettings(const AppSettings& settings);

class PresetCommands : public platform::CmdTarget {
public:
    // `parent` gives the owner of the picker; `settingsLoaded` runs after a
    // file replaced the settings (the frame shows them: its UpdateAll).
    PresetCommands(AppSettings& settings, std::function<QWidget*()> parent, std::function<void()> settingsLoaded);

private:
    AppSettings& settings_;
    std::function<QWidget*()> parent_;
    std::function<void()> settingsLoaded_;
};

}  // namespace presets
