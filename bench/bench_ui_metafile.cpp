// A hostile EMF in the picture view: the fuzzer's file whose header claims
// a frame 1.5 million hundredths of a millimetre tall, with a clip path.
// The preview paints it into the view; the full-screen viewer and Save To
// Bmp take the picture rendered at its natural size (28 x 16384).

#include "bench_report.h"
#include "metafile/metafile.h"
#include "ui/picture_view.h"

#include <QApplication>
#include <QImage>

#include <time.h>

namespace {

constexpr int kRounds = 5;

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <typename Work>
double medianCpuMs(Work&& work, const char* name) {
    std::vector<double> samples;
    for (int i = 0; i < kRounds; ++i) {
        const double start = processCpuMs();
        work();
        samples.push_back(processCpuMs() - start);
    }
    return lumora::bench::median(samples, name);
}

}  // namespace

int main(int argc, char** argv) {
    using lumora::bench::report;
    using lumora::bench::wanted;
    const bool preview = wanted("emf_tall_frame_clip_preview_cpu_ms");
    const bool natural = wanted("emf_tall_frame_clip_natural_size_cpu_ms");
    if (!preview && !natural)
        return 0;
    QApplication app(argc, argv);
    const lumora::Metafile picture = lumora::Metafile::fromFile(QStringLiteral(
        LUMORA_SOURCE_DIR "/fuzz/corpus/fuzz_metafile_emf/regress-slow-clip-tall-frame"));
    if (picture.isNull())
        return 1;

    lumora::TImage view;
    view.resize(640, 480);
    view.setMetafile(picture);
    if (preview) {
        QImage screen(view.size(), QImage::Format_ARGB32_Premultiplied);
        report("emf_tall_frame_clip_preview_cpu_ms",
               medianCpuMs([&] { view.render(&screen); }, "emf_tall_frame_clip_preview_cpu_ms"),
               "ms");
    }
    if (natural) {
        report(
            "emf_tall_frame_clip_natural_size_cpu_ms",
            medianCpuMs([&] { (void)view.picture(); }, "emf_tall_frame_clip_natural_size_cpu_ms"),
            "ms");
    }
    return 0;
}
