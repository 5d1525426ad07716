#pragma once

class MainControlForm;

// Gives every button of the main window a tooltip that says what it does and what it sends, in
// the order it goes out ("Jog +: speed profile, then J+"). "Speed profile" is HSPD=, LSPD=, ACC=
// and DEC= from the four profile entries.
void setButtonTips(MainControlForm& form);
