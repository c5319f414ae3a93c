#pragma once

#include <cstdint>

#include "DemoWorld.h"

namespace ostravel::app {

// Fills an empty world with the sample allegiance: members of many levels, templates, staff
// roles and trade skills (the monarch, patron and vassals of the workbench's sample character
// among them, under their ids), two friends from another allegiance, two fellowships, a
// landblock text, and events from today on.
void SeedDemoWorld(DemoWorld& world, const platform::DateTime& now);

// Gives a character seen for the first time a few dated messages, unread and read, and one
// sent message, so that the Messages tab has something to show. Once per character id.
void SeedMailbox(DemoWorld& world, std::int32_t character, const platform::DateTime& now);

// The location of the sample town (Holtburg), where the workbench's character stands.
inline constexpr std::uint32_t kDemoTownLocation = 0x7D640013;

}  // namespace ostravel::app
