// Expressions over every record of a 1,000,000-record table: the filter (SALARY > 50000) .AND. (STATE = 'CA')
// and the index key UPPER(LAST) + FIRST. "Evaluate" runs over the records held in memory (the record buffer is
// pointed at each in turn), so it measures the expression alone; "Scan" reads the records with GetRecord(-1)
// as a filter does. allocs/eval counts operator new calls inside the timed loop, after one warm-up pass.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "engine/expr/exp_handler.h"
#include "engine/expr/table_bindings.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/variant_value.h"

namespace {

constexpr int kRecords = 1000000;
// Deletion flag, LAST C20, FIRST C15, SALARY N10.2, STATE C2.
constexpr int kRecordLength = 1 + 20 + 15 + 10 + 2;

class BenchTable {
public:
    BenchTable() {
        folder_ = (std::filesystem::temp_directory_path() / "velmora-expr-bench-XXXXXX").string();
        if (!mkdtemp(folder_.data())) std::abort();
        path_ = folder_ + "/PEOPLE.DBF";
        CreateTable(path_, 0x03, {{"LAST", 'C', 20}, {"FIRST", 'C', 15}, {"SALARY", 'N', 10, 2}, {"STATE", 'C', 2}});
        std::vector<char> header;
        {
            std::ifstream in(path_, std::ios::binary);
            header.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        header.pop_back();  // the end mark goes after the records
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        static const char* const kLast[] = {"Anderson", "brown", "Castellano-Rivera", "d'Arcy", "Evans"};
        static const char* const kFirst[] = {"Mary", "Jean-Baptiste", "Li", "Oluwaseun"};
        static const char* const kStates[] = {"CA", "NY", "TX", "ca", "WA"};
        char record[kRecordLength + 1];
        for (int i = 0; i < kRecords; ++i) {
            std::snprintf(record, sizeof record, " %-20s%-15s%10.2f%-2s", kLast[i % 5], kFirst[i % 4],
                          20000.0 + (i % 97) * 1000.0, kStates[i % 5]);
            out.write(record, kRecordLength);
            records_.append(record, kRecordLength);
        }
        records_.push_back(0x1A);
        out.put(0x1A);
    }
    ~BenchTable() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::string& Path() const { return path_; }
    // All records back to back, as read; one byte more than they need, so every record has its extra byte.
    std::string& Records() { return records_; }

private:
    std::string folder_;
    std::string path_;
    std::string records_;
};

BenchTable& Table() {
    static BenchTable table;
    return table;
}

const char* const kFilter = "(SALARY > 50000) .AND. (STATE = 'CA')";
const char* const kKey = "UPPER(LAST) + FIRST";

// Evaluates over every record in memory; the filter into a value, the key into an index key.
template <bool kIsKey>
void EvaluateInMemory(benchmark::State& state, const char* expression) {
    StartExpressionEngine();
    DVO_dBaseFld table(Table().Path(), "", false, true);
    TdvExpHandler handler(TableUserLink(table), false, expression);
    uint8_t* records = reinterpret_cast<uint8_t*>(Table().Records().data());
    TdvExpValue value;
    TdvVariant key;
    int64_t evaluations = 0, passed = 0;
    auto pass = [&] {
        for (int i = 0; i < kRecords; ++i) {
            table.SetRecordBuffer(records + static_cast<size_t>(i) * kRecordLength);
            if constexpr (kIsKey) {
                handler.EvaluateToKey(key);
                benchmark::DoNotOptimize(key.Data());
            } else {
                handler.Evaluate(value);
                passed += value.Boolean();
            }
        }
    };
    pass();  // warm-up: buffers reach their sizes
    int64_t allocations = 0;
    for (auto _ : state) {
        alloccount::Start();
        pass();
        allocations += alloccount::Stop();
        evaluations += kRecords;
    }
    table.SetRecordBuffer(nullptr);
    state.counters["evals/s"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
    state.counters["allocs/eval"] = static_cast<double>(allocations) / static_cast<double>(evaluations);
    benchmark::DoNotOptimize(passed);
}

void BM_FilterEvaluate(benchmark::State& state) { EvaluateInMemory<false>(state, kFilter); }
void BM_KeyEvaluate(benchmark::State& state) { EvaluateInMemory<true>(state, kKey); }
BENCHMARK(BM_FilterEvaluate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyEvaluate)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reads every record from the file and evaluates it, as a filtered walk does.
template <bool kIsKey>
void ScanTable(benchmark::State& state, const char* expression) {
    StartExpressionEngine();
    DVO_dBaseFld table(Table().Path(), "", false, true);
    TdvExpHandler handler(TableUserLink(table), false, expression);
    TdvExpValue value;
    TdvVariant key;
    int64_t evaluations = 0;
    for (auto _ : state) {
        for (table.GetRecord(recreq::kFirst); !table.Eof(); table.GetRecord(recreq::kNext)) {
            if constexpr (kIsKey) {
                handler.EvaluateToKey(key);
                benchmark::DoNotOptimize(key.Data());
            } else {
                handler.Evaluate(value);
                benchmark::DoNotOptimize(value.Boolean());
            }
            ++evaluations;
        }
    }
    state.counters["evals/s"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
}

void BM_FilterScan(benchmark::State& state) { ScanTable<false>(state, kFilter); }
void BM_KeyScan(benchmark::State& state) { ScanTable<true>(state, kKey); }
BENCHMARK(BM_FilterScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyScan)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
