#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

class QLockFile;

// The ports folder on disk: the links comN that give COM numbers their devices, and the list of
// adapters the user wants no COM number for.

// One comN entry of the folder.
struct ComLink {
    int number = 0;
    QString target;  // what the link names, made absolute; the entry itself when it is no link
    QString device;  // the canonical path it leads to now; empty when it leads nowhere
    // The network address the entry holds when it is a network port's file ("tcp://gw:4001");
    // device is then empty.
    QString network = QString();

    bool operator==(const ComLink&) const = default;
};

// The comN entries for the numbers the dialog offers, by number.
QMap<int, ComLink> readComLinks(const QString& folder);

// Makes comN lead to target, unless comN is there already (made by the user, or by another run
// of the program a moment ago): an existing entry always wins. True when the link was made.
bool addComLink(const QString& folder, int number, const QString& target);
// Makes comN lead to target, replacing what was there in one step (a new link renamed over
// it), so that comN is never missing or half-made. Returns why it failed, "" when it worked.
QString setComLink(const QString& folder, int number, const QString& target);
// Makes comN a regular file with this content, replacing what was there in the same way.
QString setComFile(const QString& folder, int number, const QByteArray& content);
// Where comN lies in the folder.
QString comEntryPath(const QString& folder, int number);
// Removes comN; returns why it failed, "" when it worked or there was none.
QString removeComLink(const QString& folder, int number);

// The adapters the user gave no COM number, from the folder's file "unassigned" (one absolute
// path a line).
struct UnassignedList {
    QStringList stablePaths;
    // Why the file could not be read ("" when it was, or there is none); the list is then empty.
    QString problem;
};
UnassignedList readUnassigned(const QString& folder);
// Replaces that file whole; returns why it failed ("" when it worked), the old file then stays.
QString writeUnassigned(const QString& folder, const QStringList& stablePaths);
// The file's lines as paths: lines that are no absolute path of printable characters are passed
// over, and so is a second line with the same path; a line may end with CR LF (written on
// Windows, or by hand).
QStringList parseUnassigned(const QByteArray& content);
// The file's content for the paths, one a line.
QByteArray unassignedContent(const QStringList& stablePaths);

// The ports folder held by this program for one read-decide-write of its links, so that two
// programs giving numbers at the same time (two windows, a window and nvq-can) cannot both
// number one adapter. The lock is the folder's file ".lock" (QLockFile); it is let go when the
// object goes.
class PortsFolderLock {
  public:
    // Makes the folder if need be, and waits at most waitMs for another program's lock to go.
    PortsFolderLock(const QString& folder, int waitMs);
    ~PortsFolderLock();
    PortsFolderLock(const PortsFolderLock&) = delete;
    PortsFolderLock& operator=(const PortsFolderLock&) = delete;

    bool held() const { return problem_.isEmpty(); }
    // Why the lock was not taken; "" when it was.
    QString problem() const { return problem_; }

  private:
    std::unique_ptr<QLockFile> lock_;
    QString problem_;
};
