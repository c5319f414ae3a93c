#include "web/SettingsFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/Error.h"

namespace ostravel {
namespace {

// The numbers the platform's XML parser reports, kept so that log lines read the same.
constexpr std::int32_t kFileNotFound = -2146697211;  // 0x800C0005
constexpr std::int32_t kParseFailed = -1072896763;   // 0xC00CE505
constexpr std::int32_t kUnspecified = -2147467259;   // 0x80004005
constexpr const char* kParserSource = "pugixml";

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

}  // namespace

SettingsFile::SettingsFile(std::filesystem::path path)
    : path_(std::move(path)), document_(std::make_unique<pugi::xml_document>()) {}

SettingsFile SettingsFile::Load(const std::filesystem::path& folder) {
  SettingsFile settings(folder / kFileName);
  std::error_code error;
  if (!std::filesystem::is_regular_file(settings.path_, error)) {
    throw Error(kFileNotFound, "Ostravel.xml not found", kParserSource);
  }
  std::ifstream in(settings.path_, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  if (!in) throw Error(kUnspecified, "Ostravel.xml could not be read", kParserSource);
  const std::string text = content.str();

  const auto result = settings.document_->load_buffer(
      text.data(), text.size(), pugi::parse_default | pugi::parse_declaration);
  if (IsParseError(result.status)) {
    throw Error(
        kParseFailed,
        "Parse failed in Ostravel.xml on line " + std::to_string(LineAt(text, result.offset)),
        kParserSource);
  }
  if (!result) throw Error(kUnspecified, result.description(), kParserSource);
  return settings;
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

void SettingsFile::Save() const {
  auto fresh = path_;
  fresh += ".new";
  {
    std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
    document_->save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(fresh, ignored);
      throw Error(kUnspecified, "Ostravel.xml could not be written", kParserSource);
    }
  }
  std::error_code error;
  std::filesystem::rename(fresh, path_, error);
  if (error) {
    std::filesystem::remove(fresh, error);
    throw Error(kUnspecified, "Ostravel.xml could not be replaced", kParserSource);
  }
}

}  // namespace ostravel
