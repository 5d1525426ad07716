#pragma once

#include "device/parameter_file.h"

class Prompter;
struct SetupControls;

// The parameters the controls hold (a file keeps all but three of them).
ParameterFileValues fileValuesFrom(const SetupControls& controls);
// Sets the controls of the file's usable lines, in line order; the others keep their state.
void applyFileValues(const ParameterFileRead& read, SetupControls& controls);

// "Save": asks for a file name and writes the controls to it. The file is written whole or not
// at all: a failed save leaves an existing file as it was, and says so.
void saveParameters(Prompter& prompter, const SetupControls& controls);
// "Open": asks for a file and sets the controls from it. Sends nothing to the device.
void openParameters(Prompter& prompter, SetupControls& controls);
