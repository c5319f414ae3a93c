#include "support/TestEnvironment.h"

#include <fstream>
#include <random>
#include <sstream>

namespace ostravel::test {

TempFolder::TempFolder() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("ostravel-test-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TestEnvironment::WriteSettings(const std::string& xml) const {
  std::ofstream(folder.Path() / "Ostravel.xml", std::ios::binary) << xml;
}

bool TestEnvironment::Settle() {
  return loop.RunUntil([this] { return http->InFlight() == 0; }, std::chrono::seconds(10));
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> ReadCrLfLines(const std::filesystem::path& file) {
  const std::string content = ReadFile(file);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = content.find("\r\n"); at != std::string::npos;
       at = content.find("\r\n", start)) {
    lines.push_back(content.substr(start, at - start));
    start = at + 2;
  }
  if (start < content.size()) lines.push_back(content.substr(start));
  return lines;
}

}  // namespace ostravel::test
