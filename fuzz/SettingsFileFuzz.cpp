// The settings file: any bytes either load or are refused with the plug-in's error, and a
// loaded file saved and loaded again has the same elements, attributes and text.
#include <fstream>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "FuzzContext.h"
#include "base/Error.h"
#include "web/SettingsFile.h"

namespace ostravel::fuzz {
namespace {

// The elements, attributes and text of a document in document order, one entry a node, with
// its depth; comments, declarations and the like are not settings and are left out.
std::vector<std::string> Content(pugi::xml_document& document) {
  struct Walker : pugi::xml_tree_walker {
    std::vector<std::string> entries;
    bool for_each(pugi::xml_node& node) override {
      std::string entry = std::to_string(depth()) + " ";
      switch (node.type()) {
        case pugi::node_element:
          entry += "<";
          entry += node.name();
          for (const auto attribute : node.attributes()) {
            entry += " ";
            entry += attribute.name();
            entry += "=";
            entry += attribute.value();
          }
          break;
        case pugi::node_pcdata:
        case pugi::node_cdata:
          entry += "text ";
          entry += node.value();
          break;
        default:
          return true;
      }
      entries.push_back(std::move(entry));
      return true;
    }
  } walker;
  document.traverse(walker);
  return std::move(walker.entries);
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Require(static_cast<bool>(out), "the test folder takes the file");
}

}  // namespace
}  // namespace ostravel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostravel;
  using fuzz::Require;
  auto& world = fuzz::FuzzWorld::Get();
  const auto& ansi = world.CodePage(1252);
  fuzz::WriteFile(world.Folder() / SettingsFile::kFileName,
                  std::string_view(reinterpret_cast<const char*>(data), size));
  std::optional<SettingsFile> settings;
  try {
    settings.emplace(SettingsFile::LoadForChange(world.Folder(), ansi));
  } catch (const Error&) {
    return 0;  // refused as the plug-in reports it
  }
  const std::vector<std::string> loaded = fuzz::Content(settings->Document());
  try {
    settings->Save();
  } catch (const Error&) {
    Require(false, "a loaded file can be saved");
  }
  settings.reset();
  try {
    auto reloaded = SettingsFile::Load(world.Folder(), ansi);
    Require(fuzz::Content(reloaded.Document()) == loaded,
            "a saved file loads with the same elements, attributes and text");
  } catch (const Error&) {
    Require(false, "a saved file loads again");
  }
  return 0;
}
