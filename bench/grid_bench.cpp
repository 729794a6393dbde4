// The data grid paging down through a table in an offscreen window: each step moves the data set by a screenful
// and repaints the grid. The grid's buffer holds only the rows shown, so a step costs the same on 30,000 records
// as on 1,000,000.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "bench_table.h"
#include "engine/cursor/ordane_data_set.h"
#include "engine/expr/table_bindings.h"
#include "framework/data/data_source.h"
#include "framework/window/forms.h"
#include "grid/db_grid.h"

namespace {

// The first records of the shared table as a table of their own, in the same folder.
std::string PrefixTable(int records) {
    const std::string& big = bench::BenchTable::Instance().Path();
    std::string path = bench::BenchTable::Instance().Folder() + "/P" + std::to_string(records) + ".DBF";
    if (std::filesystem::exists(path)) return path;
    std::ifstream in(big, std::ios::binary);
    std::vector<char> bytes(static_cast<size_t>(bench::kHeaderLength) +
                            static_cast<size_t>(records) * bench::kRecordLength);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>((records >> (8 * i)) & 0xFF);  // record count
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.put(0x1A);
    return path;
}

void PageDown(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    std::string path = records == bench::kRecords ? bench::BenchTable::Instance().Path() : PrefixTable(records);
    StartExpressionEngine();
    TOrdaneDataSet ds;
    ds.SetDatabaseName(std::filesystem::path(path).parent_path().string());
    ds.SetTableName(std::filesystem::path(path).filename().string());
    ds.SetReadOnly(true);
    ds.Open();
    TDataSource source;
    source.SetDataSet(&ds);
    {
        TForm form(nullptr);
        form.SetBounds(0, 0, 408, 450);
        auto* grid = new TpkDBGrid(&form);
        grid->SetBounds(16, 16, 369, 369);
        grid->SetUseTFields(false);
        grid->Selected().Add("TEXT\t40\tText");
        grid->SetParent(&form);
        grid->SetDataSource(&source);
        form.Show();
        Application->ProcessMessages();
        for (auto _ : state) {
            if (ds.Eof()) ds.First();
            TKey key = VK_NEXT;
            grid->KeyDown(key, {});
            grid->Repaint();
        }
        state.SetItemsProcessed(state.iterations());
        state.counters["records"] = records;
    }
    source.SetDataSet(nullptr);
}
BENCHMARK(PageDown)->Arg(30000)->Arg(bench::kRecords)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
