#pragma once

#include "setup/communication_controls.h"
#include "setup/parameter_controls.h"
#include "setup/polarity_panel.h"

// Every control of the setup window that holds a parameter: together they are the parameter set.
struct SetupControls {
    ParameterControls params;
    PolarityPanel polarity;
    CommunicationControls comm;
};
