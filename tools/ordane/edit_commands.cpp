// ordane delete, recall and replace: record edits through the table handler, beside other processes.
//
// Every record is first read and tested without a lock (most records of a filter's walk stay untouched); one
// that qualifies is locked, read again from the file, tested again (another process may have changed it in
// between) and only then changed and written. The handler writes it with every named index file locked and
// their keys moved from the record as read to the record as written. A record whose lock another process holds
// for the whole engine-wide lock wait is left alone and reported; the others are done.
#include "tools/ordane/edit_commands.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine/cursor/table_expression.h"
#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/expr/exp_value.h"
#include "engine/storage/errors.h"
#include "engine/storage/lock_layout.h"
#include "engine/storage/os_services.h"
#include "engine/storage/variant_value.h"
#include "tools/ordane/field_text.h"
#include "tools/ordane/user_text.h"

namespace ordane {
namespace {

// Releases the record lock of one edit on every path.
class RecordLockScope {
public:
    explicit RecordLockScope(DVO_dBaseDBF& table) : table_(table) {}
    ~RecordLockScope() { table_.Unlock(); }
    RecordLockScope(const RecordLockScope&) = delete;
    RecordLockScope& operator=(const RecordLockScope&) = delete;

private:
    DVO_dBaseDBF& table_;
};

class RecordEditCommand : public Command {
public:
    int Run() override {
        table_ptr_ = OpenTable(table_, true);
        ToolTable& t = *table_ptr_;
        t.OpenIndexes(indexes_);
        if (!filter_.empty()) {
            filter_expr_ = std::make_unique<TdvTableExpression>(&t);
            filter_expr_->SetExpression(TableText(filter_, codePage_));
        }
        Prepare(t);
        // Records other processes append meanwhile are not this command's.
        const int32_t count = t.RecordCount();
        int64_t done = 0;
        Json locked = Json::array();
        t.progress.Start(name_, count);
        for (int32_t r = 1; r <= count; ++r) {
            t.progress.Step(r);
            t.GetRecord(r);
            if (t.CurrentRecord() != r || !Qualifies(t)) continue;
            if (!RetryLock([&] { return t.LockRecord(); })) {
                locked.push_back(r);
                continue;
            }
            RecordLockScope unlock(t);
            t.GetRecord(r);  // the record as it is now, under the lock
            if (t.CurrentRecord() != r || !Qualifies(t)) continue;
            // A failure stops the command; the message names the record and counts what was done before it.
            auto where = [&](const char* what) {
                Report(done, locked);
                return "record " + std::to_string(r) + ": " + what + " (" + std::to_string(done) + " records " +
                       counted_ + " before it)";
            };
            try {
                Change(t, r);
            } catch (const EOrdaneError& e) {
                throw EOrdaneError(where(e.what()), e.Code(), e.SubCode());
            } catch (const EOrdaneExpression& e) {
                throw EOrdaneExpression(where(e.what()));
            }
            ++done;
        }
        t.progress.Finish();
        Report(done, locked);
        if (locked.empty()) return kExitOk;
        for (const Json& r : locked)
            std::fprintf(stderr, "record %d: %s - %s\n", r.get<int>(), ErrorText(errcode::kLockViolation),
                         t.Name().c_str());
        return kExitEngine;
    }

protected:
    // Declares the options every record edit takes.
    void AddEditOptions(CLI::App& app, const std::string& name, const std::string& counted,
                        const std::string& description, bool filterRequired) {
        name_ = name;
        counted_ = counted;
        AddSubcommand(app, name, description);
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--index", indexes_, "An index file to keep in step (repeatable)");
        CLI::Option* filter = sub_->add_option("--filter", filter_, "Only the records for which this expression is true");
        if (filterRequired) filter->required();
    }
    // Compiles what the command needs beyond the filter.
    virtual void Prepare(ToolTable&) {}
    // Whether the record in the buffer is one to change (the filter is tested by Qualifies).
    virtual bool Wanted(ToolTable& t) { return !t.IsDeleted(); }
    // Changes and writes record r (in the buffer, locked, just read).
    virtual void Change(ToolTable& t, int32_t r) = 0;

    std::string name_;     // the command
    std::string counted_;  // the name of its count: "deleted", "recalled", "replaced"

private:
    bool Qualifies(ToolTable& t) {
        if (!Wanted(t)) return false;
        if (!filter_expr_) return true;
        bool truth = false;
        if (filter_expr_->Evaluate(truth) != exptype::kBoolean)
            throw EOrdaneError(FormatResource(resmsg::kFilterNotLogical), resmsg::kFilterNotLogical, subcode::kNone);
        return truth;
    }

    void Report(int64_t done, const Json& locked) const {
        Json result;
        result[counted_] = done;
        if (!locked.empty()) result["locked"] = locked;
        std::printf("%s\n", result.dump().c_str());
        std::fflush(stdout);
    }

