// TVrFileManager: answers a relative game name ("system\\menu.osb") from the
// data folder, the archive sources in their order and the CD-ROM roots.
// Exists asks the archives first, LoadToStream the data folder first, so a
// loose file in the data folder overrides an archived one when loading.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/range_stream.h"
#include "storage/stream.h"
#include "storage/vr_files.h"

namespace opal {

struct TVrLockData {
  std::string Name;  // the virtual name, compared exactly
  int32_t Id = 0;
  int32_t RefCount = 0;
  std::string Path;  // the temporary file
};

struct TVrLockList {
  std::vector<TVrLockData> Items;
  int32_t NextId = 0;
};

// What multi-disc support needs from the rest of the player: the two
// questions, the project's own prompts, and the install-data check.
class TDiskRequestHost {
 public:
  virtual ~TDiskRequestHost() = default;
  // Shows an OK/Cancel box with the CP932 text; true for OK.
  virtual bool AskOkCancel(const std::string& text) = 0;
  // Asks the program to end (sets the terminate request, closes the window).
  virtual void RequestTerminate() = 0;
  // The project's disc prompt (a format with one %d) and exit prompt.
  virtual std::string DiskPrompt() = 0;
  virtual std::string ExitPrompt() = 0;
  // Whether install.dat at this native path names this game and disc `index`.
  virtual bool IsGameDisc(const std::string& install_dat_path, int index) = 0;
};

class TVrFileManager {
 public:
  // `cd_roots` are native folders that stand for discs in CD-ROM drives.
  // Temporary files go to a private folder made below `temp_parent`
  // ($TMPDIR or /tmp when empty).
  explicit TVrFileManager(std::vector<std::string> cd_roots = {}, const std::string& temp_parent = "");
  ~TVrFileManager();
  TVrFileManager(const TVrFileManager&) = delete;
  TVrFileManager& operator=(const TVrFileManager&) = delete;

  // Registers an archive file (or a folder, or with an empty name the
  // in-memory source); -1 when a source already has this base folder.
  int AddArchive(const std::string& name);
  // Registers an archive held in a resource of a module; `module_path` other
  // than the executable cannot be loaded here and gives an empty source.
  int AddResourceArchive(const std::string& module_path, const std::string& resource_name,
                         const std::string& resource_type);
  int AddResourceArchive(const TResourceModule& module, const std::string& resource_name,
                         const std::string& resource_type);
  void RemoveSource(int index);
  int SourceCount() const { return static_cast<int>(Sources_.size()); }
  TVrFileCollection& Source(int index) { return *Sources_[static_cast<size_t>(index)]; }

  void SetDataFolder(const std::string& path);
  const std::string& DataFolder() const { return DataFolder_; }
  const std::vector<std::string>& CdRoots() const { return CdRoots_; }
  const std::string& TempFolder() const { return TempFolder_; }
  const TVrLockList& Locks() const { return Locks_; }

  bool Exists(std::string_view name);
  // The content of `name`, decompressed, into `stream`, rewound.
  void LoadToStream(TStream& stream, std::string_view name);
  // A native path a media player can open; archived files are extracted to
  // a temporary file once and shared while the manager lives.
  std::string GetRealFileName(std::string_view name);
  std::unique_ptr<TRangeStream> OpenRangeStream(std::string_view name);
  TVrFile* FindEntry(std::string_view name);
  void ListFiles(std::string_view folder, std::vector<std::string>& list);
  static std::string ExtractDir(std::string_view name);

  bool RequestDisk(int disk_number, TDiskRequestHost& host);
  bool MountDisk(int index, TDiskRequestHost& host);

  // Per-frame housekeeping: deletes the files queued for deletion.
  void Housekeeping();

 private:
  void LoadDiskFile(TStream& stream, const std::string& path);
  std::string ExtractToTemp(std::string_view name);

  std::vector<std::unique_ptr<TVrFileCollection>> Sources_;
  std::string DataFolder_;
  std::vector<std::string> CdRoots_;
  TVrLockList Locks_;
  std::string TempFolder_;
  std::string PrivateFolder_;  // made on the first extraction, removed at the end
  std::vector<std::string> DeleteQueue_;
};

}  // namespace opal
