// The engine-wide list of database aliases and the configuration file "ordane.cfg" that fills it. A data set
// names the place of its table with an alias from the file, the built-in alias "Default Directory" (the
// program's own folder) or a directory given directly, which then becomes an alias of itself.
//
// List lines: line 0 is "Default Directory" (no '=', never matched by a name lookup); then NAME=DIRECTORY per
// alias of the file, upper case as a whole; then DIRECTORY=DIRECTORY for every directory a data set was given.
#pragma once

#include <string>

#include "framework/data/strings.h"

// The alias list; made (and the configuration file read) on first use when engine start did not make it.
TStringList& DatabaseAliases();
// Engine start: makes the list anew from the configuration folder's "ordane.cfg" (missing file: no aliases).
void StartDatabaseAliases();
// Program end: frees the list.
void StopDatabaseAliases();

// The configuration file's full name: the configuration folder, a separator, "ordane.cfg".
std::string AliasConfigurationFile();
// Sets one NAME=DIRECTORY line per key of the file's section "Alias" (empty values skipped, a repeated key
// replaces the earlier value), then upper-cases every line but line 0.
void ReadAliasConfiguration(TStrings& aliases, const std::string& fileName);

// The value a data set stores for DatabaseName: "Default Directory" (any case) as given; anything else upper
// case without one trailing separator, adding NAME=NAME to the list when the list has no directory for it.
std::string StoredDatabaseName(const std::string& value);
// The directory a data set's DatabaseName stands for, ending in a separator; empty for an empty name.
std::string DatabaseDirectory(const std::string& databaseName);
// Whether the name is the built-in alias, compared without regard to case.
bool IsDefaultDirectory(const std::string& name);
