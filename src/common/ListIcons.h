#pragma once

#include <cstdint>

namespace ostravel {

// The game icons the pages' lists show, the IRC page's included. A list cell holds its text at
// sub-index 0 and its icon at sub-index 1.
inline constexpr std::int32_t kTextSub = 0;
inline constexpr std::int32_t kIconSub = 1;

// Column 0 of every row that stands for a member or an entry.
inline constexpr std::int64_t kRowIcon = 100668264;  // 0x06001368
// The column that deletes a message or a saved tell.
inline constexpr std::int64_t kDeleteIcon = 100667896;  // 0x060011F8
// An answer of the Update tab that has a help text.
inline constexpr std::int64_t kHelpIcon = 100676768;  // 0x060034A0

}  // namespace ostravel
