// NumberGet and StringGet over every record of a 1,000,000-record table with an N(10,2) amount and a C(30)
// name. The field access is measured on its own, with the record buffer pointed at each record of an image of
// the file in memory, and together with GetRecord as a scan reads them. The "allocs" counter is the number of
// heap allocations per call, counted by this program's own operator new.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_fields.h"

namespace {
std::atomic<long long> gAllocations{0};
}  // namespace

// The replacements pair malloc with free; the compiler cannot see that they belong together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kRecords = 1000000;
const std::string* gBenchFolder = nullptr;  // removed at exit; never freed

struct BigTable {
    std::string path;
    std::vector<uint8_t> image;  // the file's bytes
    int32_t headerLength = 0, recordLength = 0;
};

// Builds the table once per run in the temporary folder; removed at exit.
const BigTable& Table() {
    static BigTable table = [] {
        BigTable t;
        std::string dir = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
        if (!mkdtemp(dir.data())) std::abort();
        t.path = dir + "/AMOUNTS.DBF";
        CreateTable(t.path, 0x03, {{"NAME", 'C', 30}, {"AMOUNT", 'N', 10, 2}});
        {
            std::ifstream in(t.path, std::ios::binary);
            t.image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        t.image.pop_back();  // the end mark goes after the records
        t.headerLength = t.image[8] | (t.image[9] << 8);
        t.recordLength = t.image[10] | (t.image[11] << 8);
        std::string record(static_cast<size_t>(t.recordLength), ' ');
        for (int i = 1; i <= kRecords; ++i) {
            char buf[64];
            std::snprintf(buf, sizeof buf, " Customer number %-14d%10.2f", i, (i % 200000) * 1.25 - 50000);
            record.assign(buf, static_cast<size_t>(t.recordLength));
            t.image.insert(t.image.end(), record.begin(), record.end());
        }
        t.image.push_back(0x1A);
        std::ofstream out(t.path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(t.image.data()), static_cast<std::streamsize>(t.image.size()));
        // The folder's name outlives the table object, which static destruction removes before atexit runs.
        gBenchFolder = new std::string(dir);
        std::atexit([] { std::filesystem::remove_all(*gBenchFolder); });
        return t;
    }();
    return table;
}

// Field access alone: the record buffer walks the records of the in-memory image.
template <typename Read>
void FieldsOverImage(benchmark::State& state, Read read) {
    const BigTable& big = Table();
    DVO_dBaseFld t(big.path, "", false, false);
    std::vector<uint8_t> image = big.image;
    long long calls = 0;
    const long long before = gAllocations.load();
    for (auto _ : state) {
        for (int i = 0; i < kRecords; ++i) {
            t.SetRecordBuffer(image.data() + big.headerLength + static_cast<size_t>(i) * big.recordLength);
            read(t);
        }
        calls += kRecords;
    }
    state.counters["reads/s"] = benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate);
    state.counters["allocs"] = static_cast<double>(gAllocations.load() - before) / static_cast<double>(calls);
    t.SetRecordBuffer(nullptr);
}

void BM_NumberGet(benchmark::State& state) {
    long double sum = 0;
    FieldsOverImage(state, [&](DVO_dBaseFld& t) { sum += t.NumberGet(2); });
    benchmark::DoNotOptimize(sum);
}

void BM_StringGet(benchmark::State& state) {
    size_t length = 0;
    FieldsOverImage(state, [&](DVO_dBaseFld& t) { length += t.StringGet(1).size(); });
    benchmark::DoNotOptimize(length);
}

void BM_StringGetNumber(benchmark::State& state) {
    size_t length = 0;
    FieldsOverImage(state, [&](DVO_dBaseFld& t) { length += t.StringGet(2).size(); });
    benchmark::DoNotOptimize(length);
}

// A whole scan: GetRecord(-1) then the field, as a reader of the table does it.
void BM_ScanNumberGet(benchmark::State& state) {
    DVO_dBaseFld t(Table().path, "", false, false);
    long double sum = 0;
    long long calls = 0;
    for (auto _ : state) {
        t.GetRecord(recreq::kFirst);
        while (!t.Eof()) {
            sum += t.NumberGet(2);
            ++calls;
            t.GetRecord(recreq::kNext);
        }
    }
    benchmark::DoNotOptimize(sum);
    state.counters["reads/s"] = benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_NumberGet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringGet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringGetNumber)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanNumberGet)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
