// TOpalObject, the root of every display object, and TOpalComponent, the
// script-visible object the stage registers and updates each frame.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stage/properties.h"

namespace opal {

class TCustomDIBX;
class TMessageWindow;
class TOpalBase;
class TOpalBaseList;
class TOpalControl;
class TPropertyTable;
class TStream;

// The component kinds (PR_COMPOTYPE), stored in saves before each record.
enum TComponentKind : uint8_t {
  LT_NONE, LT_AUDIO, LT_BOX, LT_BUTTON, LT_CINEMA, LT_EDIT, LT_FIRE, LT_HTTP, LT_IMAGES,
  LT_LABEL, LT_MAP, LT_MEMO, LT_MENU, LT_MES, LT_PARTICLE, LT_TIMER, LT_VIDEO, LT_SOUND,
  LT_MAPIMG, LT_WAVE, LT_TILE, LT_SLIDER, LT_SCROLLBAR, LT_GAUGE, LT_CGLABEL, LT_PREVMENU,
  LT_PROPMOTION, LT_CABINET
};

// Names beginning with this byte are the system's own: never saved, and
// sorted below every other sibling.
inline constexpr char kSystemNamePrefix = '\001';
// The flip snapshot's name, drawn above every sibling.
inline constexpr std::string_view kSnapshotName = "\001\001";

class TOpalObject {
 public:
  // Objects are made through the stage (TOpalBaseList::Create), which
  // registers and names them; `owner` may be none for a stage itself.
  explicit TOpalObject(TOpalBaseList* owner);
  virtual ~TOpalObject();
  TOpalObject(const TOpalObject&) = delete;
  TOpalObject& operator=(const TOpalObject&) = delete;

  TOpalBaseList* Owner() const { return Owner_; }
  // Unique within the stage and never reused, so a stale id finds nothing.
  uint64_t Id() const { return Id_; }
  const std::string& Name() const { return Name_; }
  bool HasSystemName() const { return !Name_.empty() && Name_[0] == kSystemNamePrefix; }
  int32_t Priority() const { return Priority_; }
  // Priority + PriorityOffset, the sibling order's key.
  int64_t OrderKey() const { return int64_t{Priority_} + PriorityOffset; }

  std::string Tag;
  int32_t PriorityOffset = 0;

  virtual uint8_t Kind() const { return LT_NONE; }
  // The class's bit in the property table's Classes column (pc::), 0 for
  // the internal classes.
  virtual uint32_t ClassBit() const { return 0; }
  virtual TOpalControl* AsControl() { return nullptr; }
  const TOpalControl* AsControl() const { return const_cast<TOpalObject*>(this)->AsControl(); }
  // The object as a message window (what the text commands use), or none.
  virtual TMessageWindow* AsMessageWindow() { return nullptr; }

  // The class's property rows (stage/property_table.h); a class with
  // properties of its own returns its table, built on its parent's.
  virtual const TPropertyTable& Properties() const;
  // The property pair, through the rows: GetProperty leaves `v` (preset to
  // the unsupported value) alone and answers false for a property the class
  // lacks; SetProperty ignores such a property and a property the class
  // answers but does not let be written.
  bool GetProperty(int id, TPropValue& v) const;
  bool SetProperty(int id, const TPropValue& v);

  // Renames through the stage's clash rule (ResolveNameClash).
  void SetName(std::string_view name);
  virtual void SetPriority(int32_t priority);
  virtual void SetParent(TOpalControl* parent) { (void)parent; }
  virtual TOpalControl* GetParent() const { return nullptr; }
  virtual TOpalBase* GetBase() { return nullptr; }
  TCustomDIBX* GetCanvas();
  virtual int32_t ChildCount() const { return 0; }
  virtual TOpalControl* ChildAt(int32_t index) const {
    (void)index;
    return nullptr;
  }

  // The per-frame tick of `elapsedMs` milliseconds (the stage's clock);
  // true asks the stage to destroy the object.
  virtual bool Update(int32_t elapsedMs) {
    (void)elapsedMs;
    return false;
  }
  virtual bool Paused() const { return false; }
  // The PR_ONIDLE handler, queued by the stage every frame when set.
  virtual std::string IdleHandler() const { return {}; }
  // A menu or map image closing after a choice sends no events.
  virtual bool Closing() const { return false; }

  // The saved record; `version` is the save-data format number.
  virtual void SaveToStream(TStream& s) const;
  virtual void LoadFromStream(TStream& s, int32_t version);

  virtual bool AutoName() const { return true; }
  virtual void ReleasePixels() {}
  virtual void RecreatePixels() {}
  // After a whole stage was loaded: classes that rebuild what their record
  // does not hold (message windows lay their pages out again) do it here.
  virtual void Restore() {}
  virtual void EnterCabinet() {}
  virtual void LeaveCabinet() {}
  virtual bool InCabinet() const { return false; }
  bool MarkedForDeletion() const { return Marked_; }

 protected:
  // What a clash does to the other object that bears the wanted name.
  virtual void ResolveNameClash(TOpalObject& other);

 private:
  friend class TOpalBaseList;

  TOpalBaseList* Owner_;
  uint64_t Id_ = 0;
  std::string Name_;
  int32_t Priority_ = 0;
  bool Marked_ = false;  // marked for deletion
};

// Registered with the stage; the stage marks and destroys it.
class TOpalComponent : public TOpalObject {
 public:
  using TOpalObject::TOpalObject;
};

// The save-data format number this build writes.
inline constexpr int32_t kSaveVersion = 138;

}  // namespace opal
