// TOpalCustomImages: an image that shows the frames of a frame list and
// animates through them by their display times. TOpalImages: the image
// object of ImgNew (kind 8).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "components/custom_image.h"
#include "components/image_list.h"
#include "expr/opal_parser.h"

namespace opal {

class TOpalCustomImages : public TOpalCustomImage {
 public:
  // The event kind of the play-end handler.
  static constexpr uint8_t kPlayEndEvent = 43;

  explicit TOpalCustomImages(TOpalBaseList* owner);

  // The list whose frames are shown; null when none.
  virtual TOpalImageList* ShownList() const = 0;
  TCustomDIBX* ShownPixels() const override;
  TCustomDIBX* ShownMask() const override;
  const TPropertyTable& Properties() const override;
  bool Paused() const override { return PausedFlag; }
  bool Update(int32_t elapsedMs) override;
  void SetVisible(bool v) override;
  void ReleasePixels() override;
  void ShowMotionPicture(TCustomDIBX* pixels, TCustomDIBX* mask) override;

  // PR_INDEX: shows frame `index` of the shown list (none when outside it).
  void SelectFrame(int32_t index);
  void SetBrightness(int32_t v);
  void SetPaused(bool v);
  int32_t Index() const { return Index_; }
  // PR_COUNT: the frames of the shown list.
  int32_t FrameCount() const;
  // PR_PLAYING: neither paused nor held, and repeating or short of the end.
  bool Animating() const;
  int64_t TimeLeft() const { return TimeLeft_; }
  virtual bool Repeats() const { return false; }
  virtual bool AutoScraps() const { return false; }
  virtual const std::string& PlayEndHandler() const;
  // Standing on the last frame with its time used up (and not repeating).
  bool AtEnd() const;

  bool PausedFlag = false;
  // Added to the last frame's time when it is entered (PR_DELAY of ImgNew).
  TOpalParser ExtraWait;

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;

 protected:
  // One animation step; true asks to be destroyed.
  bool Animate(int32_t elapsedMs);
  int32_t ExtraWaitMs();
  // Restores the index and time left read from a saved record once the
  // source has been re-applied.
  void RestoreFrame();

  int64_t TimeLeft_ = 0;
  int32_t Index_ = -1;
  int32_t Brightness_ = 0;
  // The last frame's play-end was reached (queued once, or destroyed).
  bool Ended_ = false;
  int32_t SavedIndex_ = -1;
  int64_t SavedTimeLeft_ = 0;
  // A motion's picture, shown instead of the list's while set.
  TCustomDIBX* MotionPixels_ = nullptr;
  TCustomDIBX* MotionMask_ = nullptr;
};

class TOpalImages : public TOpalCustomImages {
 public:
  explicit TOpalImages(TOpalBaseList* owner);

  uint8_t Kind() const override { return LT_IMAGES; }
  uint32_t ClassBit() const override { return pc::Images; }
  TOpalImageList* ShownList() const override { return Lists_.front().get(); }
  const TPropertyTable& Properties() const override;
  std::string IdleHandler() const override { return OnIdle; }
  bool Repeats() const override { return Repeat; }
  bool AutoScraps() const override { return AutoScrap; }
  const std::string& PlayEndHandler() const override { return OnPlayEnd; }
  void RecreatePixels() override;

  void SetSource(const std::string& v);
  const std::string& Source() const { return Source_; }

  bool Repeat = false;
  bool AutoScrap = false;
  std::string OnPlayEnd;
  std::string OnIdle;

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;

 private:
  // After a PR_REPEAT write: a repeating image at its end plays on.
  void RepeatWritten();

  std::vector<std::unique_ptr<TOpalImageList>> Lists_;
  std::string Source_;
};

// Whether a file name ends in `ext` (".bri"), compared without case.
bool HasExtension(const std::string& name, const char* ext);

}  // namespace opal
