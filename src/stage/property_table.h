// The property rows of the display-object classes. Each class lists its
// rows once: a PR_ number, where the value lives (a member, an element of
// an array member, a member of a part, or a getter), how a write reaches it
// (stored, through a change rule, or through a setter) and what follows a
// write (a member function). TPropertyTable turns the rows into a lookup by
// number that starts from the parent class's table, so a class answers its
// own rows and inherits the rest; the generic GetProperty/SetProperty of
// TOpalObject ask the object's table.
//
//   const TPropertyTable& TOpalBox::Properties() const {
//     using R = TPropertyRows<TOpalBox>;
//     static const TPropertyRow rows[] = {
//         R::Field<PR_SOURCE, &TOpalBox::Source, &TOpalBox::SetSource>(),
//         R::Field<PR_ALPHA, &TOpalBox::Alpha, TOnSet::Look>(),
//         R::Field<PR_REPEAT, &TOpalBox::Repeat>(),
//     };
//     static const TPropertyTable table(TOpalControl::Properties(), rows);
//     return table;
//   }
//
// (the qualified call reaches the parent class's table). The rows are made
// inside the class, so they may name its protected and private members.
//
// Values convert by the number's declared type: an int property reads and
// writes TPropValue::Int (a bool member as 0/1, any other integer cast), a
// flag property TPropValue::Flag (an integer member as 1/0), a string
// property TPropValue::Str, a real property TPropValue::Real. A row whose
// member cannot hold its declared type does not compile.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "stage/properties.h"

namespace opal {

class TOpalObject;

// The declared type of every number, known at compile time.
#define OPAL_PROPERTY_TYPE_ROW(n, name, type, def, unsup, flags, classes) TPropType::type,
inline constexpr std::array<TPropType, kPropertyTableSize> kPropertyTypes = {{OPAL_PROPERTIES(OPAL_PROPERTY_TYPE_ROW)}};
#undef OPAL_PROPERTY_TYPE_ROW

struct TPropertyRow {
  int Id;
  TPropType Type;  // the number's declared type, which the row converts to
  void (*Get)(const TOpalObject& obj, TPropValue& out);
  // Null when the class answers the property but ignores writes.
  void (*Set)(TOpalObject& obj, const TPropValue& in);
};

// How a row writes its member. Store assigns. Look and Place do nothing for
// an unchanged value; a change of look invalidates once, after, and a
// change of place or shape invalidates the old area and the new one (the
// class must be a control). Ignore leaves the member as it is: the class
// answers the property but it is read-only there.
enum class TOnSet : uint8_t { Store, Look, Place, Ignore };

// A write through `Setter(index, value)`, for setters shared by the two
// axes or the sides of a rectangle.
template <auto Setter, int Index>
struct TAxisSetter {};
template <auto Setter, int Index>
inline constexpr TAxisSetter<Setter, Index> Axis{};

class TPropertyTable {
 public:
  // The root class's table, and a class's table over its parent class's.
  // `rows` must outlive the table (a static array of the class).
  explicit TPropertyTable(std::span<const TPropertyRow> rows);
  TPropertyTable(const TPropertyTable& parent, std::span<const TPropertyRow> rows);

  // The row that answers `id` in this class, its own or inherited; null
  // when the class lacks the property or `id` is outside 0..162.
  const TPropertyRow* Find(int id) const {
    return id >= 0 && id < kPropertyTableSize ? ById_[static_cast<size_t>(id)] : nullptr;
  }
  const TPropertyTable* Parent() const { return Parent_; }
  // The class's own rows, as listed.
  std::span<const TPropertyRow> Rows() const { return Rows_; }

 private:
  // Lays the own rows over what the parent's table gave.
  void Enter();

