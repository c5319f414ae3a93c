#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/DateTime.h"

namespace ostravel {

struct Context;
class Error;

// The chat colour of nearly all of the plug-in's output.
inline constexpr std::int32_t kChatColor = 7;
inline constexpr std::string_view kChatPrefix = "OV>> ";

// Writes `Text` into the game chat (window 1), behind "OV>> " when `WithPrefix` is set, made
// safe for it first (ChatSafeText). A text that is empty then prints nothing. Throws Error when the
// host's hooks are gone.
void PrintChat(Context& ctx, std::string_view Text, std::int32_t Color, bool WithPrefix);

// Appends "[date time] Text" and CR LF to "log.txt" in the plug-in folder, in the code page;
// the file is opened and closed for this one line. Throws Error when it cannot be written.
void WriteLog(Context& ctx, std::string_view Text);

// Reports an error: the line "Error in Module.Proc. Number: N, Description: D Source: S" goes
// to the log and, with the prefix, into chat. A failure to log does not keep it from chat.
void LogError(Context& ctx, std::string_view ModuleName, std::string_view ProcName,
              const Error& Err);

// "Error in Module.Proc. Number: N, Description: D Source: S"
std::string ErrorLine(std::string_view ModuleName, std::string_view ProcName, const Error& Err);

// The value of field `Key` in one answer line ("Key: value  Key2: value2"), or "".
std::string ValFromStr(std::string_view Str, std::string_view Key);

// The text between StartMark and the first EndMark after it (an empty mark means the start or
// the end of the text), or "" when a mark is missing or the marks overlap (that is logged).
std::string Part(Context& ctx, std::string_view Text, std::string_view StartMark,
                 std::string_view EndMark);
// Part's cut without the report: a view into Text, empty when a mark is missing; throws Error
// when the marks overlap.
std::string_view CutBetween(std::string_view Text, std::string_view StartMark,
                            std::string_view EndMark);

// Puts the text on the clipboard; true when the clipboard took it.
bool SetClipboardText(Context& ctx, const std::string& Text);

// The 32 bits of a signed integer read as unsigned.
double UnsignedLong(std::int32_t N);

// "3.0.0.10": major, minor, 0 and revision of this release.
std::string VersionString();

// "YYYY-MM-DD hh:mm:ss" for a date and time; "0" (after printing and logging why) when its
// text form cannot be read.
std::string FixDate(Context& ctx, const platform::DateTime& D);
// FixDate's reading of a month/day/year 12-hour text form.
std::string FixDateText(Context& ctx, std::string_view date_text);

// The character's birth as FixDate gives it; "" after a reported error.
std::string GetBirth(Context& ctx);

// Places text into the game's chat input line through the host.
void TypeText(Context& ctx, const std::string& Text, std::int32_t Flag);

}  // namespace ostravel
