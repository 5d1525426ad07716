#include "ports/com_assignment.h"

#include "files/visible_text.h"
#include "ports/port_names.h"

bool isAdapter(const SerialAdapter& line) {
    return line.stablePath != line.systemLocation || line.vendorId.has_value();
}

bool leadsTo(const ComLink& link, const SerialAdapter& adapter) {
    return (!link.device.isEmpty() && link.device == adapter.systemLocation) ||
           link.target == adapter.stablePath;
}

namespace {

bool isListed(const PortsState& state, const QString& systemLocation) {
    for (const SerialAdapter& a : state.adapters) {
        if (a.systemLocation == systemLocation) {
            return true;
        }
    }
    return false;
}

bool reaches(const PortsState& state, int number, const SerialAdapter& adapter) {
    if (const auto link = state.links.find(number); link != state.links.end()) {
        return leadsTo(*link, adapter);
    }
    return adapter.systemLocation == defaultPortDevice(number);
}

// Paths come from links anybody may have made; the details are cleaned by the inventory.
QString withDetails(const QString& device, const QString& details) {
    return details.isEmpty() ? visibleText(device)
                             : visibleText(device) + QStringLiteral(" · ") + details;
}

}  // namespace

int comNumberOf(const PortsState& state, const SerialAdapter& adapter) {
    for (int number = kFirstComNumber; number <= kLastComNumber; ++number) {
        if (reaches(state, number, adapter)) {
            return number;
        }
    }
    return 0;
}

const SerialAdapter* adapterAt(const PortsState& state, int number) {
    for (const SerialAdapter& a : state.adapters) {
        if (reaches(state, number, a)) {
            return &a;
        }
    }
    return nullptr;
}

bool isFree(const PortsState& state, int number) {
    return !state.links.contains(number) && !isListed(state, defaultPortDevice(number));
}

QList<ComLink> newAssignments(const PortsState& state) {
#ifdef Q_OS_WIN
    Q_UNUSED(state);
    return {};
#else
    QList<ComLink> made;
    PortsState after = state;
    for (const SerialAdapter& a : state.adapters) {
        if (!isAdapter(a) || comNumberOf(after, a) != 0 ||
            after.unassigned.contains(a.stablePath)) {
            continue;
        }
        for (int number = kFirstComNumber; number <= kLastComNumber; ++number) {
            if (isFree(after, number)) {
                const ComLink link{number, a.stablePath, a.systemLocation};
                after.links.insert(number, link);
                made << link;
                break;
            }
        }
    }
    return made;
#endif
}

QString comReach(const PortsState& state, int number) {
    if (const SerialAdapter* a = adapterAt(state, number)) {
        return withDetails(a->systemLocation, adapterDetails(*a));
    }
    if (const auto link = state.links.find(number); link != state.links.end()) {
        if (!link->network.isEmpty()) {
            return visibleText(link->network);
        }
        return link->device.isEmpty()
                   ? visibleText(link->target) + QStringLiteral(" · not plugged in")
                   : visibleText(link->device);
    }
    return defaultPortDevice(number) + QStringLiteral(" · no device");
}
