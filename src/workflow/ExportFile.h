#pragma once
// The export file of one run in an XML directory that other runs share:
// written under a temporary name of the run's own, created exclusively, and
// put in place as "qalo_export_yymmdd_hhnnss.xml" only when complete, never
// over a file that is there already. Unless it was put in place, the
// temporary file is removed when the object goes away, on every path.
// A taken name costs no time: the run takes the next free second at once,
// so in a burst the stamps run a few seconds ahead of the clock.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/FileSystem.h"

namespace qalo {

class ExportFile {
 public:
  // files outlives the object; nothing is created before Write.
  ExportFile(FileSystem& files, std::string xmlDir);
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  // Appends n bytes. The first call creates the temporary file, after the
  // abandoned temporary files of killed runs have been removed. False on
  // failure, and every later Write and Commit fails too.
  bool Write(const std::uint8_t* data, std::size_t n);

  // Puts the file in place (an empty one when nothing was written) under
  // the time stamp of `stamp` (a day count), or of the first of the next
  // kSecondsToTry - 1 seconds whose name is free, at once. The name it was put under,
  // or nullopt on failure (the temporary file is gone then). Once only.
  std::optional<std::string> Commit(double stamp);

  const std::string& XmlDir() const noexcept { return xmlDir_; }

 private:
  // Creates the temporary file unless it exists; false after any failure.
  bool Open();

  FileSystem& files_;
  std::string xmlDir_;
  std::unique_ptr<WritableFile> file_;
  bool failed_ = false;
};

// xmlDir + "\qalo_export_" + time stamp + ".xml".
std::string ExportFileName(const std::string& xmlDir, double now);

// How many seconds from its stamp on a run tries before it gives up: an
// hour. The directory takes one name a second, so a burst puts the stamps
// as far ahead of the clock as it is runs ahead of the seconds (four hosts
// back to back for eighty runs: more than a minute); giving up means a
// retrieval lost, and each try costs one refused rename.
constexpr int kSecondsToTry = 3600;

// The names of the runs' temporary files.
constexpr const char* kTemporaryPrefix = "qalo_tmp_";
constexpr const char* kTemporaryPattern = "qalo_tmp_*.tmp";

// Removes the temporary files in xmlDir that nobody holds open: a live run
// holds its own open from creation to placement, so these were left by runs
// that were killed.
void RemoveAbandonedTemporaries(FileSystem& files, const std::string& xmlDir);

}  // namespace qalo
