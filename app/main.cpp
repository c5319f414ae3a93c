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
#include "wire/CodePageDefault.h"

#if OSTRAVEL_WORKBENCH_DEMO
#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "DemoFolder.h"
#include "DemoService.h"
#endif

namespace {

using ostravel::app::LineReader;

// Exit code for a session that could not start: a bad option, profile, code page or file.
constexpr int kBadSetup = 2;

struct RunOptions {
  std::filesystem::path folder = ".";
  std::optional<std::filesystem::path> character;
  int codepage = ostravel::wire::kDefaultCodePage;
  std::optional<std::filesystem::path> transcript;
  std::optional<std::filesystem::path> dll;
};

ostravel::app::Palette::Depth ColorDepth(const LineReader& reader) {
  using Palette = ostravel::app::Palette;
  // Colour is for a person: a terminal on both ends, and no wish to the contrary.
  if (!reader.Interactive() || !ostravel::app::OutputIsTerminal() || std::getenv("NO_COLOR")) {
    return Palette::Depth::kNone;
  }
  return Palette::TerminalDepth(std::getenv("COLORTERM"));
}

int RunSession(const RunOptions& options, LineReader& reader,
               const std::vector<std::string>& startup = {}) {
  try {
    auto profile = options.character ? ostravel::sim::LoadProfile(*options.character)
                                     : ostravel::sim::SampleProfile();
    auto loader = ostravel::app::PrepareLoader(
        {.folder = options.folder, .codepage = options.codepage, .dll = options.dll});
    std::filesystem::create_directories(options.folder);
    ostravel::app::Transcript transcript = options.transcript
                                               ? ostravel::app::Transcript(*options.transcript)
                                               : ostravel::app::Transcript();
    ostravel::app::Console console(std::cout, std::cerr,
                                   ostravel::app::Palette(ColorDepth(reader)));
    console.SetEditedLine(&reader);
    ostravel::app::Workbench workbench(std::move(profile), loader, transcript, console);
    return workbench.Run(reader, startup);
  } catch (const std::exception& error) {
    std::cerr << "ostravel: " << error.what() << '\n';
    return kBadSetup;
  }
}

#if OSTRAVEL_WORKBENCH_DEMO
// The demo: the demo web service on a free port, a folder whose settings name it, and a
// session in which the sample character has logged in.
int RunDemo(RunOptions options, LineReader& reader) {
  try {
    ostravel::app::DemoService service(options.codepage);
    service.Start();
    if (options.folder.empty()) options.folder = ostravel::app::NewDemoFolder();
    ostravel::app::PrepareDemoFolder(options.folder, service.Url());
    std::cout << "Demo web service at " << service.Url() << ", plug-in folder "
              << options.folder.string() << "\n"
              << "Try @ostravel, @mbr whois Bob, @msg inbox new, @event list, :show, :help.\n";
    return RunSession(options, reader, {":login", ":settle"});
  } catch (const std::exception& error) {
    std::cerr << "ostravel: " << error.what() << '\n';
    return kBadSetup;
  }
}

// The demo web service alone, until interrupted.
int ServeDemo(int port, int codepage) {
  try {
    ostravel::app::DemoService service(codepage);
    service.Start(port);
    std::cout << service.Url() << std::endl;
    asio::io_context context;
    asio::signal_set signals(context, SIGINT, SIGTERM);
    signals.async_wait([](const asio::error_code&, int) {});
    context.run();
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "ostravel: " << error.what() << '\n';
    return kBadSetup;
  }
}
#endif

}  // namespace

int main(int argc, char** argv) {
  // First of all, so that a closed standard input is not mistaken for a file opened later.
  LineReader reader;

  CLI::App app{"The Ostravel workbench: runs the plug-in in a simulated Decal host."};
  app.require_subcommand(1);
  auto* view_xml = app.add_subcommand("view-xml", "Print the XML of the plug-in's view");
  auto* run = app.add_subcommand("run", "Load the plug-in and feed it lines from standard input");
  RunOptions options;
  auto* folder =
      run->add_option("--folder", options.folder, "The plug-in's folder (created if missing)");
  run->add_option("--character", options.character, "A character profile (JSON)");
  run->add_option("--codepage", options.codepage, "The system's code page")->capture_default_str();
  run->add_option("--transcript", options.transcript, "Write every effect here as JSON Lines");
#if OSTRAVEL_WORKBENCH_COM
  run->add_option("--dll", options.dll,
                  "Load the plug-in from this ostravel.dll, copied into the folder (default: "
                  "the registered class)");
  run->footer(
      "The plug-in keeps Ostravel.xml and log.txt beside its own DLL: with --dll in the "
      "--folder, which the DLL is copied into; without --dll beside the registered "
      "ostravel.dll, so --folder needs --dll.");
#else
  (void)folder;
#endif
#if OSTRAVEL_WORKBENCH_DEMO
  auto* demo = app.add_subcommand("demo", "Run the plug-in against the embedded demo web service");
  RunOptions demo_options;
  demo_options.folder.clear();
  demo->add_option("--folder", demo_options.folder, "The plug-in's folder (default: a new one)");
  demo->add_option("--character", demo_options.character, "A character profile (JSON)");
  demo->add_option("--codepage", demo_options.codepage, "The system's code page");
  demo->add_option("--transcript", demo_options.transcript,
                   "Write every effect here as JSON Lines");
  auto* serve = app.add_subcommand("serve-demo", "Run the demo web service alone, until stopped");
  int serve_port = 0;
  int serve_codepage = ostravel::wire::kDefaultCodePage;
  serve->add_option("--port", serve_port, "The port on 127.0.0.1 (0: any free port)");
  serve->add_option("--codepage", serve_codepage, "The code page of the plug-in's bytes");
#else
  app.footer(
      "demo and serve-demo run on Linux only; run the Linux workbench's serve-demo and name "
      "its address in the folder's Ostravel.xml.");
#endif
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kBadSetup;
  }
#if OSTRAVEL_WORKBENCH_COM
  // The registered plug-in would never read a session's files there.
  if (folder->count() > 0 && !options.dll) {
    std::cerr << "ostravel: run --folder needs --dll: the registered plug-in keeps its files "
                 "beside its own DLL, not in "
              << options.folder.string() << "; pass --dll PATH to load ostravel.dll from there\n";
    return kBadSetup;
  }
#endif
  if (*view_xml) {
    std::cout << ostravel::ViewSchema() << '\n';
    return 0;
  }
#if OSTRAVEL_WORKBENCH_DEMO
  if (*demo) return RunDemo(demo_options, reader);
  if (*serve) return ServeDemo(serve_port, serve_codepage);
#endif
  return RunSession(options, reader);
}
