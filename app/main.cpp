// The workbench: runs the Ostravel plug-in outside the game, in a simulated host, driven by a
// person at a terminal or by a script.

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "Console.h"
#include "LineReader.h"
#include "Palette.h"
#include "Transcript.h"
#include "Workbench.h"
#include "common/ViewSchema.h"
#include "sim/CharacterProfile.h"

namespace {

using ostravel::app::LineReader;

// Exit code for a session that could not start: a bad option, profile, code page or file.
constexpr int kBadSetup = 2;

struct RunOptions {
  std::filesystem::path folder = ".";
  std::optional<std::filesystem::path> character;
  int codepage = 1252;
  std::optional<std::filesystem::path> transcript;
};

ostravel::app::Palette::Depth ColorDepth(const LineReader& reader) {
  using Palette = ostravel::app::Palette;
  // Colour is for a person: a terminal on both ends, and no wish to the contrary.
  if (!reader.Interactive() || !ostravel::app::OutputIsTerminal() || std::getenv("NO_COLOR")) {
    return Palette::Depth::kNone;
  }
  return Palette::TerminalDepth(std::getenv("COLORTERM"));
}

int RunSession(const RunOptions& options, LineReader& reader) {
  try {
    auto profile = options.character ? ostravel::sim::LoadProfile(*options.character)
                                     : ostravel::sim::SampleProfile();
    std::unique_ptr<ostravel::platform::CodePage> code_page;
    try {
      code_page = ostravel::platform::CodePage::Open(options.codepage);
    } catch (const std::exception& error) {
      throw std::runtime_error("code page " + std::to_string(options.codepage) + ": " +
                               error.what());
    }
    std::filesystem::create_directories(options.folder);
    ostravel::app::Transcript transcript = options.transcript
                                               ? ostravel::app::Transcript(*options.transcript)
                                               : ostravel::app::Transcript();
    ostravel::app::Console console(std::cout, std::cerr,
                                   ostravel::app::Palette(ColorDepth(reader)));
    ostravel::app::Workbench workbench(std::move(profile), std::move(code_page), options.folder,
                                       transcript, console);
    return workbench.Run(reader);
  } catch (const std::exception& error) {
    std::cerr << "ostravel: " << error.what() << '\n';
    return kBadSetup;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // First of all, so that a closed standard input is not mistaken for a file opened later.
  LineReader reader;

  CLI::App app{"The Ostravel workbench: runs the plug-in in a simulated Decal host."};
  app.require_subcommand(1);
  auto* view_xml = app.add_subcommand("view-xml", "Print the XML of the plug-in's view");
  auto* run = app.add_subcommand("run", "Load the plug-in and feed it lines from standard input");
  RunOptions options;
  run->add_option("--folder", options.folder, "The plug-in's folder (created if missing)");
  run->add_option("--character", options.character, "A character profile (JSON)");
  run->add_option("--codepage", options.codepage, "The system's code page")->capture_default_str();
  run->add_option("--transcript", options.transcript, "Write every effect here as JSON Lines");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kBadSetup;
  }
  if (*view_xml) {
    std::cout << ostravel::ViewSchema() << '\n';
    return 0;
  }
  return RunSession(options, reader);
}
