// The doctor's judgement: which faults the figures of a diagnosis show, each in plain words.
#include <QDateTime>
#include <QSet>

#include "files/printable_text.h"
#include "monitor/bus_doctor.h"

namespace {

// A device whose replies are at least this garbled answers with another device at once.
constexpr double kSharedShare = 0.5;
// Below this share a device counts as clean beside one that shares its ID.
constexpr double kCleanShare = 0.1;
constexpr qint64 kSlowUs = 20000;

QString ms(qint64 us) {
    return QString::number(double(us) / 1000.0, 'f', 1);
}

double garbledShare(const LineQuality& q) {
    return q.answered > 0 ? double(q.garbled) / double(q.answered) : 0.0;
}

DoctorFinding finding(DoctorFinding::Kind kind, const QStringList& ids, const QString& title,
                      const QString& evidence, const QString& check) {
    DoctorFinding f;
    f.kind = kind;
    f.ids = ids;
    f.title = title;
    f.evidence = evidence;
    f.check = check;
    return f;
}

DoctorFinding silentDevice(const QString& id, const LineQuality& q, const DoctorPlan& plan) {
    const auto last = plan.lastAnswerMs.find(id);
    const QString before =
        last != plan.lastAnswerMs.end() && *last >= 0
            ? QStringLiteral("last answered at %1")
                  .arg(QDateTime::fromMSecsSinceEpoch(*last).toString(QStringLiteral("HH:mm:ss")))
            : QStringLiteral("no answer seen before");
    return finding(DoctorFinding::Kind::SilentDevice, {id},
                   QStringLiteral("%1 does not answer").arg(id),
                   QStringLiteral("0 of %1 queries answered; %2").arg(q.exchanges).arg(before),
                   QStringLiteral("Check the device's power, the cable and connectors at the "
                                  "device, its ID setting, and whether the A and B wires are "
                                  "swapped."));
}

DoctorFinding otherBaud(const QString& id, int lineBaud, int baud, const QString& name) {
    DoctorFinding f = finding(
        DoctorFinding::Kind::OtherBaud, {id},
        QStringLiteral("%1 answers at %2 baud, not at the line's %3")
            .arg(id)
            .arg(baud)
            .arg(lineBaud),
        QStringLiteral("no answer at %1 baud; at %2 baud it answered \"DN\" with \"%3\"")
            .arg(lineBaud)
            .arg(baud)
            .arg(printableText(name)),
        QStringLiteral("Set its baud rate to %1, or connect at %2 baud and change it there.")
            .arg(lineBaud)
            .arg(baud));
    f.otherBaud = baud;
    return f;
}

DoctorFinding sharedId(const QString& id, const LineQuality& q) {
    QString evidence;
    if (q.garbled > 0) {
        evidence = QStringLiteral("%1 of %2 replies garbled").arg(q.garbled).arg(q.answered);
        if (q.doubled > 0) {
            evidence +=
                QStringLiteral(" (%1 of them a second line after the reply)").arg(q.doubled);
        }
    }
    if (q.foreignPrefix > 0) {
        evidence += (evidence.isEmpty() ? QString() : QStringLiteral("; ")) +
                    QStringLiteral("%1 of %2 replies named another ID in their \"#\" prefix")
                        .arg(q.foreignPrefix)
                        .arg(q.answered);
    }
    return finding(DoctorFinding::Kind::SharedId, {id},
                   QStringLiteral("Two devices seem to answer to ID %1").arg(id), evidence,
                   QStringLiteral("Power the devices one at a time to see which answer to %1, "
                                  "and give one of them another ID.")
                       .arg(id));
}

DoctorFinding noisyLine(const QStringList& ids, const QMap<QString, LineQuality>& quality) {
    QStringList counts;
    for (const QString& id : ids) {
        const LineQuality& q = quality[id];
        counts << QStringLiteral("%1: %2 of %3").arg(id).arg(q.garbled).arg(q.answered);
    }
    return finding(DoctorFinding::Kind::NoisyLine, ids,
                   QStringLiteral("Replies are garbled on the line"),
                   QStringLiteral("garbled replies %1").arg(counts.join(QStringLiteral(", "))),
                   QStringLiteral("Check the termination (120 Ω at both ends of the line only), "
                                  "the grounding and common wire, the cable length for the baud "
                                  "rate (lower the rate on a long cable), and stubs to the "
                                  "devices."));
}

DoctorFinding slowDevice(const QString& id, const LineQuality& q) {
    const ReplyTimes& r = q.replyTimes;
    return finding(
        DoctorFinding::Kind::SlowDevice, {id}, QStringLiteral("%1 answers slowly").arg(id),
        QStringLiteral("it takes %1 ms to answer in 95 of 100 replies (more than 20 ms); reply "
                       "time p50 %2 ms, p95 %3 ms, max %4 ms")
            .arg(ms(q.answerTimes.percentileUs(0.95)), ms(r.percentileUs(0.5)),
                 ms(r.percentileUs(0.95)), ms(r.maxUs())),
        QStringLiteral("Check the device's firmware and its load, and any converter between it "
                       "and the PC that holds replies back."));
}

DoctorFinding lateReplies(const QString& id, const LineQuality& q) {
    return finding(DoctorFinding::Kind::LateReplies, {id},
                   QStringLiteral("Replies from %1 come too late").arg(id),
                   QStringLiteral("%1 answers came after their exchange had ended and were "
                                  "dropped; %2 of %3 came in time")
                       .arg(q.late)
                       .arg(q.answered)
                       .arg(q.exchanges),
                   QStringLiteral("Check for a slow device or an adapter that holds characters "
                                  "back (USB adapter latency), and the reply timeout."));
}

// The devices that answered at the line's rate whose replies show a second device on their ID:
// mostly garbled while some other device is clean (noise touches every device alike), or a
// prefix naming another ID. On a line of one device there is no other to compare with.
QSet<QString> sharedIds(const DoctorReport& r) {
    QSet<QString> shared;
    bool someClean = r.ids.size() == 1;
    for (const QString& id : r.ids) {
        someClean = someClean || garbledShare(r.quality[id]) < kCleanShare;
    }
    for (const QString& id : r.ids) {
        const LineQuality& q = r.quality[id];
        if (q.foreignPrefix > 0 || (someClean && garbledShare(q) >= kSharedShare)) {
            shared.insert(id);
        }
    }
    return shared;
}

}  // namespace

