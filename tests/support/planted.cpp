#include "support/planted.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "support/file_faults.h"

bool plant(const QString& path, Planted what) {
    const QByteArray name = QFile::encodeName(path);
    switch (what) {
        case Planted::NamedPipe:
            return mkfifo(name.constData(), 0666) == 0;
        case Planted::LinkToZero:
            return QFile::link(QStringLiteral("/dev/zero"), path);
        case Planted::Folder:
            return QDir().mkdir(path);
        case Planted::HugeFile: {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.resize(kHugeBytes);
        }
        case Planted::Garbage:
            return putFile(path, kGarbage);
    }
    return false;
}

void removePlanted(const QString& path) {
    const QFileInfo entry(path);
    if (entry.isDir() && !entry.isSymLink()) {
        QDir(path).removeRecursively();
    } else {
        ::unlink(QFile::encodeName(path).constData());
    }
}

ExtraLockFolder::ExtraLockFolder(const QString& folder)
    : saved_(qgetenv("NVQ_EXTRA_LOCK_FOLDERS")) {
    qputenv("NVQ_EXTRA_LOCK_FOLDERS", QFile::encodeName(folder));
}

ExtraLockFolder::~ExtraLockFolder() {
    if (saved_.isNull()) {
        qunsetenv("NVQ_EXTRA_LOCK_FOLDERS");
    } else {
        qputenv("NVQ_EXTRA_LOCK_FOLDERS", saved_);
    }
}

struct Deadline::State {
    std::mutex mutex;
    std::condition_variable done;
    bool disarmed = false;
};

Deadline::Deadline(int ms, std::string what, std::function<void()> cleanup)
    : state_(std::make_shared<State>()) {
    watcher_ =
        std::thread([state = state_, ms, what = std::move(what), cleanup = std::move(cleanup)] {
            std::unique_lock lock(state->mutex);
            if (state->done.wait_for(lock, std::chrono::milliseconds(ms),
                                     [state] { return state->disarmed; })) {
                return;
            }
            if (cleanup) {
                cleanup();
            }
            fprintf(stderr, "FAILED: %s did not end within %d ms\n", what.c_str(), ms);
            fflush(stderr);
            std::_Exit(1);
        });
}

Deadline::~Deadline() {
    {
        std::lock_guard lock(state_->mutex);
        state_->disarmed = true;
    }
    state_->done.notify_all();
    watcher_.join();
}
