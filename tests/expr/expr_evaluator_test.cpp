// The tokenizer, the tree builder and the operators: grouping, types, text comparison with wildcards, display
// texts, every parse and evaluation message, and expressions too deep for a naive recursion.
#include "engine/expr/exp_handler.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/expr/exp_functions.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/variant_value.h"
#include "expr_test_support.h"

using exprtest::Case;
using exprtest::Check;
using exprtest::Fails;
using exprtest::Evaluated;

namespace {

class ExprEvaluator : public ::testing::Test {
protected:
    void SetUp() override { exprtest::UseTestLocale(); }
};

const double kMarch15 = TdvDBFDate::EncodeJulian(2024, 3, 15);

TEST_F(ExprEvaluator, OperatorsByType) {
    const Case cases[] = {
        // numbers
        {"1 + 2 * 3", 4, 7.0},
        {"(1 + 2) * 3", 4, 9.0},
        {"10 - 4 - 3", 4, 3.0},
        {"7 / 2", 4, 3.5},
        {"-2 * 3", 4, -6.0},
        {"3 - -2", 4, 5.0},
        {"+4", 4, 4.0},
        {"2 ** 3", 4, 8.0},
        {"2 ^ 0", 4, 1.0},
        {"2 ^ 1", 4, 2.0},
        {"2 ^ 3.9", 4, 8.0},
        {"2 ^ -2", 4, 0.25},
        {"(0 - 2) ^ 3", 4, -8.0},
        {"1 ^ 2000000000", 4, 1.0},
        {"0.5 ^ 4000000000", 4, 0.0},
        {"2 * 3 ^ 2", 4, 18.0},
        {"1.2.3", 4, 0.0},
        {"1.2.3 + 1", 4, 1.0},
        {"1. + 1", 4, 2.0},
        {"- + 1", 4, 1.0},
        // numeric comparisons, symbol and word forms
        {"1 < 2", 8, true},
        {"2 > 2", 8, false},
        {"2 >= 2", 8, true},
        {"2 => 3", 8, false},
        {"2 <= 1", 8, false},
        {"2 =< 3", 8, true},
        {"1 = 1", 8, true},
        {"1 # 2", 8, true},
        {"1 <> 1", 8, false},
        {"1 != 2", 8, true},
        {"1 EQ 1", 8, true},
        {"1 .ne. 1", 8, false},
        {"2 gt 1", 8, true},
        {"2 LT 1", 8, false},
        {"2 .GE. 3", 8, false},
        {"2 LE. 3", 8, true},
        // booleans
        {".T. .AND. .F.", 8, false},
        {".t. AND .t.", 8, true},
        {".F. .OR. .T.", 8, true},
        {".F. or .F.", 8, false},
        {".T. = .T.", 8, true},
        {".T. # .F.", 8, true},
        {".NOT. .F.", 8, true},
        {"!.T.", 8, false},
        {"NOT .T.", 8, false},
        {"not(.F.)", 8, true},
        // text
        {"'AB' + \"CD\" + [EF]", 3, "ABCDEF"},
        {"'AB  ' - 'CD'", 3, "ABCD  "},
        {"'  ' - 'X'", 3, "X  "},
        {"'ABC' $ 'XXABCXX'", 8, true},
        {"'' $ 'ABC'", 8, false},
        {"'ABD' $ 'XXABCXX'", 8, false},
        // dates: the right operand's type wins
        {"{20240315}", 6, kMarch15},
        {"{20240315} + 1", 4, kMarch15 + 1},
        {"1 + {20240315}", 6, kMarch15 + 1},
        {"{20240316} - {20240315}", 6, 1.0},
        {"{20240315} > {20240314}", 8, true},
        {"{15/03/2024} = {20240315}", 8, true},
        {"{}", 6, 0.0},
        // groups
        {"(1)", 4, 1.0},
        {"((((2))))", 4, 2.0},
        {"()", 1, Variant()},
        {"('(' + ')')", 3, "()"},
        {"(')' = ')')", 8, true},
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text));
}

TEST_F(ExprEvaluator, OperatorLevelsGroupAsStored) {
    // .AND. and .OR. bind tighter than the comparisons and .NOT. loosest of all.
    const Case cases[] = {
        {".F. = .T. .OR. .T.", 8, false},  // .F. = (.T. .OR. .T.)
        {".T. = .F. .AND. .F.", 8, false},  // .T. = (.F. .AND. .F.)
        {".NOT. 1 = 2", 8, true},          // .NOT. (1 = 2)
        {"(1 = 1) .AND. (2 = 2)", 8, true},
        Fails("1 = 1 .AND. 2 = 2", "A assigned value is required but invalid"),  // 1 = (1 .AND. 2) = 2
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text));

    TdvExpHandler handler(nullptr, false, "1 = 2 .AND. 3 = 4");
    const TdvExpBaseObject* root = handler.Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Token(), "=");
    ASSERT_NE(root->Left(), nullptr);
    EXPECT_EQ(root->Left()->Token(), "=");
    ASSERT_NE(root->Left()->Right(), nullptr);
    EXPECT_EQ(root->Left()->Right()->Token(), ".AND.");
    EXPECT_EQ(root->Left()->Right()->AsText(), "2.AND.3");
}

