// TOrdaneDataSet: index files and order, index definitions, filtering, Locate and Lookup, and the master/detail
// link. Each is a thin layer over the table handler's operations.
#include <cstring>

#include "engine/cursor/file_names.h"
#include "engine/cursor/ordane_data_set.h"
#include "engine/cursor/table_expression.h"
#include "engine/index/index_key.h"
#include "engine/index/index_tag.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "engine/storage/record_buffer_scope.h"
#include "engine/storage/trim_split.h"
#include "framework/data/data_source.h"
#include "framework/data/date_time.h"
#include "framework/data/db_error.h"

namespace {

constexpr int32_t kKeyCapacity = 256;

// The key field names of a tag's key expression, upper case, in expression order.
std::vector<std::string> KeyFieldNames(DVO_dBHandler& handler, const DVobjIndexTag& tag) {
    TdvTableExpression key(&handler);
    key.SetExpression(tag.KeyExpression());
    std::vector<std::string> names = textutil::SplitNames(key.CollectNames(lkTableField));
    for (std::string& name : names) name = os::UpperCase(name);
    return names;
}

}  // namespace

// --- index files and order ---------------------------------------------------------------------------------------

void TOrdaneDataSet::SetIndexFiles(const TStrings& lines) {
    indexDefs_.Clear();
    indexDefs_.SetUpdated(false);
    {
        struct Assigning {
            bool& flag;
            ~Assigning() { flag = false; }
        } assigning{assigningIndexFiles_};
        assigningIndexFiles_ = true;
        indexFiles_.Assign(lines);
    }
    if (indexFiles_.Count() > 0 && handler_) {
        OpenListedIndexFiles(false);
        if (Active()) First();
    }
}

void TOrdaneDataSet::OpenListedIndexFiles(bool reportAlreadyOpen) {
    handler_->OpenIndexList(std::string(), std::string());
    for (int i = 0; i < indexFiles_.Count(); ++i) {
        std::string name(textutil::Trim(indexFiles_.Get(i)));
        if (name.empty()) continue;
        if (!filename::HasExtension(name)) name += ".NDX";
        const std::string path = filename::NameStart(name) > 0 ? name : TableDirectory() + name;
        if (!os::FileExists(path)) DatabaseError(FormatResource(resmsg::kFileMissing, {path}));
        int32_t result = 0;
        try {
            result = handler_->OpenIndexFile(path);
        } catch (const EOrdaneError&) {
            result = 1;
        }
        if (result > 0) DatabaseError(FormatResource(resmsg::kErrorGetting, {path}));
        if (result < 0 && reportAlreadyOpen) DatabaseError(FormatResource(resmsg::kAlreadyOpen, {path}));
    }
    UpdateIndexDefs();
    if (!reportAlreadyOpen) handler_->SelectOrder(indexName_, false);
}

void TOrdaneDataSet::IndexFilesChanged() {
    if (assigningIndexFiles_ || Loading()) return;
    indexDefs_.Clear();
    indexDefs_.SetUpdated(false);
    const bool wasOpen = handler_ != nullptr;
    if (!wasOpen) {
        try {
            Open();
        } catch (...) {
            return;  // a table that cannot be opened has no index files to check yet
        }
    }
    struct CloseAgain {
        TOrdaneDataSet& ds;
        bool close;
        ~CloseAgain() {
            if (!close) return;
            try {
                ds.Close();
            } catch (...) {
            }
        }
    } closeAgain{*this, !wasOpen};

    handler_->OpenIndexList(std::string(), std::string());
    if (indexFiles_.Count() == 0) {
        indexName_.clear();
        handler_->SelectOrder(std::string(), true);
        return;
    }
    OpenListedIndexFiles(true);
    if (wasOpen) {
        handler_->SelectOrder(indexName_, false);
        const int32_t n = Active() ? RecNo() : 0;
        if (n > 0) handler_->GetRecord(n);
        CursorPosChanged();
    }
}

