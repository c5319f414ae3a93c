#pragma once

#include <cstdint>

#include "platform/DateTime.h"

namespace ostravel::service {
class AllegianceService;
}

namespace ostravel::app {

// Fills an empty service with the sample allegiance: members of many levels, templates, staff
// roles and trade skills (the monarch, patron and vassals of the workbench's sample character
// among them, under their ids; most of them online for good), two friends from another
// allegiance, two fellowships, a landblock text, events from today on, and the message of the
// day.
void SeedDemoWorld(service::AllegianceService& service, const platform::DateTime& now);

// Gives a character a few dated messages, unread and read, and one sent message, so that the
// Messages tab has something to show. The demo calls it once per character id it sees.
void SeedMailbox(service::AllegianceService& service, std::int32_t character,
                 const platform::DateTime& now);

// The location of the sample town (Holtburg), where the workbench's character stands.
inline constexpr std::uint32_t kDemoTownLocation = 0x7D640013;

}  // namespace ostravel::app
