#pragma once
// The folders of named presets and what they hold: one folder per kind under
// the common data folder ("Settings" for settings files, "Batches" for batch
// files), each preset a file "name.ext" in it.

#include <QString>

#include <vector>

namespace presets {

// The common data folder, the application title and `subfolder`, each created
// when missing; ending with '/'. Empty when a level cannot be created.
QString PresetFolder(const QString& subfolder);

// A preset as listed: its title (the file name without the extension) and the
// file's real name.
struct PresetEntry {
    QString title;
    QString fileName;
};

// The regular files of `folder` whose names end with "." + `ext`, letter case
// ignored, and have a title before it; sorted by title, ignoring case.
std::vector<PresetEntry> ListPresets(const QString& folder, const QString& ext);

// True when `folder` holds at least one such file.
bool HasPresets(const QString& folder, const QString& ext);

// The entry whose title is `name`: the exact spelling first, else the first
// one that matches ignoring case; nullptr when there is none.
const PresetEntry* FindPreset(const std::vector<PresetEntry>& entries, const QString& name);

// A name the user may type for a new preset: not empty, not "." or "..", and
// without '/' or NUL.
bool IsValidPresetName(const QString& name);

}  // namespace presets
