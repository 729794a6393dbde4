// Expressions over a table: field variables of every mapped type, the table functions, qualified and unknown
// names, the host's function hook, and index keys and filters evaluated record by record.
#include "engine/expr/table_bindings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/expr/exp_handler.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/variant_value.h"
#include "expr_test_support.h"
#include "temp_dir.h"

using exprtest::Case;
using exprtest::Check;
using exprtest::Fails;
using exprtest::Evaluated;

namespace {

const double kMarch15 = TdvDBFDate::EncodeJulian(2024, 3, 15);

// A table whose host offers a few functions through the hook: TWICE(n), GREET(), YES(), TODAY2() and two that
// produce nothing, BROKEN() (the hook answers -1) and WEIRD() (an unknown type letter).
class HostTable : public DVO_dBaseFld {
public:
    using DVO_dBaseFld::DVO_dBaseFld;
    int32_t UserFunctionHook(std::string_view request, std::string_view name, uint8_t*, char* typeOut,
                             uint8_t* valueBuffer) override {
        static const std::string_view known[] = {"TWICE", "GREET", "YES", "TODAY2", "BROKEN", "WEIRD"};
        if (request == "FIND") {
            ++finds;
            for (std::string_view k : known)
                if (k == name) return 0;
            return -1;
        }
        TdvExpFunction* call = nullptr;
        std::memcpy(&call, valueBuffer, sizeof call);
        if (name == "TWICE") {
            TdvExpValue argument;
            int type = 0;
            call->Argument(0)->Evaluate(argument, type);
            const double twice = argument.AsNumber() * 2;
            std::memcpy(valueBuffer, &twice, sizeof twice);
            *typeOut = 'N';
        } else if (name == "GREET") {
            std::strcpy(reinterpret_cast<char*>(valueBuffer), "hi");
            *typeOut = 'C';
        } else if (name == "YES") {
            valueBuffer[0] = 'Y';
            *typeOut = 'L';
        } else if (name == "TODAY2") {
            const int32_t day = static_cast<int32_t>(kMarch15);
            std::memcpy(valueBuffer, &day, sizeof day);
            *typeOut = 'D';
        } else if (name == "WEIRD") {
            *typeOut = 'X';
        } else {
            return -1;
        }
        return 0;
    }
    int finds = 0;
};

class ExprTable : public ::testing::Test {
protected:
    void SetUp() override {
        exprtest::UseTestLocale();
        StartExpressionEngine();
        name_ = dir_.File("people.dbf");
        CreateTable(name_, 0x83,
                    {{"NAME", 'C', 10}, {"LAST", 'C', 20}, {"FIRST", 'C', 15}, {"SALARY", 'N', 10, 2},
                     {"STATE", 'C', 2}, {"HIRED", 'D'}, {"ACTIVE", 'L'}, {"NOTES", 'M'}});
        DVO_dBaseFld t(name_, "", true, false);
        struct Person {
            const char *name, *last, *first;
            double salary;
            const char* state;
            int32_t hired;
            bool active;
            std::string notes;
        };
        const Person people[] = {
            {"Smith", "smith", "John", 60000, "CA", static_cast<int32_t>(kMarch15), true,
             std::string("hello\0world", 11)},
            {"Jones", "Jones", "Ann", 40000, "NY", 0, false, ""},
            {"Brown", "o'brien", "Al", 75000.5, "CA", static_cast<int32_t>(kMarch15) + 1, true, "memo"},
        };
        for (const Person& p : people) {
            t.BlankRecord();
            t.FieldPutN("NAME", p.name);
            t.FieldPutN("LAST", p.last);
            t.FieldPutN("FIRST", p.first);
            t.NumberPutN("SALARY", p.salary);
            t.FieldPutN("STATE", p.state);
            t.DatePutN("HIRED", p.hired);
            t.LogicPutN("ACTIVE", p.active);
            if (!p.notes.empty()) t.MemoWrite(8, p.notes.data(), static_cast<int32_t>(p.notes.size()));
            t.AppendRecord();
        }
        t.GetRecord(2);
        t.DeleteRecord();
    }

