// Test tables for the table handler: a small people table (LAST, FIRST, CITY C(10), CODE N(6)) built through
// the handler itself, and NDX files created over it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/db_handler.h"

struct PersonRow {
    std::string last, first, city;
    int code = 0;
    bool deleted = false;
};

// Creates the table (".DBF") with the rows; the expression engine is started first.
void MakePeopleTable(const std::string& path, const std::vector<PersonRow>& rows);
// Opens a handler on path (not shared unless asked).
std::unique_ptr<DVO_dBHandler> OpenPeople(const std::string& path, bool shared = false,
                                          const std::string& password = "");
// Creates an NDX file keyed by expression over the handler's table (closed again at once).
void MakeNdx(DVO_dBHandler& table, const std::string& path, const std::string& expression);
// The LAST field of the current record without trailing blanks.
std::string Last(DVO_dBHandler& table);
// Appends a row through the handler.
void AppendPerson(DVO_dBHandler& table, const PersonRow& row);
