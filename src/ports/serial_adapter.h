#pragma once

#include <QString>
#include <optional>

// One serial line the system offers: a USB adapter, a built-in port, or a line offered in the
// adapters folder (port_names.h).
struct SerialAdapter {
    QString systemLocation;  // the device node, e.g. /dev/ttyUSB0 (on Windows its name, COM3)
    // A path that names this adapter in whatever socket it is plugged into, e.g.
    // /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0; the system location when
    // the system gives none.
    QString stablePath;
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;

    bool operator==(const SerialAdapter&) const = default;
};

// The details known of the adapter, in this order: "FT232R USB UART · FTDI · A50285BI".
QString adapterDetails(const SerialAdapter& adapter);
// "0403:6001"; empty when the system gives no vendor and product IDs.
QString usbIds(const SerialAdapter& adapter);
