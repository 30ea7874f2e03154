// Script values as search arguments.
#include <gtest/gtest.h>

#include "db/db_params.h"
#include "expr/params.h"

namespace opal {
namespace {

TEST(DBParams, ValuesKeepTheirType) {
  TParamFloat f;
  const int32_t two[] = {2};
  f.SetDims(two);
  f.SetFloat(0, 2.5L);
  f.SetFloat(1, -1);
  const std::vector<TDBValue> want{Extended{2.5L}, Extended{-1}};
  EXPECT_EQ(DBValuesOf(f), want);

  TParamStr s;
  s.SetAsString("abc");
  EXPECT_EQ(DBValuesOf(s), (std::vector<TDBValue>{std::string("abc")}));
  EXPECT_EQ(DBNamesOf(s), (std::vector<std::string>{"abc"}));

  TParamInt i;
  i.SetAsInteger(7);
  EXPECT_EQ(DBValuesOf(i), (std::vector<TDBValue>{int32_t{7}}));
  EXPECT_EQ(DBNamesOf(i), (std::vector<std::string>{"7"}));
  EXPECT_EQ(DBFlagsOf(i), (std::vector<bool>{true}));

  TParamFlag b;
  b.SetAsFlag(true);
  EXPECT_EQ(DBValuesOf(b), (std::vector<TDBValue>{true}));

  // An unbound reference restricts nothing.
  TParamVar ref("nowhere");
  EXPECT_EQ(DBValuesOf(ref), (std::vector<TDBValue>{std::monostate{}}));
  EXPECT_TRUE(DBNamesOf(ref).empty());
}

}  // namespace
}  // namespace opal
