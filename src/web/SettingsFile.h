#pragma once

#include <filesystem>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace ostravel {

// "Ostravel.xml" in the plug-in folder: the web service's address, the saved tells, the
// Update page's check boxes per character and the IRC channels. Each load reads the file
// afresh; nothing is held between loads.
class SettingsFile {
 public:
  // Loads the file; throws Error -2146697211 "Ostravel.xml not found" when it is missing,
  // -1072896763 "Parse failed in Ostravel.xml on line N" when it is not well-formed XML, and
  // the reader's own reason for anything else.
  static SettingsFile Load(const std::filesystem::path& folder);

  // Every element of that name, wherever it stands, in document order.
  std::vector<pugi::xml_node> ElementsByTagName(const char* name) const;
  // The first element of that name in document order; empty when there is none.
  pugi::xml_node FirstElement(const char* name) const;

  // Writes the whole document back: first beside the file, then renamed over it, so a save
  // that fails half-way leaves the old file whole. Throws Error when it cannot.
  void Save() const;

  pugi::xml_document& Document() { return *document_; }

  static constexpr const char* kFileName = "Ostravel.xml";

 private:
  explicit SettingsFile(std::filesystem::path path);

  std::filesystem::path path_;
  std::unique_ptr<pugi::xml_document> document_;
};

}  // namespace ostravel
