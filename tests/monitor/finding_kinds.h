#pragma once

#include <QList>
#include <QPair>
#include <QStringList>

#include "monitor/bus_doctor.h"

// The findings as kind and devices, for comparing with a table's expectation.
using FindingKinds = QList<QPair<DoctorFinding::Kind, QStringList>>;

inline FindingKinds kindsOf(const QList<DoctorFinding>& findings) {
    FindingKinds kinds;
    for (const DoctorFinding& f : findings) {
        kinds.append({f.kind, f.ids});
    }
    return kinds;
}
