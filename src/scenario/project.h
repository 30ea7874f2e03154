// TProject: the running game. It locates and checks the game data, loads
// the project file with the game's settings, declares the persistent
// variables, knows which folder is on which disc, and asks for discs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/install_set.h"
#include "scenario/project_file.h"
#include "storage/vr_file_manager.h"

namespace opal {

class TParamCollection;
class MessageBoxes;

// What the project takes from the program around it.
struct TProjectEnvironment {
  TVrFileManager* Files = nullptr;
  TParamCollection* Vars = nullptr;
  MessageBoxes* Boxes = nullptr;
  std::string ExeFolder;          // native folder of the player
  std::vector<std::string> Args;  // the command line after the program name
};

class TProject : public TDiskRequestHost {
 public:
  explicit TProject(TProjectEnvironment env);

  // The start-up: locate the game data, load and apply opal.opb, declare
  // its variables and check the start page. False when the player must
  // stop; TerminateRequested then stays set and LastError says why (one
  // line, CP932), also when a message box has told the player.
  bool Create();
  // Applies a loaded project file (settings, declarations, disc list).
  void Apply(const TProjectFile& file);
  // Whether a file can be read now, asking for its disc when needed.
  bool EnsureAvailable(std::string_view file_name);
  // Locating the game data: install.dat, game.dat and the disc search.
  bool LocateGameData();
  // Records a file the game wrote into its data folder in install.dat
  // (when there is one there). False when nothing was written.
  bool NoteCreatedFile(std::string_view name);

  // TDiskRequestHost
  bool AskOkCancel(const std::string& text) override;
  void RequestTerminate() override { TerminateRequested = true; }
  std::string DiskPrompt() override { return DiscPrompt; }
  std::string ExitPrompt() override { return ExitPromptText; }
  bool IsGameDisc(const std::string& install_dat_path, int index) override;

  std::string Title;
  int32_t Width = 0, Height = 0;
  int32_t CenterX = 0, CenterY = 0;  // the stage centre the system variables report
  int32_t FullScreenWidth = 0, FullScreenHeight = 0;
  std::string StartPage, ClosingPage, RegistryKey;
  int32_t ImageTileSeed = 0;
  bool SaveToDisk = true;
  bool YieldCpu = true;
  std::string OptionalMediaExtensions = ".wav.wma.ogg";
  bool PauseWhenInactive = false;
  int32_t LoadRequest = -1, SaveRequest = -1;
  TFolderDiskList FolderDisks;
  std::string DiscPrompt;
  std::string ExitPromptText;
  // Stands for the shell's terminate request until the shell owns it.
  bool TerminateRequested = true;
  std::string LastError;
  // From install.dat while locating the game data.
  std::string InstallTitle;
  bool FullInstall = false;

  // Seams for the next issues: the interpreter (TCallMan) is created in
  // Create's last step and the save data (save.dat) is read in its
  // second; neither exists yet.

 private:
  bool IsInstallOf(const std::string& native_install_path, int index);
  void Warn(const std::string& text);

  TProjectEnvironment Env_;
  // One insert-disc or exit question; true for OK.
  bool AskDiscQuestion(const std::string& text, const std::string& caption, bool exit_question);

  // The next OK/Cancel question of a disc request is the exit question.
  bool ExitQuestionNext_ = false;
  // Questions asked in the current search; past the limit the search ends
  // without asking.
  int Questions_ = 0;
  static constexpr int kMaxDiscQuestions = 1000;
};

}  // namespace opal
