#include "platform/TlsCheck.h"

#include <cctype>

namespace ostravel::platform {

std::optional<std::string> NormalizeFingerprint(std::string_view text) {
  std::string hex;
  for (const char c : text) {
    if (c == ':' || c == ' ') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (hex.size() != 64) return std::nullopt;
  return hex;
}

std::string HexDigest(std::span<const unsigned char> digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(digest.size() * 2);
  for (const unsigned char byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

std::string DisplayFingerprint(std::string_view normalized) {
  std::string shown;
  for (std::size_t i = 0; i < normalized.size(); ++i) {
    if (i > 0 && i % 2 == 0) shown += ':';
    shown += static_cast<char>(std::toupper(static_cast<unsigned char>(normalized[i])));
  }
  return shown;
}

std::string TlsUntrustedText(std::string_view host, std::string_view reason,
                             std::string_view fingerprint) {
  return "TLS: the certificate of " + std::string(host) + " is not trusted (" +
         std::string(reason) + "); not connected. If you trust it, add tlsfingerprint=\"" +
         DisplayFingerprint(fingerprint) + "\" to its channel in Ostravel.xml.";
}

std::string TlsFingerprintMismatchText(std::string_view fingerprint) {
  return "TLS: the server's certificate has the fingerprint " + DisplayFingerprint(fingerprint) +
         ", not the tlsfingerprint of Ostravel.xml; not connected.";
}

std::string TlsHandshakeText(std::string_view reason) {
  return "TLS: the secure connection failed (" + std::string(reason) + "); not connected.";
}

}  // namespace ostravel::platform
