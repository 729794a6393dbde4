#include "handler_fixture.h"

#include "engine/expr/table_bindings.h"
#include "engine/index/ndx_file.h"
#include "engine/storage/dbf_create.h"

void MakePeopleTable(const std::string& path, const std::vector<PersonRow>& rows) {
    StartExpressionEngine();
    CreateTable(path, 0x03, {{"LAST", 'C', 10}, {"FIRST", 'C', 10}, {"CITY", 'C', 10}, {"CODE", 'N', 6}});
    DVO_dBHandler table(path, "", true, false);
    for (const PersonRow& row : rows) {
        AppendPerson(table, row);
        if (row.deleted) table.DeleteRecord();
    }
}

std::unique_ptr<DVO_dBHandler> OpenPeople(const std::string& path, bool shared, const std::string& password) {
    StartExpressionEngine();
    return std::make_unique<DVO_dBHandler>(path, password, true, shared);
}

void MakeNdx(DVO_dBHandler& table, const std::string& path, const std::string& expression) {
    DVobjNDXFile file(table.IndexOwner(), true, true, false, table.IsShared(), path);
    file.CreateTag("", expression, false, true, "");
}

std::string Last(DVO_dBHandler& table) { return table.StringGetN("LAST"); }

void AppendPerson(DVO_dBHandler& table, const PersonRow& row) {
    table.BlankRecord();
    table.FieldPutN("LAST", row.last);
    table.FieldPutN("FIRST", row.first);
    table.FieldPutN("CITY", row.city);
    table.NumberPutN("CODE", row.code);
    table.AppendRecord();
}
