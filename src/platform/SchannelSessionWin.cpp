#define SECURITY_WIN32
// clang-format off
#include <windows.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>
// clang-format on

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "platform/SchannelSession.h"
#include "platform/TlsCheck.h"
#include "platform/WideText.h"

namespace ostravel::platform {
namespace {

using Status = SchannelSession::Status;
using Result = SchannelSession::Result;

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_USE_SUPPLIED_CREDS;

std::string Hex(long code) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "0x%08lX", static_cast<unsigned long>(code));
  return text.data();
}

// Why a handshake or record step failed, in words a player can pass on.
std::string HandshakeReason(SECURITY_STATUS status) {
  const char* words = nullptr;
  switch (status) {
    case SEC_E_ILLEGAL_MESSAGE:
      words = "the server's message was not understood";
      break;
    case SEC_E_ALGORITHM_MISMATCH:
      words = "no cipher in common with the server";
      break;
    case SEC_E_UNSUPPORTED_FUNCTION:
      words = "no protocol version in common with the server";
      break;
    case SEC_E_MESSAGE_ALTERED:
      words = "a message was altered on the way";
      break;
    case SEC_E_DECRYPT_FAILURE:
      words = "a message could not be decrypted";
      break;
    case SEC_E_NO_CREDENTIALS:
      words = "the server asked for a client certificate";
      break;
    case SEC_E_INTERNAL_ERROR:
      words = "internal error of the security package";
      break;
    case SEC_E_TARGET_UNKNOWN:
      words = "the host name was not accepted";
      break;
    default:
      break;
  }
  return words ? std::string(words) + ", " + Hex(status) : "SSPI status " + Hex(status);
}

// The chain policy's verdict in the words OpenSSL uses, so that both builds read alike.
std::string ChainReason(DWORD error, bool self_signed) {
  switch (error) {
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
      return self_signed ? "self-signed certificate"
                         : "self-signed certificate in certificate chain";
    case static_cast<DWORD>(CERT_E_CHAINING):
      return "unable to get local issuer certificate";
    case static_cast<DWORD>(CERT_E_EXPIRED):
      return "certificate has expired";
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
      return "hostname mismatch";
    case static_cast<DWORD>(CERT_E_REVOKED):
      return "certificate revoked";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE):
      return "unsupported certificate purpose";
    default:
      return "error " + Hex(static_cast<long>(error));
  }
}

// A buffer SChannel allocated (ISC_REQ_ALLOCATE_MEMORY), appended to `out` and freed.
void TakeToken(SecBuffer& token, std::string& out) {
  if (token.pvBuffer == nullptr) return;
  out.append(static_cast<const char*>(token.pvBuffer), token.cbBuffer);
  FreeContextBuffer(token.pvBuffer);
  token.pvBuffer = nullptr;
}

Result Failure(SECURITY_STATUS status) {
  Result failure;
  failure.status = Status::kFailed;
  failure.error = HandshakeReason(status);
  return failure;
}

struct CertificateFree {
  void operator()(const CERT_CONTEXT* certificate) const {
    CertFreeCertificateContext(certificate);
  }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, CertificateFree>;

struct ChainFree {
  void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};
using Chain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree>;

}  // namespace

struct SchannelSession::Impl {
  std::wstring host;
  CredHandle credentials{};
  CtxtHandle context{};
  bool have_credentials = false;
  bool have_context = false;
  bool established = false;
  SecPkgContext_StreamSizes sizes{};
  std::string pending;  // bytes from the peer not yet consumed

  ~Impl() {
    if (have_context) DeleteSecurityContext(&context);
    if (have_credentials) FreeCredentialsHandle(&credentials);
  }

