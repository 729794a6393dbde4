// The table handler over a 1,000,000-record table (100-byte records): walking in physical order through the
// read-ahead buffer and in NDX order, setting a filter, and locating a record by index and by scan, each beside
// a plain one-pread-per-record loop over the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_table.h"
#include "engine/cursor/db_handler.h"
#include "engine/expr/table_bindings.h"
#include "engine/index/ndx_file.h"
#include "framework/base/variant.h"

namespace {

using bench::kRecordLength;
using bench::kRecords;

// The shared table with an NDX on ID beside it, built once per run.
const std::string& TablePath() {
    static const std::string path = [] {
        StartExpressionEngine();
        const bench::BenchTable& t = bench::BenchTable::Instance();
        DVO_dBHandler table(t.Path(), "", true, false);
        DVobjNDXFile ndx(table.IndexOwner(), true, true, false, false, t.Folder() + "/ID.NDX");
        ndx.CreateTag("", "ID", false, true, "");
        return t.Path();
    }();
    return path;
}

void Rate(benchmark::State& state, int64_t records) {
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

void BM_PhysicalWalkReadAhead(benchmark::State& state) {
    DVO_dBHandler table(TablePath(), "", false, true);
    table.SelectOrder("", true);
    int64_t records = 0;
    for (auto _ : state) {
        for (table.GetRecord(recreq::kFirst); !table.Eof(); table.GetRecord(recreq::kNext)) ++records;
        benchmark::DoNotOptimize(table.RecordBuffer()[1]);
    }
    Rate(state, records);
}
BENCHMARK(BM_PhysicalWalkReadAhead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NdxOrderWalk(benchmark::State& state) {
    DVO_dBHandler table(TablePath(), "", false, true);
    if (table.OpenIndexList("ID", "ID") != 0) std::abort();
    int64_t records = 0;
    for (auto _ : state) {
        for (table.GetRecord(recreq::kFirst); !table.Eof(); table.GetRecord(recreq::kNext)) ++records;
        benchmark::DoNotOptimize(table.RecordBuffer()[1]);
    }
    Rate(state, records);
}
BENCHMARK(BM_NdxOrderWalk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SetFilter(benchmark::State& state) {
    DVO_dBHandler table(TablePath(), "", false, true);
    table.SetFilterActive(true);
    int64_t records = 0;
    for (auto _ : state) {
        table.SetFilter("", false, false);
        table.SetFilter("ID > 500000", false, false);
        records += kRecords;
    }
    Rate(state, records);
}
BENCHMARK(BM_SetFilter)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LocateByIndex(benchmark::State& state) {
    DVO_dBHandler table(TablePath(), "", false, true);
    if (table.OpenIndexList("ID", "") != 0) std::abort();
    int64_t located = 0;
    for (auto _ : state) {
        if (!table.LocateRecord("ID", Variant(987654), false, false)) std::abort();
        ++located;
    }
    state.counters["locates/s"] = benchmark::Counter(static_cast<double>(located), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LocateByIndex)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LocateByScan(benchmark::State& state) {
    DVO_dBHandler table(TablePath(), "", false, true);
    int64_t records = 0;
    for (auto _ : state) {
        if (!table.LocateRecord("TEXT", Variant("T000987654"), false, false)) std::abort();
        records += 987654;
    }
    Rate(state, records);
}
BENCHMARK(BM_LocateByScan)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainPreadLoop(benchmark::State& state) {
    DVO_dBHandler table(TablePath(), "", false, true);
    const off_t headerLength = table.HeaderLength();
    int fd = open(TablePath().c_str(), O_RDONLY | O_CLOEXEC);
    char buf[kRecordLength];
    int64_t records = 0;
    for (auto _ : state) {
        for (int i = 0; i < kRecords; ++i) {
            if (pread(fd, buf, kRecordLength, headerLength + static_cast<off_t>(i) * kRecordLength) != kRecordLength)
                std::abort();
            ++records;
        }
        benchmark::DoNotOptimize(buf[1]);
    }
    close(fd);
    Rate(state, records);
}
BENCHMARK(BM_PlainPreadLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
