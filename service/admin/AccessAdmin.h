#pragma once

#include <filesystem>
#include <ostream>
#include <string_view>

namespace ostravel::service {

// The admin's commands about who may use the service. Like the other admin commands they are
// safe while the service runs, and throw DatabaseError or std::invalid_argument saying what
// is wrong.

// Every character with its key's state: none, given (not used yet), in use and when last used.
// Never a key.
void ListKeysOnFile(const std::filesystem::path& file, std::ostream& out);
// Forgets the key of the character of that name, so that its next request gets a new one.
void ResetKeyOnFile(const std::filesystem::path& file, std::string_view name);
// Who did what and when, oldest first.
void PrintAudit(const std::filesystem::path& file, std::ostream& out);
// Serves only the allegiance of the monarch of that name (and its friends); "off" serves
// everyone. Prints the monarch id the name resolved to.
void SetAllegianceGate(const std::filesystem::path& file, std::string_view name, std::ostream& out);

}  // namespace ostravel::service
