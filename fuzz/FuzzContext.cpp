#include "FuzzContext.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>

namespace ostravel::fuzz {

FuzzWorld& FuzzWorld::Get() {
  static FuzzWorld world;
  return world;
}

FuzzWorld::FuzzWorld()
    : cp1252_(platform::CodePage::Open(1252)), cp932_(platform::CodePage::Open(932)) {
  // A name no other fuzzing process running beside this one has taken.
  std::random_device random;
  do {
    folder_ = std::filesystem::temp_directory_path() /
              ("ostravel-fuzz-" + std::to_string(random()) + std::to_string(random()));
  } while (!std::filesystem::create_directory(folder_));
  ctx_ = std::make_unique<Context>(Environment{loop_, *cp1252_, clock_, folder_, nullptr});
  ctx_->ACHooks = std::make_shared<SilentHooks>();
}

FuzzWorld::~FuzzWorld() {
  ctx_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

const platform::CodePage& FuzzWorld::CodePage(int number) const {
  return number == 932 ? *cp932_ : *cp1252_;
}

void FuzzWorld::ForgetLog() const {
  std::error_code ignored;
  std::filesystem::remove(folder_ / "log.txt", ignored);
}

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

}  // namespace ostravel::fuzz
