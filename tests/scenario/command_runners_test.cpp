// The interpreter's table of run operations: commands that do nothing of
// their own when run step on, whatever class the object is.
#include <gtest/gtest.h>

#include "common/run_state.h"
#include "expr/param_collection.h"
#include "scenario/call_man.h"
#include "scenario/command_runners.h"
#include "scenario/page.h"
#include "storage/vr_file_manager.h"

namespace opal {
namespace {

TEST(CommandRunners, CommandsWithoutARunOfTheirOwnStepOn) {
  TVrFileManager files;
  TParamCollection vars;
  TRunState run;
  TCallManHost host;
  TCallMan cm(files, vars, run, host);
  TPage page;
  std::vector<std::unique_ptr<TCommand>> commands;
  // ClrHist, Comment, Movie, CallHist, MenuClose, PropMotion, and an object
  // of the base class, which answers the code of BoxNew but is none.
  for (const uint8_t code : {22, 27, 12, 29, 26, 57}) commands.push_back(page.CreateCommand(code));
  commands.push_back(std::make_unique<TCommand>(&page));
  for (const auto& c : commands) {
    SCOPED_TRACE(static_cast<int>(c->Code()));
    TPage* at = &page;
    int32_t index = 3;
    EnterCommand(cm, *c);
    ExecuteCommand(cm, *c, at, index);
    AbandonCommand(*c);
    EXPECT_EQ(at, &page);
    EXPECT_EQ(index, 4);
  }
}

}  // namespace
}  // namespace opal
