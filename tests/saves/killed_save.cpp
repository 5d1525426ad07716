#include "killed_save.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <QDir>
#include <QFileInfo>
#include <csignal>

extern char** environ;

namespace {

// The size of the file the stopped child is writing in the folder: the one open file of the child
// that lies there. Seen through the child's descriptor, so that it is found whether the unfinished
// file has a name in the folder or none (Linux's O_TMPFILE).
qint64 unfinishedFileSize(pid_t pid, const QString& folder) {
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::AllEntries | QDir::System |
                                                       QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget().startsWith(folder + QLatin1Char('/'))) {
            struct stat st {};
            if (stat(fd.filePath().toLocal8Bit().constData(), &st) == 0 && S_ISREG(st.st_mode)) {
                return st.st_size;
            }
        }
    }
    return -1;
}

}  // namespace

KilledSave killSaveMidWrite(const QString& kind, const QString& path, qint64 stopAfter) {
    KilledSave result;
    const QByteArray program = NVQ_SAVE_CHILD;
    const QByteArray kindArg = kind.toLocal8Bit();
    const QByteArray pathArg = path.toLocal8Bit();
    const QByteArray stopArg = QByteArray::number(stopAfter);
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(kindArg.constData()),
                    const_cast<char*>(pathArg.constData()), const_cast<char*>(stopArg.constData()),
                    nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) != 0) {
        return result;
    }
    int status = 0;
    if (waitpid(pid, &status, WUNTRACED) != pid) {
        return result;
    }
    if (WIFSTOPPED(status)) {
        result.stoppedInWrite = true;
        result.bytesWritten =
            unfinishedFileSize(pid, QFileInfo(path).absoluteDir().canonicalPath());
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    result.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    return result;
}