  SECURITY_STATUS Acquire() {
    SCHANNEL_CRED settings{};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    // The certificate is checked by hand after the handshake (fingerprint or chain), and no
    // client certificate is ever offered.
    settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry{};
    const SECURITY_STATUS status =
        AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                  nullptr, &settings, nullptr, nullptr, &credentials, &expiry);
    have_credentials = status == SEC_E_OK;
    return status;
  }

  // One call of InitializeSecurityContext on the pending bytes (none for the first one).
  SECURITY_STATUS Step(std::string& to_send, bool& took_all) {
    std::array<SecBuffer, 2> in{};
    in[0] = {static_cast<unsigned long>(pending.size()), SECBUFFER_TOKEN, pending.data()};
    in[1] = {0, SECBUFFER_EMPTY, nullptr};
    SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in.data()};
    std::array<SecBuffer, 2> out{};
    out[0] = {0, SECBUFFER_TOKEN, nullptr};
    out[1] = {0, SECBUFFER_ALERT, nullptr};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 2, out.data()};
    unsigned long attributes = 0;
    const bool first = !have_context;
    const SECURITY_STATUS status = InitializeSecurityContextW(
        &credentials, first ? nullptr : &context, host.data(), kContextFlags, 0, 0,
        first ? nullptr : &in_desc, 0, &context, &out_desc, &attributes, nullptr);
    if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) have_context = true;
    TakeToken(out[0], to_send);
    if (out[1].pvBuffer != nullptr) FreeContextBuffer(out[1].pvBuffer);
    took_all = true;
    if (status != SEC_E_INCOMPLETE_MESSAGE && !first) {
      // What the call did not consume is the start of the next message.
      if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0) {
        pending.erase(0, pending.size() - in[1].cbBuffer);
        took_all = false;
      } else {
        pending.clear();
      }
    }
    return status;
  }

  Result Handshake() {
    Result result;
    bool retried_without_certificate = false;
    while (true) {
      bool took_all = true;
      const SECURITY_STATUS status = Step(result.to_send, took_all);
      if (status == SEC_E_INCOMPLETE_MESSAGE) return result;
      if (status == SEC_I_INCOMPLETE_CREDENTIALS && !retried_without_certificate) {
        // The server asks for a client certificate; go on without one.
        retried_without_certificate = true;
        continue;
      }
      if (status == SEC_E_OK) return Established(std::move(result));
      if (status != SEC_I_CONTINUE_NEEDED) {
        Result failure = Failure(status);
        failure.to_send = std::move(result.to_send);
        return failure;
      }
      if (took_all) return result;
    }
  }

  Result Established(Result result) {
    const SECURITY_STATUS status =
        QueryContextAttributesW(&context, SECPKG_ATTR_STREAM_SIZES, &sizes);
    if (status != SEC_E_OK) return Failure(status);
    established = true;
    result.status = Status::kReady;
    return result;
  }

  Result Decrypt() {
    Result result;
    result.status = Status::kData;
    while (!pending.empty()) {
      std::array<SecBuffer, 4> buffers{};
      buffers[0] = {static_cast<unsigned long>(pending.size()), SECBUFFER_DATA, pending.data()};
      for (std::size_t i = 1; i < buffers.size(); ++i) buffers[i] = {0, SECBUFFER_EMPTY, nullptr};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers.data()};
      const SECURITY_STATUS status = DecryptMessage(&context, &desc, 0, nullptr);
      if (status == SEC_E_INCOMPLETE_MESSAGE) break;
      if (status == SEC_I_CONTEXT_EXPIRED) return Closed(std::move(result));
      if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) {
        Result failure = Failure(status);
        failure.plain = std::move(result.plain);
        return failure;
      }
      std::string extra;
      for (const SecBuffer& buffer : buffers) {
        const auto* bytes = static_cast<const char*>(buffer.pvBuffer);
        if (buffer.BufferType == SECBUFFER_DATA) result.plain.append(bytes, buffer.cbBuffer);
        if (buffer.BufferType == SECBUFFER_EXTRA) extra.assign(bytes, buffer.cbBuffer);
      }
      pending = std::move(extra);
      if (status == SEC_I_RENEGOTIATE && !AfterHandshake(result.to_send)) {
        return Closed(std::move(result));
      }
    }
    return result;
  }

  // A handshake message after the handshake: TLS 1.3's session tickets and key updates are
  // taken in stride; anything that needs an answer (a renegotiation) ends the session.
  bool AfterHandshake(std::string& to_send) {
    bool took_all = true;
    std::string answer;
    const SECURITY_STATUS status = Step(answer, took_all);
    to_send += answer;
    return status == SEC_E_OK && answer.empty();
  }

  Result Closed(Result result) {
    result.status = Status::kClosed;
    pending.clear();
    return result;
  }

  Certificate RemoteCertificate() const {
    const CERT_CONTEXT* certificate = nullptr;
    auto* handle = const_cast<CtxtHandle*>(&context);
    if (QueryContextAttributesW(handle, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
        SEC_E_OK) {
      return nullptr;
    }
    return Certificate(certificate);
  }
};

