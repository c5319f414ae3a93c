#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ostravel {

struct Context;

// The "Grp" page: fellowships looking for members and solo players looking for a group, and
// the character's own fellowship, reported to "fellowship.php" when it changes.
class TabGroups {
 public:
  explicit TabGroups(Context& ctx);
  ~TabGroups();
  TabGroups(const TabGroups&) = delete;
  TabGroups& operator=(const TabGroups&) = delete;

  // Asks for the chosen list while the page shows and the character is logged in.
  void Refresh();

  // The game's fellowship events (the state lives in the Context).
  void FellowCreate(std::int32_t FCount, std::int32_t FLeaderID, const std::string& FName,
                    bool FState, bool FXpShare);
  void FellowAdd(std::int32_t ID, const std::string& Name, std::int32_t Level,
                 std::int32_t Health, std::int32_t Stam, std::int32_t Mana, std::int32_t& index);
  void FellowMemberQuit(std::int32_t ID);
  void FellowMemberDismiss(std::int32_t ID);
  void FellowDisband();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel
