#include "app/DemoFolder.h"

#include <fstream>
#include <random>
#include <stdexcept>

#include "app/DemoService.h"
#include "base/Error.h"
#include "web/SettingsFile.h"

namespace ostravel::app {

void PrepareDemoFolder(const std::filesystem::path& folder, const std::string& url) {
  std::filesystem::create_directories(folder);
  if (!std::filesystem::exists(folder / SettingsFile::kFileName)) {
    std::ofstream(folder / SettingsFile::kFileName, std::ios::binary) << DemoSettingsXml(url);
    return;
  }
  try {
    auto settings = SettingsFile::Load(folder);
    auto servers = settings.ElementsByTagName("server");
    if (servers.empty()) {
      servers.push_back(settings.Document().document_element().prepend_child("server"));
    }
    for (auto& server : servers) {
      auto attribute = server.attribute("url");
      if (!attribute) attribute = server.append_attribute("url");
      attribute.set_value(url.c_str());
    }
    settings.Save();
  } catch (const Error& error) {
    throw std::runtime_error((folder / SettingsFile::kFileName).string() + ": " +
                             error.Description());
  }
}

std::filesystem::path NewDemoFolder() {
  std::random_device random;
  for (;;) {
    auto folder = std::filesystem::temp_directory_path() /
                  ("ostravel-demo-" + std::to_string(random() % 1000000));
    if (std::filesystem::create_directory(folder)) return folder;
  }
}

}  // namespace ostravel::app
