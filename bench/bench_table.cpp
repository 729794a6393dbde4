#include "bench_table.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/storage/dbf_create.h"

namespace bench {

const BenchTable& BenchTable::Instance() {
    static BenchTable table;
    return table;
}

BenchTable::BenchTable() {
    folder_ = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    if (!mkdtemp(folder_.data())) std::abort();
    path_ = folder_ + "/BIG.DBF";
    CreateTable(path_, 0x03, {{"ID", 'N', 9}, {"TEXT", 'C', 90}});
    std::vector<char> header;
    {
        std::ifstream in(path_, std::ios::binary);
        header.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    header.pop_back();  // the end mark goes after the records
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::string record(kRecordLength, ' ');
    for (int i = 1; i <= kRecords; ++i) {
        std::snprintf(record.data() + 1, 20, "%9dT%09d", i, i);
        record[20] = ' ';
        out.write(record.data(), kRecordLength);
    }
    out.put(0x1A);
}

BenchTable::~BenchTable() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

}  // namespace bench
