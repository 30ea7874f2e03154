// THashCollection: an ordered, owning collection of named items indexed by a
// 256-bucket name hash. A new item is pushed at the head of its bucket, so a
// lookup finds the most recently added of several items of the same name.
// Names compare case-insensitively (ASCII letters, double-byte aware).
// Beside the buckets, an exact index from each case-folded name to its
// items serves lookups; it is a cache and always gives the buckets' answer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace opal {

class THashCollection;
class THashCollectionItem;

// The items of one case-folded name, in the order they were linked: the
// reverse of their order in the bucket chain (the newest stands last).
using THashNameSlot = std::pair<const std::string, std::vector<THashCollectionItem*>>;

// A remembered lookup of one name in one collection. It stays valid while
// that collection keeps the slot (same epoch) and the slot is still the
// name's; otherwise the lookup is made again. Copy freely; never needs
// resetting.
struct THashNameCache {
  const THashNameSlot* Slot = nullptr;
  uint64_t Epoch = 0;
};

class THashCollectionItem {
 public:
  THashCollectionItem() = default;
  virtual ~THashCollectionItem() = default;
  THashCollectionItem(const THashCollectionItem&) = delete;
  THashCollectionItem& operator=(const THashCollectionItem&) = delete;

  const std::string& Name() const { return Name_; }
  int32_t Id() const { return Id_; }
  uint8_t Hash() const { return Hash_; }
  int32_t Index() const { return Index_; }
  THashCollection* Collection() const { return Collection_; }
  // Renames only when the new name differs case-sensitively; relinks the item.
  void SetName(std::string_view name);
  // The next item down this item's bucket chain (older items come later).
  THashCollectionItem* NextInBucket() const { return Next_; }

 private:
  friend class THashCollection;
  THashCollection* Collection_ = nullptr;
  int32_t Id_ = 0;
  uint8_t Hash_ = 0;
  int32_t Index_ = -1;
  std::string Name_;
  THashCollectionItem* Prev_ = nullptr;
  THashCollectionItem* Next_ = nullptr;
  THashNameSlot* Slot_ = nullptr;  // while linked
  // The slot it had when last unlinked, and the collection's epoch then: an
  // item linked again under the same name finds its slot without a lookup.
  THashNameSlot* LastSlot_ = nullptr;
  uint64_t LastEpoch_ = 0;
};

class THashCollection {
 public:
  THashCollection();
  virtual ~THashCollection();
  THashCollection(const THashCollection&) = delete;
  THashCollection& operator=(const THashCollection&) = delete;

  // (16*L + b[L-2] + b[0]) mod 256 over the lower-cased name for L >= 2,
  // (16*L) mod 256 otherwise.
  static uint8_t HashName(std::string_view name);

  // Takes ownership, appends, names and links the item; returns it.
  THashCollectionItem* Add(std::unique_ptr<THashCollectionItem> item, std::string_view name);
  // Index of the first item in the name's bucket chain that matches, or -1.
  int32_t IndexOf(std::string_view name) const;
  THashCollectionItem* Find(std::string_view name) const;
  // The items named `name` (any case), oldest link first; nullptr when no
  // item has had that name lately. `cache`, when given, remembers the slot.
  const THashNameSlot* Slot(std::string_view name, THashNameCache* cache = nullptr) const;
  // Head of a bucket chain, for lookups with rules of their own.
  THashCollectionItem* BucketHead(uint8_t hash) const { return Buckets_[hash]; }
  THashCollectionItem* Item(int32_t index) const { return Items_[static_cast<size_t>(index)].get(); }
  int32_t Count() const { return static_cast<int32_t>(Items_.size()); }
  // Frees the item; later items move down one index.
  void Delete(int32_t index);
  // Takes the item out as Delete does, but hands it back instead of freeing
  // it; it belongs to no collection until it is added again.
  std::unique_ptr<THashCollectionItem> Extract(int32_t index);
  void Clear();

 private:
  friend class THashCollectionItem;
  // Hash and equality of names ignoring ASCII case, double-byte aware.
  struct TFoldHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const;
  };
  struct TFoldEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };

  // `hash_known`: the item's Hash_ already belongs to its name.
  void Link(THashCollectionItem* item, bool hash_known = false);
  void Unlink(THashCollectionItem* item);
  // Drops the slots of names no item has any more, once they outnumber the
  // items; cached slots become invalid then.
  void DropEmptySlots();

  std::vector<std::unique_ptr<THashCollectionItem>> Items_;
  std::array<THashCollectionItem*, 256> Buckets_{};
  int32_t NextId_ = 0;
  std::unordered_map<std::string, std::vector<THashCollectionItem*>, TFoldHash, TFoldEqual> Names_;
  size_t EmptySlots_ = 0;
  uint64_t Epoch_;  // unique among all collections and all their states
};

}  // namespace opal
