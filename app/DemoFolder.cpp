#include "app/DemoFolder.h"

#include <fstream>
#include <random>
#include <stdexcept>

#include "app/DemoService.h"
#include "base/Error.h"
#include "platform/CodePage.h"
#include "web/Settings.h"
#include "wire/CodePageDefault.h"

namespace ostravel::app {

void PrepareDemoFolder(const std::filesystem::path& folder, const std::string& url) {
  std::filesystem::create_directories(folder);
  if (!std::filesystem::exists(folder / Settings::kFileName)) {
    std::ofstream(folder / Settings::kFileName, std::ios::binary) << DemoSettingsXml(url);
    return;
  }
  try {
    Settings(folder, *platform::CodePage::Open(wire::kDefaultCodePage)).SetServerAddress(url);
  } catch (const Error& error) {
    throw std::runtime_error((folder / Settings::kFileName).string() + ": " + error.Description());
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
