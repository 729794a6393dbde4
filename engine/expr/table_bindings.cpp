#include "engine/expr/table_bindings.h"

#include <algorithm>
#include <cstring>

#include "engine/expr/exp_functions.h"
#include "engine/expr/exp_nodes.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"

namespace {

// The field's bytes in the record buffer up to the first zero byte, without a copy.
std::string_view RawFieldText(const DVO_dBaseFld& table, const TdvFieldDesc& f) {
    const char* p = reinterpret_cast<const char*>(table.RecordBuffer()) + f.offset;
    const void* nul = std::memchr(p, 0, static_cast<size_t>(f.length));
    return std::string_view(p, nul ? static_cast<size_t>(static_cast<const char*>(nul) - p)
                                   : static_cast<size_t>(f.length));
}

std::unique_ptr<TdvExpressionLink> MakeTableLink(DVO_dBaseFld* table) {
    return std::make_unique<TdvDBFExpUserLink>(table);
}

}  // namespace

void StartExpressionEngine() {
    LibraryFunctions();
    SetExpressionLinkFactory(&MakeTableLink);
}

TdvDBFExpUserLink* TableUserLink(const DVO_dBaseFld& table) {
    return dynamic_cast<TdvDBFExpUserLink*>(table.ExpressionLink());
}

// --- the link ---------------------------------------------------------------------------------------------------

TdvDBFExpUserLink::TdvDBFExpUserLink(DVO_dBaseFld* table)
    : table_(table), generic_(std::make_unique<TdvlDBFGeneric>(table, "genericfunction")) {}

TdvDBFExpUserLink::~TdvDBFExpUserLink() = default;

TdvUserDefFunction* TdvDBFExpUserLink::UnknownFunction(std::string_view name) {
    if (!generic_->Exists(name)) RaiseExpression(resmsg::kNoFunction, {name});
    auto function = std::make_unique<TdvlDBFGeneric>(table_, os::UpperCase(name));
    TdvUserDefFunction* added = function.get();
    AddFunction(std::move(function));
    return added;
}

void TdvDBFExpUserLink::AddTableFunction(const std::string& name) {
    std::unique_ptr<TdvUserDefFunction> function;
    if (name == "RECNO") function = std::make_unique<TdvlDBFRecNo>(table_);
    else if (name == "DELETED") function = std::make_unique<TdvlDBFDeleted>(table_);
    else if (name == "BOF") function = std::make_unique<TdvlDBFBof>(table_);
    else if (name == "EOF") function = std::make_unique<TdvlDBFEof>(table_);
    else if (name == "TYPE") function = std::make_unique<TdvlDBFType>(table_);
    else if (name == "LEN") function = std::make_unique<TdvlDBFLen>(table_);
    else if (name == "FIELDNO") function = std::make_unique<TdvlDBFFieldNo>(table_);
    else RaiseExpression(resmsg::kNoFunction, {name});
    AddFunction(std::move(function));
}

void TdvDBFExpUserLink::AddFieldVariable(int32_t fieldNumber) {
    if (fieldNumber < 1 || fieldNumber > table_->FieldCount())
        table_->FoundError(errcode::kBadFieldName, subcode::kNone,
                           table_->Name() + "->" + std::to_string(fieldNumber));
    AddFieldVar(std::make_unique<TdvlDBFFieldVars>(table_, fieldNumber));
}

// --- the host's functions ---------------------------------------------------------------------------------------

TdvlDBFGeneric::TdvlDBFGeneric(DVO_dBaseFld* table, std::string name)
    : TdvUserDefFunction(std::move(name)), table_(table), buffer_(kValueBufferSize) {}

bool TdvlDBFGeneric::Exists(std::string_view name) {
    uint8_t byte = 0;
    char letter = 0;
    return table_->UserFunctionHook("FIND", name, &byte, &letter, buffer_.data()) != -1;
}

