// The command-line tool on a record file of 300 000 records: the peak resident
// memory of each command against the size of its input file, and its time.
// Each command runs as a child process, so that its peak is its own.
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/record_file.h"
#include "sample_data.h"

#include <benchmark/benchmark.h>

#include <array>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "bench";

struct Files {
    fs::path folder;
    fs::path encrypted;
    fs::path plain;
};

// Removes the files when the benchmark program ends.
struct RemovedAtExit {
    fs::path folder;
    ~RemovedAtExit() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

// The files are made by a child process: a child started later inherits the
// peak memory of the process that starts it, which must stay small.
void makeFiles(const Files& f) {
    const pid_t maker = ::fork();
    if (maker == 0) {
        const vantrel::RecordList records = vantrel::bench::SampleRecords(300000);
        vantrel::TCryptLib cipher;
        vantrel::ConfigureProgramCipher(cipher, kPassword);
        vantrel::WriteRecordFile(f.encrypted, vantrel::RecordFileKind::Encrypted, cipher, records);
        vantrel::WriteRecordFile(f.plain, vantrel::RecordFileKind::PlainText, cipher, records);
        ::_exit(0);
    }
    int status = 0;
    if (maker < 0 || ::waitpid(maker, &status, 0) != maker || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        throw std::runtime_error("cannot make the record files");
    }
}

const Files& files() {
    static const Files made = [] {
        Files f;
        f.folder = fs::temp_directory_path() / ("vantrel-cli-bench-" + std::to_string(::getpid()));
        fs::create_directories(f.folder);
        f.encrypted = f.folder / "records.vtr";
        f.plain = f.folder / "records.txt";
        makeFiles(f);
        return f;
    }();
    static const RemovedAtExit cleanup{made.folder};
    return made;
}

// Runs the tool with the password on its standard input and the output
// thrown away; returns the child's peak resident memory in bytes.
double runTool(const std::vector<std::string>& arguments) {
    std::array<int, 2> input{};
    if (::pipe(input.data()) != 0) {
        throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(VANTREL_CLI_PATH)};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, VANTREL_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    const std::string lines = std::string(kPassword) + "\n" + kPassword + "\n";
    (void)!::write(input[1], lines.data(), lines.size());
    ::close(input[1]);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " VANTREL_CLI_PATH);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) { // report answers 1 when it finds something
        throw std::runtime_error("the tool failed: " + arguments.front());
    }
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

enum Command { List, Show, Report, Export, Import, Encrypt, Decrypt, kCommandCount };

void BM_CliPeakMemory(benchmark::State& state) {
    const Files& f = files();
    const fs::path out = f.folder / "out";
    const std::string encrypted = f.encrypted.string();
    const std::vector<std::vector<std::string>> commands = {
        {"list", encrypted, "--password-stdin"},
        {"show", encrypted, "150000", "--password-stdin"},
        {"report", encrypted, "--password-stdin"},
        {"export", encrypted, "-o", out.string(), "--force", "--password-stdin"},
        {"import", f.plain.string(), "-o", out.string(), "--force", "--password-stdin"},
        {"encrypt", f.plain.string(), "-o", out.string(), "--force", "--password-stdin"},
        {"decrypt", encrypted, "-o", out.string(), "--force", "--password-stdin"},
    };
    const auto which = static_cast<std::size_t>(state.range(0));
    const std::vector<std::string>& command = commands[which];
    const fs::path input = which == Import || which == Encrypt ? f.plain : f.encrypted;
    double peak = 0;
    for (auto _ : state) {
        peak = runTool(command);
    }
    const auto inputBytes = static_cast<double>(fs::file_size(input));
    state.SetLabel(command.front());
    state.counters["input_MB"] = inputBytes / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["peak_per_input"] = peak / inputBytes;
    state.counters["records_per_s"] =
        benchmark::Counter(300000.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CliPeakMemory)
    ->DenseRange(0, kCommandCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

} // namespace
