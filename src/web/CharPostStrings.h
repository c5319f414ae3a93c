#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "wire/FormBody.h"

namespace ostravel {

struct Context;

// The example address of the installer's starter settings file: no allegiance's service.
inline constexpr std::string_view kPlaceholderServerURL = "http://www.example.com/ostravel/";

// The web service's base address, ending with "/": the last "server" element's "url" in the
// settings file, read once. "/" when the file names no server, an empty address or the
// placeholder above (then nothing is ever sent); "" after a reported error (the next call
// reads the file again).
std::string ServerURL(Context& ctx);

// True when ServerURL has read the settings file and found no address to post to (it gives
// "/"). Never reads the file itself, so a reported error is not reported twice.
bool ServerAddressNotSet(const Context& ctx);

// The fields every request starts with: the character, its monarch, where it is, the local
// time, its fellowship's leader and whether it wants a fellowship; an empty body after a
// reported error.
wire::FormBody StdPostString(Context& ctx);

// The standard fields and the player's command text `args`: the body of every request that
// runs a command of a script.
wire::FormBody ArgsPostString(Context& ctx, std::string_view args);

// The whole character record for "update.php"; an empty body after a reported error.
wire::FormBody CharPostString(Context& ctx);

// The fellowship record for "fellowship.php"; an empty body after a reported error.
wire::FormBody FellowPostString(Context& ctx);

// "Male", "Female", or the number itself.
std::string GenderFromNr(std::int32_t nr);
// "Aluvian", "Gharu'ndim", "Sho", "Viamontian", or the number itself.
std::string RaceFromNr(std::int32_t nr);

}  // namespace ostravel
