#pragma once

#include <cstdint>
#include <string>

namespace ostravel {

struct Context;

// The web service's base address, ending with "/": the last "server" element's "url" in the
// settings file, read once. "/" when the file names no server (then nothing is ever sent);
// "" after a reported error (the next call reads the file again).
std::string ServerURL(Context& ctx);

// The fields every request starts with: the character, its monarch, where it is, the local
// time, its fellowship's leader and whether it wants a fellowship.
std::string StdPostString(Context& ctx);

// The whole character record for "update.php"; "" after a reported error.
std::string CharPostString(Context& ctx);

// The fellowship record for "fellowship.php"; "" after a reported error.
std::string FellowPostString(Context& ctx);

// "Male", "Female", or the number itself.
std::string GenderFromNr(std::int32_t nr);
// "Aluvian", "Gharu'ndim", "Sho", "Viamontian", or the number itself.
std::string RaceFromNr(std::int32_t nr);

}  // namespace ostravel
