#pragma once

#include <QString>

// Text from outside (a device's reply, a file's line, an adapter's description) as it may be
// written to a terminal: no control character reaches it, so an escape sequence cannot move the
// cursor or recolour the screen, and a NUL cannot cut the text short. CR, LF and tab are written
// "\r", "\n" and "\t", every other control character (C0, DEL, C1) "\xHH", and a backslash
// "\\", so that each escape in the output stands for exactly one character of the text.
// Everything else, spaces included, stays as it is.
QString printableText(const QString& text);
