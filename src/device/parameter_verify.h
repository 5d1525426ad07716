#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "device/parameter_set.h"

// A parameter as the device knows it: its key and its value in the form a download writes it
// (the polarity word with the seven signals' bits only, "LCA" as a whole number, a rate as its
// text, a check box as "0" or "1"). Empty for a key the set does not hold.
QString parameterValue(const ParameterSet& set, const QString& key);

struct ParameterDifference {
    QString key;
    QString written;
    QString read;
};

// The parameters among keys (those a read-back upload took) whose values differ between what
// was written and what was read back, in the order of keys.
QList<ParameterDifference> compareParameters(const ParameterSet& written, const ParameterSet& read,
                                             const QStringList& keys);

// "CURR: wrote 1800, read 1500".
QString differenceText(const ParameterDifference& difference);
