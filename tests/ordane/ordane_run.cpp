#include "ordane_run.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "process.h"
#include "temp_dir.h"

namespace ordane_test {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Result Ordane(const std::string& args, std::string* err, const std::string& prefix) {
    TempDir scratch;
    std::string errFile = scratch.File("stderr");
    Result r;
    r.out = RunCommand(prefix + Quote(ORDANE_PATH) + " " + args + " 2>" + Quote(errFile), &r.status);
    std::ifstream in(errFile);
    r.err = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (err) *err = r.err;
    return r;
}

std::vector<Json> Lines(const std::string& out) {
    std::vector<Json> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) lines.push_back(Json::parse(line));
    return lines;
}

}  // namespace ordane_test
