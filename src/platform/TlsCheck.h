#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostravel::platform {

// What both TLS back ends share: the form of a certificate fingerprint and the texts that tell
// the player why a secured connection was refused, so that both builds say the same.

// A fingerprint as a person may write it ("AB:CD:..." or "abcd...", spaces allowed), made into
// 64 lower-case hex digits; nullopt when it is not a SHA-256 fingerprint.
std::optional<std::string> NormalizeFingerprint(std::string_view text);

// The SHA-256 fingerprint of a certificate's DER bytes as 64 lower-case hex digits.
std::string HexDigest(std::span<const unsigned char> digest);

// As shown to a person: upper-case pairs separated by colons.
std::string DisplayFingerprint(std::string_view normalized);

// The `failed` descriptions of a TLS connection.
std::string TlsUntrustedText(std::string_view host, std::string_view reason,
                             std::string_view fingerprint);
std::string TlsFingerprintMismatchText(std::string_view fingerprint);
std::string TlsHandshakeText(std::string_view reason);
// The `failed` number that comes with each of the three: trying again would only repeat it.
inline constexpr int kTlsFailed = 40100;

}  // namespace ostravel::platform
