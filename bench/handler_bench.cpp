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

#include "engine/cursor/db_handler.h"
#include "engine/expr/table_bindings.h"
#include "engine/index/ndx_file.h"
#include "engine/storage/dbf_create.h"
#include "framework/base/variant.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kRecordLength = 100;

// The table (ID N(9), TEXT C(90) = "T" and the id) and an NDX on ID, built once per run and removed at exit.
class BenchTable {
public:
    BenchTable() {
        StartExpressionEngine();
        folder_ = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
        if (!mkdtemp(folder_.data())) std::abort();
        path_ = folder_ + "/BIG.DBF";
        CreateTable(path_, 0x03, {{"ID", 'N', 9}, {"TEXT", 'C', 90}});
        std::vector<uint8_t> header;
        {
            std::ifstream in(path_, std::ios::binary);
            header.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        header.pop_back();  // the end mark goes after the records
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        std::string record(kRecordLength, ' ');
        for (int i = 1; i <= kRecords; ++i) {
            std::snprintf(record.data() + 1, 20, "%9dT%09d", i, i);
            record[20] = ' ';
            out.write(record.data(), kRecordLength);
        }
        out.put(0x1A);
        out.close();
        DVO_dBHandler table(path_, "", true, false);
        DVobjNDXFile ndx(table.IndexOwner(), true, true, false, false, folder_ + "/ID.NDX");
        ndx.CreateTag("", "ID", false, true, "");
    }
    ~BenchTable() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

const std::string& TablePath() {
    static BenchTable table;
    return table.Path();
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
