#include "Workbench.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <stdexcept>

#include "ControlDump.h"
#include "PageRenderer.h"
#include "base/AsciiText.h"
#include "sim/SimControls.h"
#include "sim/SimMessage.h"
#include "sim/SimView.h"

namespace ostravel::app {
namespace {

using namespace std::chrono_literals;

// The post timer's interval: :tick raises the timers of this interval.
constexpr std::int32_t kPostTimerMs = 60000;
constexpr auto kSettleLimit = 10s;

// Thrown by a command whose arguments don't fit; the person is shown its usage line.
struct UsageError {};

std::string Word(CommandLine& args) {
  auto word = args.NextWord();
  if (!word) throw UsageError{};
  return *word;
}

std::int32_t Int32Arg(CommandLine& args) {
  auto value = ParseInt32(Word(args));
  if (!value) throw UsageError{};
  return *value;
}

std::int32_t Bits32Arg(CommandLine& args) {
  auto value = ParseBits32(Word(args));
  if (!value) throw UsageError{};
  return *value;
}

void NoMore(const CommandLine& args) {
  if (!args.AtEnd()) throw UsageError{};
}

}  // namespace

std::span<const Workbench::Command> Workbench::Commands() {
  static constexpr std::array<Command, 18> kCommands = {{
      {"login", ":login", "the character's login completes", &Workbench::Login},
      {"logoff", ":logoff [TYPE]", "the character logs off (type 0 by default)",
       &Workbench::Logoff},
      {"msg", ":msg JSON", "the server sends a message ({\"type\":T,\"fields\":{...}})",
       &Workbench::Msg},
      {"select", ":select ID", "the player selects an object", &Workbench::Select},
      {"location", ":location N", "the character moves to a landblock", &Workbench::Location},
      {"page", ":page N|LABEL", "the player opens a page of the view", &Workbench::Page},
      {"choose", ":choose NAME INDEX", "the player picks an option of a choice",
       &Workbench::Choose},
      {"check", ":check NAME on|off", "the player ticks or clears a check box", &Workbench::Check},
      {"edit", ":edit NAME TEXT", "the player types into an edit box", &Workbench::Edit},
      {"press", ":press NAME", "the player presses a button", &Workbench::Press},
      {"click", ":click NAME COL ROW", "the player clicks a cell of a list", &Workbench::Click},
      {"show", ":show [PAGE]", "draws a page (the current one by default)", &Workbench::Show},
      {"dump", ":dump NAME", "writes a control's state to the transcript", &Workbench::Dump},
      {"tick", ":tick", "the post timer ticks now", &Workbench::Tick},
      {"wait", ":wait MS", "runs the event loop for MS milliseconds", &Workbench::Wait},
      {"settle", ":settle", "runs the event loop until no request is in flight (10 s at most)",
       &Workbench::Settle},
      {"help", ":help", "lists the commands", &Workbench::Help},
      {"quit", ":quit", "unloads the plug-in (its settings are saved) and ends", &Workbench::Quit},
  }};
  return kCommands;
}

Workbench::Workbench(sim::CharacterProfile profile, const PluginLoaderFactory& loader,
                     Transcript& transcript, Console& console)
    : host_(loop_, std::move(profile)),
      plugin_(loader(loop_)),
      transcript_(transcript),
      console_(console) {
  host_.SetEffectSink([this](const sim::Effect& effect) {
    transcript_.WriteEffect(effect);
    console_.ShowEffect(effect);
  });
}

Workbench::~Workbench() {
  try {
    Stop();
  } catch (...) {
    // Nothing more can be told at this point; the session is over either way.
  }
}

int Workbench::Run(LineReader& reader, const std::vector<std::string>& startup) {
  // A person's line is edited on the loop, which ends with this workbench.
  struct Attached {
    LineReader& reader;
    ~Attached() { reader.Detach(); }
  } attached{reader};
  reader.Attach(loop_);
  Start();
  for (const auto& line : startup) {
    if (Execute(line) == Outcome::kQuit) quit_ = true;
    Pump();
    loop_.RunUntil([this] { return !busy_(); }, kSettleLimit);
  }
  while (!quit_) {
    auto line = NextLine(reader);
    if (!line) {
      if (reader.Interactive()) console_.Print("");
      break;
    }
    if (Execute(*line) == Outcome::kQuit) break;
    Pump();
    // Each line waits for the answers of what it asked, as a person would before typing the
    // next one; otherwise a script's second request would meet the first still in flight.
    loop_.RunUntil([this] { return !busy_(); }, kSettleLimit);
  }
  Stop();
  return 0;
}

void Workbench::Start() {
  if (started_) return;
  started_ = true;
  try {
    plugin_->Initialize(host_);
  } catch (const std::exception& error) {
    console_.Complain(std::string("the plug-in failed to start: ") + error.what());
  }
  Pump();
}

void Workbench::Stop() {
  if (!started_ || stopped_) return;
  stopped_ = true;
  try {
    plugin_->Terminate();
  } catch (const std::exception& error) {
    console_.Complain(std::string("the plug-in failed to stop: ") + error.what());
  }
  Pump();
}

// Runs the loop until the reader has the next line, as the game goes on while a person
// thinks: IRC text arrives, PINGs are answered, timers fire.
std::optional<std::string> Workbench::NextLine(LineReader& reader) {
  // Work posted from the reader's thread wakes a loop that waits for messages (Windows).
  reader.Request(Prompt(), [&loop = loop_] { loop.Post([] {}); });
  while (!reader.Ready()) {
    try {
      loop_.RunUntil([&reader] { return reader.Ready(); }, kSettleLimit);
    } catch (const std::exception& error) {
      console_.Complain(std::string("event loop: ") + error.what());
    }
  }
  return reader.Take();
}

// Delivers what the plug-in left on the loop: completions and posted work.
void Workbench::Pump() {
  try {
    loop_.Poll();
  } catch (const std::exception& error) {
    console_.Complain(std::string("event loop: ") + error.what());
  }
}

Workbench::Outcome Workbench::Execute(const std::string& line) {
  if (line.find_first_not_of(" \t") == std::string::npos) return Outcome::kGoOn;
  if (line.front() == ':') return RunCommand(line.substr(1));
  TypeLine(line);
  return Outcome::kGoOn;
}

void Workbench::TypeLine(const std::string& line) {
  try {
    host_.TypeLine(line);
  } catch (const std::exception& error) {
    console_.Complain(std::string("chat: ") + error.what());
  }
}

Workbench::Outcome Workbench::RunCommand(const std::string& text) {
  CommandLine args(text);
  const auto commands = Commands();
  auto command = std::find_if(commands.begin(), commands.end(),
                              [&](const Command& known) { return args.Name() == known.name; });
  if (command == commands.end()) {
    console_.Complain(":" + args.Name() + ": unknown command; :help lists the commands");
    return Outcome::kGoOn;
  }
  try {
    (this->*command->handler)(args);
  } catch (const UsageError&) {
    console_.Complain(std::string("usage: ") + command->usage);
  } catch (const std::exception& error) {
    console_.Complain(":" + args.Name() + ": " + error.what());
  }
  return quit_ ? Outcome::kQuit : Outcome::kGoOn;
}

std::string Workbench::Prompt() const {
  auto view = host_.View();
  auto notebook = view ? view->MainNotebook() : nullptr;
  if (!notebook) return "> ";
  const auto page = notebook->ActiveTab();
  const auto& labels = notebook->PageLabels();
  if (page < 0 || page >= static_cast<std::int32_t>(labels.size())) return "> ";
  return "[" + labels[static_cast<std::size_t>(page)] + "]> ";
}

std::shared_ptr<sim::SimView> Workbench::View() const {
  auto view = host_.View();
  if (!view) throw std::runtime_error("the plug-in has loaded no view");
  return view;
}

template <class T>
std::shared_ptr<T> Workbench::Find(const std::string& name, const char* kind) const {
  auto control = View()->Find(name);
  if (!control) throw std::runtime_error("the view has no control named " + name);
  auto typed = std::dynamic_pointer_cast<T>(control);
  if (!typed) throw std::runtime_error(name + " is not a " + kind);
  return typed;
}

// A page by number or by its label in any letter case.
std::int32_t Workbench::PageIndex(const std::string& page) const {
  auto notebook = View()->MainNotebook();
  if (!notebook) throw std::runtime_error("the view has no pages");
  const auto& labels = notebook->PageLabels();
  const auto count = static_cast<std::int32_t>(labels.size());
  if (auto number = ParseInt32(page)) {
    if (*number >= 0 && *number < count) return *number;
    throw UsageError{};
  }
  for (std::int32_t i = 0; i < count; ++i) {
    if (LowerCase(labels[static_cast<std::size_t>(i)]) == LowerCase(page)) return i;
  }
  throw UsageError{};
}

void Workbench::Login(CommandLine& args) {
  NoMore(args);
  host_.CompleteLogin();
}

void Workbench::Logoff(CommandLine& args) {
  const std::int32_t type = args.AtEnd() ? 0 : Int32Arg(args);
  NoMore(args);
  host_.Logoff(type);
}

void Workbench::Msg(CommandLine& args) {
  const std::string json = args.Rest();
  if (json.empty()) throw UsageError{};
  auto message = sim::ParseMessage(json);
  host_.ServerMessage(*message);
}

void Workbench::Select(CommandLine& args) {
  const auto id = Bits32Arg(args);
  NoMore(args);
  host_.Select(id);
}

void Workbench::Location(CommandLine& args) {
  const auto landblock = Bits32Arg(args);
  NoMore(args);
  host_.SetLocation(landblock);
}

void Workbench::Page(CommandLine& args) {
  const auto page = PageIndex(Word(args));
  NoMore(args);
  View()->MainNotebook()->UserSelect(page);
}

void Workbench::Choose(CommandLine& args) {
  const auto name = Word(args);
  const auto index = Int32Arg(args);
  NoMore(args);
  Find<sim::SimChoice>(name, "choice")->UserChoose(index);
}

void Workbench::Check(CommandLine& args) {
  const auto name = Word(args);
  const auto state = LowerCase(Word(args));
  NoMore(args);
  if (state != "on" && state != "off") throw UsageError{};
  Find<sim::SimCheckbox>(name, "check box")->UserCheck(state == "on");
}

void Workbench::Edit(CommandLine& args) {
  const auto name = Word(args);
  Find<sim::SimEdit>(name, "edit box")->UserType(args.Rest());
}

void Workbench::Press(CommandLine& args) {
  const auto name = Word(args);
  NoMore(args);
  Find<sim::SimPushButton>(name, "button")->UserPress();
}

void Workbench::Click(CommandLine& args) {
  const auto name = Word(args);
  const auto column = Int32Arg(args);
  const auto row = Int32Arg(args);
  NoMore(args);
  Find<sim::SimList>(name, "list")->UserClick(column, row);
}

void Workbench::Show(CommandLine& args) {
  auto view = View();
  std::int32_t page = 0;
  if (args.AtEnd()) {
    auto notebook = view->MainNotebook();
    page = notebook ? notebook->ActiveTab() : 0;
  } else {
    page = PageIndex(Word(args));
  }
  NoMore(args);
  const auto& pages = view->Pages();
  if (page < 0 || page >= static_cast<std::int32_t>(pages.size())) {
    throw std::runtime_error("the view has no page " + std::to_string(page));
  }
  PageRenderer renderer(console_.Colors());
  console_.Print(renderer.Render(pages[static_cast<std::size_t>(page)], page));
}

void Workbench::Dump(CommandLine& args) {
  const auto name = Word(args);
  NoMore(args);
  auto dump = DumpControl(*Find<host::Control>(name, "control"));
  transcript_.Write(dump.record);
  console_.Print(dump.line);
}

void Workbench::Tick(CommandLine& args) {
  NoMore(args);
  if (host_.FireTimers(kPostTimerMs) == 0) {
    console_.Print("tick: no timer of " + std::to_string(kPostTimerMs) + " ms is running");
  }
}

void Workbench::Wait(CommandLine& args) {
  const auto ms = Int32Arg(args);
  NoMore(args);
  if (ms < 0) throw UsageError{};
  loop_.RunFor(std::chrono::milliseconds(ms));
}

void Workbench::Settle(CommandLine& args) {
  NoMore(args);
  loop_.Poll();
  if (!loop_.RunUntil([this] { return !busy_(); }, kSettleLimit)) {
    console_.Complain(":settle: still busy after 10 s");
  }
}

void Workbench::Help(CommandLine& args) {
  NoMore(args);
  std::string text = "A line that does not start with ':' is typed into the game's chat.\n";
  for (const auto& command : Commands()) {
    std::string usage = command.usage;
    usage.resize(std::max<std::size_t>(usage.size(), 22), ' ');
    text += "  " + usage + " " + command.summary + "\n";
  }
  console_.Print(text);
}

void Workbench::Quit(CommandLine& args) {
  NoMore(args);
  quit_ = true;
}

}  // namespace ostravel::app