TEST_F(ExprEvaluator, TextComparison) {
    const Case cases[] = {
        {"'ABC  ' = 'ABC'", 8, true},
        {"'ABC' = 'ABC  '", 8, true},
        {"'AB' = 'ABC'", 8, false},
        {"'ABC' = 'AB'", 8, false},
        {"'AB' < 'ABC'", 8, true},
        {"'B' > 'AZ'", 8, true},
        {"'' = ''", 8, true},
        {"'' < 'A'", 8, true},
        {"'A' > ''", 8, true},
        {"'   ' = ''", 8, false},  // a blank text is not an empty one
        {"'abc' = 'ABC'", 8, false},
        // the multi-character wildcard, partial match being on by default
        {"'ABC' = 'AB*'", 8, true},
        {"'X' = '*'", 8, true},
        {"'' = '*'", 8, false},
        {"'ABC' = '*BC'", 8, true},
        {"'ABC' = '*B'", 8, false},
        {"'ABCB' = '*B'", 8, true},
        {"'XABCX' = '*BC*'", 8, true},
        {"'XABCX' = '*BD*'", 8, false},
        {"'ABC' # 'AB*'", 8, false},
        {"'ABC' = 'A*C'", 8, false},  // a wildcard inside the text is an ordinary character
        {"'AB*' = 'AB'", 8, false},   // only the right side's wildcards count
        {"'ABC' = 'AB%'", 8, false},
        {"'abc' = 'AB*'", 8, false},
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text));
}

TEST_F(ExprEvaluator, ComparisonOptions) {
    struct Row {
        bool sql, caseInsensitive, partial;
        std::string text;
        bool expected;
    };
    const Row rows[] = {
        {false, false, false, "'ABC' = 'AB*'", false},
        {false, false, false, "'X' = '*'", false},
        {false, true, true, "'abc' = 'ABC'", true},
        {false, true, true, "'abc' = 'AB*'", true},
        {false, true, true, "'xabcx' = '*BC*'", true},
        {false, true, false, "'abc' < 'ABD'", true},
        {true, false, true, "'ABC' = 'AB%'", true},
        {true, false, true, "'ABC' = '%BC'", true},
        {true, false, true, "'ABC' = 'AB*'", false},
        {true, false, true, "'X' = '%'", true},
    };
    for (const Row& r : rows) {
        TdvExpHandler handler(nullptr, r.sql);
        handler.SetCaseInsensitive(r.caseInsensitive);
        handler.SetPartialMatch(r.partial);
        Check(Case{r.text, 8, r.expected}, Evaluated(handler, r.text));
    }
    TdvExpHandler sql(nullptr, true);
    EXPECT_EQ(sql.MultiWildcard(), '%');
    EXPECT_EQ(sql.SingleWildcard(), '_');
    TdvExpHandler plain;
    EXPECT_EQ(plain.MultiWildcard(), '*');
    EXPECT_TRUE(plain.PartialMatch());
    EXPECT_FALSE(plain.CaseInsensitive());
}

