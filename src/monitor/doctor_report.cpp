// The doctor's report for a person and as data.
#include <QJsonArray>

#include "monitor/bus_doctor.h"

namespace {

QString figureMs(qint64 us) {
    return us < 0 ? QStringLiteral("-") : QString::number(double(us) / 1000.0, 'f', 1);
}

QString kindName(DoctorFinding::Kind kind) {
    switch (kind) {
        case DoctorFinding::Kind::SilentDevice:
            return QStringLiteral("silent_device");
        case DoctorFinding::Kind::SharedId:
            return QStringLiteral("shared_id");
        case DoctorFinding::Kind::OtherBaud:
            return QStringLiteral("other_baud");
        case DoctorFinding::Kind::NoisyLine:
            return QStringLiteral("noisy_line");
        case DoctorFinding::Kind::SlowDevice:
            return QStringLiteral("slow_device");
        case DoctorFinding::Kind::LateReplies:
            return QStringLiteral("late_replies");
    }
    return QString();
}

// What the report says before its findings: how the diagnosis ended.
QString outcome(const DoctorReport& r) {
    if (r.portFailed) {
        return QStringLiteral("The line failed: %1. The figures so far:").arg(r.error);
    }
    if (r.cancelled) {
        return QStringLiteral("Cancelled before the diagnosis was done. The figures so far:");
    }
    if (r.findings.isEmpty()) {
        return QStringLiteral("No fault found.");
    }
    return r.findings.size() == 1 ? QStringLiteral("1 fault found:")
                                  : QStringLiteral("%1 faults found:").arg(r.findings.size());
}

QStringList findingLines(const QList<DoctorFinding>& findings) {
    QStringList lines;
    for (qsizetype i = 0; i < findings.size(); ++i) {
        const DoctorFinding& f = findings[i];
        lines << QStringLiteral("%1. %2").arg(i + 1).arg(f.title)
              << QStringLiteral("   Seen: %1").arg(f.evidence)
              << QStringLiteral("   Check: %1").arg(f.check);
    }
    return lines;
}

QStringList figureLines(const DoctorReport& r) {
    QStringList lines{QStringLiteral("Figures per device at %1 baud:").arg(r.baud),
                      QStringLiteral("  ID  exchanges  unanswered  late  garbled  \"$\" repeats  "
                                     "reply ms p50 / p95 / max")};
    for (auto it = r.quality.begin(); it != r.quality.end(); ++it) {
        const LineQuality& q = *it;
        const ReplyTimes& t = q.replyTimes;
        lines << QStringLiteral("  %1  %2  %3  %4  %5  %6  %7 / %8 / %9")
                     .arg(it.key())
                     .arg(q.exchanges, 9)
                     .arg(q.unanswered, 10)
                     .arg(q.late, 4)
                     .arg(q.garbled, 7)
                     .arg(q.dollarRepeats, 11)
                     .arg(figureMs(t.percentileUs(0.5)), figureMs(t.percentileUs(0.95)),
                          figureMs(t.maxUs()));
    }
    return lines;
}

QJsonValue msJson(qint64 us) {
    return us < 0 ? QJsonValue() : QJsonValue(double(us) / 1000.0);
}

QJsonObject qualityJson(const LineQuality& q) {
    return QJsonObject{
        {"exchanges", double(q.exchanges)},
        {"answered", double(q.answered)},
        {"unanswered", double(q.unanswered)},
        {"late", double(q.late)},
        {"garbled", double(q.garbled)},
        {"doubled", double(q.doubled)},
        {"foreign_prefix", double(q.foreignPrefix)},
        {"dollar_repeats", double(q.dollarRepeats)},
        {"reply_ms", QJsonObject{{"p50", msJson(q.replyTimes.percentileUs(0.5))},
                                 {"p95", msJson(q.replyTimes.percentileUs(0.95))},
                                 {"max", msJson(q.replyTimes.maxUs())}}},
        {"answer_ms_p95", msJson(q.answerTimes.percentileUs(0.95))},
    };
}

QJsonObject findingJson(const DoctorFinding& f) {
    QJsonObject o{{"kind", kindName(f.kind)},
                  {"ids", QJsonArray::fromStringList(f.ids)},
                  {"title", f.title},
                  {"evidence", f.evidence},
                  {"check", f.check}};
    if (f.kind == DoctorFinding::Kind::OtherBaud) {
        o.insert("other_baud", f.otherBaud);
    }
    return o;
}

}  // namespace

QString idRangesText(QStringList ids) {
    std::sort(ids.begin(), ids.end());
    QStringList parts;
    for (qsizetype i = 0; i < ids.size();) {
        qsizetype j = i;
        while (j + 1 < ids.size() && ids[j + 1].toInt() == ids[j].toInt() + 1) {
            ++j;
        }
        parts << (j - i >= 2 ? ids[i] + QLatin1Char('-') + ids[j] : ids[i]);
        if (j - i == 1) {
            parts << ids[j];
        }
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString doctorReportText(const DoctorReport& r) {
    QStringList lines{outcome(r)};
    lines << findingLines(r.findings) << QString() << figureLines(r) << QString()
          << QStringLiteral("Sent (queries only: nothing written, nothing moved):");
    for (const QString& s : r.sent) {
        lines << QStringLiteral("  ") + s;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QJsonObject doctorReportJson(const DoctorReport& r) {
    QJsonArray findings;
    for (const DoctorFinding& f : r.findings) {
        findings.append(findingJson(f));
    }
    QJsonObject devices;
    for (auto it = r.quality.begin(); it != r.quality.end(); ++it) {
        devices.insert(it.key(), qualityJson(*it));
    }
    QJsonObject otherBauds;
    for (auto it = r.otherBauds.begin(); it != r.otherBauds.end(); ++it) {
        otherBauds.insert(it.key(), QJsonObject{{"baud", it.value()},
                                                {"name", r.otherBaudNames.value(it.key())}});
    }
    return QJsonObject{
        {"baud", r.baud},
        {"ids", QJsonArray::fromStringList(r.ids)},
        {"other_bauds", otherBauds},
        {"findings", findings},
        {"devices", devices},
        {"sent", QJsonArray::fromStringList(r.sent)},
        {"cancelled", r.cancelled},
        {"port_failed", r.portFailed},
        {"error", r.portFailed ? QJsonValue(r.error) : QJsonValue()},
    };
}
