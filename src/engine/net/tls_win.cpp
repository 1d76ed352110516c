#include "engine/net/tls_win.h"

#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/net/engine_error.h"

namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr size_t kMaxRecordBytes = 64 * 1024;  // more than a TLS record with its framing

uint64_t Deadline(uint32_t ms) { return GetTickCount64() + ms; }
uint32_t Left(uint64_t deadline) {
  const uint64_t now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<uint32_t>(deadline - now);
}

std::wstring Widen(const std::string& s) {
  std::wstring out;
  for (unsigned char c : s) out += static_cast<wchar_t>(c);  // host names are ASCII (IDNA)
  return out;
}

// The SSL policy over `chain`: usage and the name.
DWORD CheckPolicy(PCCERT_CHAIN_CONTEXT chain, std::wstring& host) {
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = host.data();
  CERT_CHAIN_POLICY_PARA para{};
  para.cbSize = sizeof para;
  para.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &para, &status)) return DWORD(CERT_E_CHAINING);
  return status.dwError;
}

// Verifies the server's certificate: a whole chain to one of the user's
// trusted roots (the Root stores, the current user's included), valid now,
// for server authentication, issued to `host`.
bool VerifyServer(CtxtHandle* context, const std::string& host_name) {
  PCCERT_CONTEXT cert = nullptr;
  if (QueryContextAttributesW(context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert) != SEC_E_OK || !cert) return false;
  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA chain_para{};
  chain_para.cbSize = sizeof chain_para;
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  bool ok = false;
  if (CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &chain_para, 0, nullptr, &chain) && chain) {
    // The chain's own verdict first: Wine's SSL policy passes a chain that
    // ends without reaching any root (CERT_TRUST_IS_PARTIAL_CHAIN). No
    // revocation check is asked for, so its "unknown" bits do not count.
    constexpr DWORD kIgnored = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
    std::wstring host = Widen(host_name);
    ok = (chain->TrustStatus.dwErrorStatus & ~kIgnored) == 0 && CheckPolicy(chain, host) == 0;
    CertFreeCertificateChain(chain);
  }
  CertFreeCertificateContext(cert);
  return ok;
}

class TlsConnection final : public Connection {
 public:
  explicit TlsConnection(std::unique_ptr<Connection> inner) : inner_(std::move(inner)) {}
  ~TlsConnection() override {
    if (have_context_) DeleteSecurityContext(&context_);
    if (have_credentials_) FreeCredentialsHandle(&credentials_);
  }
  TlsConnection(const TlsConnection&) = delete;
  TlsConnection& operator=(const TlsConnection&) = delete;

  int Handshake(const std::string& host, uint32_t timeout_ms);
  int Send(std::string_view data, uint32_t timeout_ms) override;
  int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) override;

 private:
  int AcquireCredentials();
  // The token exchange with the server, from the first message (`first`) or
  // from the handshake data waiting in in_, until the context stands.
  int Negotiate(uint64_t deadline, bool first);
  // Sends a token Schannel allocated, and frees it.
  int SendToken(SecBuffer& token, uint32_t timeout_ms);
  // Receives more ciphertext into in_; kErrorNoConnection when the peer closed.
  int ReceiveMore(uint64_t deadline);
  // Keeps the bytes an SSPI call did not consume (a SECBUFFER_EXTRA) at the front of in_.
  void KeepExtra(const SecBuffer* buffers, int count);

  std::unique_ptr<Connection> inner_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool have_credentials_ = false;
  bool have_context_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::vector<uint8_t> in_;     // ciphertext received and not yet decrypted
  std::vector<uint8_t> plain_;  // decrypted and not yet handed out, from plain_at_
  size_t plain_at_ = 0;
  bool closed_ = false;         // the server ended the session
  std::vector<uint8_t> out_;    // scratch for one encrypted record
  std::wstring host_;
};

int TlsConnection::AcquireCredentials() {
  // Certificates are always verified here (VerifyServer); Schannel's own check
  // is switched off so that the same verification runs on every system.
  SCHANNEL_CRED cred{};
  cred.dwVersion = SCHANNEL_CRED_VERSION;
  cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
  TimeStamp expiry{};
  for (DWORD protocols : {DWORD(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT), DWORD(SP_PROT_TLS1_2_CLIENT)}) {
    // Systems without TLS 1.3 refuse the pair; 1.2 alone is the floor.
    cred.grbitEnabledProtocols = protocols;
    if (AcquireCredentialsHandleW(nullptr, const_cast<LPWSTR>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &cred,
                                  nullptr, nullptr, &credentials_, &expiry) == SEC_E_OK) {
      have_credentials_ = true;
      return kErrorOk;
    }
  }
  return kErrorTls;
}

int TlsConnection::SendToken(SecBuffer& token, uint32_t timeout_ms) {
  int error = kErrorOk;
  if (token.pvBuffer && token.cbBuffer) {
    error = inner_->Send(std::string_view(static_cast<const char*>(token.pvBuffer), token.cbBuffer), timeout_ms);
  }
  if (token.pvBuffer) FreeContextBuffer(token.pvBuffer);
  token.pvBuffer = nullptr;
  token.cbBuffer = 0;
  return error;
}

int TlsConnection::ReceiveMore(uint64_t deadline) {
  if (in_.size() >= kMaxRecordBytes) return kErrorTls;
  uint8_t buffer[16 * 1024];
  size_t got = 0;
  if (int error = inner_->Receive(buffer, sizeof buffer, Left(deadline), got); error != kErrorOk) return error;
  if (got == 0) return kErrorNoConnection;
  in_.insert(in_.end(), buffer, buffer + got);
  return kErrorOk;
}

