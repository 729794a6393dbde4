#include "index_test_table.h"

#include <algorithm>
#include <cctype>

#include "engine/index/key_field.h"
#include "engine/storage/errors.h"
#include "engine/storage/variant_value.h"

namespace {
std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
std::string Strip(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

class FieldExpression : public TdvKeyExpression {
public:
    struct Part {
        int32_t field;
        char type;
        bool dtos;
        bool upper;
    };
    FieldExpression(TestTable* table, std::string text, std::vector<Part> parts)
        : table_(table), text_(std::move(text)), parts_(std::move(parts)) {}

    int Evaluate(TdvVariant& value) override {
        if (parts_.size() == 1 && !parts_[0].dtos && !parts_[0].upper) {
            const Part& p = parts_[0];
            switch (p.type) {
            case 'N':
            case 'F':
                value.SetNumber(static_cast<double>(table_->NumberGet(p.field)));
                return exptype::kNumber;
            case 'D':
                value.SetDate(table_->DateGet(p.field));
                return exptype::kDate;
            case 'L':
                value.SetBoolean(table_->LogicGet(p.field));
                return exptype::kLogical;
            default:
                break;
            }
        }
        std::string text;
        for (const Part& p : parts_) {
            std::string piece = table_->FieldGet(p.field);
            if (p.upper) piece = Upper(piece);
            text += piece;
        }
        value.SetText(text);
        return exptype::kText;
    }
    std::string Text() const override { return text_; }

private:
    TestTable* table_;
    std::string text_;
    std::vector<Part> parts_;
};
}  // namespace

TestTable::TestTable(const std::string& fileName, bool readWrite, bool shared, const std::string& password)
    : DVO_dBaseFld(fileName, password, readWrite, shared) {}

TestTable::~TestTable() = default;

bool TestTable::AnyFieldChanged() {
    return std::any_of(fieldChanged_.begin(), fieldChanged_.end(), [](uint8_t c) { return c != 0; });
}

bool TestTable::TableEvent(int event, int32_t value) {
    if (event == tblevent::kAfterWrite)
        for (DVobjIndexFile* f : attached_) f->UpdateKeys(CurrentRecord(), value == 0);
    return DVO_dBaseFld::TableEvent(event, value);
}

void TestTable::AppendValues(const std::vector<std::pair<std::string, std::string>>& values) {
    BlankRecord();
    for (const auto& [name, text] : values) FieldPutN(name, text);
    AppendRecord();
}

void TestTable::ChangeValues(int32_t n, const std::vector<std::pair<std::string, std::string>>& values) {
    DVO_dBaseFld::GetRecord(n);
    for (const auto& [name, text] : values) FieldPutN(name, text);
    PutRecord(n);
}

std::unique_ptr<TdvKeyExpression> TestTable::CompileExpression(const std::string& text) {
    std::vector<FieldExpression::Part> parts;
    std::string rest = text;
    size_t at = 0;
    while (at <= rest.size()) {
        size_t plus = rest.find('+', at);
        std::string item = Strip(rest.substr(at, plus == std::string::npos ? std::string::npos : plus - at));
        std::string upper = Upper(item);
        FieldExpression::Part part{0, 'C', false, false};
        for (const char* fn : {"DTOS(", "UPPER("}) {
            const std::string f = fn;
            if (upper.rfind(f, 0) == 0 && !upper.empty() && upper.back() == ')') {
                (f == "DTOS(" ? part.dtos : part.upper) = true;
                upper = Strip(upper.substr(f.size(), upper.size() - f.size() - 1));
            }
        }
        part.field = FieldNumber(upper);
        if (part.field == 0) throw EOrdaneExpression("Syntax Error in expression \"" + text + "\"");
        part.type = FieldType(part.field);
        parts.push_back(part);
        if (plus == std::string::npos) break;
        at = plus + 1;
    }
    return std::make_unique<FieldExpression>(this, text, std::move(parts));
}

void TestTable::ReportError(int32_t code, int32_t subCode, const std::string& info) {
    ::ReportError(code, subCode, info);
}

void TestTable::StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) {
    if (recordProgress) progress.push_back({stat1, stat2, stat3});
}

bool TestTable::NumericField(const std::string& expression, int32_t& width, int32_t& decimals) {
    return NumericKeyField(*this, expression, width, decimals);
}
