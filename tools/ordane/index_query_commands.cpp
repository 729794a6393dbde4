// ordane keys and ordane seek: an index tag's entries in tag order, and the record a key finds.
#include <cstdio>

#include "engine/index/index_tag.h"
#include "engine/storage/os_services.h"
#include "engine/storage/trim_split.h"
#include "tools/ordane/command.h"
#include "tools/ordane/field_text.h"

namespace ordane {
namespace {

// A key as keys prints it: text without trailing blanks, numbers and dates as numbers.
Json KeyJson(const DVobjIndexKeyData& key, int codePage) {
    switch (key.Kind()) {
        case vkNumber: return key.AsNumber();
        case vkDate: return key.AsDate();
        case vkEmpty: return "";
        default: return os::ToUtf8(textutil::TrimRight(key.Bytes(), textutil::IsBlank), codePage);
    }
}

class KeysCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "keys", "Show an index tag's entries in tag order");
        sub_->add_option("INDEXFILE", index_, "The index file")->required();
        sub_->add_option("--table", table_, "The table the index belongs to")->required();
        sub_->add_option("--tag", tag_, "The tag (the file's first tag without it)");
    }

    int Run() override {
        std::unique_ptr<ToolTable> t = OpenTable(table_, false);
        t->OpenIndexes({index_});
        DVobjIndexTag* tag = t->UseTag(tag_, true);
        t->useDeleted = true;  // a tag holds deleted records too
        for (t->GetRecord(recreq::kFirst); !t->Eof(); t->GetRecord(recreq::kNext)) {
            Json entry;
            entry["recno"] = t->CurrentRecord();
            entry["key"] = KeyJson(tag->CurrentKey(), codePage_);
            std::printf("%s\n", entry.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
        }
        return kExitOk;
    }

private:
    std::string index_;
    std::string table_;
    std::string tag_;
};

class SeekCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "seek", "Show the record a key finds in an index tag");
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--index", indexes_, "An index file to open (repeatable)")->required();
        sub_->add_option("--tag", tag_, "The tag to search (the first tag without it)");
        sub_->add_flag("--exact", exact_, "The whole key must match (else a key that starts with KEY does)");
        sub_->add_option("KEY", key_, "The key: text, a number, or a date as YYYY-MM-DD")->required();
    }

    int Run() override {
        std::unique_ptr<ToolTable> t = OpenTable(table_, false);
        t->OpenIndexes(indexes_);
        DVobjIndexTag* tag = t->UseTag(tag_, true);
        t->exactMatch = exact_;
        std::string key = key_;
        if (tag->KeyType() == 'D' && key.size() == 10 && key[4] == '-' && key[7] == '-')
            key = key.substr(0, 4) + key.substr(5, 2) + key.substr(8, 2);
        else if (tag->KeyType() != 'N' && tag->KeyType() != 'D')
            key = ToTable(key);
        if (!t->FindKey(key)) {
            std::fprintf(stderr, "not found\n");
            return kExitEngine;
        }
        std::printf("%s\n", RecordJson(*t, codePage_, false).dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
        return kExitOk;
    }

private:
    std::string table_;
    std::vector<std::string> indexes_;
    std::string tag_;
    bool exact_ = false;
    std::string key_;
};

}  // namespace

std::unique_ptr<Command> MakeKeysCommand() { return std::make_unique<KeysCommand>(); }
std::unique_ptr<Command> MakeSeekCommand() { return std::make_unique<SeekCommand>(); }

}  // namespace ordane
