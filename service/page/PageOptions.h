#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/DateTime.h"

namespace ostravel::service {

// Where the package puts the players' installer, which the page offers for download.
inline constexpr const char* kDefaultInstaller = "/usr/share/ostravel-service/Ostravel-setup.exe";

// What the admin tells the members' page about the allegiance, and how the page reads the
// service's clock.
struct PageOptions {
  // The allegiance's name; empty: its monarch's, as the members' records give it.
  std::string name = {};
  // The address players give the plug-in ("https://ostravel.example.org/"); empty: the one
  // the browser asked for.
  std::string public_url = {};
  // The players' installer; a missing file makes the download answer 404.
  std::filesystem::path installer = kDefaultInstaller;
  // How far the service's local time is ahead of UTC at a local time, in seconds; the
  // system's time zone when unset.
  std::function<int(const platform::DateTime&)> utc_offset = nullptr;
};

}  // namespace ostravel::service