    std::string table_;
    std::vector<std::string> indexes_;
    std::string filter_;
    std::unique_ptr<TdvTableExpression> filter_expr_;
    std::unique_ptr<ToolTable> table_ptr_;
};

class DeleteCommand : public RecordEditCommand {
public:
    void Configure(CLI::App& app) override {
        AddEditOptions(app, "delete", "deleted", "Mark the records for which an expression is true as deleted", true);
    }

private:
    void Change(ToolTable& t, int32_t) override { t.DeleteRecord(); }
};

class RecallCommand : public RecordEditCommand {
public:
    void Configure(CLI::App& app) override {
        AddEditOptions(app, "recall", "recalled", "Take back the deletion of the records for which an expression is true", true);
    }

private:
    bool Wanted(ToolTable& t) override { return t.IsDeleted(); }
    void Change(ToolTable& t, int32_t) override { t.UndeleteRecord(); }
};

// One --set FIELD=EXPR: the expression's value on the record as read, stored in the field as its type takes it.
class FieldAssignment {
public:
    FieldAssignment(ToolTable& t, const TdvFieldDesc& field, const std::string& expression)
        : field_(field), expr_(&t) {
        expr_.SetExpression(expression);
    }
    void Evaluate() {
        value_.Clear();
        type_ = expr_.EvaluateToKey(value_);
    }
    bool IsMemo(ToolTable& t) const { return t.IsMemoField(field_); }
    // Stores the value evaluated last. A value the field cannot hold raises before the record is written.
    void Store(ToolTable& t) const {
        const int32_t n = field_.number;
        if (type_ == exptype::kNone) Mismatch(t, "a text, number, date or logical value");
        const bool empty = value_.IsEmpty();
        if (t.IsMemoField(field_)) {
            if (!empty && value_.Kind() != vkText) Mismatch(t, "text");
            const std::string_view bytes = value_.Bytes();
            if (!t.MemoWrite(n, bytes.data(), static_cast<int32_t>(bytes.size())))
                throw EOrdaneError(FormatErrorMessage(errcode::kLockViolation, subcode::kMemoLock, t.Name()),
                                   errcode::kLockViolation, subcode::kMemoLock);
            return;
        }
        switch (field_.type) {
            case 'C': {
                if (!empty && value_.Kind() != vkText) Mismatch(t, "text");
                std::string_view text = value_.Bytes();
                const size_t used = text.find_last_not_of(' ');
                const size_t length = used == std::string_view::npos ? 0 : used + 1;
                if (length > static_cast<size_t>(field_.length))
                    throw EOrdaneError("a text of " + std::to_string(length) + " characters does not fit in " +
                                           Info(t) + " (" + std::to_string(field_.length) + ")",
                                       errcode::kBadFieldType, subcode::kFieldType);
                t.FieldPut(n, text.substr(0, length));
                return;
            }
            case 'D':
                if (!empty && value_.Kind() != vkDate) Mismatch(t, "a date");
                t.DatePut(n, empty ? 0 : value_.AsDate());
                return;
            case 'L':
                if (!empty && value_.Kind() != vkBoolean) Mismatch(t, "a logical value");
                t.LogicPut(n, !empty && value_.AsBoolean());
                return;
            case 'N':
            case 'F':
            case 'I':
            case 'Y':
            case 'B':
                if (!empty && value_.Kind() != vkNumber) Mismatch(t, "a number");
                if (empty && !t.IsBinary(field_)) t.FieldPut(n, "");
                else t.NumberPut(n, empty ? 0 : value_.AsNumber());
                return;
            default:
                Mismatch(t, "no value this tool stores");
        }
    }

private:
    std::string Info(ToolTable& t) const {
        std::string table = t.Name().substr(t.Name().rfind('/') + 1);
        return table.substr(0, table.find('.')) + "->" + field_.name;
    }
    [[noreturn]] void Mismatch(ToolTable& t, const char* wanted) const {
        throw EOrdaneError(FormatErrorMessage(errcode::kBadFieldType, subcode::kFieldType, Info(t)) + " (it takes " +
                               wanted + ")",
                           errcode::kBadFieldType, subcode::kFieldType);
    }