bool TdvlDBFGeneric::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    type = exptype::kNone;
    std::fill(buffer_.begin(), buffer_.end(), 0);
    TdvExpFunction* node = &call;
    std::memcpy(buffer_.data(), &node, sizeof node);  // the host evaluates the arguments through the node
    uint8_t byte = 0;
    char letter = 0;
    if (table_->UserFunctionHook("PARSE", Name(), &byte, &letter, buffer_.data()) == -1) return false;
    switch (letter) {
        case 'C': {
            const void* nul = std::memchr(buffer_.data(), 0, buffer_.size());
            const size_t n = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - buffer_.data())
                                 : buffer_.size();
            result.SetText(std::string_view(reinterpret_cast<const char*>(buffer_.data()), n));
            type = exptype::kText;
            return true;
        }
        case 'D': {
            int32_t day = 0;
            std::memcpy(&day, buffer_.data(), sizeof day);
            result.SetNumber(day);
            type = exptype::kDate;
            return true;
        }
        case 'F':
        case 'N': {
            double value = 0;
            std::memcpy(&value, buffer_.data(), sizeof value);
            result.SetNumber(value);
            type = exptype::kNumber;
            return true;
        }
        case 'L':
            result.SetBoolean(buffer_[0] != 0 && std::strchr("TtYyJj", buffer_[0]) != nullptr);
            type = exptype::kBoolean;
            return true;
        default:
            return false;
    }
}

// --- table functions --------------------------------------------------------------------------------------------

bool TdvlDBFRecNo::Execute(TdvExpFunction&, TdvExpValue& result, int& type) {
    result.SetNumber(table_->CurrentRecord());
    type = exptype::kNumber;
    return true;
}

bool TdvlDBFDeleted::Execute(TdvExpFunction&, TdvExpValue& result, int& type) {
    result.SetBoolean(table_->IsDeleted());
    type = exptype::kBoolean;
    return true;
}

bool TdvlDBFBof::Execute(TdvExpFunction&, TdvExpValue& result, int& type) {
    result.SetBoolean(table_->Bof());
    type = exptype::kBoolean;
    return true;
}

bool TdvlDBFEof::Execute(TdvExpFunction&, TdvExpValue& result, int& type) {
    result.SetBoolean(table_->Eof());
    type = exptype::kBoolean;
    return true;
}

bool TdvlDBFType::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const std::string& name = TextArgument(call, 0, call.Scratch(0));
    const TdvFieldDesc& f = table_->FieldByName(os::UpperCase(name));
    result.ResetText().push_back(f.type);
    type = exptype::kText;
    return true;
}

bool TdvlDBFLen::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const std::string& name = TextArgument(call, 0, call.Scratch(0));
    const TdvFieldDesc& f = table_->FieldByName(os::UpperCase(name));
    result.SetNumber(f.type == 'C' ? (f.length & 0xFF) : f.length);
    type = exptype::kNumber;
    return true;
}

bool TdvlDBFFieldNo::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const std::string& name = TextArgument(call, 0, call.Scratch(0));
    result.SetNumber(table_->FieldNumber(os::UpperCase(name)));
    type = exptype::kNumber;
    return true;
}

// --- field variables --------------------------------------------------------------------------------------------

TdvlDBFFieldVars::TdvlDBFFieldVars(DVO_dBaseFld* table, int32_t fieldNumber)
    : TdvUserDefFieldVar(table->Fields()[static_cast<size_t>(fieldNumber - 1)].name,
                         table->Fields()[static_cast<size_t>(fieldNumber - 1)].length),
      table_(table),
      fieldNumber_(fieldNumber) {}

bool TdvlDBFFieldVars::GetValue(TdvExpValue& result, int& type) {
    const TdvFieldDesc& f = table_->Fields()[static_cast<size_t>(fieldNumber_ - 1)];
    switch (f.type) {
        case 'C':
            result.SetText(RawFieldText(*table_, f));
            type = exptype::kText;
            break;
        case 'D':
            result.SetNumber(table_->DateGet(fieldNumber_));
            type = exptype::kDate;
            break;
        case 'N':
        case 'F':
            result.SetNumber(static_cast<double>(table_->NumberGet(fieldNumber_)));
            type = exptype::kNumber;
            break;
        case 'L':
            result.SetBoolean(table_->LogicGet(fieldNumber_));
            type = exptype::kBoolean;
            break;
        case 'M': {
            std::string& text = result.ResetText();
            const int32_t size = table_->MemoSize(fieldNumber_);
            if (size >= 1) {
                text.assign(static_cast<size_t>(size), '\0');
                const int32_t got = table_->MemoRead(fieldNumber_, text.data(), size);
                text.resize(static_cast<size_t>(std::clamp(got, 0, size)));
                const size_t nul = text.find('\0');
                if (nul != std::string::npos) text.resize(nul);
            }
            type = exptype::kText;
            break;
        }
        default:
            result.SetText(RawFieldText(*table_, f));
            type = exptype::kFieldText;
            break;
    }
    return true;
}
