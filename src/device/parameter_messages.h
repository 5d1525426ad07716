#pragma once

#include "link/messages.h"

// Texts the parameter operations say and the titles of their questions: the parameter window's
// own words, which the command line reports too.
inline constexpr char kPortNotOpen[] = "Communication port not open!";
inline constexpr char kDeviceNotOpen[] = "Communication with device not open!";
inline constexpr char kUnusableReply[] = "Communication Error";
inline constexpr char kIdDoesNotMatch[] = "ID does not match: ";
inline constexpr char kDownloadDone[] = "Download Done!";

inline constexpr char kMethodTitle[] = "Communication Method";
inline constexpr char kDeviceIdTitle[] = "Device ID";
inline constexpr char kDeviceIdQuestion[] = "Are you sure you want change Device ID to ";
inline constexpr char kDeviceIdSet[] =
    "Device ID Set.  Perform store to flash and reset power for new Device ID to take effect.";
inline constexpr char kDeviceIdError[] = "Error setting device ID";
inline constexpr char kNodeIdTitle[] = "Node ID";
inline constexpr char kNodeIdQuestion[] = "Are you sure you want change Node ID to ";
inline constexpr char kNodeIdSet[] =
    "Device ID Set.  Perform store to flash and reset power for new Node ID to take effect.";
inline constexpr char kNodeIdError[] = "Error setting Device ID";
inline constexpr char kSerialBaudTitle[] = "Serial Baud Rate";
inline constexpr char kCanBitRateTitle[] = "CANopen Bit Rate";
inline constexpr char kBaudQuestion[] = "Are you sure you want change the baudrate?";
inline constexpr char kBaudDone[] =
    "Baudrate change done.  Store to flash, exit program, and reset power for new baudrate to "
    "take effect.";
inline constexpr char kBaudError[] = "Error setting baudrate.";

inline constexpr char kStoreTitle[] = "Store to Flash";
inline constexpr char kStoreQuestion[] = "Are you sure you want to save parameters to flash?";
inline constexpr char kStoreDone[] = "Store to Flash done!";
inline constexpr char kStoreError[] = "Error setting flash!";
