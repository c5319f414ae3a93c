#pragma once

namespace ostravel::host {

// Where the plug-in site keeps the network filters the plug-in uses.
inline constexpr const char* kEchoFilter2Path = "services\\DecalNet.NetService\\DecalFilters.EchoFilter2";
inline constexpr const char* kWorldPath = "services\\DecalNet.NetService\\DecalFilters.World";
inline constexpr const char* kCharacterStatsPath =
    "services\\DecalNet.NetService\\DecalFilters.CharacterStats";

}  // namespace ostravel::host
