// TStageServices: what a stage's objects use of the program around them,
// given to the stage when it is made. Every place is a non-owning pointer
// that may be empty (a bare stage has none); each class says below what it
// does without its place. The owner keeps the services object and what it
// points to alive for the stage's whole life, and may fill a place later
// (the runtime fills the variables once the project exists and the screen
// once the display is up): an object reads a place when it is made or when
// it uses it, so a place is filled before the objects that keep it are made.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace opal {

class Cursors;
class TBrioCollection;
class TCustomDIBX;
class TFontPixelManager;
class TOpalHistoryFormatManager;
class TOpalMessageStore;
class TOpalReadList;
class TMotionSource;
class TParamCollection;
class TSoundMixer;
class TStageWipe;
class TStream;
class TVideoDecoder;
class TWordHost;
struct TWipeRequest;

// The compiled messages of the scenario's text commands, found again by
// the page name and the command's index in that page (a restored message
// window lays its message out again from there).
class TMessageStore {
 public:
  virtual ~TMessageStore() = default;
  // The compiled message of the text command at `command` of `page`;
  // empty when the page cannot be had or that command holds no message.
  // Never throws.
  virtual std::string Message(const std::string& page, int32_t command) = 0;
};

// Files of the game data the stage reads itself (cursor files).
class TStageFiles {
 public:
  virtual ~TStageFiles() = default;
  // Appends the whole file `name` to `out`; throws EOpalError when the file
  // cannot be read.
  virtual void Load(std::string_view name, TStream& out) = 0;
};

// The films of motion files (".omt").
class TMotionLoader {
 public:
  virtual ~TMotionLoader() = default;
  // The frame tracks of `file`, or none when there is no such film (the
  // control then has no motion).
  virtual std::unique_ptr<TMotionSource> LoadMotion(const std::string& file) = 0;
};

// Makes the transition of a wipe kind.
class TWipeFactory {
 public:
  virtual ~TWipeFactory() = default;
  // The wipe of `request.Kind` from the old to the new picture onto the
  // destination, or none for a kind without one (the switch is instant).
  virtual std::unique_ptr<TStageWipe> MakeWipe(const TWipeRequest& request) = 0;
};

struct TStageServices {
  // The decoded pictures image objects share; without it objects show no
  // picture.
  TBrioCollection* ImageCache = nullptr;
  // The game's variables: map images write their choice into them, image
  // lists evaluate their extra waits, the input step reads the cursor
  // name. Without them these are skipped.
  TParamCollection* Vars = nullptr;
  // The program's glyph cache; a message window made without it keeps a
  // cache of its own over no fonts.
  TFontPixelManager* Fonts = nullptr;
  // What message windows evaluate VAR glyphs and find inline pictures
  // with; without it such glyphs stay empty.
  TWordHost* WordHost = nullptr;
  // Where restored message windows find their messages; without it a
  // restored window shows no message.
  TMessageStore* Messages = nullptr;
  // Where the mouse step shows cursors (without it cursors are left as
  // they are) and how it reads a cursor file (without it no file is read).
  Cursors* CursorDevice = nullptr;
  TStageFiles* Files = nullptr;
  // The films of motion files; without it no control gets a motion.
  TMotionLoader* Motions = nullptr;
  // The wipes of transitions; without it every switch is instant.
  TWipeFactory* Wipes = nullptr;
  // The screen buffer the active base draws into while no transition runs;
  // without it the stage composes into its private buffer.
  TCustomDIBX* Screen = nullptr;
  // The sound output and the video decoder; an object that finds none
  // goes without.
  TSoundMixer* Mixer = nullptr;
  TVideoDecoder* Video = nullptr;
  // The message history and the read marks: without them a message window
  // records nothing and every page starts as unread. The message pages are
  // where a window finds the messages history shows; without them history
  // shows nothing.
  TOpalHistoryFormatManager* History = nullptr;
  TOpalReadList* ReadMarks = nullptr;
  TOpalMessageStore* MessagePages = nullptr;
};

}  // namespace opal