  const TPropertyTable* Parent_;
  std::span<const TPropertyRow> Rows_;
  std::array<const TPropertyRow*, kPropertyTableSize> ById_{};
};

namespace property_rows {

template <class V>
inline constexpr bool kStringLike = std::is_constructible_v<std::string, const V&>;

template <class V>
constexpr bool Fits(TPropType type) {
  if (type == TPropType::Str) return kStringLike<V>;
  return std::is_arithmetic_v<V>;
}

template <TPropType Type, class V>
void Put(TPropValue& out, const V& v) {
  static_assert(Fits<V>(Type), "the member cannot hold the property's declared type");
  if constexpr (Type == TPropType::Str) {
    out.Str = v;
  } else if constexpr (Type == TPropType::Flag) {
    out.Flag = v != 0;
  } else if constexpr (Type == TPropType::Int) {
    out.Int = static_cast<int32_t>(v);
  } else {
    out.Real = static_cast<Extended>(v);
  }
}

template <TPropType Type, class V>
V Take(const TPropValue& in) {
  static_assert(Fits<V>(Type), "the member cannot hold the property's declared type");
  if constexpr (Type == TPropType::Str) {
    return V(in.Str);
  } else if constexpr (Type == TPropType::Flag) {
    if constexpr (std::is_same_v<V, bool>) return in.Flag;
    else return static_cast<V>(in.Flag ? 1 : 0);
  } else if constexpr (Type == TPropType::Int) {
    if constexpr (std::is_same_v<V, bool>) return in.Int != 0;
    else return static_cast<V>(in.Int);
  } else {
    return static_cast<V>(in.Real);
  }
}

// The value type a setter takes, and whether it takes an index first.
template <class F>
struct TSetter;
template <class C, class A>
struct TSetter<void (C::*)(A)> {
  using Arg = std::remove_cvref_t<A>;
  static constexpr bool Indexed = false;
};
template <class C, class A>
struct TSetter<void (C::*)(int, A)> {
  using Arg = std::remove_cvref_t<A>;
  static constexpr bool Indexed = true;
};

template <class W>
struct TAxisOf : std::false_type {};
template <auto Setter, int Index>
struct TAxisOf<TAxisSetter<Setter, Index>> : std::true_type {
  static constexpr auto Function = Setter;
  static constexpr int Value = Index;
};

// Where a value lives in an object of the class.
template <auto Member>
struct TAtMember {
  decltype(auto) operator()(auto& o) const { return (o.*Member); }
};
template <auto Array, size_t Index>
struct TAtItem {
  decltype(auto) operator()(auto& o) const { return ((o.*Array)[Index]); }
};
template <auto Part, auto Member>
struct TAtPart {
  decltype(auto) operator()(auto& o) const { return ((*(o.*Part)).*Member); }
};

}  // namespace property_rows

// The row makers of class T. Every maker takes the PR_ number first; the
// optional `After` is a member function of T called after every write.
template <class T>
struct TPropertyRows {
  // A member of T: read as it is; written by `Write` (a TOnSet rule, a
  // setter `void (T::*)(V)` or Axis<setter, index>).
  template <int Id, auto Member, auto Write = TOnSet::Store, auto After = nullptr>
  static constexpr TPropertyRow Field() {
    return ValueRow<Id, property_rows::TAtMember<Member>, Write, After, 0>();
  }
  // Element `Index` of an array member; a setter `void (T::*)(int, V)` is
  // called with the index.
  template <int Id, auto Array, size_t Index, auto Write = TOnSet::Store, auto After = nullptr>
  static constexpr TPropertyRow Item() {
    return ValueRow<Id, property_rows::TAtItem<Array, Index>, Write, After, static_cast<int>(Index)>();
  }
  // A member of the part that the member `Part` of T holds or points to.
  template <int Id, auto Part, auto Member, auto Write = TOnSet::Store, auto After = nullptr>
  static constexpr TPropertyRow InPart() {
    return ValueRow<Id, property_rows::TAtPart<Part, Member>, Write, After, 0>();
  }
  // A value computed by a const member function; without a setter the
  // class ignores writes.
  template <int Id, auto Getter, auto Setter = nullptr, auto After = nullptr>
  static constexpr TPropertyRow Computed() {
    constexpr TPropType kType = TypeOf<Id>();
    TPropertyRow row{Id, kType, nullptr, nullptr};
    row.Get = [](const TOpalObject& obj, TPropValue& out) {
      property_rows::Put<kType>(out, (static_cast<const T&>(obj).*Getter)());
    };
    if constexpr (!std::is_null_pointer_v<decltype(Setter)>) {
      row.Set = [](TOpalObject& obj, const TPropValue& in) {
        T& o = static_cast<T&>(obj);
        CallSetter<kType, Setter, 0>(o, in);
        RunAfter<After>(o);
      };
    }
    return row;
  }
  // A value that never changes; writes are ignored.
  template <int Id, int32_t Value>
  static constexpr TPropertyRow Fixed() {
    constexpr TPropType kType = TypeOf<Id>();
    static_assert(kType != TPropType::Str, "a fixed row holds a number or a flag");
    return {Id, kType, [](const TOpalObject&, TPropValue& out) { property_rows::Put<kType>(out, Value); }, nullptr};
  }

 private:
  template <int Id>
  static constexpr TPropType TypeOf() {
    static_assert(Id >= 0 && Id < kPropertyTableSize, "not a property number");
    return kPropertyTypes[static_cast<size_t>(Id)];
  }

  template <auto After>
  static void RunAfter(T& o) {
    if constexpr (!std::is_null_pointer_v<decltype(After)>) (o.*After)();
  }

  template <TPropType Type, auto Setter, int Index>
  static void CallSetter(T& o, const TPropValue& in) {
    using S = property_rows::TSetter<decltype(Setter)>;
    if constexpr (S::Indexed) {
      (o.*Setter)(Index, property_rows::Take<Type, typename S::Arg>(in));
    } else {
      (o.*Setter)(property_rows::Take<Type, typename S::Arg>(in));
    }
  }

  template <int Id, class Locate, auto Write, auto After, int Index>
  static constexpr TPropertyRow ValueRow() {
    constexpr TPropType kType = TypeOf<Id>();
    TPropertyRow row{Id, kType, nullptr, nullptr};
    row.Get = [](const TOpalObject& obj, TPropValue& out) {
      property_rows::Put<kType>(out, Locate{}(static_cast<const T&>(obj)));
    };
    using W = std::remove_cv_t<decltype(Write)>;
    if constexpr (std::is_same_v<W, TOnSet>) {
      if constexpr (Write != TOnSet::Ignore) {
        row.Set = [](TOpalObject& obj, const TPropValue& in) {
          T& o = static_cast<T&>(obj);
          auto& place = Locate{}(o);
          using V = std::remove_cvref_t<decltype(place)>;
          V value = property_rows::Take<kType, V>(in);
          if constexpr (Write == TOnSet::Store) {
            place = std::move(value);
          } else if constexpr (Write == TOnSet::Look) {
            o.ChangeLook(place, value);
          } else {
            o.ChangePlace(place, value);
          }
          RunAfter<After>(o);
        };
      }
    } else if constexpr (property_rows::TAxisOf<W>::value) {
      row.Set = [](TOpalObject& obj, const TPropValue& in) {
        T& o = static_cast<T&>(obj);
        CallSetter<kType, property_rows::TAxisOf<W>::Function, property_rows::TAxisOf<W>::Value>(o, in);
        RunAfter<After>(o);
      };
    } else {
      row.Set = [](TOpalObject& obj, const TPropValue& in) {
        T& o = static_cast<T&>(obj);
        CallSetter<kType, Write, Index>(o, in);
        RunAfter<After>(o);
      };
    }
    return row;
  }
};

}  // namespace opal
