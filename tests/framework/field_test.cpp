// Field objects over the in-memory data set: text conversions per type, range and format errors, null
// handling, transliteration, memo contents through the blob stream, and the write guards.
#include <gtest/gtest.h>

#include <memory>

#include "memory_data_set.h"

namespace {

std::unique_ptr<MemoryDataSet> MakeAllTypes() {
    return std::make_unique<MemoryDataSet>(std::vector<MemoryDataSet::Column>{
        {"S", ftString, 5}, {"SI", ftSmallint, 0}, {"I", ftInteger, 0}, {"F", ftFloat, 0}, {"B", ftBoolean, 0},
        {"D", ftDate, 0}, {"DT", ftDateTime, 0}, {"M", ftMemo, 0}});
}

struct Fields : ::testing::Test {
    std::unique_ptr<MemoryDataSet> ds = MakeAllTypes();
    void SetUp() override {
        FormatSettings() = TFormatSettings();
        ds->Open();
        ds->Append();
    }
    TField& F(const char* name) { return ds->FieldByName(name); }
};

TEST_F(Fields, TextRoundTripsPerType) {
    struct Case {
        const char* field;
        const char* input;
        const char* text;
    };
    const Case cases[] = {
        {"S", "abc", "abc"},          {"S", "abcdefg", "abcde"},  // cut to the field size
        {"SI", "-32768", "-32768"},   {"SI", " 42 ", "42"},        {"I", "2147483647", "2147483647"},
        {"F", "1.5", "1.5"},          {"F", "-2e3", "-2000"},      {"F", "0.1", "0.1"},
        {"B", "t", "True"},           {"B", "FALSE", "False"},     {"B", "Tr", "True"},
        {"D", "2/29/2024", "2/29/2024"}, {"D", "12/31/9999", "12/31/9999"}, {"D", "1/2/49", "1/2/2049"},
        {"DT", "1/2/2000 13:45:10", "1/2/2000 13:45:10"}, {"DT", "1/2/2000", "1/2/2000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- '" + c.input + "'");
        F(c.field).SetAsString(c.input);
        EXPECT_EQ(F(c.field).AsString(), c.text);
        EXPECT_EQ(F(c.field).DisplayText(), c.text);
        EXPECT_FALSE(F(c.field).IsNull());
    }
    F("D").SetAsString("2/29/2024");
    EXPECT_DOUBLE_EQ(F("D").AsDateTime(), 45351.0);
    F("DT").SetAsDateTime(45351.75);
    EXPECT_EQ(F("DT").AsString(), "2/29/2024 18:00:00");
    EXPECT_DOUBLE_EQ(F("DT").AsDateTime(), 45351.75);
    F("DT").SetAsDateTime(-1.25);  // before the origin the fraction still counts from midnight
    EXPECT_EQ(F("DT").AsString(), "12/29/1899 06:00:00");
}

TEST_F(Fields, BadTextIsRefusedWithTheFieldsMessage) {
    struct Case {
        const char* field;
        const char* input;
        const char* message;
    };
    const Case cases[] = {
        {"SI", "40000", "40000 is not a valid value for field 'SI'. The allowed range is -32768 to 32767"},
        {"I", "2147483648", "2147483648 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647"},
        {"I", "12a", "'12a' is not a valid integer value for field 'I'"},
        {"F", "1,5", "'1,5' is not a valid floating point value for field 'F'"},
        {"F", "nan", "'nan' is not a valid floating point value for field 'F'"},
        {"B", "maybe", "'maybe' is not a valid boolean value for field 'B'"},
        {"D", "2/30/2024", "'2/30/2024' is not a valid date"},
        {"D", "13/1/2024", "'13/1/2024' is not a valid date"},
        {"D", "1/1/10000", "'1/1/10000' is not a valid date"},
        {"DT", "1/2/2000 25:00", "'1/2/2000 25:00' is not a valid date and time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- '" + c.input + "'");
        F(c.field).SetAsString("");
        try {
            F(c.field).SetAsString(c.input);
            ADD_FAILURE() << "accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_TRUE(F(c.field).IsNull());  // the old value stays
    }
    EXPECT_THROW(F("I").SetAsFloat(3e10), EDatabaseError);
    EXPECT_THROW(F("DT").SetAsDateTime(1e12), EDatabaseError);
    TIntegerField& bounded = static_cast<TIntegerField&>(F("I"));
    bounded.SetMinValue(1);
    bounded.SetMaxValue(9);
    EXPECT_THROW(bounded.SetAsInteger(10), EDatabaseError);
    bounded.SetAsFloat(8.6);
    EXPECT_EQ(bounded.AsInteger(), 9);
}

TEST_F(Fields, NullsAndVariants) {
    EXPECT_TRUE(F("I").IsNull());
    EXPECT_EQ(F("I").AsString(), "");
    EXPECT_EQ(F("I").AsInteger(), 0);
    EXPECT_TRUE(F("I").AsVariant().IsNull());
    F("I").SetAsVariant(Variant(7));
    EXPECT_EQ(F("I").AsVariant(), Variant(7));
    F("B").SetAsVariant(Variant(true));
    EXPECT_EQ(F("B").AsVariant(), Variant(true));
    F("S").SetAsVariant(Variant("xy"));
    EXPECT_EQ(F("S").AsVariant(), Variant("xy"));
    F("I").SetAsVariant(Variant());
    EXPECT_TRUE(F("I").IsNull());
    F("S").SetAsString("12");
    EXPECT_EQ(F("S").AsInteger(), 12);
    F("S").SetAsString("x");
    EXPECT_THROW(F("S").AsInteger(), EDatabaseError);
    EXPECT_THROW(F("B").AsDateTime(), EDatabaseError);  // no such conversion
    ds->SetFields({"a", 1, 2});
    EXPECT_EQ(F("SI").AsInteger(), 1);
    EXPECT_THROW(ds->SetFields(Variant::Array(9, Variant(1))), EDatabaseError);
    EXPECT_EQ(ds->FieldValues("S;I"), Variant(Variant::Array{Variant("a"), Variant(2)}));
}

TEST_F(Fields, StringsPassThroughTranslate) {
    ds->Cancel();
    ds->SetTranslate(true);
    ds->Append();
    F("S").SetAsString("Hello");
    ds->Post();
    EXPECT_EQ(ds->RawText(0, 0), "Uryyb");  // stored in the table's form
    EXPECT_EQ(F("S").AsString(), "Hello");
    static_cast<TStringField&>(F("S")).SetTransliterate(false);
    EXPECT_EQ(F("S").AsString(), "Uryyb");
}

TEST_F(Fields, MemoContentsGoThroughTheBlobStream) {
    TBlobField& memo = static_cast<TBlobField&>(F("M"));
    EXPECT_TRUE(memo.IsNull());
    EXPECT_EQ(memo.DisplayText(), "(memo)");
    EXPECT_EQ(memo.BlobSize(), 0);
    memo.SetAsString("some text");
    EXPECT_TRUE(memo.Modified());
    EXPECT_EQ(memo.AsString(), "some text");
    EXPECT_EQ(memo.DisplayText(), "(MEMO)");
    EXPECT_EQ(memo.EditText(), "some text");
    ds->Post();
    EXPECT_EQ(memo.AsString(), "some text");
    TMemoryStream out;
    memo.SaveToStream(out);
    EXPECT_EQ(out.Size(), 9);
    EXPECT_THROW(memo.SetAsString("browse"), EDatabaseError);  // not editing
}

TEST_F(Fields, WritesAreGuarded) {
    ds->Cancel();
    try {
        F("I").SetAsInteger(1);
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
    }
    ds->Append();
    F("S").SetReadOnly(true);
    try {
        F("S").SetAsString("x");
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'S' cannot be modified");
    }
    EXPECT_FALSE(F("S").CanModify());
    EXPECT_TRUE(F("I").CanModify());

    // OnValidate sees the proposed value and can refuse it; the record keeps the old one.
    F("I").SetAsInteger(5);
    std::vector<int> seen;
    F("I").OnValidate = [&](TField& f) {
        seen.push_back(f.AsInteger());
        if (f.AsInteger() < 0) throw EDatabaseError("negative");
    };
    F("I").SetAsInteger(6);
    EXPECT_THROW(F("I").SetAsInteger(-1), EDatabaseError);
    EXPECT_EQ(seen, (std::vector<int>{6, -1}));
    EXPECT_EQ(F("I").AsInteger(), 6);

    F("I").SetRequired(true);
    F("I").Clear();
    try {
        ds->Post();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'I' must have a value");
    }
    EXPECT_EQ(ds->State(), dsInsert);

    TIntegerField loose;
    loose.SetFieldName("X");
    try {
        (void)loose.AsInteger();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'X' has no dataset");
    }
}

TEST_F(Fields, DisplayPropertiesAndValidCharacters) {
    EXPECT_EQ(F("S").DisplayWidth(), 5);
    EXPECT_EQ(F("I").DisplayWidth(), 11);
    EXPECT_EQ(F("I").Alignment(), taRightJustify);
    EXPECT_EQ(F("S").Alignment(), taLeftJustify);
    EXPECT_EQ(F("S").DisplayLabel(), "S");
    F("S").SetDisplayLabel("Title");
    EXPECT_EQ(F("S").DisplayLabel(), "Title");
    F("S").SetIndex(3);
    EXPECT_EQ(F("S").Index(), 3);
    EXPECT_EQ(&ds->Fields()[3], &F("S"));
    for (char c : {'0', '9', '-', '+'}) EXPECT_TRUE(F("I").IsValidChar(c)) << c;
    for (char c : {'a', '.', ' '}) EXPECT_FALSE(F("I").IsValidChar(c)) << c;
    for (char c : {'.', 'e', '5'}) EXPECT_TRUE(F("F").IsValidChar(c)) << c;
    EXPECT_TRUE(F("S").IsValidChar('%'));
    EXPECT_THROW(ds->Fields()[99], EDatabaseError);
    EXPECT_THROW(ds->FieldByName("NONE"), EDatabaseError);
    EXPECT_EQ(ds->FindField("none"), nullptr);
}

TEST(FieldDefs, NamesAreUniqueAndCaseInsensitive) {
    TFieldDefs defs(nullptr);
    defs.Add("Title", ftString, 55);
    EXPECT_THROW(defs.Add("TITLE", ftString, 10), EDatabaseError);
    EXPECT_THROW(defs.Add("", ftInteger), EDatabaseError);
    EXPECT_EQ(defs.Find("title").size, 55);
    EXPECT_EQ(defs.Find("title").fieldNo, 1);
    EXPECT_THROW(defs.Find("other"), EDatabaseError);
    EXPECT_THROW(defs[1], EDatabaseError);
}

}  // namespace