SchannelSession::SchannelSession(const std::string& host) : impl_(std::make_unique<Impl>()) {
  impl_->host = ToWide(host);
}

SchannelSession::~SchannelSession() = default;

SchannelSession::Result SchannelSession::Start() {
  const SECURITY_STATUS acquired = impl_->Acquire();
  if (acquired != SEC_E_OK) return Failure(acquired);
  Result result;
  bool took_all = true;
  const SECURITY_STATUS status = impl_->Step(result.to_send, took_all);
  if (status != SEC_I_CONTINUE_NEEDED) return Failure(status);
  return result;
}

SchannelSession::Result SchannelSession::Receive(std::string_view bytes) {
  if (!impl_->have_context) return Failure(SEC_E_INVALID_HANDLE);
  impl_->pending.append(bytes);
  if (!impl_->established) return impl_->Handshake();
  return impl_->Decrypt();
}

std::optional<std::string> SchannelSession::Encrypt(std::string_view plain) {
  if (!impl_->established) return std::nullopt;
  const SecPkgContext_StreamSizes& sizes = impl_->sizes;
  std::string records;
  while (!plain.empty()) {
    const std::size_t length = std::min<std::size_t>(plain.size(), sizes.cbMaximumMessage);
    std::string record(sizes.cbHeader + length + sizes.cbTrailer, '\0');
    record.replace(sizes.cbHeader, length, plain.substr(0, length));
    std::array<SecBuffer, 4> buffers{};
    buffers[0] = {sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
    buffers[1] = {static_cast<unsigned long>(length), SECBUFFER_DATA,
                  record.data() + sizes.cbHeader};
    buffers[2] = {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER,
                  record.data() + sizes.cbHeader + length};
    buffers[3] = {0, SECBUFFER_EMPTY, nullptr};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers.data()};
    if (EncryptMessage(&impl_->context, 0, &desc, 0) != SEC_E_OK) return std::nullopt;
    // The trailer may come out shorter than the most it can be.
    record.resize(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
    records += record;
    plain.remove_prefix(length);
  }
  return records;
}

std::optional<std::string> SchannelSession::CertificateFingerprint() const {
  const Certificate certificate = impl_->RemoteCertificate();
  if (!certificate) return std::nullopt;
  std::array<unsigned char, 32> digest{};
  DWORD length = digest.size();
  if (!CryptHashCertificate2(L"SHA256", 0, nullptr, certificate->pbCertEncoded,
                             certificate->cbCertEncoded, digest.data(), &length) ||
      length != digest.size()) {
    return std::nullopt;
  }
  return HexDigest(digest);
}

std::optional<std::string> SchannelSession::ChainProblem() const {
  const Certificate certificate = impl_->RemoteCertificate();
  if (!certificate) return "no certificate";
  std::array<char*, 1> usages{const_cast<char*>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  parameters.RequestedUsage.Usage.cUsageIdentifier = usages.size();
  parameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages.data();
  const CERT_CHAIN_CONTEXT* built = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate.get(), nullptr, certificate->hCertStore,
                               &parameters, 0, nullptr, &built)) {
    return "error " + Hex(static_cast<long>(GetLastError()));
  }
  const Chain chain(built);
  HTTPSPolicyCallbackData server{};
  server.cbStruct = sizeof server;
  server.dwAuthType = AUTHTYPE_SERVER;
  server.pwszServerName = impl_->host.data();
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &server;
  CERT_CHAIN_POLICY_STATUS verdict{};
  verdict.cbSize = sizeof verdict;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &verdict)) {
    return "error " + Hex(static_cast<long>(GetLastError()));
  }
  if (verdict.dwError == 0) return std::nullopt;
  const bool self_signed = chain->cChain > 0 && chain->rgpChain[0]->cElement == 1;
  return ChainReason(verdict.dwError, self_signed);
}

}  // namespace ostravel::platform