void TOrdaneDataSet::SetIndexName(const std::string& name) {
    if (!handler_) {
        indexName_ = name;
        return;
    }
    if (Active()) CheckBrowseMode();
    handler_->SelectOrder(name, false);
    // Stored only once the handler took it, so IndexName always names the order in use.
    indexName_ = name;
    const int32_t n = Active() ? RecNo() : 0;
    if (n > 0) handler_->GetRecord(n);
    const bool outOfView = handler_->OutOfView();
    const bool atEnd = handler_->Eof() || handler_->Bof();
    ApplyMasterRange();
    if (!Active()) return;
    atFirst_ = atLast_ = false;
    try {
        if (outOfView || atEnd) First();
        else Resync(0);
    } catch (...) {
    }
    DoAfterScroll();
}

void TOrdaneDataSet::UpdateIndexDefs() {
    if (!handler_) return;
    struct Updating {
        bool& flag;
        ~Updating() { flag = false; }
    } updating{updatingDefs_};
    updatingDefs_ = true;
    indexDefs_.Clear();
    for (int32_t n = 1;; ++n) {
        DVobjIndexTag* tag = handler_->TagByNumber(n);
        if (!tag) break;
        const std::string key = tag->KeyExpressionText();
        if (key.find('(') != std::string::npos) {
            indexDefs_.Add(tag->Name(), key, ixExpression);
        } else {
            std::string fields;
            for (char c : key) {
                if (c == ' ') continue;
                fields += (c == '+' || c == '-') ? ';' : c;
            }
            indexDefs_.Add(tag->Name(), fields, 0);
        }
    }
    indexDefs_.SetUpdated(true);
}

bool TOrdaneDataSet::GetIsIndexField(const TField& field) const {
    if (!handler_ || !handler_->MasterTag()) return false;
    const std::string name = os::UpperCase(field.FieldName());
    for (const std::string& key : KeyFieldNames(*handler_, *handler_->MasterTag()))
        if (key == name) return true;
    return false;
}

// --- filtering ---------------------------------------------------------------------------------------------------

void TOrdaneDataSet::ApplyFilter() {
    handler_->SetFilterActive(true);
    handler_->SetFilter(ToTableText(Filter()), (FilterOptions() & foCaseInsensitive) != 0,
                        (FilterOptions() & foNoPartialCompare) == 0);
}

void TOrdaneDataSet::SetFilterText(const std::string& text) {
    if (handler_ && Active() && Filtered()) {
        CheckBrowseMode();
        handler_->SetFilterActive(true);
        handler_->SetFilter(ToTableText(text), (FilterOptions() & foCaseInsensitive) != 0,
                            (FilterOptions() & foNoPartialCompare) == 0);
        First();
    }
    TDataSet::SetFilterText(text);
}

void TOrdaneDataSet::SetFilterOptions(TFilterOptions options) {
    if (handler_ && Active() && Filtered()) {
        CheckBrowseMode();
        handler_->SetFilterActive(true);
        handler_->SetFilter(ToTableText(Filter()), (options & foCaseInsensitive) != 0,
                            (options & foNoPartialCompare) == 0);
        First();
    }
    TDataSet::SetFilterOptions(options);
}

void TOrdaneDataSet::SetFiltered(bool value) {
    if (!handler_ || !Active()) {
        TDataSet::SetFiltered(value);
        return;
    }
    CheckBrowseMode();
    if (value != Filtered()) {
        TDataSet::SetFiltered(value);
        handler_->SetFilterActive(value);
        if (value) ApplyFilter();
    }
    First();
}

// --- Locate and Lookup -------------------------------------------------------------------------------------------

bool TOrdaneDataSet::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    const int32_t remembered = RecNo();
    atFirst_ = atLast_ = false;
    const bool found = handler_->LocateRecord(keyFields, ToTableText(keyValues), (options & loPartialKey) != 0,
                                              (options & loCaseInsensitive) != 0);
    if (!found) {
        if (remembered > 0) handler_->GetRecord(remembered);
        CursorPosChanged();
        return false;
    }
    DoBeforeScroll();
    Resync(rmExact | rmCenter);
    DoAfterScroll();
    return true;
}

