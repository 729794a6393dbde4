#include "app/modules.h"

#include "app/main_form.h"
#include "engine/cursor/database_aliases.h"
#include "engine/expr/table_bindings.h"
#include "grid/pk_intl.h"

// The error table and the open-file list are made on first use, so the engine's own steps are the alias list and
// the function registry.
void StartModules() {
    StartDatabaseAliases();
    StartExpressionEngine();
    StartComponentLibrary();  // the global localised texts, the navigator's glyphs, the library's classes
    RegisterApplicationClasses();
}

void StopModules() {
    StopComponentLibrary();
    StopDatabaseAliases();
}
