#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "platform/FileLock.h"

namespace ostravel::platform {
class CodePage;
}

namespace ostravel {

// "Ostravel.xml" in the plug-in folder: the web service's address, the saved tells, the
// Update page's check boxes per character and the IRC channels. Each load reads the file
// afresh; nothing is held between loads.
//
// Several game clients may share one plug-in folder. Every load and save takes a lock on
// "Ostravel.xml.lock" beside the file (shared for reading, exclusive for a change), so a
// client's load-change-save never interleaves with another's and no one loses the other's
// changes. The text keeps its declared encoding where every character fits (else it is
// written as UTF-8 and declared so); comments, processing instructions and the document
// type go through a save unchanged.
class SettingsFile {
 public:
  // How long a load or a save waits for another client to finish its own.
  static constexpr std::chrono::milliseconds kLockWait{5000};

  // Loads the file for reading; a file without an encoding declaration that is not UTF-8 is
  // read in `ansi` (a file saved by a plain editor). Throws Error -2146697211 "Ostravel.xml
  // not found" when it is missing, -1072896763 "Parse failed in Ostravel.xml on line N" when
  // it is not well-formed XML, and the reader's own reason for anything else.
  static SettingsFile Load(const std::filesystem::path& folder, const platform::CodePage& ansi,
                           std::chrono::milliseconds wait = kLockWait);
  // The same with the Western European code page for undeclared non-UTF-8 files.
  static SettingsFile Load(const std::filesystem::path& folder);

  // Loads the file for a change: other clients can neither load nor save it until this
  // object ends, so the change and the Save that follows work on what is really there.
  // Throws as Load does, and Error "Ostravel.xml is locked by another program" when
  // another client kept it for the whole `wait`.
  static SettingsFile LoadForChange(const std::filesystem::path& folder,
                                    const platform::CodePage& ansi,
                                    std::chrono::milliseconds wait = kLockWait);

  // Every element of that name, wherever it stands, in document order.
  std::vector<pugi::xml_node> ElementsByTagName(const char* name) const;
  // The first element of that name in document order; empty when there is none.
  pugi::xml_node FirstElement(const char* name) const;

  // Writes the whole document back so that a reader sees the old file or the new one, never
  // a part; a file loaded for reading waits for the lock as its load did. Throws Error when it
  // cannot (a read-only file, a vanished folder, a full disk); the old file then stays as it was.
  void Save() const;

  pugi::xml_document& Document() { return *document_; }

  static constexpr const char* kFileName = "Ostravel.xml";
  static constexpr const char* kLockFileName = "Ostravel.xml.lock";
  // The number of the error "Ostravel.xml not found" (the platform parser's 0x800C0005).
  static constexpr std::int32_t kFileNotFound = -2146697211;

 private:
  explicit SettingsFile(const std::filesystem::path& folder);
  static platform::FileLock Lock(const std::filesystem::path& folder, platform::FileLock::Mode mode,
                                 std::chrono::milliseconds wait);
  void Read(const platform::CodePage& ansi);
  std::string Encode() const;

  std::filesystem::path folder_;
  std::filesystem::path path_;
  std::unique_ptr<pugi::xml_document> document_;
  int encoding_;  // the code page the file is written in
  bool byte_order_mark_ = false;
  std::optional<platform::FileLock> lock_;  // held from LoadForChange to the end
  std::chrono::milliseconds wait_ = kLockWait;
};

}  // namespace ostravel
