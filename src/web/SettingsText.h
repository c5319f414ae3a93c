#pragma once

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace ostravel::platform {
class CodePage;
}

namespace ostravel {

// The settings file's bytes as text: UTF-8 inside, the file's own encoding on disk.
struct SettingsText {
  std::string utf8;  // the document, without a byte order mark
  int encoding = 0;  // the code page it is to be written back in
  bool byte_order_mark = false;
};

// The encoding name of the XML declaration at the start of `bytes`; none without one.
std::optional<std::string> DeclaredEncoding(std::string_view bytes);

// Decodes the file's bytes by its byte order mark, else its declared encoding. Text that is
// declared UTF-8 (or nothing) but is no valid UTF-8 was saved by a plain editor in the ANSI
// code page and is read from it; it is written back as UTF-8. Throws Error -1072896658
// "System does not support the specified encoding." for an encoding it cannot read.
SettingsText DecodeSettingsText(std::string_view bytes, const platform::CodePage& ansi);

// The document as UTF-8 XML text. A carriage return in element text is written as "&#13;"
// so that it reads back as one (the library writes it raw, and reading turns a raw one into
// a line feed).
std::string SerializeDocument(pugi::xml_document& document);

// Names `encoding` in the document's declaration, if it has one that names another.
void DeclareEncoding(pugi::xml_document& document, int encoding);

// The bytes of a byte order mark for the code page.
std::string ByteOrderMark(int encoding);

}  // namespace ostravel
