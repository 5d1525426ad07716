#include "device/parameter_verify.h"

#include <QHash>
#include <functional>

#include "device/parameter_codes.h"
#include "link/number_form.h"

namespace {

using Getter = std::function<QString(const ParameterSet&)>;

const QHash<QString, Getter>& getters() {
    static const QHash<QString, Getter> table = [] {
        QHash<QString, Getter> t{
            {"EDO", [](const ParameterSet& s) { return flagText(s.edoEnable); }},
            {"DB", [](const ParameterSet& s) { return s.serialBaud; }},
            {"BR", [](const ParameterSet& s) { return s.canBitRate; }},
            {"DN", [](const ParameterSet& s) { return s.deviceId; }},
            {"NID", [](const ParameterSet& s) { return s.nodeId; }},
            {"POL",
             [](const ParameterSet& s) {
                 return QString::number(polarityWord(polarityFromWord(s.polarity)));
             }},
            {"LCA", [](const ParameterSet& s) { return wholeNumberText(s.LCA).value_or(s.LCA); }},
            {"CM", [](const ParameterSet& s) { return QString::number(int(s.method)); }},
            {"SL", [](const ParameterSet& s) { return flagText(s.posGuardEnable); }},
            {"DOBOOT", [](const ParameterSet& s) { return s.doBoot; }},
            {"EOBOOT", [](const ParameterSet& s) { return s.eoBoot; }},
            {"EDEC", [](const ParameterSet& s) { return flagText(s.decEnable); }},
            {"RZ", [](const ParameterSet& s) { return flagText(s.returnZero); }},
            {"RT", [](const ParameterSet& s) { return flagText(s.RT); }},
        };
        for (const auto& p : kTextParameters) {
            const auto field = p.field;
            t.insert(QString::fromLatin1(p.key),
                     [field](const ParameterSet& s) { return s.*field; });
        }
        return t;
    }();
    return table;
}

}  // namespace

QString parameterValue(const ParameterSet& set, const QString& key) {
    const auto it = getters().constFind(key);
    return it == getters().cend() ? QString() : (*it)(set);
}

QList<ParameterDifference> compareParameters(const ParameterSet& written, const ParameterSet& read,
                                             const QStringList& keys) {
    QList<ParameterDifference> out;
    for (const QString& key : keys) {
        const QString w = parameterValue(written, key);
        const QString r = parameterValue(read, key);
        if (w != r) {
            out.append({key, w, r});
        }
    }
    return out;
}

QString differenceText(const ParameterDifference& d) {
    return QStringLiteral("%1: wrote \"%2\", read \"%3\"").arg(d.key, d.written, d.read);
}
