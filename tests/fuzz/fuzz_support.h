#pragma once

// Shared by the fuzz targets: breaking an invariant names it and aborts, which both libFuzzer
// and the corpus replay report as a failure; windows get an offscreen application.
#include <QApplication>
#include <QByteArray>
#include <QList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline void fuzzCheck(bool condition, const char* invariant) {
    if (!condition) {
        fprintf(stderr, "broken invariant: %s\n", invariant);
        abort();
    }
}

// Widgets need an application; it lives until the process ends.
inline void ensureGuiApp() {
    if (QApplication::instance()) {
        return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// The input's bytes from the given offset on, as one block.
inline QByteArray inputBytes(const uint8_t* data, size_t size, size_t from) {
    if (size <= from) {
        return QByteArray();
    }
    return QByteArray(reinterpret_cast<const char*>(data + from),
                      static_cast<qsizetype>(size - from));
}

// Several device replies in one input, separated by the byte 0xFF (which thus never reaches a
// reply itself; the garbage fault covers such bytes).
inline QList<QByteArray> splitReplies(const QByteArray& bytes) {
    return bytes.isEmpty() ? QList<QByteArray>() : bytes.split('\xff');
}
