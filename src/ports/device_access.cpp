#include "ports/device_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#include "files/capped_file.h"
#include "files/visible_text.h"
#include "ports/lock_files.h"

#ifndef Q_OS_WIN
#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN

std::optional<NodeAccess> nodeAccess(const QString&) {
    return std::nullopt;
}

QList<DeviceHolder> deviceHolders(const QString&, int) {
    return {};
}

QString strayLockFile(const QString&) {
    return QString();
}

#else

namespace {

// /proc holds a few thousand processes at most; a bound keeps a strange system from making the
// look-up long.
constexpr int kMaxProcesses = 32768;
constexpr int kMaxDescriptors = 262144;
constexpr int kMaxGroups = 4096;
// A command name is at most 16 bytes.
constexpr qint64 kMaxCommandBytes = 64;

QString userName(uid_t uid) {
    const passwd* pw = getpwuid(uid);
    const QString name = pw ? shownName(pw->pw_name) : QString();
    return name.isEmpty() ? QString::number(uid) : name;
}

QString groupName(gid_t gid) {
    const group* gr = getgrgid(gid);
    const QString name = gr ? shownName(gr->gr_name) : QString();
    return name.isEmpty() ? QString::number(gid) : name;
}

QString modeText(mode_t mode) {
    QString text = S_ISCHR(mode)   ? QStringLiteral("c")
                   : S_ISDIR(mode) ? QStringLiteral("d")
                                   : QStringLiteral("-");
    const char letters[] = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit) {
        text += (mode & (0400 >> bit)) ? QLatin1Char(letters[bit]) : QLatin1Char('-');
    }
    return text;
}

// Whether the group database gives the user the group: as its primary group or as a member.
bool databaseHasUserInGroup(uid_t uid, gid_t gid) {
    const passwd* pw = getpwuid(uid);
    if (!pw || !pw->pw_name) {
        return false;
    }
    const QByteArray name = pw->pw_name;
    const gid_t primary = pw->pw_gid;
    int count = 0;
    getgrouplist(name.constData(), primary, nullptr, &count);  // asks for the count
    if (count <= 0 || count > kMaxGroups) {
        return primary == gid;
    }
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (getgrouplist(name.constData(), primary, groups.data(), &count) < 0) {
        return primary == gid;
    }
    return std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count;
}

bool processHasGroup(gid_t gid) {
    if (getegid() == gid) {
        return true;
    }
    const int count = getgroups(0, nullptr);
    if (count <= 0 || count > kMaxGroups) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

QString commandName(qint64 pid) {
    const CappedFile comm =
        readCappedFile(QStringLiteral("/proc/%1/comm").arg(pid), kMaxCommandBytes);
    return comm.outcome == CappedFile::Outcome::Read ? shownName(comm.bytes) : QString();
}

bool isRunning(qint64 pid) {
    return pid > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}

// The holder a serial lock file names, when it names a running process.
std::optional<qint64> lockHolder(const QString& device) {
    for (const FoundLockFile& lock : readLockFiles(device)) {
        if (lock.owner && isRunning(lock.owner->pid)) {
            return lock.owner->pid;
        }
    }
    return std::nullopt;
}

// Whether one of the process's open files is the device. A process of another user cannot be
// looked into: it is passed over.
bool processHolds(const QByteArray& fdFolder, const QByteArray& device, int& budget) {
    DIR* dir = opendir(fdFolder.constData());
    if (!dir) {
        return false;
    }
    bool holds = false;
    char target[4096];
    while (!holds && budget > 0) {
        const dirent* entry = readdir(dir);
        if (!entry) {
            break;
        }
        --budget;
        const QByteArray path = fdFolder + '/' + entry->d_name;
        const ssize_t n = readlink(path.constData(), target, sizeof target);
        holds = n > 0 && static_cast<size_t>(n) < sizeof target &&
                QByteArray(target, static_cast<qsizetype>(n)) == device;
    }
    closedir(dir);
    return holds;
}

QList<qint64> procHolders(const QString& device, int most) {
    QList<qint64> pids;
    const QByteArray wanted = QFile::encodeName(device);
    const qint64 self = getpid();
    int budget = kMaxDescriptors;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries.mid(0, kMaxProcesses)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid <= 0 || pid == self) {
            continue;
        }
        if (processHolds(QByteArray("/proc/") + entry.toLatin1() + "/fd", wanted, budget)) {
            pids << pid;
            if (pids.size() >= most) {
                break;
            }
        }
    }
    return pids;
}

}  // namespace

std::optional<NodeAccess> nodeAccess(const QString& device) {
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0) {
        return std::nullopt;
    }
    NodeAccess access;
    access.device = device;
    access.mode = modeText(st.st_mode);
    access.owner = userName(st.st_uid);
    access.group = groupName(st.st_gid);
    access.groupMayUse = (st.st_mode & S_IRGRP) && (st.st_mode & S_IWGRP);
    access.user = userName(geteuid());
    access.userInGroup = databaseHasUserInGroup(geteuid(), st.st_gid);
    access.loginHasGroup = processHasGroup(st.st_gid);
    return access;
}

QList<DeviceHolder> deviceHolders(const QString& device, int most) {
    QList<qint64> pids;
    if (const auto locker = lockHolder(device); locker && *locker != getpid()) {
        pids << *locker;
    }
    for (const qint64 pid : procHolders(device, most)) {
        if (!pids.contains(pid)) {
            pids << pid;
        }
    }
    QList<DeviceHolder> holders;
    for (const qint64 pid : pids.mid(0, most)) {
        holders << DeviceHolder{pid, commandName(pid)};
    }
    return holders;
}

QString strayLockFile(const QString& device) {
    for (const FoundLockFile& lock : readLockFiles(device)) {
        if (!lock.owner || !isRunning(lock.owner->pid)) {
            return lock.path;
        }
    }
    return QString();
}

#endif
