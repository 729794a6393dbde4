// ordane index and ordane reindex: building index files through the sorter.
#include "engine/cursor/file_names.h"
#include "engine/cursor/index_formats.h"
#include "engine/index/index_file.h"
#include "engine/storage/os_services.h"
#include "tools/ordane/command.h"

namespace ordane {
namespace {

// A format as users name it: its extension without the dot, upper case.
std::string FormatName(const std::string& extension) { return os::UpperCase(extension.substr(1)); }

// The formats that can be built, as "NDX" or "NDX, NTX".
std::string FormatList() {
    std::string list;
    for (const std::string& extension : TdvIndexFormats::BuildableExtensions())
        list += (list.empty() ? "" : ", ") + FormatName(extension);
    return list;
}

// The file's name without folder and extension.
std::string BaseName(const std::string& file) {
    const std::string name = file.substr(filename::NameStart(file));
    return name.substr(0, name.size() - filename::Extension(name).size());
}

class IndexCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "index", "Create an index file and build its tag from the table");
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--create", file_, "The index file to create (replaced when it exists)")->required();
        sub_->add_option("--tag", tag_,
                         "The tag's name; a file of one tag (NDX) names it after itself, and --tag may be left out");
        sub_->add_option("--key", key_, "The key expression")->required();
        sub_->add_option("--for", for_, "Only records for which this expression is true get a key");
        sub_->add_flag("--unique", unique_, "Keep one entry per key");
        sub_->add_flag("--descending", descending_, "Order the keys from high to low");
    }

    int Run() override {
        std::string extension = filename::Extension(file_);
        if (extension.empty()) extension = TdvIndexFormats::DefaultExtension();
        const TdvIndexCreator create = TdvIndexFormats::FindCreator(extension);
        if (!create) throw UsageError("only " + FormatList() + " index files can be built yet");
        const std::string tag = TagName(extension);
        const TdvIndexCapabilities can = TdvIndexFormats::Capabilities(extension);
        const std::string format = FormatName(extension);
        if (descending_ && !can.descending) throw UsageError("an " + format + " index cannot keep --descending order");
        if (!for_.empty() && !can.forCondition) throw UsageError("an " + format + " index cannot keep a --for condition");
        if (unique_ && !can.unique) throw UsageError("an " + format + " index cannot keep --unique keys");
        const std::string key = ToTable(key_), condition = ToTable(for_);
        std::unique_ptr<ToolTable> t = OpenTable(table_, false);
        t->SetReadAhead(true);  // the build reads every record in physical order
        std::unique_ptr<DVobjIndexFile> file = create(t->IndexOwner(), !exclusive_, file_);
        if (!file->CreateTag(tag, key, unique_, !descending_, condition))
            throw UsageError("the key \"" + key_ + "\" cannot be held by an " + format + " index");
        return kExitOk;
    }

private:
    // The tag's name: --tag, or for a file of one tag its base name (and --tag, when given, must be that).
    std::string TagName(const std::string& extension) const {
        if (TdvIndexFormats::Capabilities(extension).multipleTags) {
            if (tag_.empty()) throw UsageError("--tag is required: an " + FormatName(extension) + " file holds several tags");
            return tag_;
        }
        const std::string base = BaseName(file_);
        if (!tag_.empty() && os::UpperCase(tag_) != os::UpperCase(base))
            throw UsageError("an " + FormatName(extension) + " file holds one tag, named after the file: " + base +
                             ", not " + tag_ + " (leave out --tag, or name the file " + tag_ + extension + ")");
        return base;
    }

    std::string table_;
    std::string file_;
    std::string tag_;
    std::string key_;
    std::string for_;
    bool unique_ = false;
    bool descending_ = false;
};

class ReindexCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "reindex", "Rebuild index files from the table");
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--index", indexes_, "An index file to rebuild (repeatable)")->required();
    }

    int Run() override {
        std::unique_ptr<ToolTable> t = OpenTable(table_, true);
        t->OpenIndexes(indexes_);
        t->SetReadAhead(true);  // each rebuild reads every record in physical order
        for (int32_t slot = 1; slot <= DVO_dBHandler::kIndexSlots; ++slot)
            if (DVobjIndexFile* file = t->IndexFile(slot)) file->Reindex();
        return kExitOk;
    }

private:
    std::string table_;
    std::vector<std::string> indexes_;
};

}  // namespace

std::unique_ptr<Command> MakeIndexCommand() { return std::make_unique<IndexCommand>(); }
std::unique_ptr<Command> MakeReindexCommand() { return std::make_unique<ReindexCommand>(); }

}  // namespace ordane
