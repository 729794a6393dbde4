// Running the ordane tool as a process from the tests: its exit status, standard output and standard error.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace ordane_test {

using Json = nlohmann::json;

struct Result {
    int status = -1;
    std::string out;
    std::string err;  // standard error
};

// s quoted for the shell.
std::string Quote(const std::string& s);
// Runs the tool with the arguments; standard error goes to the result's err (and to err when given). prefix goes in front of the
// command line (a "cd" or variables for the shell).
Result Ordane(const std::string& args, std::string* err = nullptr, const std::string& prefix = "");
// Each non-empty line of out as JSON.
std::vector<Json> Lines(const std::string& out);

}  // namespace ordane_test
