#pragma once

#include <string>

namespace ostravel {

// The XML of the plug-in's one view: seven pages, each a row of controls above a list.
std::string ViewSchema();

}  // namespace ostravel
