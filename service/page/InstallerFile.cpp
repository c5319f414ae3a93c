#include "service/page/InstallerFile.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace ostravel::service {
namespace {

// Far above any installer; a file named by mistake (a disk image, say) is not read whole into
// memory for every download.
constexpr std::uintmax_t kMaxInstallerBytes = 64u << 20;

}  // namespace

bool InstallerAvailable(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return false;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  return !error && size <= kMaxInstallerBytes;
}

std::optional<std::string> ReadInstaller(const std::filesystem::path& file) {
  if (!InstallerAvailable(file)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace ostravel::service
