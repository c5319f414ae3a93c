// Settings-file behaviour that needs POSIX processes (fork, setuid, resource limits).
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "base/Error.h"
#include "platform/CodePage.h"
#include "support/TestEnvironment.h"
#include "web/SettingsFile.h"

namespace ostravel {
namespace {

using test::ReadFile;

constexpr uid_t kNobody = 65534;

// Starts `body` in a child process, whose exit status is its result (0 for success).
pid_t StartChild(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    int status = 1;
    try {
      status = body();
    } catch (const Error& e) {
      std::fprintf(stderr, "child: %s\n", e.Description().c_str());
      status = 99;
    } catch (...) {
      status = 98;
    }
    ::_exit(status);
  }
  return child;
}

int WaitChild(pid_t child) {
  int status = -1;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class SettingsFilePosixTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return folder.Path() / "Ostravel.xml"; }
  void Write(const std::string& text) const { std::ofstream(File(), std::ios::binary) << text; }
  // The number of the error the save raised, or 0 when it raised none.
  static int SaveErrorNumber(const SettingsFile& settings) {
    try {
      settings.Save();
    } catch (const Error& e) {
      return e.Number();
    }
    return 0;
  }

  std::unique_ptr<platform::CodePage> ansi = platform::CodePage::Open(1252);
  test::TempFolder folder;
};

// Two clients count their own rounds in their own element of one file, each with a fresh
// load-change-save per round, both starting at the same moment. Neither may ever find the
// file unreadable nor lose a round of the other.
TEST_F(SettingsFilePosixTest, TwoProcessesSavingAtOnceLoseNothingAndNeverBreakTheFile) {
  constexpr int kRounds = 40;
  std::string xml =
      "<settings><client id=\"a\" count=\"0\"/><client id=\"b\" count=\"0\"/><update>";
  for (int i = 0; i < 4000; ++i) {  // about 300 KB, so that writes take long enough to overlap
    xml += "<character name=\"Filler " + std::to_string(i) +
           "\" shareinfo=\"True\" autoupdate=\"False\"/>";
  }
  Write(xml + "</update></settings>");

  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  const auto client = [&](const char* id) {
    return [&, id] {
      char go = 0;
      if (::read(start[0], &go, 1) != 1) return 2;
      for (int round = 1; round <= kRounds; ++round) {
        {
          auto settings = SettingsFile::LoadForChange(folder.Path(), *ansi);
          const pugi::xml_node mine =
              settings.FirstElement("settings").find_child_by_attribute("client", "id", id);
          if (mine.attribute("count").as_int() != round - 1) return 3;  // a round was lost
          mine.attribute("count").set_value(round);
          settings.Save();
        }
        SettingsFile::Load(folder.Path(), *ansi);  // throws (status 99) if unreadable
      }
      return 0;
    };
  };
  const pid_t first = StartChild(client("a"));
  const pid_t second = StartChild(client("b"));
  EXPECT_EQ(::write(start[1], "gg", 2), 2);
  EXPECT_EQ(WaitChild(first), 0);
  EXPECT_EQ(WaitChild(second), 0);
  ::close(start[0]);
  ::close(start[1]);

  const auto settings = SettingsFile::Load(folder.Path(), *ansi);
  for (const auto& client_element : settings.ElementsByTagName("client")) {
    EXPECT_EQ(client_element.attribute("count").as_int(), kRounds)
        << client_element.attribute("id").value();
  }
  EXPECT_EQ(settings.ElementsByTagName("character").size(), 4000u);
}

// A save writes a new file and renames it over the old one; the new one must take the old
// one's mode, or a file the player shares with other accounts becomes theirs alone.
TEST_F(SettingsFilePosixTest, ASaveKeepsTheFilesMode) {
  const mode_t old_mask = ::umask(022);
  for (const mode_t mode : {0644, 0664, 0640, 0600, 0604}) {
    SCOPED_TRACE(mode);
    Write("<root><update/></root>");
    ASSERT_EQ(::chmod(File().c_str(), mode), 0);
    auto settings = SettingsFile::LoadForChange(folder.Path(), *ansi);
    settings.FirstElement("update").append_child("character");
    settings.Save();
    struct stat info {};
    ASSERT_EQ(::stat(File().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode);
  }
  ::umask(old_mask);
}

TEST_F(SettingsFilePosixTest, AReadOnlyFileIsReportedAndStaysAsItWas) {
  const std::string original = "<root><update/></root>";
  Write(original);
  ::chmod(File().c_str(), 0444);
  EXPECT_EQ(WaitChild(StartChild([&] {
              // Root writes whatever the mode says: save as the owner of the folder and file.
              if (::geteuid() == 0 && (::chown(folder.Path().c_str(), kNobody, kNobody) != 0 ||
                                       ::chown(File().c_str(), kNobody, kNobody) != 0 ||
                                       ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
                return 4;
              }
              auto settings = SettingsFile::Load(folder.Path(), *ansi);
              settings.FirstElement("update").append_child("character");
              return SaveErrorNumber(settings) == -2147024891 ? 0 : 1;
            })),
            0);
  EXPECT_EQ(ReadFile(File()), original);
  struct stat info {};
  ASSERT_EQ(::stat(File().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST_F(SettingsFilePosixTest, AFullDiskIsReportedAndLeavesNoHalfFile) {
  const std::string original = "<root><chathelper savelines=\"9\"/></root>";
  Write(original);
  EXPECT_EQ(WaitChild(StartChild([&] {
              auto settings = SettingsFile::Load(folder.Path(), *ansi);
              for (int i = 0; i < 100; ++i)
                settings.FirstElement("chathelper").append_child("chatline");
              std::signal(SIGXFSZ, SIG_IGN);
              const rlimit limit{64, 64};
              if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 4;
              return SaveErrorNumber(settings) == -2147024784 ? 0 : 1;
            })),
            0);
  EXPECT_EQ(ReadFile(File()), original);
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    EXPECT_TRUE(entry.path().filename() == "Ostravel.xml" ||
                entry.path().filename() == "Ostravel.xml.lock")
        << entry.path();
  }
}

}  // namespace
}  // namespace ostravel

#endif  // !_WIN32
