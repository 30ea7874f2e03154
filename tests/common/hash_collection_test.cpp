#include "common/hash_collection.h"

#include <gtest/gtest.h>

namespace opal {
namespace {

struct Named : THashCollectionItem {};

THashCollectionItem* AddNamed(THashCollection& c, const char* name) {
  return c.Add(std::make_unique<Named>(), name);
}

TEST(HashCollection, HashOfNames) {
  EXPECT_EQ(THashCollection::HashName(""), 0);
  EXPECT_EQ(THashCollection::HashName("a"), 16);
  EXPECT_EQ(THashCollection::HashName("ab"), 226);
  EXPECT_EQ(THashCollection::HashName("AB"), 226);
  // Only ASCII letters fold: a trail byte that looks like 'A' stays as it is.
  EXPECT_NE(THashCollection::HashName("\x82\x41x"), THashCollection::HashName("\x82\x61x"));
}

TEST(HashCollection, LookupIgnoresCaseAndFindsTheNewestOfOneName) {
  THashCollection c;
  AddNamed(c, "Sys\\Menu.osb");
  AddNamed(c, "other");
  AddNamed(c, "SYS\\MENU.OSB");
  EXPECT_EQ(c.IndexOf("sys\\menu.osb"), 2);
  EXPECT_EQ(c.IndexOf("missing"), -1);
  c.Delete(2);
  EXPECT_EQ(c.IndexOf("sys\\menu.osb"), 0);
  EXPECT_EQ(c.IndexOf("other"), 1);
}

TEST(HashCollection, DeleteRenumbersAndRenameRelinks) {
  THashCollection c;
  AddNamed(c, "a");
  AddNamed(c, "b");
  THashCollectionItem* third = AddNamed(c, "c");
  c.Delete(0);
  EXPECT_EQ(third->Index(), 1);
  EXPECT_EQ(c.Item(1), third);
  third->SetName("renamed");
  EXPECT_EQ(c.IndexOf("c"), -1);
  EXPECT_EQ(c.IndexOf("RENAMED"), 1);
  EXPECT_EQ(c.Count(), 2);
}

}  // namespace
}  // namespace opal