void TlsConnection::KeepExtra(const SecBuffer* buffers, int count) {
  for (int i = 0; i < count; ++i) {
    if (buffers[i].BufferType == SECBUFFER_EXTRA && buffers[i].cbBuffer <= in_.size()) {
      in_.erase(in_.begin(), in_.end() - buffers[i].cbBuffer);
      return;
    }
  }
  in_.clear();
}

int TlsConnection::Handshake(const std::string& host, uint32_t timeout_ms) {
  if (int error = AcquireCredentials(); error != kErrorOk) return error;
  host_ = Widen(host);
  const uint64_t deadline = Deadline(timeout_ms);
  if (int error = Negotiate(deadline, true); error != kErrorOk) return error;
  if (QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK) return kErrorTls;
  if (!VerifyServer(&context_, host)) return kErrorCertificate;
  return kErrorOk;
}

int TlsConnection::Negotiate(uint64_t deadline, bool first) {
  for (;;) {
    if (!first && in_.empty()) {
      if (int error = ReceiveMore(deadline); error != kErrorOk) return error;
    }
    SecBuffer in_buffers[2] = {{static_cast<unsigned long>(in_.size()), SECBUFFER_TOKEN, in_.data()},
                               {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in_desc = {SECBUFFER_VERSION, 2, in_buffers};
    SecBuffer out_buffer = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out_desc = {SECBUFFER_VERSION, 1, &out_buffer};
    ULONG attributes = 0;
    const SECURITY_STATUS status = InitializeSecurityContextW(
        &credentials_, first ? nullptr : &context_, host_.data(), kContextFlags, 0, 0, first ? nullptr : &in_desc,
        0, first ? &context_ : nullptr, &out_desc, &attributes, nullptr);
    if (first && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK)) have_context_ = true;
    first = false;
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      if (int error = ReceiveMore(deadline); error != kErrorOk) return error;
      continue;
    }
    // Tokens go out also with an error: they carry the alert that tells the server why.
    const int sent = SendToken(out_buffer, Left(deadline));
    if (status == SEC_E_OK) {
      if (sent != kErrorOk) return sent;
      KeepExtra(in_buffers, 2);
      break;
    }
    if (status != SEC_I_CONTINUE_NEEDED) return kErrorTls;
    if (sent != kErrorOk) return sent;
    KeepExtra(in_buffers, 2);
  }
  return kErrorOk;
}

int TlsConnection::Send(std::string_view data, uint32_t timeout_ms) {
  while (!data.empty()) {
    const size_t n = std::min<size_t>(data.size(), sizes_.cbMaximumMessage);
    out_.assign(sizes_.cbHeader + n + sizes_.cbTrailer, 0);
    std::memcpy(out_.data() + sizes_.cbHeader, data.data(), n);
    SecBuffer buffers[4] = {
        {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, out_.data()},
        {static_cast<unsigned long>(n), SECBUFFER_DATA, out_.data() + sizes_.cbHeader},
        {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, out_.data() + sizes_.cbHeader + n},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) return kErrorTls;
    const size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
    if (int error = inner_->Send(std::string_view(reinterpret_cast<const char*>(out_.data()), total), timeout_ms);
        error != kErrorOk)
      return error;
    data.remove_prefix(n);
  }
  return kErrorOk;
}

int TlsConnection::Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) {
  got = 0;
  const uint64_t deadline = Deadline(timeout_ms);
  for (;;) {
    if (plain_at_ < plain_.size()) {
      got = std::min(size, plain_.size() - plain_at_);
      std::memcpy(buffer, plain_.data() + plain_at_, got);
      plain_at_ += got;
      return kErrorOk;
    }
    plain_.clear();
    plain_at_ = 0;
    if (closed_) return kErrorOk;
    if (!in_.empty()) {
      SecBuffer buffers[4] = {{static_cast<unsigned long>(in_.size()), SECBUFFER_DATA, in_.data()},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
      if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE || status == SEC_I_CONTEXT_EXPIRED) {
        for (const SecBuffer& b : buffers) {
          if (b.BufferType == SECBUFFER_DATA && b.cbBuffer) {
            const auto* p = static_cast<const uint8_t*>(b.pvBuffer);
            plain_.insert(plain_.end(), p, p + b.cbBuffer);
          }
        }
        KeepExtra(buffers, 4);
        // The server's close_notify ends the stream as a closed socket would.
        if (status == SEC_I_CONTEXT_EXPIRED) closed_ = true;
        // A handshake message after the handshake (TLS 1.3 session tickets):
        // the context takes it, then the data goes on.
        if (status == SEC_I_RENEGOTIATE) {
          if (int error = Negotiate(deadline, false); error != kErrorOk) return error;
        }
        continue;
      }
      if (status != SEC_E_INCOMPLETE_MESSAGE) return kErrorNoConnection;
    }
    const int error = ReceiveMore(deadline);
    if (error == kErrorNoConnection && in_.empty()) return kErrorOk;  // closed between records
    if (error != kErrorOk) return error;
  }
}

}  // namespace

int StartTlsConnection(std::unique_ptr<Connection> inner, const std::string& host, uint32_t timeout_ms,
                       std::unique_ptr<Connection>& out) {
  auto tls = std::make_unique<TlsConnection>(std::move(inner));
  if (int error = tls->Handshake(host, timeout_ms); error != kErrorOk) return error;
  out = std::move(tls);
  return kErrorOk;
}
