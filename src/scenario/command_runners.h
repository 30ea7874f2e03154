// The interpreter's run operations of a command, found by its code in a
// table made from the list of command classes (command_classes.h). A class
// that declares no Enter, Execute or Abandon of its own (nor inherits one)
// gets the base behaviour: Enter and Abandon do nothing, Execute steps on.
#pragma once

#include <cstdint>

namespace opal {

class TCallMan;
class TCommand;
class TPage;

// Called once when the interpreter reaches the command.
void EnterCommand(TCallMan& cm, TCommand& command);
// One step of the command; it moves `index` or hands back another page.
void ExecuteCommand(TCallMan& cm, TCommand& command, TPage*& page, int32_t& index);
// A reset drops the command while it was running.
void AbandonCommand(TCommand& command);

}  // namespace opal
