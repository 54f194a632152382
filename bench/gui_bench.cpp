// The record list as a user meets it, offscreen: opening 100 000 sample
// records into the main window, sorting them by each column with the list
// redrawn, and the resident memory the open list takes.
#include "sample_data.h"

#include "formats/record_file.h"
#include "forms/main_window.h"
#include "forms/qt_prompts.h"

#include <QApplication>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <unistd.h>

namespace vantrel::bench {
namespace {

constexpr std::size_t kRecordCount = 100000;

// The shown main window over one session, and an encrypted file of the sample
// records in a temporary folder.
struct Fixture {
    Session session;
    QtPrompts prompts;
    std::unique_ptr<TfmMain> window;
    std::filesystem::path folder;
    std::filesystem::path file;

    Fixture() {
        session.cipher().SetPassword("benchmark");
        session.logIn("user");
        window = std::make_unique<TfmMain>(session, prompts);
        window->show();
        QApplication::processEvents();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantrel-gui-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder = pattern;
        file = folder / "records.vtr";
        SaveRecordFile(SampleRecords(kRecordCount), file, &session.cipher());
    }
    ~Fixture() {
        window.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void open() {
        window->fileCommands().LoadRecordFile(file, true);
        redraw();
    }
    void redraw() {
        window->findChild<QTableView*>()->viewport()->repaint();
        QApplication::processEvents();
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

double residentMegabytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

// Runs first, so that no earlier list has left memory behind in the heap.
void BM_ListResidentMemory(benchmark::State& state) {
    Fixture& f = fixture();
    double growth = 0;
    for (auto _ : state) {
        f.session.replaceAll({});
        f.redraw();
        ::malloc_trim(0);
        const double before = residentMegabytes();
        f.open();
        ::malloc_trim(0);
        growth = residentMegabytes() - before;
    }
    state.counters["list_MB"] = growth;
    state.counters["text_MB"] =
        static_cast<double>(FormatRecordText(f.session.records()).size()) / 1e6;
}
BENCHMARK(BM_ListResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_OpenRecordFile(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        f.open();
    }
    state.counters["records"] = static_cast<double>(f.session.size());
}
BENCHMARK(BM_OpenRecordFile)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_SortByColumn(benchmark::State& state) {
    Fixture& f = fixture();
    if (f.session.size() != kRecordCount) {
        f.open();
    }
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        // After a sort by another column, so every run sorts the same order.
        state.PauseTiming();
        f.window->lvMainColumnClick(column == 0 ? 1 : 0);
        f.redraw();
        state.ResumeTiming();
        f.window->lvMainColumnClick(column);
        f.redraw();
    }
}
BENCHMARK(BM_SortByColumn)
    ->DenseRange(0, 6)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace
} // namespace vantrel::bench

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
