#pragma once

class SetupSession;

// "Store": after the user confirms, the device keeps its present parameters in flash memory.
// It stores what the device holds, not the window's controls: a download comes first.
void storeToFlash(SetupSession& session);
