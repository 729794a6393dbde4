// NTX index over a 1,000,000-record table of random 20-character names, kept by the table handler: building the
// tag (the handler's read-ahead feeding the sorter), seeking 100,000 random keys, and walking the whole tag.
// Reports the peak resident memory, which the sorter keeps bounded whatever the table size.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/cursor/db_handler.h"
#include "engine/cursor/index_formats.h"
#include "engine/expr/table_bindings.h"
#include "engine/index/index_file.h"
#include "engine/storage/dbf_create.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kSeeks = 100000;
constexpr int kNameLength = 20;

// The table (NAME C(20)), written once per run straight to the file, and removed with its folder at exit.
struct NtxFixture {
    NtxFixture() {
        folder = (std::filesystem::temp_directory_path() / "velmora-ntxbench-XXXXXX").string();
        if (!mkdtemp(folder.data())) std::abort();
        path = folder + "/NAMES.DBF";
        CreateTable(path, 0x03, {{"NAME", 'C', kNameLength}});
        std::string file;
        {
            std::ifstream in(path, std::ios::binary);
            file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        file.pop_back();  // the end-of-file mark goes after the records
        // The record count in the header: records are appended below.
        for (int b = 0; b < 4; ++b) file[4 + b] = static_cast<char>((kRecords >> (8 * b)) & 0xFF);
        std::mt19937 rng(42);
        file.reserve(file.size() + static_cast<size_t>(kRecords) * (kNameLength + 1) + 1);
        for (int i = 0; i < kRecords; ++i) {
            std::string name(kNameLength, ' ');
            for (char& c : name) c = static_cast<char>('A' + rng() % 26);
            names.push_back(name);
            file += ' ';
            file += name;
        }
        file += '\x1A';
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(file.data(), static_cast<std::streamsize>(file.size()));
        StartExpressionEngine();
        table = std::make_unique<DVO_dBHandler>(path, "", true, false);
    }
    ~NtxFixture() {
        index.reset();
        table.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    // Builds NAME.NTX through the format registry, as the tool does; returns the open file.
    DVobjIndexFile& Build() {
        index.reset();
        table->SetReadAhead(true);
        index = TdvIndexFormats::FindCreator(".NTX")(table->IndexOwner(), false, folder + "/NAME.NTX");
        if (!index->CreateTag("", "NAME", false, true, "")) std::abort();
        return *index;
    }
    std::string folder, path;
    std::vector<std::string> names;
    std::unique_ptr<DVO_dBHandler> table;
    std::unique_ptr<DVobjIndexFile> index;
};

NtxFixture& Data() {
    static NtxFixture f;
    return f;
}

DVobjIndexTag* Tag() {
    NtxFixture& f = Data();
    if (!f.index) f.Build();
    return f.index->TagAt(0);
}

double PeakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void BM_NtxBuild1MTwentyCharKeys(benchmark::State& state) {
    NtxFixture& f = Data();
    for (auto _ : state) f.Build();
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.counters["peak_rss_MB"] = PeakMegabytes();
}

void BM_NtxSeek100kRandomKeys(benchmark::State& state) {
    NtxFixture& f = Data();
    DVobjIndexTag* tag = Tag();
    std::mt19937 rng(7);
    std::vector<DVobjIndexKeyData> keys(kSeeks);
    for (auto& k : keys) {
        k.SetText(f.names[rng() % f.names.size()]);
        k.Target = -1;
    }
    int64_t misses = 0;
    for (auto _ : state)
        for (const auto& k : keys)
            if (tag->Seek(k) == 0) ++misses;
    state.counters["seeks/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSeeks,
                                                   benchmark::Counter::kIsRate);
    state.counters["misses"] = static_cast<double>(misses);
}

void BM_NtxWalkWholeTag(benchmark::State& state) {
    DVobjIndexTag* tag = Tag();
    int64_t keys = 0;
    for (auto _ : state)
        for (int32_t r = tag->Navigate(recreq::kFirst); r != 0; r = tag->Navigate(recreq::kNext)) ++keys;
    state.counters["keys/s"] = benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsRate);
    state.counters["peak_rss_MB"] = PeakMegabytes();
}

}  // namespace

BENCHMARK(BM_NtxBuild1MTwentyCharKeys)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_NtxSeek100kRandomKeys)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_NtxWalkWholeTag)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();
