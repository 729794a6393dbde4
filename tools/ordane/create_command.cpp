// ordane create TABLE --version V --fields "NAME C(55); N N(8,2); D D; L L; M M": a new, empty table.
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "engine/storage/dbf_create.h"
#include "engine/storage/trim_split.h"
#include "tools/ordane/command.h"

namespace ordane {
namespace {

// "NAME C(55)" or "N N(8,2)" or "D D".
TdvNewField ParseField(const std::string& text) {
    TdvNewField f;
    std::string s(textutil::Trim(text));
    size_t blank = s.find_first_of(" \t");
    if (blank == std::string::npos) throw UsageError("field \"" + s + "\" needs a name and a type");
    f.name = s.substr(0, blank);
    std::string type(textutil::Trim(std::string_view(s).substr(blank)));
    if (type.empty() || !std::isalpha(static_cast<unsigned char>(type[0])))
        throw UsageError("field \"" + s + "\" has no type letter");
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(type[0])));
    std::string size(textutil::Trim(std::string_view(type).substr(1)));
    if (!size.empty()) {
        int length = 0, decimals = 0;
        char close = 0;
        int n = std::sscanf(size.c_str(), "(%d,%d%c", &length, &decimals, &close);
        if (n != 3 || close != ')') {
            decimals = 0;
            if (std::sscanf(size.c_str(), "(%d%c", &length, &close) != 2 || close != ')')
                throw UsageError("field \"" + s + "\": size must read (length) or (length,decimals)");
        }
        f.length = length;
        f.decimals = decimals;
    }
    return f;
}

class CreateCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "create", "Create a new, empty table (and its memo file), encrypted when given a password");
        sub_->add_option("TABLE", table_, "The table file to create")->required();
        sub_->add_option("--version", version_, "Version byte: 0x03, 0x83, 0x8B, 0xF5 or 0x30")->required();
        sub_->add_option("--fields", fields_, "Fields, as \"NAME C(55); N N(8,2); D D; L L; M M\"")->required();
        sub_->add_option("--block-size", blockSize_, "Block size of a dBase IV or FoxPro memo file");
    }

    int Run() override {
        char* end = nullptr;
        long version = std::strtol(version_.c_str(), &end, 0);
        if (version_.empty() || *end != '\0' || version < 0 || version > 255)
            throw UsageError("--version takes a version byte such as 0x03");
        std::vector<TdvNewField> fields;
        for (const std::string& part : textutil::SplitNames(fields_)) fields.push_back(ParseField(part));
        if (fields.empty()) throw UsageError("--fields names no field");
        const std::string password = Password();
        CreateTable(table_, static_cast<uint8_t>(version), fields, blockSize_);
        if (!password.empty()) ToolTable(table_, "", true, false).ChangePassword(password);
        return kExitOk;
    }

private:
    std::string table_;
    std::string version_;
    std::string fields_;
    int blockSize_ = 0;
};

}  // namespace

std::unique_ptr<Command> MakeCreateCommand() { return std::make_unique<CreateCommand>(); }

}  // namespace ordane