TEST_F(ExprEvaluator, ParseAndEvaluationMessages) {
    const Case cases[] = {
        Fails("(1 + 2", "Missing closing parentheses"),
        Fails("((1)", "Missing closing parentheses"),
        Fails("UPPER('a'", "Missing closing parentheses"),
        Fails("UPPER(')'", "Missing closing parentheses"),
        Fails(".T", "Missing closing period"),
        Fails("'ABC", "Missing closing \"'\" on literal"),
        Fails("\"ABC", "Missing closing \"\"\" on literal"),
        Fails("[ABC", "Missing closing \"[\" on literal"),
        Fails("{20240315", "Missing closing \"{\" on literal"),
        Fails(".X.", "Expecting \".T.\" or \".F.\""),
        Fails("1 2", "Syntax Error in expression \"1 2\""),
        Fails("1 ! 2", "Syntax Error in expression \"1 ! 2\""),
        Fails("1 =* 2", "Syntax Error in expression \"1 =* 2\""),
        Fails("1 AN 2", "Syntax Error in expression \"1 AN 2\""),
        Fails("1 + )", "Syntax Error in expression \"1 + )\""),
        Fails("!!.T.", "Syntax Error in expression \"!!.T.\""),
        Fails("1 +", "Target value missing for + operation"),
        Fails("NOT", "Target value missing for .NOT. operation"),
        // An operator takes a following .NOT. before .NOT. has taken its operand: parenthesise it.
        Fails("1 + !2", "Expression cannot be evaluated"),
        Fails(".T. .AND. .NOT. .F.", "Expression cannot be evaluated"),
        Fails("1 + 'A'", "The two sides of an operation do not match"),
        Fails("'A' = .T.", "The two sides of an operation do not match"),
        Fails("() = 1", "The two sides of an operation do not match"),
        Fails(".NOT. 5", "A assigned value is required but invalid"),
        Fails(".NOT. 'A'", "A assigned value is required but invalid"),
        Fails(".T. + .T.", "A number value is required but invalid"),
        Fails(".T. ^ .T.", "A number value is required but invalid"),
        Fails(".T. > .F.", "A assigned value is required but invalid"),
        Fails(".T. $ .F.", "A assigned value is required but invalid"),
        Fails("1 $ 2", "A assigned value is required but invalid"),
        Fails("1 .AND. 2", "A assigned value is required but invalid"),
        Fails("'a' * 'b'", "A assigned value is required but invalid"),
        Fails("'a' .OR. 'b'", "A assigned value is required but invalid"),
        Fails("'a' == 'a'", "A assigned value is required but invalid"),
        Fails("1 == 1", "A assigned value is required but invalid"),
        Fails("1 / 0", "A non-zero value is required but invalid"),
        Fails("0 ^ -1", "A non-zero value is required but invalid"),
        Fails("10 ^ 400", "A finite value is required but invalid"),
        Fails("FOO", "There is no function for FOO"),
        Fails("foo(1)", "There is no function for FOO"),
        Fails("NOTE", "There is no function for NOTE"),  // NOT only as a word of its own
        Fails("NOT_DONE", "There is no function for NOT_DONE"),
        Fails("NOT1", "There is no function for NOT1"),
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text));
}

TEST_F(ExprEvaluator, DateLiteralThatIsNoDateRaisesConversionError) {
    EXPECT_THROW(TdvExpHandler(nullptr, false, "{31/02/2024}"), EConvertError);
    EXPECT_THROW(TdvExpHandler(nullptr, false, "{xyz}"), EConvertError);
}

TEST_F(ExprEvaluator, DisplayTextsAndOperandCount) {
    struct Row {
        std::string text, shown;
        int operands;
    };
    const Row rows[] = {
        {"1+2", "1+2", 2},
        {"  1  +  2  ", "1+2", 2},
        {"'a' + \"b\" + [c]", "\"a\"+\"b\"+\"c\"", 3},
        {"(1 + 2.50) * 3", "(1+2.50)*3", 3},
        {"1.2.3", "0.000", 1},
        {"-7", "-7", 1},
        {".t. .and. .f. or .T.", ".T..AND..F..OR..T.", 3},
        {"!.T. .OR. .F.", ".NOT..T..OR..F.", 2},
        {"1 <> 2 .OR. 1 != 2", "1#2.OR.1#2", 4},
        {"1 => 2", "1>=2", 2},
        {"1 =< 2", "1<=2", 2},
        {"2 ** 3", "2^3", 2},
        {"'a' $ 'b'", "\"a\"in string\"b\"", 2},
        {"'a' == 'b'", "\"a\"exactly equal\"b\"", 2},
        {"UPPER( 'x' ) + LEFT('ab' , 1)", "UPPER(\"x\")+LEFT(\"ab\",1)", 5},
        {"SUBSTR('abc',,2)", "SUBSTR(\"abc\",2)", 3},  // empty arguments are skipped
        {"DATE()", "DATE()", 1},
        {"{20240315}", "{15/03/2024}", 1},
        {"()", "()", 0},
        {"", "", 0},
    };
    for (const Row& r : rows) {
        TdvExpHandler handler(nullptr, false, r.text);
        EXPECT_EQ(handler.AsText(), r.shown) << r.text;
        EXPECT_EQ(handler.OperandCount(), r.operands) << r.text;
    }
}

TEST_F(ExprEvaluator, SetExpressionReplacesTheTree) {
    TdvExpHandler handler(nullptr, false, "1 + 2");
    TdvExpValue value;
    handler.Evaluate(value);
    EXPECT_EQ(handler.ResultType(), 4);
    EXPECT_EQ(handler.OperandCount(), 2);

    handler.SetExpression("");
    EXPECT_EQ(handler.Root(), nullptr);
    EXPECT_EQ(handler.ResultType(), 0);
    EXPECT_EQ(handler.OperandCount(), 0);
    handler.Evaluate(value);
    EXPECT_TRUE(value.IsNull());
    EXPECT_EQ(handler.ResultType(), 0);

    handler.SetExpression("'x'");
    EXPECT_THROW(handler.SetExpression("(1"), EOrdaneExpression);
    EXPECT_EQ(handler.Root(), nullptr);  // a failed text leaves no tree behind
    EXPECT_EQ(handler.OperandCount(), 0);

    Variant v;
    handler.SetExpression("'a' + 'b'");
    handler.Evaluate(v);
    EXPECT_EQ(v.AsString(), "ab");
}

