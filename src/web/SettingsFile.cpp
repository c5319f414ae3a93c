#include "web/SettingsFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/Error.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/TextEncoding.h"
#include "web/SettingsText.h"

namespace ostravel {
namespace {

// The numbers the platform's XML parser reports, kept so that log lines read the same.
constexpr std::int32_t kParseFailed = -1072896763;  // 0xC00CE505
constexpr std::int32_t kUnspecified = -2147467259;  // 0x80004005
// The system's numbers for failed file operations, as the platform reports them.
constexpr std::int32_t kAccessDenied = -2147024891;   // 0x80070005
constexpr std::int32_t kPathNotFound = -2147024893;   // 0x80070003
constexpr std::int32_t kDiskFull = -2147024784;       // 0x80070070
constexpr std::int32_t kLockViolation = -2147024863;  // 0x80070021
constexpr const char* kParserSource = "pugixml";

// Element text and attribute values keep every character; the rest (comments, processing
// instructions, the document type) is kept so that a save changes nothing it does not own.
constexpr unsigned kParseOptions = pugi::parse_full;

bool IsParseError(pugi::xml_parse_status status) {
  switch (status) {
    case pugi::status_ok:
    case pugi::status_file_not_found:
    case pugi::status_io_error:
    case pugi::status_out_of_memory:
    case pugi::status_internal_error:
      return false;
    default:
      return true;
  }
}

int LineAt(const std::string& text, std::ptrdiff_t offset) {
  const auto end = text.begin() + std::clamp<std::ptrdiff_t>(offset, 0, std::ssize(text));
  return 1 + static_cast<int>(std::count(text.begin(), end, '\n'));
}

[[noreturn]] void NotFound() {
  throw Error(SettingsFile::kFileNotFound, "Ostravel.xml not found", kParserSource);
}

void RequireFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) NotFound();
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) {
    RequireFile(path);
    throw Error(kAccessDenied, "Ostravel.xml may not be read", Error::kOwnSource);
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw Error(kUnspecified, "Ostravel.xml could not be read", Error::kOwnSource);
  return std::move(content).str();
}

[[noreturn]] void WriteFailed(platform::WriteStatus status) {
  switch (status) {
    case platform::WriteStatus::kAccessDenied:
      throw Error(kAccessDenied, "Ostravel.xml is read-only or its folder may not be written",
                  Error::kOwnSource);
    case platform::WriteStatus::kPathNotFound:
      throw Error(kPathNotFound, "The folder of Ostravel.xml was not found", Error::kOwnSource);
    case platform::WriteStatus::kDiskFull:
      throw Error(kDiskFull, "Not enough disk space to save Ostravel.xml", Error::kOwnSource);
    default:
      throw Error(kUnspecified, "Ostravel.xml could not be written", Error::kOwnSource);
  }
}

}  // namespace

SettingsFile::SettingsFile(const std::filesystem::path& folder)
    : folder_(folder),
      path_(folder / kFileName),
      document_(std::make_unique<pugi::xml_document>()),
      encoding_(platform::kUtf8) {}

platform::FileLock SettingsFile::Lock(const std::filesystem::path& folder,
                                      platform::FileLock::Mode mode,
                                      std::chrono::milliseconds wait) {
  auto lock = platform::FileLock::Acquire(folder / kLockFileName, mode, wait);
  // Without a lock file (a folder that is gone or may not be written) nobody can lock it:
  // reading relies on the atomic replacement, and a save fails on its own.
  if (lock.Result() == platform::FileLock::Outcome::kBusy) {
    throw Error(kLockViolation, "Ostravel.xml is locked by another program", Error::kOwnSource);
  }
  return lock;
}

SettingsFile SettingsFile::Load(const std::filesystem::path& folder, const platform::CodePage& ansi,
                                std::chrono::milliseconds wait) {
  SettingsFile settings(folder);
  // Checked first so that a folder without settings gets no lock file either.
  RequireFile(settings.path_);
  const auto lock = Lock(folder, platform::FileLock::Mode::kShared, wait);
  settings.Read(ansi);
  settings.wait_ = wait;
  return settings;
}

SettingsFile SettingsFile::Load(const std::filesystem::path& folder) {
  return Load(folder, *platform::CodePage::Open(1252));
}

SettingsFile SettingsFile::LoadForChange(const std::filesystem::path& folder,
                                         const platform::CodePage& ansi,
                                         std::chrono::milliseconds wait) {
  SettingsFile settings(folder);
  RequireFile(settings.path_);
  auto lock = Lock(folder, platform::FileLock::Mode::kExclusive, wait);
  settings.Read(ansi);
  settings.lock_.emplace(std::move(lock));
  return settings;
}

void SettingsFile::Read(const platform::CodePage& ansi) {
  const SettingsText text = DecodeSettingsText(ReadBytes(path_), ansi);
  encoding_ = text.encoding;
  byte_order_mark_ = text.byte_order_mark;
  const auto result = document_->load_buffer(text.utf8.data(), text.utf8.size(), kParseOptions,
                                             pugi::encoding_utf8);
  if (IsParseError(result.status)) {
    throw Error(
        kParseFailed,
        "Parse failed in Ostravel.xml on line " + std::to_string(LineAt(text.utf8, result.offset)),
        kParserSource);
  }
  if (!result) throw Error(kUnspecified, result.description(), kParserSource);
}

std::vector<pugi::xml_node> SettingsFile::ElementsByTagName(const char* name) const {
  struct Collector : pugi::xml_tree_walker {
    const char* name;
    std::vector<pugi::xml_node> found;
    bool for_each(pugi::xml_node& node) override {
      if (node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0) {
        found.push_back(node);
      }
      return true;
    }
  } collector;
  collector.name = name;
  document_->traverse(collector);
  return std::move(collector.found);
}

pugi::xml_node SettingsFile::FirstElement(const char* name) const {
  return document_->find_node([name](pugi::xml_node node) {
    return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
  });
}

std::string SettingsFile::Encode() const {
  DeclareEncoding(*document_, encoding_);
  if (auto bytes = platform::EncodeText(SerializeDocument(*document_), encoding_)) {
    return ByteOrderMark(byte_order_mark_ ? encoding_ : 0) + *bytes;
  }
  // Some character has no form in the file's encoding: UTF-8 holds them all.
  DeclareEncoding(*document_, platform::kUtf8);
  return (byte_order_mark_ ? ByteOrderMark(platform::kUtf8) : "") + SerializeDocument(*document_);
}

void SettingsFile::Save() const {
  // A file loaded for reading only is still saved under the lock, for the write at least.
  std::optional<platform::FileLock> own;
  if (!lock_ || !lock_->Held()) {
    own.emplace(Lock(folder_, platform::FileLock::Mode::kExclusive, wait_));
  }
  const auto status = platform::ReplaceFileContent(path_, Encode());
  if (status != platform::WriteStatus::kWritten) WriteFailed(status);
}

}  // namespace ostravel
