// Runs the generated hostile documents, the fixture files and the fuzzing
// seed corpus through the codec; built with the sanitizers, any memory or
// undefined-behaviour fault ends the program with an error.
#include "RtfExercise.h"
#include "RtfHostileCorpus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

namespace {

int exerciseDirectory(const QString &path)
{
    const QDir directory(path);
    int count = 0;
    for (const QString &name : directory.entryList(QDir::Files)) {
        QFile file(directory.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            OrvVelmora::Testing::exerciseRtf(file.readAll());
            ++count;
        }
    }
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    for (const OrvVelmora::Testing::HostileCase &hostile : OrvVelmora::Testing::hostileCorpus()) {
        QElapsedTimer timer;
        timer.start();
        OrvVelmora::Testing::exerciseRtf(hostile.make());
        std::printf("%s: %lld ms\n", qPrintable(hostile.name), static_cast<long long>(timer.elapsed()));
    }
    int files = 0;
    for (int i = 1; i < argc; ++i)
        files += exerciseDirectory(QString::fromLocal8Bit(argv[i]));
    std::printf("files: %d\n", files);
    return files > 0 ? 0 : 1;
}
