// The RTF codec: reading and writing the 1.4 MB LibreOffice document (1,500
// formatted paragraphs), and converting a merged 5 kB letter to HTML as the
// send run does once per recipient. Medians of repeated runs.
#include "codec/rtf/RtfDocumentBuilder.h"
#include "codec/rtf/RtfToHtml.h"
#include "codec/rtf/RtfWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace OrvVelmora;

namespace {

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Timing
{
    double wallMs;
    double cpuMs;
};

/// Median wall and CPU time of one call. On a shared machine the CPU time is
/// the figure to compare with a budget; the wall time includes waiting.
Timing median(int runs, const std::function<void()> &work)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        work();
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::nth_element(wall.begin(), wall.begin() + runs / 2, wall.end());
    std::nth_element(cpu.begin(), cpu.begin() + runs / 2, cpu.end());
    return {wall[runs / 2], cpu[runs / 2]};
}

void report(const char *name, Timing timing, double divisor = 1)
{
    std::printf("%s_wall: %.3f ms\n", name, timing.wallMs / divisor);
    std::printf("%s_cpu: %.3f ms\n", name, timing.cpuMs / divisor);
}

/// A letter of about 5 kB of RTF: formatted paragraphs with placeholders.
QByteArray letterTemplate()
{
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Arial"), 10));
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat red;
    red.setForeground(QColor(192, 0, 0));
    for (int i = 0; i < 20; ++i) {
        cursor.insertText(QStringLiteral("Sehr geehrte(r) <#KD_ANREDE#> <#KD_NAME#>, wir freuen uns "));
        cursor.insertText(QStringLiteral("<#KD_VORNAME#>"), bold);
        cursor.insertText(QStringLiteral(" Ihnen unser Angebot f\u00fcr "), QTextCharFormat());
        cursor.insertText(QStringLiteral("<#KD_FIRMA#>"), red);
        cursor.insertText(QStringLiteral(" in <#KD_ORT#> vorzustellen."), QTextCharFormat());
        cursor.insertBlock();
    }
    return RtfWriter::write(document);
}

QByteArray merged(QByteArray rtf)
{
    rtf.replace("<#KD_ANREDE#>", "Frau");
    rtf.replace("<#KD_NAME#>", "M{\\u252?}ller & S{\\u246?}hne");
    rtf.replace("<#KD_VORNAME#>", "J{\\u252?}rgen");
    rtf.replace("<#KD_FIRMA#>", "<Beispiel GmbH>");
    rtf.replace("<#KD_ORT#>", "K{\\u246?}ln");
    return rtf;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QFile file(QStringLiteral(ORV_FIXTURES_DIR "/rtf/libreoffice-gross.rtf"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "libreoffice-gross.rtf not found\n");
        return 1;
    }
    const QByteArray gross = file.readAll();
    const Timing read = median(9, [&] {
        QTextDocument fresh;
        RtfDocumentBuilder::load(gross, fresh);
    });
    QTextDocument document;
    RtfDocumentBuilder::load(gross, document);
    QByteArray written;
    const Timing write = median(9, [&] { written = RtfWriter::write(document); });
    std::printf("rtf_input_size: %.2f MB\n", double(gross.size()) / 1e6);
    report("rtf_read_1_4mb", read);
    report("rtf_write_1_4mb", write);
    std::printf("rtf_written_size: %.2f MB\n", double(written.size()) / 1e6);

    const QByteArray letter = merged(letterTemplate());
    constexpr int kRecipients = 2000;
    const Timing all = median(5, [&] {
        for (int i = 0; i < kRecipients; ++i)
            (void)RtfToHtml::convert(letter);
    });
    std::printf("rtf_letter_size: %.1f kB\n", double(letter.size()) / 1e3);
    report("rtf_to_html_per_recipient", all, kRecipients);
    return 0;
}
