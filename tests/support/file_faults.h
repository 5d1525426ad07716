#pragma once

#include <linux/capability.h>
#include <sys/resource.h>
#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>

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

// This thread without the given capabilities for the life of the guard, so that root meets the
// refusals an ordinary user meets. They stay in its permitted set and come back at the end.
class WithoutCapabilities {
  public:
    explicit WithoutCapabilities(std::initializer_list<int> capabilities);
    ~WithoutCapabilities();
    WithoutCapabilities(const WithoutCapabilities&) = delete;
    WithoutCapabilities& operator=(const WithoutCapabilities&) = delete;

  private:
    bool saved_ = false;
    __user_cap_data_struct caps_[2]{};
};

// The capabilities that let a thread read, write and open what its permissions refuse.
inline constexpr std::initializer_list<int> kPermissionOverrides = {
    CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};

// Takes write permission off a folder. Root ignores permissions, so this thread also gives up the
// capabilities that let it.
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
    std::optional<WithoutCapabilities> withoutOverrides_;
};

// The file's bytes; "<none>" when it cannot be read.
QByteArray fileBytes(const QString& path);
// Writes the bytes directly, for setting up a test (not through the program's writers).
bool putFile(const QString& path, const QByteArray& bytes);
// The names of the files in a folder, hidden ones included, sorted.
QStringList folderFiles(const QString& folder);
