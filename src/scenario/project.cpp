#include "scenario/project.h"

#include "common/cp932.h"
#include "common/diagnostics.h"
#include "common/error.h"
#include "expr/param_collection.h"
#include "platform/message_boxes.h"
#include "scenario/messages.h"
#include "storage/disk_path.h"
#include "storage/messages.h"

namespace opal {

TProject::TProject(TProjectEnvironment env) : Title(msg::kInformation), Env_(std::move(env)) {
  DiscPrompt = msg::kInsertDisk;
  ExitPromptText = msg::kExit;
}

void TProject::Warn(const std::string& text) {
  Env_.Boxes->Show(text, msg::kWarning, TMsgButtons::Ok, TMsgIcon::Warning);
}

bool TProject::Create() {
  DiscPrompt = msg::kInsertDisk;
  ExitPromptText = msg::kExit;
  TerminateRequested = true;
  // Seam: SaveTitles and the status data come from save.dat here.
  Title = msg::kInformation;
  LastError.clear();
  if (Env_.Args.empty() || Env_.Args[0] != "/config") {
    if (!LocateGameData()) return false;
  }
  TMemoryStream data;
  try {
    Env_.Files->LoadToStream(data, "opal.opb");
  } catch (const EOpalError& e) {
    LastError = e.what();
    return false;
  }
  if (data.Size() == 0) {
    Warn(msg::kNoProject);
    LastError = "opal.opb is empty";
    return false;
  }
  TProjectFile file;
  try {
    file.LoadFromStream(data);
  } catch (const EOpalError& e) {
    // Said rather than stopping in silence, so a newer or damaged project
    // never looks like an empty game.
    LastError = std::string("opal.opb: ") + e.what();
    return false;
  }
  Apply(file);
  if (Env_.Files->Exists("/original_opal.opb")) {
    TMemoryStream original;
    TProjectFile o;
    try {
      Env_.Files->LoadToStream(original, "/original_opal.opb");
      o.LoadFromStream(original);
      FolderDisks = o.FolderDisks;
    } catch (const EOpalError& e) {
      // The game runs with the disc list of its own project.
      ReportError(std::string("original_opal.opb: ") + e.what());
    }
  }
  // Seam: CallMan is created here and starts StartPage.
  if (StartPage.empty() || !Env_.Files->Exists(StartPage)) {
    Warn(msg::kNoStartPage);
    LastError = StartPage.empty() ? std::string("the project names no start page")
                                  : "the start page " + StartPage + " is missing";
    TerminateRequested = true;
    return false;
  }
  return true;
}

void TProject::Apply(const TProjectFile& f) {
  Title = f.Title;
  Width = f.Width;
  Height = f.Height;
  CenterX = f.Width / 2;
  CenterY = f.Height / 2;
  FullScreenWidth = f.FullScreenWidth;
  FullScreenHeight = f.FullScreenHeight;
  StartPage = f.StartPage;
  ClosingPage = f.ClosingPage;
  RegistryKey = f.RegistryKey;
  ImageTileSeed = f.ImageTileSeed;
  SaveToDisk = f.SaveToDisk != 0;
  YieldCpu = f.YieldCpu != 0;
  OptionalMediaExtensions = f.OptionalMediaExtensions;
  PauseWhenInactive = f.PauseWhenInactive != 0;
  DiscPrompt = f.DiscPrompt;
  ExitPromptText = f.ExitPrompt;
  if (Env_.Vars != nullptr) {
    TParamCollection& vars = *Env_.Vars;
    for (const TVarDeclaration& d : f.Variables) {
      if (d.Type < 1 || d.Type > 4 || vars.FindVar(d.Name) != nullptr) continue;
      TParamCollectionItem* v = vars.AddVar(d.Type);
      try {
        vars.NameVar(v, d.Name);
      } catch (const EOpalError&) {
        vars.DeleteVar(v);  // a name the table refuses declares nothing
        continue;
      }
      v->Persistent = 1;
      switch (d.Type) {
        case 1: v->Value->SetAsInteger(d.IntValue); break;
        case 2: v->Value->SetAsFloat(DecodeExtended(d.FloatBytes.data())); break;
        case 3: v->Value->SetAsFlag(d.FlagValue != 0); break;
        default: v->Value->SetAsString(d.StrValue); break;
      }
    }
  }
  FolderDisks = f.FolderDisks;
  TerminateRequested = false;
}

bool TProject::IsInstallOf(const std::string& native_install_path, int index) {
  try {
    TOpalInstallSet set;
    set.LoadFromFile(native_install_path);
    return set.Title == InstallTitle && (index < 0 || set.DiscIndex == index);
  } catch (const EOpalError&) {
    return false;
  }
}

bool TProject::LocateGameData() {
  TVrFileManager& files = *Env_.Files;
  const std::string exe_dir = TDiskPath::WithSlash(Env_.ExeFolder);
  if (!Env_.ExeFolder.empty() && files.DataFolder().empty() && TDiskPath::FileExists(exe_dir, "install.dat")) {
    files.SetDataFolder(exe_dir);
  }
  if (!files.Exists("install.dat")) {
    Env_.Boxes->Show(msg::kReinstall, msg::kInformation, TMsgButtons::Ok, TMsgIcon::Information);
    LastError = "no install.dat in the data folder " + cp932::FromUtf8(files.DataFolder());
    return false;
  }
  try {
    TMemoryStream data;
    files.LoadToStream(data, "install.dat");
    TOpalInstallSet set;
    set.LoadFromStream(data);
    InstallTitle = set.Title;
    FullInstall = set.FullInstall != 0;
  } catch (const EOpalError& e) {
    LastError = std::string("install.dat: ") + e.what();
    return false;
  }
  if (!Env_.ExeFolder.empty()) {
    if (const auto game = TDiskPath::Resolve(exe_dir, "game.dat")) files.AddArchive(*game);
  }
  if (FullInstall) return true;
  Questions_ = 0;
  while (true) {
    for (const std::string& root : files.CdRoots()) {
      const auto game = TDiskPath::Resolve(root, "game.dat");
      const auto install = TDiskPath::Resolve(root, "install.dat");
      if (game && install && IsInstallOf(*install, -1)) {
        files.AddArchive(*game);
        return true;
      }
    }
    if (AskDiscQuestion(msg::kInsertDiscPlain, msg::kInformation, false)) continue;
    if (AskDiscQuestion(ExitPromptText, Title, true)) {
      LastError = "the game disc was not found";
      return false;
    }
  }
}

bool TProject::AskDiscQuestion(const std::string& text, const std::string& caption, bool exit_question) {
  // Unattended, the disc question is cancelled and the exit question
  // accepted, so the search ends instead of repeating. A backend that
  // ignores that and answers the same forever is stopped by the count.
  if (++Questions_ > kMaxDiscQuestions) {
    if (Questions_ == kMaxDiscQuestions + 1) {
      ReportError(Format("the disc was asked for %d times without an end; stopping", kMaxDiscQuestions));
    }
    return exit_question;
  }
  const TMsgAnswer unattended = exit_question ? TMsgAnswer::Ok : TMsgAnswer::Cancel;
  return Env_.Boxes->Show(text, caption, TMsgButtons::OkCancel, TMsgIcon::Information, unattended) ==
         TMsgAnswer::Ok;
}

bool TProject::EnsureAvailable(std::string_view file_name) {
  if (!file_name.empty() && Env_.Files->Exists(file_name)) return true;
  const int32_t disc = FolderDisks.DiscOf(file_name);
  if (disc <= 0) return false;
  const size_t dot = file_name.find_last_of('.');
  const size_t delim = cp932::LastDelimiter(file_name);
  if (dot != std::string_view::npos && (delim == std::string_view::npos || dot > delim)) {
    const std::string ext = cp932::LowerAscii(file_name.substr(dot)) + ".";
    // A list stored without its leading dot still matches its first entry.
    std::string optional = cp932::LowerAscii(OptionalMediaExtensions) + ".";
    if (optional[0] != '.') optional.insert(0, 1, '.');
    if (optional.find(ext) != std::string::npos) return false;
  }
  ExitQuestionNext_ = false;
  Questions_ = 0;
  return Env_.Files->RequestDisk(disc, *this);
}

bool TProject::AskOkCancel(const std::string& text) {
  // The file manager asks the disc question until it is cancelled, and
  // then the exit question. Which one this is follows from the previous
  // answer, never from the texts, which a project may leave empty or make
  // equal.
  const bool exit_question = ExitQuestionNext_;
  const bool ok = AskDiscQuestion(text, Title, exit_question);
  ExitQuestionNext_ = !exit_question && !ok;
  return ok;
}

bool TProject::IsGameDisc(const std::string& install_dat_path, int index) {
  return IsInstallOf(install_dat_path, index);
}

bool TProject::NoteCreatedFile(std::string_view name) {
  if (Env_.Files->DataFolder().empty()) return false;
  const auto path = TDiskPath::Resolve(Env_.Files->DataFolder(), "install.dat");
  if (!path) return false;
  try {
    TOpalInstallSet set;
    set.LoadFromFile(*path);
    if (set.Version > TOpalInstallSet::kWriteVersion) {
      // Rewriting would drop the fields of a newer installer.
      ReportError(Format("install.dat: version %d is newer than this player writes; left unchanged", set.Version));
      return false;
    }
    if (!set.AddCreatedFile(name)) return false;
    set.SaveToFile(*path);
    return true;
  } catch (const EOpalError& e) {
    ReportError(std::string("install.dat: ") + e.what());
    return false;
  }
}

}  // namespace opal
