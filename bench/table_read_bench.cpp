// Reading every record of a 1,000,000-record table (100-byte records) with GetRecord(-1), beside a plain
// one-pread-per-record loop over the same file: the limit of a design that reads one record per call.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "bench_table.h"
#include "engine/storage/dbf_table.h"

namespace {

using bench::kHeaderLength;
using bench::kRecordLength;
using bench::kRecords;

const std::string& TablePath() { return bench::BenchTable::Instance().Path(); }

void BM_GetRecordNext(benchmark::State& state) {
    DVO_dBaseDBF table(TablePath(), "", false, true);
    int64_t records = 0;
    for (auto _ : state) {
        for (table.GetRecord(recreq::kFirst); !table.Eof(); table.GetRecord(recreq::kNext)) ++records;
        benchmark::DoNotOptimize(table.RecordBuffer()[1]);
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GetRecordNext)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainPreadLoop(benchmark::State& state) {
    int fd = open(TablePath().c_str(), O_RDONLY | O_CLOEXEC);
    char buf[kRecordLength];
    int64_t records = 0;
    for (auto _ : state) {
        for (int i = 0; i < kRecords; ++i) {
            if (pread(fd, buf, kRecordLength, kHeaderLength + static_cast<off_t>(i) * kRecordLength) != kRecordLength)
                std::abort();
            ++records;
        }
        benchmark::DoNotOptimize(buf[1]);
    }
    close(fd);
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainPreadLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
