#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Where the bus window remembers the devices of one port, and what it tells about that file.
class BusListStore {
  public:
    // folder: the settings file's ("" is the current folder).
    BusListStore(const QString& folder, int comPortNumber);

    // The IDs remembered, or nothing when there is no usable list. A refused file leaves a notice
    // and is kept as it is until the user changes the list.
    std::optional<QStringList> load();
    // Why the file was not used or not written; "" when all is well.
    const QString& notice() const { return notice_; }
    // The file was absent (or listed nothing): what the window finds may be remembered.
    bool missing() const { return missing_; }
    // Replaces the file with the IDs; false (and a notice) when it could not be written.
    bool save(const QStringList& ids);

    QString fileName() const;
    const QString& path() const { return path_; }

  private:
    QString path_;
    QString notice_;
    bool missing_ = true;
};
