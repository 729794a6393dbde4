// The commands that change a table in place: delete, recall and replace (record by record, under each record's
// lock, beside other processes), pack and zap (the whole table, exclusively, crash-safe).
#pragma once

#include <memory>

#include "tools/ordane/command.h"

namespace ordane {

std::unique_ptr<Command> MakeDeleteCommand();
std::unique_ptr<Command> MakeRecallCommand();
std::unique_ptr<Command> MakeReplaceCommand();
std::unique_ptr<Command> MakePackCommand();
std::unique_ptr<Command> MakeZapCommand();

}  // namespace ordane
