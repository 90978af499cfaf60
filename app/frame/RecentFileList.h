#pragma once
// The recent-file list of the File menu: the last images opened, newest
// first, kept in the profile's section "Recent File List" as "File1",
// "File2", ... Read at start-up, written at exit.

#include <QString>
#include <QStringList>

namespace platform {
class ProfileStore;
}

class CRecentFileList {
public:
    explicit CRecentFileList(int size) : size_(size) {}

    // Puts `path` first; an entry for the same file moves up, the oldest
    // entry beyond the size drops out.
    void Add(const QString& path);
    void Remove(int index);
    int Count() const { return static_cast<int>(files_.size()); }
    QString operator[](int index) const { return files_.value(index); }

    // "&1 /path/name.jpg": the menu text of entry `index`, the home folder
    // shown as '~' and long folders shortened to their ends.
    QString MenuText(int index) const;

    // Entries that are empty are dropped when read.
    void ReadList(const platform::ProfileStore& store);
    void WriteList(platform::ProfileStore& store) const;

private:
    int size_;
    QStringList files_;
};