TEST_F(ExprEvaluator, EvaluateToKey) {
    struct Row {
        std::string text;
        TdvVariantKind kind;
        int resultType;
    };
    const Row rows[] = {
        {"'abc'", vkText, 3}, {"1.5", vkNumber, 4}, {"{20240315}", vkDate, 6}, {".T.", vkBoolean, 8},
        {"CTOD('')", vkDate, 6}, {"DESCEND(CTOD(''))", vkDate, 6},
    };
    for (const Row& r : rows) {
        TdvExpHandler handler(nullptr, false, r.text);
        TdvVariant key;
        handler.EvaluateToKey(key);
        EXPECT_EQ(key.Kind(), r.kind) << r.text;
        EXPECT_EQ(handler.ResultType(), r.resultType) << r.text;
    }
    TdvVariant key;
    TdvExpHandler handler(nullptr, false, "'ab' + 'c'");
    handler.EvaluateToKey(key);
    EXPECT_EQ(key.AsText(), "abc");
    handler.SetExpression("{20240315} + 0.75");
    handler.EvaluateToKey(key);
    EXPECT_EQ(key.Kind(), vkNumber);
    handler.SetExpression("1 + {20240315}");
    handler.EvaluateToKey(key);
    EXPECT_EQ(key.AsDate(), static_cast<int32_t>(kMarch15) + 1);

    // The empty-date marker and days beyond 32 bits become the empty date, never a wrapped day.
    for (const char* text : {"CTOD('')", "3000000000 + {20240315}", "-3000000000 + {20240315}"}) {
        TdvExpHandler h(nullptr, false, text);
        TdvVariant k;
        k.SetText("unchanged");
        h.EvaluateToKey(k);
        EXPECT_EQ(k.Kind(), vkDate) << text;
        EXPECT_EQ(k.AsDate(), 0) << text;
    }

    // No tree: empty text. A group without a value: the key stays.
    TdvExpHandler empty;
    key.SetNumber(5);
    empty.EvaluateToKey(key);
    EXPECT_EQ(key.Kind(), vkText);
    EXPECT_EQ(key.Size(), 0);
    EXPECT_EQ(empty.ResultType(), 0);
    TdvExpHandler nothing(nullptr, false, "()");
    key.SetNumber(5);
    nothing.EvaluateToKey(key);
    EXPECT_EQ(key.AsNumber(), 5);
    EXPECT_EQ(nothing.ResultType(), 1);
}

TEST_F(ExprEvaluator, DeepNestingIsRefusedOrEvaluatedWithoutExhaustingTheStack) {
    auto nested = [](int depth, const std::string& open, const std::string& inner, const std::string& close) {
        std::string text;
        for (int i = 0; i < depth; ++i) text += open;
        text += inner;
        for (int i = 0; i < depth; ++i) text += close;
        return text;
    };
    auto chain = [](int count, const std::string& op) {
        std::string text = "1";
        for (int i = 0; i < count; ++i) text += op + "1";
        return text;
    };
    const std::string tooDeep = "Expression cannot be evaluated: nested deeper than 1000 levels";
    const Case cases[] = {
        {nested(900, "(", "1", ")"), 4, 1.0},
        {chain(900, "+"), 4, 901.0},
        {chain(900, "*"), 4, 1.0},
        {nested(400, "UPPER(", "'a'", ")"), 3, "A"},
        {nested(450, "!(", ".T.", ")"), 8, true},
        Fails(nested(10000, "(", "1", ")"), tooDeep),
        Fails(nested(10000, "(", "1", ""), tooDeep),
        Fails(chain(10000, "+"), tooDeep),
        Fails(chain(10000, " .AND. "), tooDeep),
        Fails(nested(10000, "UPPER(", "'a'", ")"), tooDeep),
        Fails(nested(10000, "!(", ".T.", ")"), tooDeep),
        Fails(nested(600, "(", chain(600, "+"), ")"), tooDeep),
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text));
}

TEST_F(ExprEvaluator, HugeNestingIsRefusedBeforeItIsRead) {
    const std::string text = std::string(1 << 20, '(') + "1" + std::string(1 << 20, ')');
    EXPECT_THROW(TdvExpHandler(nullptr, false, text), EOrdaneExpression);
}

}  // namespace
