#pragma once
#include <cstdint>
#include <deque>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Internet.h"
#include "support/FaultPlan.h"

namespace qalo::test {

// What the fake server answers to one sent request.
struct FakeResponse {
  std::optional<std::string> status = "200";  // nullopt: the status query fails
  std::optional<std::string> contentLength;   // nullopt: no such header
  std::vector<std::string> chunks;            // one per successful Read
  bool readFailsAtEnd = false;                // after the chunks Read fails instead of ending
};

// The URL and header text the download's tests ask for.
inline const std::string kUrl = "https://qalo.example:8443/api/depot?x=1";
inline const std::string kHeaders = "nolt_portal_id: 4711\nnolt_password: geheim\n";

// The server answers body with its true Content-Length, in reads of at
// most chunkSize bytes.
inline FakeResponse InChunks(const std::string& body, std::size_t chunkSize = 65535) {
  FakeResponse response;
  response.contentLength = std::to_string(body.size());
  for (std::size_t at = 0; at < body.size(); at += chunkSize)
    response.chunks.push_back(body.substr(at, chunkSize));
  return response;
}

// A recording internet. Handles are named by kind and number (S1 session,
// C1 connection, R1 request) in the call list, e.g. "Connect(S1,h,443,-,-,3,0)=C1".
// Any call can be made to fail through faults, by its name (the method's)
// or its place among all calls; a failed call sets the last error to
// failureError.
// Misuse (a handle closed twice, a closed or unknown handle used) is listed
// in misuse.
// A call can be held, as a silent service holds it: it waits until
// released, and fails as cancelled (12017) if its handle was closed
// meanwhile. The download's worker and the host's thread may call at once;
// the fake's own records take turns (a shared journal does not: a test that
// holds a call has none).
class FakeInternet : public Internet {
 public:
  explicit FakeInternet(std::vector<std::string>* journal = nullptr) : journal_(journal) {}

  // --- script
  std::deque<FakeResponse> responses;  // taken one per SendRequest
  FakeResponse defaultResponse;        // when responses has run out
  std::deque<std::uint32_t> dialogAnswers;  // ErrorDialog results; 0 when run out
  std::uint32_t failureError = 12029;
  std::map<std::uint32_t, std::string> systemMessages;  // FormatSystemMessage texts
  // The server's certificate, met by every request opened with the secure
  // flag: its problems (kSecurityCertInvalid* bits) fail a send that does
  // not ignore them, before anything is sent, as WinInet does.
  std::uint32_t certificateProblems = 0;
  ServerCertificate certificate{"localhost", "qalo-mock test CA", 0};
  FaultPlan faults;

  // --- record
  struct SentHeaders {
    bool null;
    std::string text;
    std::uint32_t length;
  };
  std::vector<std::string> calls;
  std::vector<SentHeaders> sentHeaders;
  std::vector<std::string> misuse;
  std::vector<std::string> closed;
  std::map<std::string, std::vector<std::pair<std::uint32_t, std::uint32_t>>> options;
  std::uint32_t securityFlags = 0x1000;  // as a session reports them; requests keep their own
  std::vector<std::string> OpenHandles() const;
  std::vector<std::string> CallNames() const;  // the call list without arguments

  // --- silence
  void Hold(const std::string& name, int n = 1);  // the n-th call of that name waits
  bool Held() const;                               // a held call has begun and waits
  void Release();                                  // lets it (and any later one) go

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
  struct Handle {
    std::string name;
    bool open = true;
    FakeResponse response;
    std::size_t nextChunk = 0;
    bool sent = false;
    bool secure = false;
    bool certificateSeen = false;
    std::uint32_t securityFlags = 0;  // a request's: ignore flags set, problems found
    std::uint32_t errorMask = 0;
  };
  // The error a send on this request fails with for the certificate; 0: none.
  std::uint32_t CertificateError(Handle& request);
  using Lock = std::unique_lock<std::mutex>;
  // Records the call, waits while it is held; true when it is to fail (and
  // then sets the last error). Result adds to the entry of the call made last
  // on this thread.
  bool Call(Lock& lock, const std::string& name, const std::string& text);
  void Result(const std::string& text);
  // A held call whose handle was closed while it waited.
  bool CancelledWhileHeld(InetHandle handle);
  InetHandle NewHandle(char kind);
  Handle* Use(InetHandle handle, char kind);
  std::string NameOf(InetHandle handle) const;

  std::vector<std::string>* journal_;
  std::map<InetHandle, Handle> handles_;
  std::map<char, int> counts_;
  std::uintptr_t nextValue_ = 0x100;
  std::uint32_t lastError_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable released_;
  std::string holdName_;
  int holdAt_ = 0;
  bool held_ = false;
  bool wasHeld_ = false;
  std::size_t entry_ = 0;
  std::size_t journalEntry_ = 0;
};

}  // namespace qalo::test
