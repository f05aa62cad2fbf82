// libFuzzer entry for the RTF codec; see RtfExercise for what each input goes through.
#include "RtfExercise.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Fonts and text formats need a GUI application; it lives for the whole run.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    OrvVelmora::Testing::exerciseRtf(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
