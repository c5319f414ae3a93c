#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ModuleFolder.h"

namespace ostravel::platform {
namespace {

TEST(ModuleFolderTest, IsTheFolderTheTestProgramWasBuiltIn) {
  // The plug-in code is linked into this program, which CMake builds beside its test list.
  const auto folder = ModuleFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.is_absolute());
  EXPECT_TRUE(std::filesystem::exists(folder / "CTestTestfile.cmake")) << folder;
}

}  // namespace
}  // namespace ostravel::platform
