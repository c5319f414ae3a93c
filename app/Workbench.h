#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Console.h"
#include "LineReader.h"
#include "PluginLoader.h"
#include "Transcript.h"
#include "platform/EventLoop.h"
#include "sim/SimHost.h"

namespace ostravel::sim {
class SimView;
}

namespace ostravel::app {

// One session of the plug-in in the simulated host: it loads the plug-in, feeds it the lines
// of a person or a script (chat lines and workbench commands) and unloads it at the end, so
// its settings are saved. Everything of the plug-in runs on one thread, whose loop also runs
// while the next line is awaited: channel text arrives and timers fire while nobody types.
class Workbench {
 public:
  // The loader brings the plug-in in (in this process, or from its DLL through COM).
  Workbench(sim::CharacterProfile profile, const PluginLoaderFactory& loader,
            Transcript& transcript, Console& console);
  ~Workbench();
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  // Runs the session until :quit or the end of input; returns the exit code. The `startup`
  // lines run first, as if typed.
  int Run(LineReader& reader, const std::vector<std::string>& startup = {});

  // What :settle waits for: true while work is in flight. By default, HTTP requests.
  void SetBusyPredicate(std::function<bool()> busy) { busy_ = std::move(busy); }

  // One command of the workbench: its name, its usage line, what it does, its handler.
  struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    void (Workbench::*handler)(CommandLine&);
  };

 private:
  enum class Outcome { kGoOn, kQuit };

  static std::span<const Command> Commands();

  void Start();
  void Stop();
  Outcome Execute(const std::string& line);
  Outcome RunCommand(const std::string& text);
  void TypeLine(const std::string& line);
  std::optional<std::string> NextLine(LineReader& reader);
  void Pump();
  std::string Prompt() const;

  // Lookups that the commands share; each throws with a message for the person.
  std::shared_ptr<sim::SimView> View() const;
  template <class T>
  std::shared_ptr<T> Find(const std::string& name, const char* kind) const;
  std::int32_t PageIndex(const std::string& page) const;

  void Login(CommandLine& args);
  void Logoff(CommandLine& args);
  void Msg(CommandLine& args);
  void Select(CommandLine& args);
  void Location(CommandLine& args);
  void Page(CommandLine& args);
  void Choose(CommandLine& args);
  void Check(CommandLine& args);
  void Edit(CommandLine& args);
  void Press(CommandLine& args);
  void Click(CommandLine& args);
  void Show(CommandLine& args);
  void Dump(CommandLine& args);
  void Tick(CommandLine& args);
  void Wait(CommandLine& args);
  void Settle(CommandLine& args);
  void Help(CommandLine& args);
  void Quit(CommandLine& args);

  platform::EventLoop loop_;
  sim::SimHost host_;
  std::unique_ptr<PluginLoader> plugin_;
  Transcript& transcript_;
  Console& console_;
  std::function<bool()> busy_ = [this] { return plugin_->RequestsInFlight() > 0; };
  bool started_ = false;
  bool stopped_ = false;
  bool quit_ = false;
};

}  // namespace ostravel::app