Variant TOrdaneDataSet::Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields) {
    CheckBrowseMode();
    const int32_t remembered = RecNo();
    TRecordBuffer temp = TempBuffer();
    Variant result;
    {
        // Declared first so that it runs last: the handler has its own buffer back before it moves home.
        struct Restore {
            TOrdaneDataSet& ds;
            ~Restore() {
                ds.lookupBuffer_ = nullptr;
                try {
                    if (remembered > 0) ds.handler_->GetRecord(remembered);
                } catch (...) {
                }
                ds.CursorPosChanged();
            }
            int32_t remembered;
        } restore{*this, remembered};
        TdvRecordBufferScope onTemp(*handler_, temp);
        atLast_ = false;
        if (handler_->LocateRecord(keyFields, ToTableText(keyValues), false, false)) {
            const int32_t n = handler_->CurrentRecord();
            std::memcpy(temp + infoPosition_, &n, 4);
            lookupBuffer_ = temp;
            TTempStateScope calculating(*this, dsCalcFields);
            GetCalcFields(temp);
            result = FieldValues(resultFields);
        }
    }
    return result;
}

// --- master/detail -----------------------------------------------------------------------------------------------

std::optional<std::string> TOrdaneDataSet::MasterKey() {
    DVobjIndexTag* tag = handler_->MasterTag();
    if (!tag) DatabaseError(FormatResource(resmsg::kNoMasterIndex, {tableName_}));
    TDataSet* master = masterLink_.DataSet();
    if (master && master->State() == dsInsert) return std::nullopt;
    const std::vector<std::string> masterNames = textutil::SplitNames(MasterFields());
    if (masterNames.empty() || !master) return std::string();
    const std::vector<std::string> keyNames = KeyFieldNames(*handler_, *tag);
    if (keyNames.size() < masterNames.size()) DatabaseError(FormatResource(resmsg::kMasterMismatch, {tableName_}));

    Variant::Array values;
    std::string names;
    for (size_t i = 0; i < masterNames.size(); ++i) {
        TField& field = master->FieldByName(masterNames[i]);
        Variant value;
        if (!field.IsNull()) {
            if (field.DataType() == ftDate || field.DataType() == ftDateTime) {
                int y = 0, m = 0, d = 0;
                int32_t stamp = 0, ms = 0;
                if (DateTimeToStamp(field.AsDateTime(), &stamp, &ms) && DecodeDateStamp(stamp, &y, &m, &d)) {
                    char text[16];
                    std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
                    value = Variant(std::string(text));
                }
            } else {
                // Key values are compared with what the index holds: text in the table's code page.
                value = ToTableText(field.AsVariant());
            }
        }
        values.push_back(std::move(value));
        names += (i ? ";" : "") + keyNames[i];
    }
    std::vector<uint8_t> scratch(static_cast<size_t>(handler_->RecordLength()) + 1, ' ');
    scratch.back() = 0x1A;
    handler_->PutFieldsFromValues(scratch.data(), names, Variant(std::move(values)));
    DVobjIndexKeyData key(kKeyCapacity);
    {
        TdvRecordBufferScope onScratch(*handler_, scratch.data());
        bool ok = false;
        tag->EvaluateKey(key, ok);
    }
    return key.AsText();
}

void TOrdaneDataSet::ApplyMasterRange() {
    TDataSet* master = masterLink_.DataSet();
    if (!handler_ || !master || !master->Active() || master->IsEmpty()) return;
    const std::optional<std::string> key = MasterKey();
    if (!key) return;
    if (key->empty()) handler_->SetRange(std::string(), std::string(), true, true, false);
    else handler_->SetRange(*key, *key, true, true, true);
}

void TOrdaneDataSet::MasterChanged() {
    TDataSet* master = masterLink_.DataSet();
    if (!handler_ || !master || master->IsEmpty()) return;
    CheckBrowseMode();
    const std::optional<std::string> key = MasterKey();
    if (!key) return;
    if (key->empty()) handler_->SetRange(std::string(), std::string(), true, true, false);
    else handler_->SetRange(*key, *key, true, true, true);
    atFirst_ = atLast_ = false;
    First();
}

void TOrdaneDataSet::MasterDisabled() {
    if (!handler_) return;
    if (handler_->SetRange(std::string(), std::string(), true, true, false) && Active()) First();
}
