#pragma once

namespace ostravel::wire {

// The Windows code page of the bytes the plug-in sends and reads when nothing else is set:
// Western European, the game client's own.
inline constexpr int kDefaultCodePage = 1252;

}  // namespace ostravel::wire
