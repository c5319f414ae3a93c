#include "web/SettingsText.h"

#include <array>
#include <cstring>
#include <sstream>
#include <vector>

#include "base/Error.h"
#include "platform/CodePage.h"
#include "platform/TextEncoding.h"

namespace ostravel {
namespace {

constexpr std::int32_t kUnsupportedEncoding = -1072896658;  // 0xC00CE56E, the platform's code
constexpr const char* kParserSource = "pugixml";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void SkipSpace(std::string_view text, std::size_t& at) {
  while (at < text.size() && IsSpace(text[at])) ++at;
}

[[noreturn]] void Unsupported() {
  throw Error(kUnsupportedEncoding, "System does not support the specified encoding.",
              kParserSource);
}

std::string ReadInAnsi(std::string_view bytes, const platform::CodePage& ansi) {
  return platform::IsValidUtf8(bytes) ? std::string(bytes) : ansi.ToUtf8(bytes);
}

// Collects what serializing must not confuse with the stand-in for a carriage return.
struct TextCollector : pugi::xml_tree_walker {
  std::vector<pugi::xml_node> with_carriage_return;
  std::string values;  // element text and attribute values: escaped on output
  std::string raw;     // comments, instructions, CDATA, document type: written as they stand
  bool for_each(pugi::xml_node& node) override {
    for (const pugi::xml_attribute attribute : node.attributes()) values += attribute.value();
    if (node.type() == pugi::node_pcdata) {
      values += node.value();
      if (std::strchr(node.value(), '\r')) with_carriage_return.push_back(node);
    } else if (node.type() != pugi::node_element) {
      raw += node.value();
    }
    return true;
  }
};

// The character reference the library writes for a control character.
std::string ReferenceFor(char control) {
  return std::string("&#") + static_cast<char>('0' + control / 10) +
         static_cast<char>('0' + control % 10) + ";";
}

// A control character that appears nowhere and whose reference appears in no raw text:
// its references in the output then stand for carriage returns and nothing else.
std::optional<char> UnusedControl(const TextCollector& text) {
  for (char c = 1; c < 32; ++c) {
    if (c == '\t' || c == '\n' || c == '\r') continue;
    if (text.values.find(c) == std::string::npos &&
        text.raw.find(ReferenceFor(c)) == std::string::npos) {
      return c;
    }
  }
  return std::nullopt;
}

std::string Save(pugi::xml_document& document) {
  std::ostringstream out;
  document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return std::move(out).str();
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

void ReplaceChar(pugi::xml_node node, char from, char to) {
  std::string value = node.value();
  for (char& c : value) {
    if (c == from) c = to;
  }
  node.set_value(value.c_str());
}

}  // namespace

std::optional<std::string> DeclaredEncoding(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
  if (!bytes.starts_with("<?xml") || bytes.size() < 6 || !IsSpace(bytes[5])) return std::nullopt;
  const std::size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view declaration = bytes.substr(0, end);
  for (std::size_t at = 5;;) {
    SkipSpace(declaration, at);
    const std::size_t name_start = at;
    while (at < declaration.size() && !IsSpace(declaration[at]) && declaration[at] != '=') ++at;
    const std::string_view name = declaration.substr(name_start, at - name_start);
    SkipSpace(declaration, at);
    if (name.empty() || at >= declaration.size() || declaration[at] != '=') return std::nullopt;
    SkipSpace(declaration, ++at);
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) {
      return std::nullopt;
    }
    const std::size_t close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos) return std::nullopt;
    if (name == "encoding") return std::string(declaration.substr(at + 1, close - at - 1));
    at = close + 1;
  }
}

SettingsText DecodeSettingsText(std::string_view bytes, const platform::CodePage& ansi) {
  if (bytes.starts_with(kUtf16LEMark) || bytes.starts_with(kUtf16BEMark)) {
    const int encoding = bytes.starts_with(kUtf16LEMark) ? platform::kUtf16LE : platform::kUtf16BE;
    return {platform::DecodeText(bytes.substr(2), encoding), encoding, true};
  }
  if (bytes.starts_with(kUtf8Mark)) {
    return {ReadInAnsi(bytes.substr(kUtf8Mark.size()), ansi), platform::kUtf8, true};
  }
  int encoding = platform::kUtf8;
  if (const auto name = DeclaredEncoding(bytes)) {
    const auto declared = platform::CodePageForEncodingName(*name);
    if (!declared) Unsupported();
    // A declaration read in single bytes cannot be the start of UTF-16 text.
    if (!platform::SameEncoding(*declared, platform::kUtf16LE)) encoding = *declared;
  }
  if (encoding == platform::kUtf8 || encoding == platform::kAscii) {
    return {ReadInAnsi(bytes, ansi), encoding, false};
  }
  try {
    return {platform::DecodeText(bytes, encoding), encoding, false};
  } catch (const Error&) {
    Unsupported();
  }
}

std::string SerializeDocument(pugi::xml_document& document) {
  TextCollector text;
  document.traverse(text);
  const auto stand_in = text.with_carriage_return.empty() ? std::nullopt : UnusedControl(text);
  if (!stand_in) return Save(document);
  for (const auto& node : text.with_carriage_return) ReplaceChar(node, '\r', *stand_in);
  std::string saved = Save(document);
  for (const auto& node : text.with_carriage_return) ReplaceChar(node, *stand_in, '\r');
  ReplaceAll(saved, ReferenceFor(*stand_in), "&#13;");
  return saved;
}

void DeclareEncoding(pugi::xml_document& document, int encoding) {
  pugi::xml_node declaration = document.find_child(
      [](pugi::xml_node node) { return node.type() == pugi::node_declaration; });
  if (!declaration) return;
  pugi::xml_attribute named = declaration.attribute("encoding");
  if (!named) {
    // No name means UTF-8 (or UTF-16 by its mark): only another encoding must be named.
    if (encoding == platform::kUtf8 || platform::SameEncoding(encoding, platform::kUtf16LE)) return;
    named = declaration.append_attribute("encoding");
  }
  const auto current = platform::CodePageForEncodingName(named.value());
  if (current && platform::SameEncoding(*current, encoding)) return;
  named.set_value(platform::EncodingNameForCodePage(encoding).c_str());
}

std::string ByteOrderMark(int encoding) {
  switch (encoding) {
    case platform::kUtf8:
      return std::string(kUtf8Mark);
    case platform::kUtf16LE:
      return std::string(kUtf16LEMark);
    case platform::kUtf16BE:
      return std::string(kUtf16BEMark);
    default:
      return "";
  }
}

}  // namespace ostravel
