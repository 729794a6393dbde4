// A tree evaluated again over records it has already seen allocates nothing: the values it writes keep their
// buffers. Linked with the allocation counter, which replaces operator new for this program.
#include <gtest/gtest.h>

#include <string>

#include "alloc_counter.h"
#include "engine/expr/exp_handler.h"
#include "engine/expr/table_bindings.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/variant_value.h"
#include "expr_test_support.h"
#include "temp_dir.h"

namespace {

TEST(ExprAllocation, RepeatedEvaluationAllocatesNothing) {
    exprtest::UseTestLocale();
    StartExpressionEngine();
    TempDir dir;
    const std::string name = dir.File("staff.dbf");
    CreateTable(name, 0x03,
                {{"LAST", 'C', 30}, {"FIRST", 'C', 25}, {"SALARY", 'N', 12, 2}, {"STATE", 'C', 2}, {"HIRED", 'D'},
                 {"ACTIVE", 'L'}});
    {
        DVO_dBaseFld t(name, "", true, false);
        const char* lasts[] = {"Castellano-Rivera de la Vega", "o'brien", "Smith"};
        for (int i = 0; i < 3; ++i) {
            t.BlankRecord();
            t.FieldPutN("LAST", lasts[i]);
            t.FieldPutN("FIRST", i == 1 ? "Jean-Baptiste Emmanuel" : "Al");
            t.NumberPutN("SALARY", 40000 + i * 15000);
            t.FieldPutN("STATE", i == 2 ? "NY" : "CA");
            t.DatePutN("HIRED", TdvDBFDate::EncodeJulian(2020 + i, 1 + i, 10));
            t.LogicPutN("ACTIVE", i != 1);
            t.AppendRecord();
        }
    }
    DVO_dBaseFld t(name, "", false, true);
    const char* expressions[] = {
        "(SALARY > 50000) .AND. (STATE = 'CA')",
        "UPPER(LAST) + FIRST",
        "SUBSTR(LAST, 2, 12) + DTOS(HIRED) + LOWER(FIRST)",
        "IIF(ACTIVE, PADR(TRIM(LAST), 40, '.'), SPACE(40)) - FIRST",
        "PROPER(ALLTRIM(LAST)) $ \"xx Smith O'brien\"",
        "STRTRAN(LAST, 'a', 'AAA') + SOUNDEX(LAST) + RIGHT(FIRST, 3) + LEFT(LAST, 4)",
        "DESCEND(UPPER(LAST)) + CHR(65 + MOD(RECNO(), 3))",
        "AT('a', LAST, 2) + ATC('E', FIRST) + LEN(LAST) + VAL(STATE) + ASC(FIRST) + INT(SALARY / 7)",
        "BETWEEN(SALARY, 45000, 60000) .OR. EMPTY(HIRED) .OR. (DOW(HIRED) = 1)",
        "(LAST = 'Cast*') .OR. (LAST = '*Vega') .OR. (FIRST = '*Bapt*')",
        "DESCEND(HIRED) + CEILING(SALARY) + FLOOR(SALARY) + 2 ^ 10 + RECNO()",
        "PADC(LAST, 35) + PADL(FIRST, 30, '*') + LTRIM(RTRIM(FIRST))",
    };
    for (const char* text : expressions) {
        for (bool caseInsensitive : {false, true}) {
            TdvExpHandler handler(TableUserLink(t));
            handler.SetCaseInsensitive(caseInsensitive);
            handler.SetExpression(text);
            TdvExpValue value;
            TdvVariant key;
            auto pass = [&] {
                for (int32_t r = 1; r <= t.RecordCount(); ++r) {
                    t.GetRecord(r);
                    alloccount::Start();
                    handler.Evaluate(value);
                    handler.EvaluateToKey(key);
                    const int64_t allocations = alloccount::Stop();
                    EXPECT_EQ(allocations, 0) << text << " record " << r;
                }
            };
            for (int32_t r = 1; r <= t.RecordCount(); ++r) {  // warm-up: every buffer reaches its size
                t.GetRecord(r);
                handler.Evaluate(value);
                handler.EvaluateToKey(key);
            }
            pass();
        }
    }
}

}  // namespace
