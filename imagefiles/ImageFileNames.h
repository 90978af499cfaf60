#pragma once
// Which files are images of this system, and the sound-note recordings
// (".wav") that cameras write beside JPEG and TIFF photographs.
//
// Sound notes are matched without regard to letter case, as the cameras'
// FAT cards are: IMG_1.JPG has the note IMG_1.WAV or img_1.wav. The name is
// tried as it stands, lower-cased and upper-cased, with ".wav", ".WAV" and
// ".Wav", so a note is found without reading the folder.

#include <QString>

#include <string_view>

// The extensions of the images this system opens, lower-case.
inline constexpr std::u16string_view g_strImageExtensions = u".tif;.gif;.bmp;.jpg;.png";

// The extension (dot included, any letter case) is one of g_strImageExtensions,
// or ".jpeg" or ".tiff", the spellings of JPEG and TIFF files common on Linux.
bool IsSupportedImageExtension(const QString& path);

// The extension (dot included) lower-cased, with ".jpeg" and ".tiff" given as
// ".jpg" and ".tif": the name under which this system knows the format.
QString CanonicalImageExtension(const QString& ext);

// The image is a photograph (".JPG" or ".TIF", any case, or their longer
// spellings) with a sound note.
bool HasSoundNote(const QString& imagePath);

// For a supported ".JPG" or ".TIF" image: notePath becomes the path of its
// note (the existing file when there is one, else folder + name + ".wav") and
// the result tells whether the note exists. Other paths: false, notePath
// unchanged.
bool GetSoundNotePath(const QString& imagePath, QString& notePath);

// The extension is ".WAV" in any letter case.
bool IsWavFile(const QString& path);

// A ".jpg" or ".tif" photograph (or ".jpeg", ".tiff") of the same folder and
// name exists (any letter case), so the recording is its sound note. The extension of wavPath is not
// examined; callers test IsWavFile first.
bool IsSoundNoteOfImage(const QString& wavPath);
