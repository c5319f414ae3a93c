#include "service/scripts/AllegianceGate.h"

#include "service/store/CharacterTable.h"
#include "service/store/StaffTable.h"
#include "wire/AnswerRecord.h"

namespace ostravel::service {

bool PassesGate(SqliteConnection& db, const Gate& gate, const ServiceRequest& request) {
  if (request.monarch == gate.monarch || request.character == gate.monarch) return true;
  const auto own = request.character == 0 ? std::nullopt : FindCharacter(db, request.character);
  const std::string name = own ? own->name : wire::CleanValue(request.Field("Name"));
  return !name.empty() && IsFriend(db, name);
}

std::string GateRefusal(const Gate& gate) {
  return wire::CleanValue("This is the Ostravel service of the allegiance of " + gate.monarch_name +
                          ", for its members and its friends only; your character is neither. "
                          "An officer of that allegiance can list you as a friend.");
}

}  // namespace ostravel::service
