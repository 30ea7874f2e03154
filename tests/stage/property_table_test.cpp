// The property table against the names scenario text uses and the types the
// compiler declares, its defaults and unsupported values, what each class
// answers for every number, the errors of GetProp/SetProp and the creation
// order.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <set>

#include "common/error.h"
#include "expr/params.h"
#include "expr/sys_funcs.h"
#include "scenario/property_names.h"
#include "stage/creation.h"
#include "stage/messages.h"
#include "stage_test_util.h"

namespace opal {
namespace {

using testing::AddBox;
using testing::TTestSound;

TEST(PropertyTable, NamesAndTypesAgreeWithScenarioTextAndCompiler) {
  ASSERT_EQ(kPropertyTableSize, kPropertyNameCount);
  for (int id = 0; id < kPropertyTableSize; ++id) {
    const TPropertyInfo* info = PropertyInfo(id);
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->Name, PropertyName(id)) << id;
    EXPECT_EQ(PropertyTypeTag(id), PropertyValueType(id)) << info->Name;
    EXPECT_EQ(FindPropertyName(info->Name), id);
  }
  EXPECT_EQ(PropertyInfo(-1), nullptr);
  EXPECT_EQ(PropertyInfo(163), nullptr);
}

// Every property whose creation default or unsupported value is not the
// type's zero, typed in from the property reference; all others are zero.
TEST(PropertyTable, DefaultsUnsupportedValuesAndWriteRules) {
  const std::map<int, int32_t> defaults = {
      {PR_ZOOMX, 256},     {PR_COLOR, -1},       {PR_BORDERCOLOR, -1}, {PR_ALPHA, 255},
      {PR_FONTHEIGHT, 16}, {PR_HOVERCOLOR, -1},  {PR_VOLUME, 1000},    {PR_VISIBLE, 1},
      {PR_COLCOUNT, 1},    {PR_ROWCOUNT, 1},     {PR_TEXTDELAY, 256},  {PR_AMP, 1},
      {PR_WAVELEN, 100},   {PR_SMALLCHANGE, 1},  {PR_LARGECHANGE, 1},  {PR_GLYPHWIDTH, 1},
      {PR_GLYPHHEIGHT, 1}, {PR_ZOOMY, 256},      {PR_OVERLAY, 1}};
  const std::map<int, int32_t> unsupported = {
      {PR_ZOOMX, 256},       {PR_COLOR, 0xFFFFFF},  {PR_BORDERCOLOR, -1}, {PR_ALPHA, 255},
      {PR_HOVERCOLOR, -1},   {PR_BRIGHTNESS, 255},  {PR_INDEX, -1},       {PR_TEXTDELAY, 256},
      {PR_PARTMOTION, 1},    {PR_SMALLCHANGE, 1},   {PR_LARGECHANGE, 1},  {PR_ZOOMY, 256},
      {PR_REWINDONLOAD, 1},  {PR_OVERLAY, 1}};
  const std::set<int> noCreate = {78, 79, 92, 93, 138, 140, 159, 160, 161};
  const std::set<int> readOnly = {78, 79, 138, 140, 161};
  const std::set<int> writeError = {92, 93};
  for (int id = 0; id < kPropertyTableSize; ++id) {
    const TPropertyInfo& info = *PropertyInfo(id);
    auto value = [id](const std::map<int, int32_t>& m) { return m.contains(id) ? m.at(id) : 0; };
    EXPECT_EQ(info.Default, value(defaults)) << info.Name;
    EXPECT_EQ(info.Unsupported, value(unsupported)) << info.Name;
    EXPECT_EQ((info.Flags & pf::NoCreate) != 0, noCreate.contains(id)) << info.Name;
    EXPECT_EQ((info.Flags & pf::ReadOnly) != 0, readOnly.contains(id)) << info.Name;
    EXPECT_EQ((info.Flags & pf::WriteError) != 0, writeError.contains(id)) << info.Name;
  }
}

// A value of the property's type that differs from `now`.
TPropValue Probe(const TPropertyInfo& info, const TPropValue& now) {
  TPropValue v;
  v.Int = now.Int == 7 ? 8 : 7;
  v.Real = now.Real == 2.5L ? 3.5L : 2.5L;
  v.Flag = !now.Flag;
  v.Str = now.Str == "probe.omt" ? "other.omt" : "probe.omt";
  (void)info;
  return v;
}

bool SameValue(TPropType type, const TPropValue& a, const TPropValue& b) {
  switch (type) {
    case TPropType::Int: return a.Int == b.Int;
    case TPropType::Real: return a.Real == b.Real;
    case TPropType::Flag: return a.Flag == b.Flag;
    case TPropType::Str: return a.Str == b.Str;
  }
  return false;
}

struct TClassCase {
  const char* Label;
  TOpalObject* Obj;
};

// For every number and every class built so far: the class answers the
// property exactly when the table's Classes column names it; otherwise it
// reads the unsupported value and ignores writes; a writable property it
// implements keeps what is written.
TEST(PropertyTable, EveryClassAnswersExactlyItsColumn) {
  TOpalBaseList stage;
  stage.SetSize(64, 64);
  TOpalBox* box = AddBox(stage, nullptr, 1, 2, 3, 4);
  TOpalCabinet* cabinet = stage.Create<TOpalCabinet>();
  cabinet->SetParent(stage.ActiveBase());
  TTestSound* sound = stage.Create<TTestSound>();
  const TClassCase cases[] = {{"box", box}, {"cabinet", cabinet}, {"base", stage.BaseAt(1)}, {"sound", sound}};
  for (const TClassCase& c : cases) {
    for (int id = 0; id < kPropertyTableSize; ++id) {
      const TPropertyInfo& info = *PropertyInfo(id);
      // The non-visual stand-in implements only what every object has.
      const uint32_t bit = c.Obj->ClassBit();
      const bool implemented = c.Obj == sound ? info.Classes == pc::All : (info.Classes & bit) != 0;
      TPropValue v = UnsupportedValue(info);
      EXPECT_EQ(c.Obj->GetProperty(id, v), implemented) << c.Label << " " << info.Name;
      if (info.Flags & pf::WriteError) {
        EXPECT_THROW(SetPropValue(*c.Obj, id, Probe(info, v)), EOpalError);
        continue;
      }
      if (id == PR_NAME || id == PR_PARENT) continue;  // covered by the naming tests
      TPropValue before = GetPropValue(*c.Obj, id);
      SetPropValue(*c.Obj, id, Probe(info, before));
      TPropValue after = GetPropValue(*c.Obj, id);
      const bool keeps = implemented && !(info.Flags & pf::ReadOnly) &&
                         !(c.Obj == cabinet && id == PR_VISIBLE);
      if (!implemented) {
        EXPECT_TRUE(SameValue(info.Type, after, UnsupportedValue(info))) << c.Label << " " << info.Name;
      } else if (keeps) {
        TPropValue expected = Probe(info, before);
        if (id == PR_HANDLEKEY) expected.Int = 1;  // a flag in an int
        EXPECT_TRUE(SameValue(info.Type, after, expected)) << c.Label << " " << info.Name;
      } else {
        EXPECT_TRUE(SameValue(info.Type, after, before)) << c.Label << " " << info.Name;
      }
    }
  }
}

TEST(PropertyTable, ClassSpecificReadings) {
  TOpalBaseList stage;
  TOpalBox* box = AddBox(stage, nullptr, 0, 0, 10, 10);
  EXPECT_EQ(GetPropValue(*box, PR_COMPOTYPE).Int, LT_BOX);
  EXPECT_EQ(GetPropValue(*stage.Create<TOpalCabinet>(), PR_COMPOTYPE).Int, LT_CABINET);
  // PR_HANDLEKEY is an int that reads and writes as a flag.
  TPropValue five;
  five.Int = 5;
  SetPropValue(*box, PR_HANDLEKEY, five);
  EXPECT_EQ(GetPropValue(*box, PR_HANDLEKEY).Int, 1);
  // A cabinet never reads as visible, whatever is written.
  TOpalCabinet* cabinet = stage.Create<TOpalCabinet>();
  TPropValue yes;
  yes.Flag = true;
  SetPropValue(*cabinet, PR_VISIBLE, yes);
  EXPECT_FALSE(GetPropValue(*cabinet, PR_VISIBLE).Flag);
  // Non-visual components have no parent.
  EXPECT_EQ(GetPropValue(*stage.Create<TTestSound>(), PR_PARENT).Str, "");
  EXPECT_EQ(GetPropValue(*box, PR_PARENT).Str, "\001BASE0");
  EXPECT_EQ(GetPropValue(*box, PR_APPEARX).Int, 0);
}

TEST(PropertyTable, GetPropAndSetPropRejectNumbersOutsideTheTable) {
  TOpalBaseList stage;
  TOpalBox* box = AddBox(stage, nullptr, 0, 0, 10, 10);
  TParamInt out;
  for (int id : {-1, -163, INT_MIN, 163, 200, INT_MAX}) {
    try {
      GetProp(*box, id, out);
      ADD_FAILURE() << "GetProp " << id;
    } catch (const EOpalError& e) {
      EXPECT_STREQ(e.what(), msg::kGetPropError) << id;
    }
  }
  TParamInt one;
  one.SetAsInteger(1);
  for (int id : {-1, INT_MIN, int{PR_APPEARX}, int{PR_APPEARY}, 163, INT_MAX}) {
    try {
      SetProp(*box, id, one);
      ADD_FAILURE() << "SetProp " << id;
    } catch (const EOpalError& e) {
      EXPECT_STREQ(e.what(), msg::kSetPropError) << id;
    }
  }
  // Read-only numbers are ignored without an error.
  TParamInt three;
  three.SetAsInteger(3);
  SetProp(*box, PR_COMPOTYPE, three);
  GetProp(*box, PR_COMPOTYPE, out);
  EXPECT_EQ(out.AsInteger(), LT_BOX);
}

TEST(PropertyTable, ValuesAreConvertedToTheDeclaredType) {
  TOpalBaseList stage;
  TOpalBox* box = AddBox(stage, nullptr, 0, 0, 10, 10);
  TParamStr text;
  text.SetAsString("12");
  SetProp(*box, PR_LEFT, text);
  EXPECT_EQ(box->Left(), 12);
  TParamStr left;
  GetProp(*box, PR_LEFT, left);
  EXPECT_EQ(left.AsString(), "12");
  TParamFloat real;
  GetProp(*box, PR_PARAM1, real);  // a real the box lacks: 0.0
  EXPECT_EQ(real.AsFloat(), 0.0L);
  TParamInt zero;
  SetProp(*box, PR_VISIBLE, zero);
  TParamFlag shown;
  GetProp(*box, PR_VISIBLE, shown);
  EXPECT_FALSE(shown.AsFlag());
}

TEST(PropertyTable, CreationOrder) {
  const auto& order = CreationOrder();
  const int n = CreationOrderCount();
  ASSERT_EQ(n, kPropertyTableSize - 9);
  const std::vector<int> leading = {PR_NAME,     PR_PARENT,   PR_SOURCE,      PR_ZOOMX,
                                    PR_ZOOMY,    PR_POSZOOMED, PR_WIDTH,      PR_HEIGHT,
                                    PR_LEFT,     PR_TOP,      PR_COLOR,       PR_BARSIZE,
                                    PR_BORDERWIDTH, PR_BORDERCOLOR, PR_ALPHA, PR_PRIORITY,
                                    PR_OFFSETX,  PR_OFFSETY};
  EXPECT_TRUE(std::equal(leading.begin(), leading.end(), order.begin()));
  std::set<int> seen(order.begin(), order.begin() + n);
  EXPECT_EQ(static_cast<int>(seen.size()), n);
  for (int id : {78, 79, 92, 93, 138, 140, 159, 160, 161}) EXPECT_FALSE(seen.contains(id)) << id;
  auto pos = [&](int id) { return std::find(order.begin(), order.begin() + n, id) - order.begin(); };
  EXPECT_EQ(pos(PR_REPEATPOS), pos(PR_REPEAT) + 1);
  EXPECT_EQ(pos(PR_FONTHOVERBORDER), pos(PR_HOVERCOLOR) + 1);
  EXPECT_EQ(pos(PR_FONTHOVERBORDERCOLOR), pos(PR_HOVERCOLOR) + 2);
  EXPECT_EQ(pos(PR_FONTHOVERSHADOW), pos(PR_HOVERCOLOR) + 3);
  EXPECT_EQ(pos(PR_FONTHOVERSHADOWCOLOR), pos(PR_HOVERCOLOR) + 4);
  EXPECT_EQ(pos(PR_ANTIALIAS), pos(PR_HOVERCOLOR) + 5);
  EXPECT_EQ(pos(PR_MUTEONLOAD), n - 1);
  // Apart from those, the rest ascends.
  std::set<int> moved(leading.begin(), leading.end());
  moved.insert({PR_REPEATPOS, PR_FONTHOVERBORDER, PR_FONTHOVERBORDERCOLOR, PR_FONTHOVERSHADOW,
                PR_FONTHOVERSHADOWCOLOR, PR_MUTEONLOAD});
  int last = -1;
  for (int i = 0; i < n; ++i) {
    if (moved.contains(order[static_cast<size_t>(i)])) continue;
    EXPECT_GT(order[static_cast<size_t>(i)], last);
    last = order[static_cast<size_t>(i)];
  }
}

}  // namespace
}  // namespace opal