    TempDir dir_;
    std::string name_;
};

TEST_F(ExprTable, FieldVariablesByRecord) {
    HostTable t(name_, "", false, true);
    TdvExpUserLink* link = TableUserLink(t);
    ASSERT_NE(link, nullptr);
    struct Row {
        int32_t record;
        Case c;
    };
    const Row rows[] = {
        {1, {"NAME", 3, "Smith     "}},
        {1, {"name + '|'", 3, "Smith     |"}},
        {1, {"SALARY", 4, 60000.0}},
        {3, {"SALARY", 4, 75000.5}},
        {1, {"HIRED", 6, kMarch15}},
        {2, {"HIRED", 6, 0.0}},
        {2, {"EMPTY(HIRED)", 8, true}},
        {1, {"DTOS(HIRED + 1)", 3, "20240316"}},
        {1, {"ACTIVE", 8, true}},
        {2, {"ACTIVE", 8, false}},
        {1, {"NOTES", 3, "hello"}},  // up to the memo's first zero byte
        {2, {"NOTES", 3, ""}},
        {3, {"NOTES", 3, "memo"}},
        {1, {"CUST.NAME", 3, "Smith     "}},
        {1, {"cust.State", 3, "CA"}},
        {1, {"LEN(NAME)", 4, 10.0}},
        {1, {"UPPER(LAST) + FIRST", 3, "SMITH               John           "}},
        {3, {"PROPER(TRIM(LAST))", 3, "O'brien"}},
        {1, {"(SALARY > 50000) .AND. (STATE = 'CA')", 8, true}},
        {2, {"(SALARY > 50000) .AND. (STATE = 'CA')", 8, false}},
        {3, {"(SALARY > 50000) .AND. (STATE = 'CA')", 8, true}},
        {1, {"STATE = 'C*'", 8, true}},
        {1, {"IIF(ACTIVE, SALARY, 0)", 4, 60000.0}},
        {2, {"IIF(ACTIVE, SALARY, 0)", 4, 0.0}},
        {1, {"ACTIVE.AND.ACTIVE", 8, true}},  // a known name ends before the period
        {1, Fails("NAME.AND.ACTIVE", "The two sides of an operation do not match")},
        {1, Fails("NOPE", "There is no function for NOPE")},
        {1, Fails("cust.nope", "There is no function for cust.nope")},
        {1, Fails("FOO(1)", "There is no function for FOO")},
        {1, Fails("SALARY + NAME", "The two sides of an operation do not match")},
    };
    for (const Row& r : rows) {
        t.GetRecord(r.record);
        Check(r.c, Evaluated(r.c.text, link));
    }
}

TEST_F(ExprTable, TableFunctions) {
    HostTable t(name_, "", false, true);
    TdvExpUserLink* link = TableUserLink(t);
    Check(Case{"RECNO()", 4, 0.0}, Evaluated("RECNO()", link));  // nothing read yet
    Check(Case{"BOF()", 8, true}, Evaluated("BOF()", link));
    struct Row {
        int32_t record;
        Case c;
    };
    const Row rows[] = {
        {2, {"RECNO()", 4, 2.0}},
        {2, {"DELETED()", 8, true}},
        {1, {"DELETED()", 8, false}},
        {1, {"EOF()", 8, false}},
        {1, {"TYPE('last')", 3, "C"}},
        {1, {"TYPE('SALARY')", 3, "N"}},
        {1, {"TYPE('HIRED') + TYPE('ACTIVE') + TYPE('NOTES')", 3, "DLM"}},
        {1, {"FIELDNO('LAST')", 4, 2.0}},
        {1, {"FIELDNO('notes')", 4, 8.0}},
        {1, {"FIELDNO('NOPE')", 4, 0.0}},
        {1, {"LEN('NAME')", 4, 4.0}},  // the library's LEN is found first
        {1, Fails("TYPE(1)", "Text needed for Argument 1 of TYPE")},
    };
    for (const Row& r : rows) {
        t.GetRecord(r.record);
        Check(r.c, Evaluated(r.c.text, link));
    }
    t.GetRecord(recreq::kLast);
    t.GetRecord(recreq::kNext);
    Check(Case{"EOF()", 8, true}, Evaluated("EOF()", link));

    TdvExpHandler handler(link, false, "TYPE('NOPE')");
    TdvExpValue value;
    try {
        handler.Evaluate(value);
        ADD_FAILURE() << "TYPE of an unknown field must fail";
    } catch (const EOrdaneError& e) {
        EXPECT_EQ(e.Code(), errcode::kBadFieldName);
    }
}

TEST_F(ExprTable, HostFunctionsThroughTheHook) {
    HostTable t(name_, "", false, true);
    TdvExpUserLink* link = TableUserLink(t);
    t.GetRecord(1);
    const Case cases[] = {
        {"TWICE(21)", 4, 42.0},
        {"twice(SALARY) / 2", 4, 60000.0},
        {"GREET() + '!'", 3, "hi!"},
        {"YES()", 8, true},
        {"TODAY2()", 6, kMarch15},
        {"BROKEN()", 1, Variant()},
        {"WEIRD()", 1, Variant()},
        Fails("NOPE()", "There is no function for NOPE"),
        Fails("RECNO", "There is no function for RECNO"),  // functions need their parentheses
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text, link));

    // A host function joins the link once and is found there afterwards.
    const int before = link->Functions().Count();
    const int findsBefore = t.finds;
    Evaluated("TWICE(1) + TWICE(2)", link);
    EXPECT_EQ(link->Functions().Count(), before);
    EXPECT_EQ(t.finds, findsBefore);

