#include "files/whole_file.h"

namespace {

// Qt reports a write that got only part of the way (the disk filled up in the middle) as a short
// count without a reason. Going on with the rest either finishes the file (there was room after
// all) or fails at once, with the system's reason for the message.
bool writeAll(QSaveFile& file, const QByteArray& bytes) {
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// The same for the bytes still in the buffer: a flush that got part of the way keeps the rest.
bool flushAll(QSaveFile& file) {
    for (qint64 left = file.bytesToWrite(); !file.flush();) {
        const qint64 now = file.bytesToWrite();
        if (now == 0 || now >= left) {
            return false;
        }
        left = now;
    }
    return true;
}

}  // namespace

WholeFileWriter::WholeFileWriter(const QString& path) : file_(path) {}

std::optional<QString> WholeFileWriter::failed() {
    failed_ = true;
    return file_.errorString();
}

std::optional<QString> WholeFileWriter::open() {
    if (!file_.open(QIODevice::WriteOnly)) {
        return failed();
    }
    return std::nullopt;
}

std::optional<QString> WholeFileWriter::append(const QByteArray& bytes) {
    if (failed_ || !file_.isOpen()) {
        return file_.errorString();
    }
    // Small writes only fill QSaveFile's buffer; an error that shows when the buffer reaches the
    // disk at commit time does not stop the commit from renaming the cut-off file into place.
    // Flushing each piece makes that error ours, at the piece that met it.
    if (!writeAll(file_, bytes) || !flushAll(file_)) {
        return failed();
    }
    return std::nullopt;
}

std::optional<QString> WholeFileWriter::commit() {
    if (failed_ || !file_.isOpen()) {
        return file_.errorString();
    }
    if (!file_.commit()) {
        return failed();
    }
    return std::nullopt;
}

std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes) {
    WholeFileWriter file(path);
    if (auto reason = file.open()) {
        return reason;
    }
    if (auto reason = file.append(bytes)) {
        return reason;
    }
    return file.commit();
}
