// Runs a fuzz target over the files of its seed corpus without libFuzzer, so that every build
// replays the corpus as an ordinary test. Arguments: files or folders.
#include <QDirIterator>
#include <QFile>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (!QFileInfo(arg).isDir()) {
            files << arg;
        }
        // A folder's files, subfolders included; a file yields none here.
        for (QDirIterator it(arg, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            files << it.next();
        }
    }
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray data = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.constData()),
                               static_cast<size_t>(data.size()));
    }
    printf("ran %lld inputs\n", static_cast<long long>(files.size()));
    return files.isEmpty() ? 1 : 0;
}
