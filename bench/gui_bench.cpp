// The record list as a user meets it, offscreen: opening 100 000 sample
// records into the main window, sorting them by each column with the list
// redrawn, the resident memory the open list takes, and a 100 MB open.
#include "sample_data.h"

#include "formats/record_file.h"
#include "forms/main_window.h"
#include "forms/qt_prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
        WriteRecordFile(file, RecordFileKind::Encrypted, session.cipher(),
                        SampleRecords(kRecordCount));
    }
    ~Fixture() {
        window.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void open() {
        window->fileCommands().openFile(file, RecordFileKind::Encrypted);
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

// Where the list's memory goes, by the sizes the containers hold (the
// allocator's own overhead comes on top): the record array, each record's
// array of field texts, and the texts too long for the string's inline buffer.
void countListMemory(benchmark::State& state, const RecordList& records) {
    double fieldArrays = 0;
    double longTexts = 0;
    double blocks = 1;
    const auto text = [&](const std::string& t) {
        if (t.capacity() > 15) {
            longTexts += static_cast<double>(t.capacity() + 1);
            ++blocks;
        }
    };
    for (const Record& record : records) {
        fieldArrays += static_cast<double>(record.fields.capacity() * sizeof(std::string));
        ++blocks;
        text(record.number);
        std::for_each(record.fields.begin(), record.fields.end(), text);
    }
    state.counters["record_array_MB"] =
        static_cast<double>(records.capacity() * sizeof(Record)) / 1e6;
    state.counters["field_arrays_MB"] = fieldArrays / 1e6;
    state.counters["long_texts_MB"] = longTexts / 1e6;
    state.counters["heap_blocks_k"] = blocks / 1e3;
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
    countListMemory(state, f.session.records());
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

// A 100 MB file of arbitrary bytes (any bytes open as some list). While it
// opens, a 50 ms timer counts how often the program gets to handle its
// events; the progress dialog is what lets it.
void BM_OpenLargeFile(benchmark::State& state) {
    Fixture& f = fixture();
    const std::filesystem::path large = f.folder / "large.vtr";
    {
        std::string bytes(100 * 1000 * 1000, '\0');
        std::uint64_t word = 88172645463325252ull;
        for (char& byte : bytes) {
            word ^= word << 13;
            word ^= word >> 7;
            word ^= word << 17;
            byte = static_cast<char>(word);
        }
        std::ofstream(large, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    int ticks = 0;
    bool dialogShown = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        dialogShown = dialogShown || f.window->findChild<QProgressDialog*>() != nullptr;
        // The bytes do not look like a record file: the user agrees to open them.
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->defaultButton()->click();
        }
    });
    timer.start(50);
    for (auto _ : state) {
        f.window->fileCommands().openFile(large, RecordFileKind::Encrypted);
    }
    timer.stop();
    state.counters["event_ticks"] = ticks;
    state.counters["dialog_shown"] = dialogShown ? 1 : 0;
    state.counters["records"] = static_cast<double>(f.session.size());
    std::filesystem::remove(large);
}
BENCHMARK(BM_OpenLargeFile)->Iterations(1)->Unit(benchmark::kMillisecond);

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
