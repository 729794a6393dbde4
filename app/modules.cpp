#include "app/modules.h"

#include "app/main_form.h"
#include "engine/cursor/database_aliases.h"
#include "engine/expr/table_bindings.h"

// The error table and the open-file list are made on first use, so the engine's own steps are the alias list and
// the function registry.
void StartModules() {
    StartDatabaseAliases();
    StartExpressionEngine();
    RegisterApplicationClasses();
}

void StopModules() {
    StopDatabaseAliases();
}
