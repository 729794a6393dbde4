// The memo blob stream through the data set: loading, reading, writing, truncating, code-page translation and
// the write-back into the memo file.
#include "engine/cursor/blob_stream.h"

#include <gtest/gtest.h>

#include <cstring>

#include "data_set_fixture.h"
#include "engine/storage/errors.h"
#include "framework/data/db_error.h"
#include "framework/data/field.h"
#include "temp_dir.h"

namespace {

class MemoTable : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTable(dir.File("NOTES.DBF"), 0x83, {{"NAME", 'C', 8}, {"NOTES", 'M', 10}},
                  {{{"NAME", "ONE"}}, {{"NAME", "TWO"}}});
        ds = DataSetOn(dir.Path(), "NOTES");
        ds->Open();
        notes = dynamic_cast<TBlobField*>(&ds->FieldByName("NOTES"));
        ASSERT_NE(notes, nullptr);
    }
    // The memo bytes as the table stores them for record n.
    std::string Stored(int32_t n) {
        DBFObject& h = *ds->Handler();
        h.GetRecord(n);
        const int32_t field = h.FieldNumber("NOTES");
        std::string bytes(static_cast<size_t>(h.MemoSize(field)), '\0');
        h.MemoRead(field, bytes.data(), static_cast<int32_t>(bytes.size()));
        return bytes;
    }
    void Assign(const std::string& text) {
        ds->Edit();
        notes->SetAsString(text);
        ds->Post();
    }
    TempDir dir;
    std::unique_ptr<TOrdaneDataSet> ds;
    TBlobField* notes = nullptr;
};

TEST_F(MemoTable, MemoTextIsTranslatedBothWaysAndSurvivesPosting) {
    EXPECT_EQ(notes->DataType(), ftMemo);
    EXPECT_TRUE(notes->IsNull());
    EXPECT_EQ(notes->AsString(), "");

    Assign(std::string("Gr\xFC\xDF \0 \xFC", 7));  // an embedded zero byte does not stop the translation
    EXPECT_FALSE(notes->IsNull());
    EXPECT_EQ(notes->AsString(), std::string("Gr\xFC\xDF \0 \xFC", 7));
    EXPECT_EQ(Stored(1), std::string("Gr\x81\xE1 \0 \x81", 7));

    ds->SetTranslateASCII(false);
    EXPECT_EQ(notes->AsString(), std::string("Gr\x81\xE1 \0 \x81", 7));
    ds->SetTranslateASCII(true);

    // An empty text writes an empty memo: block number 0 again.
    Assign("");
    EXPECT_TRUE(notes->IsNull());
    ds->Handler()->GetRecord(1);
    EXPECT_EQ(ds->Handler()->NumberGetN("NOTES"), 0);
    ds->Next();
    EXPECT_TRUE(notes->IsNull());  // the other record never had a memo
}

TEST_F(MemoTable, ReadWriteSeekAndTruncateOnTheCopy) {
    Assign("0123456789");
    {
        auto s = ds->CreateBlobStream(*notes, bmRead);
        char buffer[100] = {};
        EXPECT_EQ(s->Size(), 10);
        EXPECT_EQ(s->Read(buffer, 100), 10);
        EXPECT_EQ(std::string(buffer, 10), "0123456789");
        EXPECT_EQ(s->Read(buffer, 100), 0);
        EXPECT_EQ(s->Seek(-3, TSeekOrigin::soFromEnd), 7);
        EXPECT_EQ(s->Read(buffer, 2), 2);
        EXPECT_EQ(std::string(buffer, 2), "78");
        EXPECT_EQ(s->Seek(-20, TSeekOrigin::soFromCurrent), -11);
        EXPECT_EQ(s->Read(buffer, 5), 0);  // a position before the start reads nothing
        EXPECT_THROW(s->Write("x", 1), EStreamError);
    }
    ds->Edit();
    {
        auto s = ds->CreateBlobStream(*notes, bmReadWrite);
        s->SetPosition(0);
        EXPECT_EQ(s->Write("ab", 2), 2);
        EXPECT_EQ(s->Size(), 2);  // what followed the written bytes is dropped
        s->SetPosition(4);
        EXPECT_EQ(s->Write("cd", 2), 2);  // a gap is zero-filled
        EXPECT_EQ(s->Size(), 6);
    }
    ds->Post();
    EXPECT_EQ(notes->AsString(), std::string("ab\0\0cd", 6));
    ds->Edit();
    {
        auto s = ds->CreateBlobStream(*notes, bmReadWrite);
        s->SetSize(3);
        EXPECT_EQ(s->Size(), 3);
    }
    ds->Post();
    EXPECT_EQ(notes->AsString(), std::string("ab\0", 3));
}

TEST_F(MemoTable, WritingNeedsEditStateAndAWritableField) {
    EXPECT_EQ(Message([&] { ds->CreateBlobStream(*notes, bmWrite); }), dbmsg::NotEditing);
    EXPECT_EQ(Message([&] { ds->CreateBlobStream(*notes, bmReadWrite); }), dbmsg::NotEditing);
    ds->Edit();
    notes->SetReadOnly(true);
    EXPECT_EQ(Message([&] { ds->CreateBlobStream(*notes, bmWrite); }), "Field 'NOTES' cannot be modified");
    notes->SetReadOnly(false);
    {
        // Changed, but the edit is cancelled before the stream goes away: nothing is written.
        auto s = ds->CreateBlobStream(*notes, bmWrite);
        s->Write("lost", 4);
        ds->Cancel();
    }
    EXPECT_TRUE(notes->IsNull());
    EXPECT_EQ(ds->Handler()->MemoSize(ds->Handler()->FieldNumber("NOTES")), 0);

    // A memo assigned to a new record is stored with it.
    ds->Append();
    ds->FieldByName("NAME").SetAsString("THREE");
    notes->SetAsString("third");
    ds->Post();
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(notes->AsString(), "third");
    EXPECT_EQ(Stored(3), "third");
}

TEST_F(MemoTable, AWriteBackThatFailsRefusesThePost) {
    ds->Close();
    std::remove(dir.File("NOTES.DBT").c_str());
    ds->Open();
    ds->Edit();
    notes = dynamic_cast<TBlobField*>(&ds->FieldByName("NOTES"));  // default fields are made anew
    notes->SetAsString("kept?");  // the stream cannot raise as it goes away
    EXPECT_THROW(ds->Post(), EOrdaneError);
    EXPECT_EQ(ds->State(), dsEdit);
    ds->Cancel();
    EXPECT_EQ(ds->Handler()->LockCount(), 0);
    EXPECT_TRUE(notes->IsNull());
}

}  // namespace
