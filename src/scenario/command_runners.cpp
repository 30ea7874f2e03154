// The table of run operations by command code.
#include "scenario/command_runners.h"

#include <array>
#include <typeinfo>

#include "scenario/call_man.h"
#include "scenario/command_classes.h"

namespace opal {

namespace {

struct TCommandRunner {
  void (*Enter)(TCallMan&, TCommand&);
  void (*Execute)(TCallMan&, TCommand&, TPage*&, int32_t&);
  void (*Abandon)(TCommand&);
};

template <typename T>
concept HasEnter = requires(T& c, TCallMan& cm) { c.Enter(cm); };
template <typename T>
concept HasExecute = requires(T& c, TCallMan& cm, TPage*& page, int32_t& index) { c.Execute(cm, page, index); };
template <typename T>
concept HasAbandon = requires(T& c) { c.Abandon(); };

// The command as its code's class; null for an object of another class
// (a bare TCommand answers code 8), which then gets the base behaviour.
// The page's factory makes exactly the class, which is checked first: it
// costs a comparison, where the cast walks the hierarchy.
template <typename T>
T* As(TCommand& c) {
  if (typeid(c) == typeid(T)) return static_cast<T*>(&c);
  return dynamic_cast<T*>(&c);
}

template <typename T>
void EnterAs(TCallMan& cm, TCommand& c) {
  if constexpr (HasEnter<T>) {
    if (T* t = As<T>(c)) t->Enter(cm);
  }
}

template <typename T>
void ExecuteAs(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
  if constexpr (HasExecute<T>) {
    if (T* t = As<T>(c)) {
      t->Execute(cm, page, index);
      return;
    }
  }
  ++index;
}

template <typename T>
void AbandonAs(TCommand& c) {
  if constexpr (HasAbandon<T>) {
    if (T* t = As<T>(c)) t->Abandon();
  }
}

#define OPAL_RUNNER_ROW(code, name, cls) TCommandRunner{EnterAs<cls>, ExecuteAs<cls>, AbandonAs<cls>},
// Indexed by code.
constexpr std::array<TCommandRunner, kCommandCodeCount> kRunners = {OPAL_COMMAND_CLASSES(OPAL_RUNNER_ROW)};
#undef OPAL_RUNNER_ROW

const TCommandRunner& RunnerOf(const TCommand& c) {
  const uint8_t code = c.Code();
  return kRunners[code < kRunners.size() ? code : 8];
}

}  // namespace

void EnterCommand(TCallMan& cm, TCommand& command) { RunnerOf(command).Enter(cm, command); }

void ExecuteCommand(TCallMan& cm, TCommand& command, TPage*& page, int32_t& index) {
  RunnerOf(command).Execute(cm, command, page, index);
}

void AbandonCommand(TCommand& command) { RunnerOf(command).Abandon(command); }

}  // namespace opal
