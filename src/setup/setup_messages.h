#pragma once

#include "link/messages.h"

// Texts the setup window shows and the titles of its questions.
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

inline constexpr char kSaveTitle[] = "Save NVQ-CAN Parameters As";
inline constexpr char kSaveFilter[] = "Parameter Files (*.par)|*.par";
inline constexpr char kNoFileName[] = "No Parameter File Name!";
inline constexpr char kSaveDone[] = "Save Parameters to file done!";
inline constexpr char kSaveFailed[] = "Save Parameters to file failed!";
inline constexpr char kOpenTitle[] = "Open NVQ-CAN Parameter File";
inline constexpr char kOpenFilter[] = "NVQ-CAN Parameter Files (*.par)|*.par";
inline constexpr char kOpenPreset[] = "*.par";
inline constexpr char kOpenFailed[] = "Open Parameter File failed!";
