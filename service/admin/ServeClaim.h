#pragma once

#include <filesystem>
#include <string>

namespace ostravel::service {

// The mark a serving process keeps beside its database ("FILE.served"): locked while it
// serves, so that a second `serve` on the same file refuses and names the first, and left in
// place afterwards, so that a start finding the mark but no database knows that one was
// served there before. Then it refuses to make an empty one unless told to (`--create`):
// a database removed by mistake is restored from a backup, not silently replaced.
class ServeClaim {
 public:
  // Takes the mark; throws DatabaseError naming the file, the cause and what to do.
  ServeClaim(const std::filesystem::path& database, bool create);
  ~ServeClaim();
  ServeClaim(const ServeClaim&) = delete;
  ServeClaim& operator=(const ServeClaim&) = delete;

  // Writes who serves the database (this process and where it listens) for a second start
  // to name.
  void Announce(const std::string& where);

  static std::filesystem::path MarkOf(const std::filesystem::path& database);

 private:
  void Write(const std::string& text);

  std::filesystem::path mark_;
  int fd_ = -1;
};

}  // namespace ostravel::service
