// The benchmarks' shared table: 1,000,000 records of 100 bytes (ID N(9), TEXT C(90) holding "T" and the id),
// written straight to the file in a temporary folder, once per run, and removed with the folder at exit.
#pragma once

#include <string>

namespace bench {

constexpr int kRecords = 1000000;
constexpr int kRecordLength = 100;
constexpr int kHeaderLength = 32 + 2 * 32 + 1;

class BenchTable {
public:
    // The one table of this run, built on first use.
    static const BenchTable& Instance();
    const std::string& Path() const { return path_; }
    const std::string& Folder() const { return folder_; }

private:
    BenchTable();
    ~BenchTable();
    std::string folder_;
    std::string path_;
};

}  // namespace bench
