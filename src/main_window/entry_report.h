#pragma once

#include <QString>

class Prompter;
class QLineEdit;

// "HSPD: "abc" is not a whole number from -2147483648 to 2147483647."
QString badEntryMessage(const QString& label, const QString& text);

// Tells the user that an entry holds no usable whole number, then selects its text so that it
// can be corrected at once.
void reportBadEntry(Prompter& prompter, const QString& label, QLineEdit* box);
