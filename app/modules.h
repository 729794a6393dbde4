// Module start-up and clean-up, in dependency order: the engine (error table, alias list read from ordane.cfg,
// expression function registry, open-file list), then the classes the main window description names. StopModules
// undoes it in reverse.
#pragma once

void StartModules();
void StopModules();

// Starts the modules for its lifetime.
class TModuleScope {
public:
    TModuleScope() { StartModules(); }
    ~TModuleScope() { StopModules(); }
    TModuleScope(const TModuleScope&) = delete;
    TModuleScope& operator=(const TModuleScope&) = delete;
};
