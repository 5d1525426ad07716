#pragma once

#include <QString>

class MainLine;
class QLineEdit;

// "HSPD: "abc" is not a whole number from -2147483648 to 2147483647."
QString badEntryMessage(const QString& label, const QString& text);

// From a job: tells the user that an entry held no usable whole number when it was pressed (text),
// then selects the entry's text so that it can be corrected at once.
void reportBadEntry(MainLine& m, const QString& label, const QString& text, QLineEdit* box);
