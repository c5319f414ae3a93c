#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostravel::app {

// One workbench command as typed (":name arg arg..."), taken apart word by word. The last
// argument of some commands is free text (":edit NAME TEXT", ":msg JSON"), so the rest of the
// line is also available unsplit.
class CommandLine {
 public:
  // `line` is the text after the leading ':'.
  explicit CommandLine(std::string_view line);

  const std::string& Name() const { return name_; }
  // The next blank-separated word, or nullopt when none is left.
  std::optional<std::string> NextWord();
  // Everything not yet taken, without the blanks in front of it or at its end.
  std::string Rest();
  bool AtEnd() const;

 private:
  void SkipBlanks();

  std::string_view line_;
  std::size_t pos_ = 0;
  std::string name_;
};

// A decimal number that fits 32 bits signed, e.g. a list row; nullopt for anything else.
std::optional<std::int32_t> ParseInt32(std::string_view text);

// A 32-bit value as the game writes object ids and landblocks: decimal (signed, or unsigned up
// to 4294967295) or hexadecimal with "0x"; the bits are kept, so 0xA9B40019 becomes negative.
std::optional<std::int32_t> ParseBits32(std::string_view text);

}  // namespace ostravel::app
