// Outside text made safe for a terminal: control characters escaped, everything else as it is.
#include <gtest/gtest.h>

#include "files/printable_text.h"
#include "support/qt_printers.h"

namespace {

TEST(PrintableText, EscapesControlCharactersAndBackslashesOnly) {
    const struct {
        QString text;
        const char* shown;
    } cases[] = {
        {"KRB05", "KRB05"},
        {"  two  spaces ", "  two  spaces "},
        {"COM3 → /dev/ttyUSB0 · FT232R é", "COM3 → /dev/ttyUSB0 · FT232R é"},
        {"\x1b[31mred\x1b[0m", R"(\x1b[31mred\x1b[0m)"},
        {QString::fromLatin1("V3\0cut", 6), R"(V3\x00cut)"},
        {"a\rb\nc\td", R"(a\rb\nc\td)"},
        {"\x01\x1f\x7f", R"(\x01\x1f\x7f)"},
        {QString(QChar(0x9b)) + "2J", R"(\x9b2J)"},  // the one-character CSI
        {QString(QChar(0xa0)), "\u00a0"},            // a no-break space is no control
        {R"(C:\par\x1b)", R"(C:\\par\\x1b)"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printableText(c.text), QString::fromUtf8(c.shown)) << qPrintable(c.text);
    }
}

// The text back from what was shown: "\\", "\r", "\n", "\t" and "\xHH" each one character.
QString unescaped(const QString& shown) {
    QString text;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown[i] != '\\') {
            text += shown[i];
            continue;
        }
        const QChar e = shown.at(++i);
        if (e == 'x') {
            text += QChar(shown.mid(i + 1, 2).toUShort(nullptr, 16));
            i += 2;
        } else {
            text += e == 'r' ? QChar('\r') : e == 'n' ? QChar('\n') : e == 't' ? QChar('\t') : e;
        }
    }
    return text;
}

// Every Latin-1 character, also beside a backslash or text that looks like an escape: the output
// holds no control character and reads back as exactly one text.
TEST(PrintableText, EveryReplyCharacterIsShownUnambiguously) {
    for (int code = 0; code < 256; ++code) {
        const QChar c(code);
        for (const QString& text :
             {QString(c), "\\" + QString(c), QString(c) + "x1b\\", "\\x" + QString(c) + "1"}) {
            const QString shown = printableText(text);
            EXPECT_FALSE(std::any_of(shown.begin(), shown.end(), [](QChar s) {
                return s.category() == QChar::Other_Control;
            })) << code;
            EXPECT_EQ(unescaped(shown), text) << code;
        }
    }
}

}  // namespace
