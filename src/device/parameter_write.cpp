#include "device/parameter_write.h"

#include "device/device_session.h"
#include "device/flash_store.h"
#include "device/parameter_download.h"
#include "device/parameter_upload.h"
#include "device/recording_reporter.h"

namespace {

using Step = DeviceWriteReport::Step;

QString stepName(Step step) {
    switch (step) {
        case Step::Read:
            return QStringLiteral("reading its own values");
        case Step::Write:
            return QStringLiteral("writing");
        case Step::Verify:
            return QStringLiteral("reading back");
        case Step::Store:
            return QStringLiteral("storing");
    }
    return QString();
}

class DeviceWriter {
  public:
    DeviceWriter(DeviceSession& session, RecordingReporter& reporter, const ParameterSet& file,
                 const WriteOptions& options, const std::function<void(const QString&)>& progress)
        : session_(session),
          reporter_(reporter),
          file_(file),
          options_(options),
          progress_(progress) {}

    DeviceWriteReport write(const QString& id) {
        report_ = DeviceWriteReport{};
        report_.id = id;
        report_.tried = true;
        reporter_.said.clear();
        session_.selectDevice(id);
        run();
        report_.messages = reporter_.said;
        return report_;
    }

  private:
    void run() {
        say(QStringLiteral("reading"));
        ParameterSet own;
        if (!uploadParameters(session_, own).usable()) {
            return fail(Step::Read);
        }
        ParameterSet set = valuesToWrite(own, file_, options_);
        say(QStringLiteral("writing"));
        session_.selectDevice(report_.id);  // from here on, count the download's commands only
        const DownloadEnd end = downloadParameters(session_, set);
        report_.answered = session_.answered();
        if (end != DownloadEnd::Done) {
            return fail(Step::Write);
        }
        report_.written = true;
        if (options_.verify && !verify(set)) {
            return;
        }
        if (options_.store) {
            if (report_.mismatch()) {
                report_.storeSkipped = true;
                return;
            }
            say(QStringLiteral("storing"));
            session_.selectDevice(report_.id);
            const StoreEnd stored = storeToFlash(session_);
            if (stored == StoreEnd::Failed) {
                return fail(Step::Store);
            }
            report_.stored = stored == StoreEnd::Stored;
            if (!*report_.stored) {
                report_.reason = reporter_.said.value(reporter_.said.size() - 1);
            }
        }
    }

    bool verify(const ParameterSet& written) {
        say(QStringLiteral("reading back"));
        session_.selectDevice(report_.id);
        ParameterSet back;
        const UploadResult result = uploadParameters(session_, back);
        if (!result.usable()) {
            fail(Step::Verify);
            return false;
        }
        report_.differences = compareParameters(written, back, result.taken);
        return true;
    }

    void fail(Step step) {
        report_.failedAt = step;
        report_.failedCommand = session_.failedCommand();
        report_.lineFailed = session_.lineFailed();
        report_.reason = reporter_.said.isEmpty() ? QString() : reporter_.said.last();
    }

    void say(const QString& what) {
        if (progress_) {
            progress_(report_.id + QStringLiteral(": ") + what);
        }
    }

    DeviceSession& session_;
    RecordingReporter& reporter_;
    const ParameterSet& file_;
    const WriteOptions& options_;
    const std::function<void(const QString&)>& progress_;
    DeviceWriteReport report_;
};

}  // namespace

ParameterSet valuesToWrite(const ParameterSet& device, const ParameterSet& file,
                           const WriteOptions& options) {
    ParameterSet s = file;
    if (!options.communication) {
        s.method = device.method;
        s.deviceId = device.deviceId;
        s.nodeId = device.nodeId;
        s.serialBaud = device.serialBaud;
        s.canBitRate = device.canBitRate;
    }
    s.posGuardRatio = device.posGuardRatio;
    s.decEnable = device.decEnable;
    s.RT = options.rt;
    return s;
}

WriteSummary writeToDevices(DeviceSession& session, RecordingReporter& reporter,
                            const ParameterSet& file, const QStringList& ids,
                            const WriteOptions& options,
                            const std::function<void(const QString&)>& progress) {
    reporter.answer = options.communication;
    DeviceWriter writer(session, reporter, file, options, progress);
    WriteSummary summary;
    QString stop;
    for (const QString& id : ids) {
        if (!stop.isEmpty()) {
            DeviceWriteReport skipped;
            skipped.id = id;
            skipped.notTriedBecause = stop;
            summary.devices << skipped;
            continue;
        }
        summary.devices << writer.write(id);
        const DeviceWriteReport& r = summary.devices.last();
        if (r.lineFailed) {
            stop = QStringLiteral("the line failed at %1").arg(r.id);
        } else if (options.stopOnError && (r.failed() || r.mismatch())) {
            stop = QStringLiteral("--stop-on-error after %1").arg(r.id);
        }
    }
    return summary;
}

int WriteSummary::exitCode() const {
    bool mismatch = false;
    for (const DeviceWriteReport& r : devices) {
        if (r.failed() || !r.tried) {
            return 1;
        }
        mismatch = mismatch || r.mismatch();
    }
    return mismatch ? 3 : 0;
}

QStringList WriteSummary::lines() const {
    QStringList out;
    for (const DeviceWriteReport& r : devices) {
        out << summaryLine(r);
    }
    return out;
}

QString summaryLine(const DeviceWriteReport& r) {
    const QString head = r.id + QStringLiteral(": ");
    if (!r.tried) {
        return head + QStringLiteral("not tried (%1)").arg(r.notTriedBecause);
    }
    QStringList parts;
    const auto because = [&r] {
        QString text = QStringLiteral(" at %1").arg(r.failedCommand.isEmpty() ? QStringLiteral("?")
                                                                              : r.failedCommand);
        if (!r.reason.isEmpty()) {
            text += QStringLiteral(": ") + r.reason;
        }
        return text;
    };
    if (r.failedAt == Step::Read) {
        return head +
               QStringLiteral("nothing written: %1 failed%2").arg(stepName(Step::Read), because());
    }
    if (!r.written) {
        QString done = r.answered.isEmpty()
                           ? QStringLiteral("no command got through")
                           : QStringLiteral("%1 commands got through, the last %2")
                                 .arg(QString::number(r.answered.size()), r.answered.last());
        return head + QStringLiteral("write incomplete (%1), ended%2; not read back, not stored")
                          .arg(done, because());
    }
    parts << QStringLiteral("written");
    if (r.failedAt == Step::Verify) {
        parts << QStringLiteral("reading back failed%1").arg(because());
    } else if (r.differences) {
        if (r.differences->isEmpty()) {
            parts << QStringLiteral("read back equal");
        } else {
            QStringList diffs;
            for (const ParameterDifference& d : *r.differences) {
                diffs << differenceText(d);
            }
            parts << QStringLiteral("read back with %1 difference(s): %2")
                         .arg(QString::number(r.differences->size()),
                              diffs.join(QStringLiteral("; ")));
        }
    }
    if (r.storeSkipped) {
        parts << QStringLiteral("not stored, as the read-back differed");
    } else if (r.failedAt == Step::Store) {
        parts << QStringLiteral("storing failed%1").arg(because());
    } else if (r.stored) {
        parts << (*r.stored ? QStringLiteral("stored") : QStringLiteral("not stored: ") + r.reason);
    } else if (r.failedAt == Step::Verify) {
        parts << QStringLiteral("not stored");
    }
    return head + parts.join(QStringLiteral(", "));
}