    const TdvFieldDesc& field_;
    TdvTableExpression expr_;
    TdvVariant value_{256};
    int type_ = exptype::kNone;  // of the value evaluated last
};

class ReplaceCommand : public RecordEditCommand {
public:
    void Configure(CLI::App& app) override {
        AddEditOptions(app, "replace", "replaced", "Set fields from expressions evaluated on each record", false);
        sub_->add_option("--set", sets_, "FIELD=EXPR: the field gets the expression's value (repeatable)")->required();
    }

private:
    void Prepare(ToolTable& t) override {
        for (const std::string& set : sets_) {
            const size_t equals = set.find('=');
            if (equals == std::string::npos || equals == 0) throw UsageError("--set takes FIELD=EXPR, not " + set);
            const std::string name = TableText(set.substr(0, equals), codePage_);
            const int32_t n = t.FieldNumber(name);
            if (n == 0) throw UsageError("the table has no field " + set.substr(0, equals));
            assignments_.push_back(std::make_unique<FieldAssignment>(
                t, t.Fields()[static_cast<size_t>(n - 1)], TableText(set.substr(equals + 1), codePage_)));
        }
        // A memo is written as it is stored, so memo fields come after every field whose value may be refused.
        std::stable_partition(assignments_.begin(), assignments_.end(), [&](const auto& a) { return !a->IsMemo(t); });
    }

    void Change(ToolTable& t, int32_t r) override {
        std::vector<UniqueKey> before = UniqueKeys(t);
        // Every expression sees the record as it was read, whatever the others store.
        for (auto& a : assignments_) a->Evaluate();
        for (auto& a : assignments_) a->Store(t);
        t.PutRecord(r);
        if (before.empty()) return;
        bool moved = false;
        for (UniqueKey& old : before) {
            DVobjIndexKeyData now(256);
            if (!KeyOf(*old.tag, now) || old.tag->CompareKeys(old.key, now, -1) != 0 || old.key.Size() != now.Size())
                moved = KeepRepresented(t, old, r) || moved;
        }
        if (moved) t.GetRecord(r);
    }

    // A unique tag holds one entry per key, for the first record that has it. When that record's key moves,
    // the entry goes, and another record holding the old key would be missing from the tag: it gets the entry.
    struct UniqueKey {
        DVobjIndexFile* file;  // holds the tag alone, so adding a record's keys to it adds just this one
        DVobjIndexTag* tag;
        DVobjIndexKeyData key{256};  // of the record as read; Target -1 seeks any record
    };

    static bool KeyOf(DVobjIndexTag& tag, DVobjIndexKeyData& key) {
        if (!tag.ForExpression().empty() && !tag.EvaluateFor()) return false;
        bool ok = false;
        if (!tag.EvaluateKey(key, ok) || !ok) return false;
        tag.ConvertKey(key, true);
        key.Target = -1;
        return true;
    }

    static bool SameKey(const DVobjIndexKeyData& a, const DVobjIndexKeyData& b) {
        DVobjIndexKeyData x, y;
        x.CopyFrom(a);
        y.CopyFrom(b);
        x.TrimRight();
        y.TrimRight();
        return x.AsText() == y.AsText();
    }

    static std::vector<UniqueKey> UniqueKeys(ToolTable& t) {
        std::vector<UniqueKey> keys;
        for (int32_t slot = 1; slot <= DVO_dBHandler::kIndexSlots; ++slot) {
            DVobjIndexFile* file = t.IndexFile(slot);
            if (!file || file->TagCount() != 1 || !file->TagAt(0)->Unique()) continue;
            UniqueKey k{file, file->TagAt(0)};
            if (KeyOf(*k.tag, k.key)) keys.push_back(std::move(k));
        }
        return keys;
    }

    // Gives the old key's entry to the first record that still holds it, if the tag has none; whether the
    // table was read for it.
    static bool KeepRepresented(ToolTable& t, UniqueKey& old, int32_t changed) {
        struct Locked {
            ToolTable& t;
            ~Locked() { t.UnlockIndexes(); }
        };
        if (!t.LockIndexes()) return false;
        Locked unlock{t};
        // A seek stops at the first key not below the sought one, which may be a longer key it is a prefix of:
        // only an entry of exactly the old key keeps it represented.
        if (old.tag->Seek(old.key) > 0 && SameKey(old.key, old.tag->CurrentKey())) return false;
        DVobjIndexKeyData key(256);
        for (int32_t n = 1; n <= t.RecordCount(); ++n) {
            if (n == changed) continue;
            t.DVO_dBaseFld::GetRecord(n);
            if (KeyOf(*old.tag, key) && old.tag->CompareKeys(old.key, key, -1) == 0 && old.key.Size() == key.Size()) {
                old.file->UpdateKeys(n, true);
                break;
            }
        }
        return true;
    }

    std::vector<std::string> sets_;
    std::vector<std::unique_ptr<FieldAssignment>> assignments_;
};

}  // namespace

std::unique_ptr<Command> MakeDeleteCommand() { return std::make_unique<DeleteCommand>(); }
std::unique_ptr<Command> MakeRecallCommand() { return std::make_unique<RecallCommand>(); }
std::unique_ptr<Command> MakeReplaceCommand() { return std::make_unique<ReplaceCommand>(); }

}  // namespace ordane
