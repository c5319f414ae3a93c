#include "common/OstravelLib.h"

#include <array>
#include <charconv>
#include <fstream>
#include <vector>

#include "base/Error.h"
#include "common/ChatSafeText.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "wire/AnswerRecord.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "OstravelLib";
constexpr int kMajor = 3;
constexpr int kMinor = 0;
constexpr int kRevision = 10;
constexpr std::int32_t kChatWindow = 1;

std::vector<std::string_view> SplitAtSpaces(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ' ') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

std::string TwoDigits(std::string_view part) {
  return part.size() == 1 ? "0" + std::string(part) : std::string(part);
}

// The hour of a 12-hour clock on the 24-hour clock. An hour that is no number an int holds
// cannot be on any clock and stays as written.
std::string Hour24(std::string_view hour, std::string_view marker) {
  int value = 0;
  const auto [end, error] = std::from_chars(hour.data(), hour.data() + hour.size(), value);
  if (hour.empty() || error != std::errc() || end != hour.data() + hour.size()) {
    return TwoDigits(hour);
  }
  if (marker == "PM" && value >= 1 && value <= 11) value += 12;
  if (marker == "AM" && value == 12) value = 0;
  return TwoDigits(std::to_string(value));
}

}  // namespace

void PrintChat(Context& ctx, std::string_view Text, std::int32_t Color, bool WithPrefix) {
  // Everything the plug-in prints passes here, IRC lines and service answers among it.
  std::string text = ChatSafeText(Text);
  if (text.empty()) return;
  auto& hooks = Require(ctx.ACHooks);
  if (WithPrefix) {
    hooks.ChatOut(std::string(kChatPrefix) + text, Color, kChatWindow);
  } else {
    hooks.ChatText(text, Color, kChatWindow);
  }
}

void WriteLog(Context& ctx, std::string_view Text) {
  std::string line = "[" + platform::FormatShortDateTime(ctx.env.clock.LocalNow()) + "] ";
  line += Text;
  const std::string bytes = ctx.env.code_page.FromUtf8(line) + "\r\n";
  std::ofstream file(ctx.env.folder / "log.txt", std::ios::binary | std::ios::app);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw Error(error_number::kFileAccess, "Path/File access error");
}

std::string ErrorLine(std::string_view ModuleName, std::string_view ProcName, const Error& Err) {
  std::string message = "Error in ";
  message += ModuleName;
  message += ".";
  message += ProcName;
  message += ". Number: " + std::to_string(Err.Number()) + ", Description: " + Err.Description() +
             " Source: " + Err.Source();
  return message;
}

void LogError(Context& ctx, std::string_view ModuleName, std::string_view ProcName,
              const Error& Err) {
  const std::string message = ErrorLine(ModuleName, ProcName, Err);
  try {
    WriteLog(ctx, message);
  } catch (...) {
    // An unwritable log must not hide the error from the player.
  }
  PrintChat(ctx, message, kChatColor, true);
}

std::string ValFromStr(std::string_view Str, std::string_view Key) {
  return wire::ReadField(Str, Key);
}

std::string_view CutBetween(std::string_view Text, std::string_view StartMark,
                            std::string_view EndMark) {
  std::size_t start = 0;  // where StartMark stands
  if (!StartMark.empty()) {
    start = Text.find(StartMark);
    if (start == std::string_view::npos) return {};
  }
  std::size_t end = Text.size();
  if (!EndMark.empty()) {
    end = Text.find(EndMark, start + 1);
    if (end == std::string_view::npos) return {};
  }
  const std::size_t from = start + StartMark.size();
  if (end < from) throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
  return Text.substr(from, end - from);
}

std::string Part(Context& ctx, std::string_view Text, std::string_view StartMark,
                 std::string_view EndMark) {
  std::string result;
  // Reports under the parser's name: the IRC parser is what cuts texts this way.
  ErrorHandler{ctx, "IRCParser", "Part"}([&] { result = CutBetween(Text, StartMark, EndMark); });
  return result;
}

bool SetClipboardText(Context& ctx, const std::string& Text) {
  bool taken = false;
  ErrorHandler{ctx, kModule,
               "SetClipboardText"}([&] { taken = Require(ctx.ACHooks).SetClipboardText(Text); });
  return taken;
}

double UnsignedLong(std::int32_t N) {
  return N < 0 ? static_cast<double>(N) + 4294967296.0 : static_cast<double>(N);
}

std::string VersionString() {
  return std::to_string(kMajor) + "." + std::to_string(kMinor) + ".0." + std::to_string(kRevision);
}

std::string FixDate(Context& ctx, const platform::DateTime& D) {
  return FixDateText(ctx, platform::FormatShortDateTime(D));
}

std::string FixDateText(Context& ctx, std::string_view date_text) {
  std::string text(date_text);
  for (char& c : text) {
    if (c == '/' || c == ':') c = ' ';
  }
  const auto parts = SplitAtSpaces(text);
  if (parts.size() != 7) {
    const std::string message =
        "Error: OstravelLib.FixDate dateArray out of range Value: " + std::string(date_text);
    PrintChat(ctx, message, kChatColor, true);
    WriteLog(ctx, message);
    return "0";
  }
  return std::string(parts[2]) + "-" + TwoDigits(parts[0]) + "-" + TwoDigits(parts[1]) + " " +
         Hour24(parts[3], parts[6]) + ":" + TwoDigits(parts[4]) + ":" + TwoDigits(parts[5]);
}

std::string GetBirth(Context& ctx) {
  std::string birth;
  ErrorHandler{ctx, kModule, "GetBirth()"}([&] {
    const auto seconds = Require(ctx.CharacterStats).Birth();
    birth = FixDate(ctx, platform::FromUnixSeconds(seconds));
  });
  return birth;
}

void TypeText(Context& ctx, const std::string& Text, std::int32_t Flag) {
  Require(ctx.ACHooks).TypeText(Text, Flag);
}

}  // namespace ostravel
