#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// Things another user may put where the program reads a small file (a lock folder, the ports
// folder), made real for a test.
enum class Planted { NamedPipe, LinkToZero, Folder, HugeFile, Garbage };

// Bytes no reader can make sense of: no process number, a terminal escape, a placeholder, a line
// end of each kind and bytes that are no UTF-8.
inline const QByteArray kGarbage = "garbage\x1b]0;owned\x07 %1\r\n\xff\xfe\n";
// The size of the huge file: sparse, so it costs no disk.
inline constexpr qint64 kHugeBytes = qint64{1} << 30;

// Puts the thing at path; false when it could not be made.
bool plant(const QString& path, Planted what);
// Removes whatever lies at path (a folder with what it holds).
void removePlanted(const QString& path);

// The program looks for lock files in the folder too, for the life of the guard (the system's
// lock folders are no place for a test's things).
class ExtraLockFolder {
  public:
    explicit ExtraLockFolder(const QString& folder);
    ~ExtraLockFolder();
    ExtraLockFolder(const ExtraLockFolder&) = delete;
    ExtraLockFolder& operator=(const ExtraLockFolder&) = delete;

  private:
    QByteArray saved_;
};

// Ends the test process when a step does not end in time, after the cleanup: a read that blocks
// would otherwise last until ctest's timeout, and one of /dev/zero would fill the memory
// meanwhile. Disarmed when it goes.
class Deadline {
  public:
    Deadline(int ms, std::string what, std::function<void()> cleanup = {});
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

  private:
    struct State;
    std::shared_ptr<State> state_;
    std::thread watcher_;
};