QList<DoctorFinding> diagnose(const DoctorPlan& plan, const DoctorReport& r) {
    QList<DoctorFinding> found;
    for (const QString& id : plan.ids) {
        const LineQuality& q = r.quality[id];
        if (q.answered == 0 && q.late == 0 && !r.otherBauds.contains(id)) {
            found << silentDevice(id, q, plan);
        }
    }
    for (auto it = r.otherBauds.begin(); it != r.otherBauds.end(); ++it) {
        found << otherBaud(it.key(), r.baud, it.value(), r.otherBaudNames.value(it.key()));
    }
    const QSet<QString> shared = sharedIds(r);
    QStringList noisy;
    for (const QString& id : r.ids) {
        if (shared.contains(id)) {
            found << sharedId(id, r.quality[id]);
        } else if (r.quality[id].garbled > 0) {
            noisy << id;
        }
    }
    if (!noisy.isEmpty()) {
        found << noisyLine(noisy, r.quality);
    }
    for (const QString& id : r.ids) {
        const LineQuality& q = r.quality[id];
        if (q.answerTimes.percentileUs(0.95) > kSlowUs) {
            found << slowDevice(id, q);
        }
    }
    // Also a device whose every answer came late.
    for (auto it = r.quality.begin(); it != r.quality.end(); ++it) {
        // Noise that hits a reply's CR leaves a line without its end, dropped as late: on a noisy
        // line late replies no more than the garbled ones are the noise's.
        const bool noiseExplains = noisy.contains(it.key()) && it->late <= it->garbled;
        if (it->late > 0 && !noiseExplains) {
            found << lateReplies(it.key(), *it);
        }
    }
    return found;
}