    // The table's own hook answers -1 to everything.
    DVO_dBaseFld plain(name_, "", false, true);
    Check(Fails("TWICE(1)", "There is no function for TWICE"), Evaluated("TWICE(1)", TableUserLink(plain)));
}

TEST_F(ExprTable, KeysFiltersAndNames) {
    DVO_dBaseFld t(name_, "", false, true);
    TdvExpUserLink* link = TableUserLink(t);
    TdvExpHandler key(link, false, "UPPER(LAST) + FIRST");
    EXPECT_EQ(key.CollectNames(lkTableField), "LAST;FIRST;");
    EXPECT_EQ(key.CollectNames(lkUserVariable), "");
    EXPECT_EQ(key.OperandCount(), 3);
    TdvExpHandler filter(link, false, "(SALARY > 50000) .AND. (STATE = 'CA') .AND. (!DELETED())");
    EXPECT_EQ(filter.CollectNames(lkTableField), "SALARY;STATE;");
    EXPECT_EQ(filter.AsText(), "(SALARY>50000).AND.(STATE=\"CA\").AND.(.NOT.DELETED())");

    std::string keys, passed;
    TdvVariant k;
    TdvExpValue v;
    for (int32_t r = 1; r <= t.RecordCount(); ++r) {
        t.GetRecord(r);
        key.EvaluateToKey(k);
        keys += k.AsText() + "|";
        filter.Evaluate(v);
        if (v.AsBoolean()) passed += std::to_string(r);
    }
    EXPECT_EQ(keys, "SMITH               John           |JONES               Ann            |"
                    "O'BRIEN             Al             |");
    EXPECT_EQ(passed, "13");

    TdvExpHandler dateKey(link, false, "HIRED");
    t.GetRecord(2);
    dateKey.EvaluateToKey(k);
    EXPECT_EQ(k.Kind(), vkDate);
    EXPECT_EQ(k.AsDate(), 0);
}

TEST_F(ExprTable, FieldTypesWithoutMappingGiveTheirRawText) {
    const std::string name = dir_.File("vfp.dbf");
    CreateTable(name, 0x30, {{"COUNT", 'I'}, {"NAME", 'C', 4}});
    {
        DVO_dBaseFld t(name, "", true, false);
        t.BlankRecord();
        t.NumberPutN("COUNT", 7);
        t.FieldPutN("NAME", "ab");
        t.AppendRecord();
    }
    DVO_dBaseFld t(name, "", false, true);
    t.GetRecord(1);
    TdvExpUserLink* link = TableUserLink(t);
    const Case cases[] = {
        {"COUNT", 9, std::string("\x07", 1)},  // the raw bytes up to the first zero
        {"COUNT = COUNT", 9, Variant()},        // no operator works on such values
        Fails("COUNT = NAME", "The two sides of an operation do not match"),
        {"LEN(COUNT)", 4, 1.0},
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text, link));
}

TEST_F(ExprTable, LinkListsAndTheSeam) {
    DVO_dBaseFld t(name_, "", false, true);
    TdvDBFExpUserLink* link = TableUserLink(t);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->Table(), &t);
    const char* functions[] = {"RECNO", "DELETED", "BOF", "EOF", "TYPE", "LEN", "FIELDNO"};
    ASSERT_EQ(link->Functions().Count(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(link->Functions().Name(i), functions[i]);
    ASSERT_EQ(link->FieldVars().Count(), 8);
    EXPECT_EQ(link->FieldVars().Name(7), "NOTES");
    EXPECT_EQ(link->FieldVars().Name(8), "");
    EXPECT_EQ(link->FieldVars().Item(8), nullptr);
    EXPECT_EQ(link->FieldVars().Item(0)->LinkKind(), lkTableField);
    EXPECT_EQ(link->FieldVars().Item(0)->Length(), 10);
    EXPECT_EQ(link->FindFieldVar("A.LAST"), link->FieldVars().Item(1));
    EXPECT_EQ(link->FindFieldVar("A.B.LAST"), nullptr);  // one qualifier only
    EXPECT_EQ(link->FindFieldVar("last"), nullptr);      // names arrive upper-cased
    EXPECT_FALSE(link->AddFunction(nullptr));
    EXPECT_FALSE(link->AddFieldVar(nullptr));
    EXPECT_THROW(link->AddTableFunction("NOSUCH"), EOrdaneExpression);
    EXPECT_THROW(link->AddFieldVariable(9), EOrdaneError);

    // Without an installed factory a table has no link; the handler then knows no names.
    SetExpressionLinkFactory(nullptr);
    DVO_dBaseFld bare(name_, "", false, true);
    StartExpressionEngine();
    EXPECT_EQ(TableUserLink(bare), nullptr);
    Check(Fails("NAME", "There is no function for NAME"), Evaluated("NAME", TableUserLink(bare)));
}

}  // namespace
