// Reading every record of a 1,000,000-record table (100-byte records) with GetRecord(-1), beside a plain
// one-pread-per-record loop over the same file: the limit of a design that reads one record per call.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_table.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kRecordLength = 100;

// The table, built once per run in the temporary folder and removed with it at exit.
class BenchTable {
public:
    BenchTable() {
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
            std::snprintf(record.data() + 1, 10, "%9d", i);
            record[10] = 'x';
            out.write(record.data(), kRecordLength);
        }
        out.put(0x1A);
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
    const off_t headerLength = 32 + 2 * 32 + 1;
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
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainPreadLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
