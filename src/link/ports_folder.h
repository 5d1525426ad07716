#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// The ports folder on disk: the links comN that give COM numbers their devices, and the list of
// adapters the user wants no COM number for.

// One comN entry of the folder.
struct ComLink {
    int number = 0;
    QString target;  // what the link names, made absolute; the entry itself when it is no link
    QString device;  // the canonical path it leads to now; empty when it leads nowhere

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
// Removes comN; returns why it failed, "" when it worked or there was none.
QString removeComLink(const QString& folder, int number);

// The stable paths of the adapters the user gave no COM number, from the folder's file
// "unassigned" (one absolute path a line); lines that are no such path are passed over.
QStringList readUnassigned(const QString& folder);
// Replaces that file whole; returns why it failed ("" when it worked), the old file then stays.
QString writeUnassigned(const QString& folder, const QStringList& stablePaths);