namespace opal {
namespace {

TEST(Creation, DefaultsWithoutExpressions) {
  TOpalBaseList stage;
  stage.SetSize(64, 64);
  stage.Active = 1;
  TOpalBox* box = stage.Create<TOpalBox>();
  ApplyCreationProperties(*box, nullptr);
  EXPECT_EQ(box->Name(), "object0");
  EXPECT_EQ(box->GetParent(), stage.BaseAt(1));
  EXPECT_EQ(GetPropValue(*box, PR_ALPHA).Int, 255);
  EXPECT_EQ(GetPropValue(*box, PR_ZOOMX).Int, 256);  // the unsupported value of a box
  EXPECT_EQ(GetPropValue(*box, PR_COLOR).Int, -1);
  EXPECT_EQ(GetPropValue(*box, PR_BORDERCOLOR).Int, -1);
  EXPECT_TRUE(GetPropValue(*box, PR_VISIBLE).Flag);
}

TEST(Creation, ValuesInTheCreationOrder) {
  TOpalBaseList stage;
  stage.SetSize(64, 64);
  TOpalBox* parent = stage.Create<TOpalBox>();
  parent->SetName("p");
  parent->SetParent(stage.ActiveBase());
  TOpalBox* box = stage.Create<TOpalBox>();
  std::vector<int> asked;
  ApplyCreationProperties(*box, [&](int id) -> std::optional<TPropValue> {
    asked.push_back(id);
    TPropValue v;
    if (id == PR_NAME) v.Str = "b";
    else if (id == PR_PARENT) v.Str = "p";
    else if (id == PR_LEFT) v.Int = 12;
    else if (id == PR_PLUSX) v.Int = 99;  // never applied at creation
    else return std::nullopt;
    return v;
  });
  EXPECT_EQ(box->Name(), "b");
  EXPECT_EQ(box->GetParent(), parent);
  EXPECT_EQ(box->Left(), 12);
  EXPECT_EQ(GetPropValue(*box, PR_PLUSX).Int, 0);
  EXPECT_EQ(static_cast<int>(asked.size()), CreationOrderCount());
  EXPECT_EQ(asked[0], PR_NAME);
  // A parent name that finds no control puts the object on the active base.
  TOpalBox* lost = stage.Create<TOpalBox>();
  ApplyCreationProperties(*lost, [](int id) -> std::optional<TPropValue> {
    if (id != PR_PARENT) return std::nullopt;
    TPropValue v;
    v.Str = "nowhere";
    return v;
  });
  EXPECT_EQ(lost->GetParent(), stage.ActiveBase());
}

}  // namespace
}  // namespace opal
