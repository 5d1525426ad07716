#pragma once

// What the parameter operations say (device/parameter_messages.h), and the texts of the setup
// window's own file commands.
#include "device/parameter_messages.h"

inline constexpr char kSaveTitle[] = "Save NVQ-CAN Parameters As";
inline constexpr char kSaveFilter[] = "Parameter Files (*.par)|*.par";
inline constexpr char kNoFileName[] = "No Parameter File Name!";
inline constexpr char kSaveDone[] = "Save Parameters to file done!";
inline constexpr char kSaveFailed[] = "Save Parameters to file failed!";
inline constexpr char kOpenTitle[] = "Open NVQ-CAN Parameter File";
inline constexpr char kOpenFilter[] = "NVQ-CAN Parameter Files (*.par)|*.par";
inline constexpr char kOpenPreset[] = "*.par";
inline constexpr char kOpenFailed[] = "Open Parameter File failed!";
