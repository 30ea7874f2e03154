// TTagValList: the style state of one parse of message text, as stacks
// with base values (the value when a stack is empty).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/tag_glyph.h"

namespace opal {

// A growable stack with a base value: pop on an empty stack does nothing,
// top of an empty stack is the base value.
template <typename T>
class TBaseStack {
 public:
  explicit TBaseStack(T base = T()) : Base_(std::move(base)) {}
  void Push(T v) { Items_.push_back(std::move(v)); }
  void Pop() {
    if (!Items_.empty()) Items_.pop_back();
  }
  const T& Top() const { return Items_.empty() ? Base_ : Items_.back(); }
  size_t Depth() const { return Items_.size(); }

 private:
  T Base_;
  std::vector<T> Items_;
};

using TIntStack = TBaseStack<int32_t>;
using TStrStack = TBaseStack<std::shared_ptr<const std::string>>;
using TAlignStack = TBaseStack<uint8_t>;

class TTagValList {
 public:
  explicit TTagValList(int32_t defaultWait) : Wait(defaultWait) {}

  TIntStack Size{0};
  TIntStack Color{-1};
  TIntStack OutlineColor{-1};
  TIntStack ShadowColor{-1};
  TStrStack FaceName{nullptr};
  TIntStack OutlineWidth{-1};
  TIntStack ShadowWidth{-1};
  TIntStack Wait;
  TAlignStack Align{alLeft};
  uint8_t Style = 0;
  bool NoBreak = false;
  std::shared_ptr<const std::string> Ruby;
  std::shared_ptr<const std::string> Link;

  // The character style in force, as one shared record that stays the same
  // object until a member changes (callers say so with Changed).
  std::shared_ptr<const TCharStyle> CurrentStyle();
  void Changed() { Current_.reset(); }

 private:
  std::shared_ptr<const TCharStyle> Current_;
};

}  // namespace opal
