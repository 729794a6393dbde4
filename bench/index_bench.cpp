// NDX index over a 1,000,000-record table: building a character index (20-byte keys) and a numeric index,
// seeking 100,000 random keys, and walking the whole tag. Reports page reads per seek and the peak resident
// memory, which the sorter keeps bounded whatever the table size.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/index/ndx_file.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/errors.h"
#include "engine/storage/variant_value.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kSeeks = 100000;

// Key expressions of one field: text for C, a number for N.
class FieldKey : public TdvKeyExpression {
public:
    FieldKey(DVO_dBaseFld* table, int32_t field) : table_(table), field_(field) {}
    int Evaluate(TdvVariant& value) override {
        if (table_->FieldType(field_) == 'N') {
            value.SetNumber(static_cast<double>(table_->NumberGet(field_)));
            return exptype::kNumber;
        }
        const uint8_t* rec = table_->RecordBuffer() + table_->FieldOffset(field_);
        value.SetText(std::string_view(reinterpret_cast<const char*>(rec), table_->FieldLength(field_)));
        return exptype::kText;
    }
    std::string Text() const override { return table_->FieldName(field_); }

private:
    DVO_dBaseFld* table_;
    int32_t field_;
};

class BenchTable : public DVO_dBaseFld, public TdvIndexOwner {
public:
    explicit BenchTable(const std::string& path) : DVO_dBaseFld(path, "", true, false) {}
    std::string TableFileName() const override { return OsName(); }
    int32_t RecordCount() override { return DVO_dBaseDBF::RecordCount(); }
    int32_t CurrentRecord() override { return current_; }
    // Reads ahead in chunks, as the table handler's read-ahead does: one system call per chunk, not per record.
    void ReadRecordPhysical(int32_t n) override {
        const int32_t length = RecordLength();
        if (n < chunkFirst_ || n >= chunkFirst_ + chunkCount_) {
            chunk_.resize(static_cast<size_t>(kChunk) * length);
            const int32_t got = ReadAt(RecordOffset(n), chunk_.data(), static_cast<int32_t>(chunk_.size()));
            chunkFirst_ = n;
            chunkCount_ = got / length;
            if (chunkCount_ == 0) std::abort();
        }
        std::memcpy(DVO_dBaseDBF::RecordBuffer(), chunk_.data() + static_cast<size_t>(n - chunkFirst_) * length,
                    static_cast<size_t>(length));
        current_ = n;
    }
    uint8_t* RecordBuffer() override { return DVO_dBaseDBF::RecordBuffer(); }
    void SetRecordBuffer(uint8_t* b) override { DVO_dBaseDBF::SetRecordBuffer(b); }
    const uint8_t* SavedRecord() override { return SavedCopy(); }
    bool AnyFieldChanged() override { return true; }
    bool ExactMatch() override { return true; }
    bool Encrypted() override { return false; }
    std::string ReadKey() override { return ""; }
    std::string WriteKey() override { return ""; }
    std::unique_ptr<TdvKeyExpression> CompileExpression(const std::string& text) override {
        return std::make_unique<FieldKey>(this, FieldNumber(text));
    }
    [[noreturn]] void ReportError(int32_t code, int32_t sub, const std::string& info) override {
        ::ReportError(code, sub, info);
    }
    void StatusUpdate(int32_t, int32_t, int32_t) override {}

private:
    static constexpr int32_t kChunk = 2048;
    std::vector<uint8_t> chunk_;
    int32_t chunkFirst_ = 0, chunkCount_ = 0, current_ = 0;
};

// The table, written once per run in the temporary folder and removed with it at exit.
struct Fixture {
    Fixture() {
        folder = (std::filesystem::temp_directory_path() / "velmora-idxbench-XXXXXX").string();
        if (!mkdtemp(folder.data())) std::abort();
        const std::string path = folder + "/BIG.DBF";
        CreateTable(path, 0x03, {{"NAME", 'C', 20}, {"AMOUNT", 'N', 12, 2}});
        std::vector<char> header;
        {
            std::ifstream in(path, std::ios::binary);
            header.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        header.pop_back();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        std::mt19937 rng(42);
        char record[33];
        for (int i = 1; i <= kRecords; ++i) {
            record[0] = ' ';
            std::string name;
            for (int j = 0; j < 20; ++j) record[1 + j] = static_cast<char>('A' + rng() % 26);
            names.emplace_back(record + 1, 20);
            std::snprintf(record + 21, 13, "%12.2f", static_cast<double>(rng() % 100000000) / 100.0 - 500000.0);
            out.write(record, 33);
        }
        out.put(0x1A);
        out.close();
        table = std::make_unique<BenchTable>(path);
    }
    ~Fixture() {
        table.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string folder;
    std::vector<std::string> names;
    std::unique_ptr<BenchTable> table;
    std::unique_ptr<DVobjNDXFile> nameIndex;
};

Fixture& Data() {
    static Fixture f;
    return f;
}

double PeakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void Build(benchmark::State& state, const char* field, const char* file) {
    Fixture& f = Data();
    for (auto _ : state) {
        DVobjNDXFile index(f.table.get(), true, true, false, false, f.folder + "/" + file);
        if (!index.CreateTag("", field, false, true, "")) state.SkipWithError("build failed");
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.counters["peak_rss_MB"] = PeakMegabytes();
}

void BM_BuildCharIndex(benchmark::State& state) { Build(state, "NAME", "NAME.NDX"); }
void BM_BuildNumericIndex(benchmark::State& state) { Build(state, "AMOUNT", "AMOUNT.NDX"); }

DVobjNDXFile& NameIndex() {
    Fixture& f = Data();
    if (!f.nameIndex) {
        f.nameIndex = std::make_unique<DVobjNDXFile>(f.table.get(), true, true, false, false, f.folder + "/SEEK.NDX");
        f.nameIndex->CreateTag("", "NAME", false, true, "");
    }
    return *f.nameIndex;
}

void BM_SeekRandomKeys(benchmark::State& state) {
    Fixture& f = Data();
    DVobjNDXFile& index = NameIndex();
    DVobjIndexTag* tag = index.Tag();
    std::mt19937 rng(7);
    std::vector<DVobjIndexKeyData> keys(kSeeks);
    for (auto& k : keys) {
        k.SetText(f.names[rng() % f.names.size()]);
        k.Target = -1;
    }
    int64_t misses = 0;
    const int64_t pagesBefore = index.PageReads(), readsBefore = index.BlockReads();
    for (auto _ : state) {
        for (const auto& k : keys)
            if (tag->Seek(k) == 0) ++misses;
    }
    const double seeks = static_cast<double>(state.iterations()) * kSeeks;
    state.SetItemsProcessed(static_cast<int64_t>(seeks));
    state.counters["page_reads_per_seek"] = static_cast<double>(index.PageReads() - pagesBefore) / seeks;
    state.counters["disk_reads_per_seek"] = static_cast<double>(index.BlockReads() - readsBefore) / seeks;
    state.counters["misses"] = static_cast<double>(misses);
}

void BM_WalkWholeTag(benchmark::State& state) {
    DVobjIndexTag* tag = NameIndex().Tag();
    int64_t keys = 0;
    for (auto _ : state) {
        for (int32_t r = tag->Navigate(recreq::kFirst); r != 0; r = tag->Navigate(recreq::kNext)) ++keys;
    }
    state.SetItemsProcessed(keys);
}

}  // namespace

BENCHMARK(BM_BuildCharIndex)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_BuildNumericIndex)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SeekRandomKeys)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WalkWholeTag)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
