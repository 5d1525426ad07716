#pragma once

// Texts the windows' exchange policies show; the windows use the same words.

// The identity every device this program serves answers to "ID".
inline constexpr char kDeviceIdentity[] = "Stepvane-CAN";
// The identity of the same devices under their other name, which some answer with; a pick of
// another device ID in the main window accepts both.
inline constexpr char kOtherDeviceIdentity[] = "Stepvane-R-TB";

inline constexpr char kCommunicationError[] = "Communication Error! ";
inline constexpr char kPortNotAvailable[] =
    "Communication port not available!  Please select available communication port and try "
    "again.";
inline constexpr char kNoReplyToCommand[] = "No Reply to Command: ";
inline constexpr char kNoResponse[] = "No Response!";
