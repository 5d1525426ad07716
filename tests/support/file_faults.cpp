#include "support/file_faults.h"

#include <sys/syscall.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <csignal>

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
}

namespace {

__user_cap_header_struct capHeader() {
    return {_LINUX_CAPABILITY_VERSION_3, 0};  // pid 0: the calling thread
}

}  // namespace

WithoutCapabilities::WithoutCapabilities(std::initializer_list<int> capabilities) {
    auto header = capHeader();
    if (syscall(SYS_capget, &header, caps_) != 0) {
        return;
    }
    saved_ = true;
    __user_cap_data_struct lowered[2] = {caps_[0], caps_[1]};
    for (const int cap : capabilities) {
        lowered[CAP_TO_INDEX(cap)].effective &= ~CAP_TO_MASK(cap);
    }
    syscall(SYS_capset, &header, lowered);
}

WithoutCapabilities::~WithoutCapabilities() {
    if (saved_) {
        auto header = capHeader();
        syscall(SYS_capset, &header, caps_);
    }
}

ReadOnlyFolder::ReadOnlyFolder(const QString& path)
    : path_(path), permissions_(QFile::permissions(path)) {
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                     QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    withoutOverrides_.emplace(kPermissionOverrides);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    withoutOverrides_.reset();
    QFile::setPermissions(path_, permissions_);
}

bool ReadOnlyFolder::refusesNewFiles() const {
    QFile probe(QDir(path_).filePath(QStringLiteral("probe")));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return true;
    }
    probe.remove();
    return false;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

bool putFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList folderFiles(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}
