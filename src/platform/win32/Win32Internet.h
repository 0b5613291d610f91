#pragma once
#include <memory>

#include "platform/Host.h"
#include "platform/Internet.h"

namespace qalo {

// The internet seam over the real WinInet, one call each. wininet.dll is
// loaded from the system folder by the first Open or CrackUrl and kept for
// the life of the process (WinInet's own background work may outlive a
// run); this object lives for one run, and the other calls take handles
// from a successful Open. A wininet.dll that cannot be loaded, or lacks a
// function, makes Open fail (null, last error set) after a German line to
// host naming what is missing.
class Win32Internet final : public Internet {
 public:
  explicit Win32Internet(HostReporter& host);
  ~Win32Internet() override;

  InetHandle Open(const char* agent, std::uint32_t accessType, const char* proxy,
                  const char* bypass, std::uint32_t flags) override;
  bool SetOption(InetHandle handle, std::uint32_t option, std::uint32_t value) override;
  bool QueryOption(InetHandle handle, std::uint32_t option, std::uint32_t& value) override;
  bool QueryCertificate(InetHandle request, ServerCertificate& certificate) override;
  bool CrackUrl(const std::string& url, UrlParts& parts) override;
  InetHandle Connect(InetHandle session, const std::string& host, std::uint16_t port,
                     const char* user, const char* password, std::uint32_t service,
                     std::uint32_t flags) override;
  InetHandle OpenRequest(InetHandle connect, const char* verb, const std::string& object,
                         std::uint32_t flags) override;
  bool SendRequest(InetHandle request, const char* headers, std::uint32_t headersLength) override;
  bool QueryInfo(InetHandle request, std::uint32_t infoLevel, char* buffer, std::uint32_t& length,
                 std::uint32_t& index) override;
  std::uint32_t ErrorDialog(InetHandle request, std::uint32_t error, std::uint32_t flags) override;
  bool Read(InetHandle request, void* buffer, std::uint32_t toRead, std::uint32_t& read) override;
  bool Close(InetHandle handle) override;
  std::uint32_t LastError() override;
  void SetLastError(std::uint32_t error) override;
  std::uint32_t FormatSystemMessage(std::uint32_t flags, std::uint32_t messageId,
                                    std::uint32_t languageId, char* buffer,
                                    std::uint32_t size) override;

 private:
  struct Api;
  // The library and its functions, loaded by the first call that needs
  // them; null, reported and tried again next time when they cannot be.
  const Api* Load();

  HostReporter& host_;
  std::unique_ptr<Api> api_;
};

}  // namespace qalo
