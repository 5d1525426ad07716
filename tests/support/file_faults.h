#pragma once

#include <linux/capability.h>
#include <sys/resource.h>
#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

// Write failures made real for the life of a guard, so that file writers can be tested against
// them. Both act on this process (the size limit) or this thread (the folder), never on others.

// Makes every file write past the given size fail, as a full disk would: the write returns an
// error instead of the process being killed by SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

// Takes write permission off a folder. Root ignores permissions, so this thread also gives up the
// capabilities that let it (it keeps them in its permitted set and takes them back at the end).
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const QString& path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // True when the folder really refuses a new file to this thread: tried, not assumed.
    bool refusesNewFiles() const;

  private:
    QString path_;
    QFileDevice::Permissions permissions_;
    bool capsSaved_ = false;
    __user_cap_data_struct caps_[2]{};
};

// The file's bytes; "<none>" when it cannot be read.
QByteArray fileBytes(const QString& path);
// Writes the bytes directly, for setting up a test (not through the program's writers).
bool putFile(const QString& path, const QByteArray& bytes);
// The names of the files in a folder, hidden ones included, sorted.
QStringList folderFiles(const QString& folder);
