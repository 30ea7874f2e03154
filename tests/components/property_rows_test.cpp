// The property rows of every display-object class, walked through their
// tables: each row's number and type agree with the property list, no
// class lists a number twice, read-only numbers have no setter, a class
// answers only numbers its column names, every writable property of a
// representative object reads back what was written, and the change rules
// of the rows invalidate what a setter must.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "components/custom_image.h"
#include "components/custom_images.h"
#include "components/map_image.h"
#include "components/opal_mes.h"
#include "components/opal_tile.h"
#include "stage/opal_base.h"
#include "stage/property_table.h"
#include "stage/stage_test_util.h"

namespace opal {
namespace {

using testing::TTestControl;
using testing::TTestSound;

struct TClassCase {
  const char* Label;
  std::function<TOpalObject*(TOpalBaseList&)> Make;
};

template <class T>
TOpalObject* Placed(TOpalBaseList& stage) {
  T* obj = stage.Create<T>();
  obj->SetParent(stage.ActiveBase());
  return obj;
}

// A representative object of every class with properties of its own (the
// abstract image classes through their concrete descendants).
const std::vector<TClassCase>& ClassCases() {
  static const std::vector<TClassCase> cases = {
      {"object", [](TOpalBaseList& s) -> TOpalObject* { return s.Create<TTestSound>(); }},
      {"control", &Placed<TTestControl>},
      {"base", [](TOpalBaseList& s) -> TOpalObject* { return s.BaseAt(1); }},
      {"cabinet", &Placed<TOpalCabinet>},
      {"box", &Placed<TOpalBox>},
      {"image", &Placed<TOpalImage>},
      {"images", &Placed<TOpalImages>},
      {"tile", &Placed<TOpalTile>},
      {"map image", &Placed<TOpalMapImage>},
      {"message window", &Placed<TOpalMes>},
  };
  return cases;
}

TEST(PropertyRows, EveryRowAgreesWithThePropertyList) {
  for (const TClassCase& c : ClassCases()) {
    TOpalBaseList stage;
    stage.SetSize(64, 64);
    const TOpalObject* obj = c.Make(stage);
    for (const TPropertyTable* t = &obj->Properties(); t != nullptr; t = t->Parent()) {
      std::set<int> seen;
      for (const TPropertyRow& row : t->Rows()) {
        const TPropertyInfo* info = PropertyInfo(row.Id);
        ASSERT_NE(info, nullptr) << c.Label << " " << row.Id;
        EXPECT_TRUE(seen.insert(row.Id).second) << c.Label << ": " << info->Name << " listed twice";
        EXPECT_EQ(row.Type, info->Type) << c.Label << " " << info->Name;
        EXPECT_NE(row.Get, nullptr) << c.Label << " " << info->Name;
        if (info->Flags & (pf::ReadOnly | pf::WriteError)) {
          EXPECT_EQ(row.Set, nullptr) << c.Label << ": read-only " << info->Name << " has a setter";
        }
        EXPECT_EQ(t->Find(row.Id), &row) << c.Label << " " << info->Name;
      }
    }
  }
}

// A class never answers a number its column in the list leaves out (the
// other way round is the class's own business: it may not implement every
// property its column names yet). Internal classes have no column; what
// they answer their concrete descendants answer too.
TEST(PropertyRows, ClassesAnswerOnlyTheirColumn) {
  for (const TClassCase& c : ClassCases()) {
    TOpalBaseList stage;
    stage.SetSize(64, 64);
    const TOpalObject* obj = c.Make(stage);
    const uint32_t bit = obj->ClassBit();
    if (bit == 0) continue;
    for (int id = 0; id < kPropertyTableSize; ++id) {
      if (obj->Properties().Find(id) == nullptr) continue;
      EXPECT_NE(PropertyInfo(id)->Classes & bit, 0u) << c.Label << " answers " << PropertyInfo(id)->Name;
    }
  }
}

// A value of the property's type that differs from `now`.
TPropValue Probe(const TPropValue& now) {
  TPropValue v;
  v.Int = now.Int == 7 ? 8 : 7;
  v.Real = now.Real == 2.5L ? 3.5L : 2.5L;
  v.Flag = !now.Flag;
  v.Str = now.Str == "probe.omt" ? "other.omt" : "probe.omt";
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

// Writable properties that are not plain values, and why.
struct TNotPlain {
  const char* Label;  // a class case, or nullptr for every class
  int Id;
  const char* Why;
};
constexpr TNotPlain kNotPlain[] = {
    {nullptr, PR_PARENT, "names a control to move under"},
    {nullptr, PR_HANDLEKEY, "an int that reads and writes as a flag"},
    {"cabinet", PR_VISIBLE, "a cabinet is never visible"},
    {"message window", PR_TEXT, "reads the characters of the current page"},
    {"message window", PR_INDEX, "selects only a page the window has"},
};

bool IsPlain(const TClassCase& c, int id) {
  for (const TNotPlain& n : kNotPlain) {
    if (n.Id == id && (n.Label == nullptr || std::string(n.Label) == c.Label)) return false;
  }
  return true;
}

TEST(PropertyRows, EveryWritablePropertyReadsBackWhatWasWritten) {
  for (const TClassCase& c : ClassCases()) {
    TOpalBaseList stage;
    stage.SetSize(64, 64);
    TOpalObject* obj = c.Make(stage);
    int checked = 0;
    for (int id = 0; id < kPropertyTableSize; ++id) {
      const TPropertyRow* row = obj->Properties().Find(id);
      if (row == nullptr || row->Set == nullptr || !IsPlain(c, id)) continue;
      const TPropertyInfo& info = *PropertyInfo(id);
      const TPropValue probe = Probe(GetPropValue(*obj, id));
      SetPropValue(*obj, id, probe);
      EXPECT_TRUE(SameValue(info.Type, GetPropValue(*obj, id), probe)) << c.Label << " " << info.Name;
      // And back again, through the other probe.
      const TPropValue again = Probe(probe);
      SetPropValue(*obj, id, again);
      EXPECT_TRUE(SameValue(info.Type, GetPropValue(*obj, id), again)) << c.Label << " " << info.Name;
      ++checked;
    }
    EXPECT_GT(checked, 0) << c.Label;
  }
}

// What a write leaves to repaint: nothing for an unchanged value, the area
// once for a change of look, the old and the new area for a change of
// place or shape.
TEST(PropertyRows, WritesInvalidateByTheirChangeRule) {
  struct TCase {
    const char* What;
    int Id;
    int32_t Value;
    std::vector<TRect> Dirty;
  };
  const TRect box{10, 10, 30, 30};
  const TCase cases[] = {
      {"unchanged alpha", PR_ALPHA, 255, {}},
      {"alpha", PR_ALPHA, 100, {box}},
      {"border width", PR_BORDERWIDTH, 3, {box}},
      {"unchanged colour", PR_COLOR, 0x0000FF, {}},
      {"colour", PR_COLOR, 0x00FF00, {box}},
      {"unchanged plus", PR_PLUSX, 0, {}},
      {"plus far away", PR_PLUSX, 100, {box, {110, 10, 130, 30}}},
      {"clip moved off the box", PR_CLIPTOP, 100, {box}},  // nothing of the box is left to show
      {"width", PR_WIDTH, 150, {{10, 10, 160, 30}}},
      {"unchanged width", PR_WIDTH, 20, {}},
  };
  for (const TCase& c : cases) {
    TOpalBaseList stage;
    stage.SetSize(200, 200);
    TOpalBox* b = testing::AddBox(stage, nullptr, 10, 10, 20, 20);
    if (c.Id == PR_CLIPTOP) {
      b->SetClip(2, 20), b->SetClip(3, 20);
    }
    TOpalBase& base = *stage.ActiveBase();
    base.DirtyList.Clear();
    SetPropValue(*b, c.Id, TPropValue::OfInt(c.Value));
    EXPECT_EQ(base.DirtyList.Items(), c.Dirty) << c.What;
  }
}


// A control of the kind the coming components are: rows over its own
// members, one replacing an inherited row, the rest inherited.
struct TThumb {
  std::string Source;
};

class TDial : public TOpalControl {
 public:
  using TOpalControl::TOpalControl;
  const TPropertyTable& Properties() const override {
    using R = TPropertyRows<TDial>;
    static const TPropertyRow rows[] = {
        R::Field<PR_VALUE, &TDial::Value, TOnSet::Look, &TDial::Written>(),
        R::Item<PR_MIN, &TDial::Range, 0>(),
        R::Item<PR_MAX, &TDial::Range, 1>(),
        R::Fixed<PR_ORIENTATION, 1>(),
        R::InPart<PR_THUMBSOURCE, &TDial::Thumb, &TThumb::Source>(),
        // A dial stays where it was made.
        R::Field<PR_LEFT, &TDial::Left_, TOnSet::Ignore>(),
    };
    static const TPropertyTable table(TOpalControl::Properties(), rows);
    return table;
  }
  void Written() { ++Writes; }

  int32_t Value = 0;
  int32_t Range[2] = {0, 100};
  std::unique_ptr<TThumb> Thumb = std::make_unique<TThumb>();
  int Writes = 0;
};

TEST(PropertyRows, ANewControlAddsRows) {
  TOpalBaseList stage;
  stage.SetSize(200, 200);
  TDial* dial = stage.Create<TDial>();
  dial->SetParent(stage.ActiveBase());
  dial->SetBounds(10, 10, 20, 20);
  TTestControl* plain = stage.Create<TTestControl>();
  EXPECT_EQ(dial->Properties().Parent(), &plain->Properties());
  TOpalBase& base = *stage.ActiveBase();
  base.DirtyList.Clear();

  SetPropValue(*dial, PR_VALUE, TPropValue::OfInt(5));
  EXPECT_EQ(dial->Value, 5);
  EXPECT_EQ(base.DirtyList.Items(), (std::vector<TRect>{{10, 10, 30, 30}}));
  base.DirtyList.Clear();
  SetPropValue(*dial, PR_VALUE, TPropValue::OfInt(5));
  EXPECT_TRUE(base.DirtyList.Items().empty()) << "an unchanged value repaints nothing";
  EXPECT_EQ(dial->Writes, 2) << "what follows a write follows every write";

  SetPropValue(*dial, PR_MAX, TPropValue::OfInt(50));
  EXPECT_EQ(GetPropValue(*dial, PR_MAX).Int, 50);
  EXPECT_EQ(GetPropValue(*dial, PR_MIN).Int, 0);
  SetPropValue(*dial, PR_THUMBSOURCE, TPropValue::OfStr("thumb.bri"));
  EXPECT_EQ(dial->Thumb->Source, "thumb.bri");
  SetPropValue(*dial, PR_ORIENTATION, TPropValue::OfInt(0));
  EXPECT_EQ(GetPropValue(*dial, PR_ORIENTATION).Int, 1);
  // The replaced row ignores writes; the inherited ones act as a control's.
  SetPropValue(*dial, PR_LEFT, TPropValue::OfInt(70));
  SetPropValue(*dial, PR_TOP, TPropValue::OfInt(80));
  EXPECT_EQ(dial->Left(), 10);
  EXPECT_EQ(dial->Top(), 80);
  // A number without a row reads the unsupported value.
  EXPECT_EQ(GetPropValue(*dial, PR_INDEX).Int, -1);
}

}  // namespace
}  // namespace opal
