#include "support/FakeInternet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qalo::test {
namespace {

std::string Text(const char* s) { return s ? s : "-"; }

}  // namespace

std::vector<std::string> FakeInternet::OpenHandles() const {
  Lock lock(mutex_);
  std::vector<std::string> open;
  for (const auto& [value, handle] : handles_)
    if (handle.open) open.push_back(handle.name);
  return open;
}

std::vector<std::string> FakeInternet::CallNames() const {
  Lock lock(mutex_);
  std::vector<std::string> names;
  for (const auto& call : calls) names.push_back(call.substr(0, call.find('(')));
  return names;
}

void FakeInternet::Hold(const std::string& name, int n) {
  Lock lock(mutex_);
  holdName_ = name;
  holdAt_ = n;
}

bool FakeInternet::Held() const {
  Lock lock(mutex_);
  return held_;
}

void FakeInternet::Release() {
  Lock lock(mutex_);
  holdName_.clear();
  released_.notify_all();
}

bool FakeInternet::Call(Lock& lock, const std::string& name, const std::string& text) {
  const std::string entry = name + "(" + text + ")";
  calls.push_back(entry);
  if (journal_) journal_->push_back(entry);
  const std::size_t ownEntry = calls.size() - 1;
  const std::size_t ownJournalEntry = journal_ ? journal_->size() - 1 : 0;
  const bool fail = faults.Call(name);
  const bool hold = name == holdName_ && faults.Count(name) == holdAt_;
  if (hold) {
    held_ = true;
    released_.wait(lock, [this] { return holdName_.empty(); });
    held_ = false;
  }
  // Other calls may have come meanwhile: the rest of this one is its own.
  wasHeld_ = hold;
  entry_ = ownEntry;
  journalEntry_ = ownJournalEntry;
  if (fail) {
    lastError_ = failureError;
    Result("fail");
  }
  return fail;
}

void FakeInternet::Result(const std::string& text) {
  calls[entry_] += "=" + text;
  if (journal_) (*journal_)[journalEntry_] += "=" + text;
}

bool FakeInternet::CancelledWhileHeld(InetHandle handle) {
  const auto it = handles_.find(handle);
  if (!wasHeld_ || it == handles_.end() || it->second.open) return false;
  lastError_ = 12017;  // ERROR_INTERNET_OPERATION_CANCELLED
  Result("fail");
  return true;
}

InetHandle FakeInternet::NewHandle(char kind) {
  const auto value = reinterpret_cast<InetHandle>(nextValue_++);
  Handle& handle = handles_[value];
  handle.name = std::string(1, kind) + std::to_string(++counts_[kind]);
  Result(handle.name);
  return value;
}

FakeInternet::Handle* FakeInternet::Use(InetHandle value, char kind) {
  const auto it = handles_.find(value);
  if (it == handles_.end() || !it->second.open || it->second.name[0] != kind) {
    misuse.push_back(calls[entry_] + ": bad handle");
    return nullptr;
  }
  return &it->second;
}

std::string FakeInternet::NameOf(InetHandle value) const {
  const auto it = handles_.find(value);
  return it == handles_.end() ? "?" : it->second.name;
}

InetHandle FakeInternet::Open(const char* agent, std::uint32_t accessType, const char* proxy,
                              const char* bypass, std::uint32_t flags) {
  Lock lock(mutex_);
  if (Call(lock, "Open", Text(agent) + "," + std::to_string(accessType) + "," + Text(proxy) + "," +
                       Text(bypass) + "," + std::to_string(flags)))
    return nullptr;
  return NewHandle('S');
}

bool FakeInternet::SetOption(InetHandle handle, std::uint32_t option, std::uint32_t value) {
  Lock lock(mutex_);
  const std::string name = NameOf(handle);
  if (Call(lock, "SetOption", name + "," + std::to_string(option) + "," + std::to_string(value)))
    return false;
  Handle* used = Use(handle, name.empty() ? '?' : name[0]);
  if (!used) return false;
  options[name].emplace_back(option, value);
  const bool request = name[0] == 'R';
  if (option == wininet::kOptionSecurityFlags && request) {
    // Only the ignore flags can be set; the others are reported.
    used->securityFlags |= value & (wininet::kSecurityIgnoreCertCnInvalid |
                                    wininet::kSecurityIgnoreCertDateInvalid);
  } else if (option == wininet::kOptionSecurityFlags) {
    securityFlags = value;
  }
  if (option == wininet::kOptionErrorMask && request) used->errorMask = value;
  return true;
}

bool FakeInternet::QueryOption(InetHandle handle, std::uint32_t option, std::uint32_t& value) {
  Lock lock(mutex_);
  const std::string name = NameOf(handle);
  if (Call(lock, "QueryOption", name + "," + std::to_string(option))) return false;
  Handle* used = Use(handle, name.empty() ? '?' : name[0]);
  if (!used) return false;
  value = option != wininet::kOptionSecurityFlags ? 0
          : name[0] == 'R'                        ? used->securityFlags
                                                  : securityFlags;
  return true;
}

bool FakeInternet::QueryCertificate(InetHandle request, ServerCertificate& result) {
  Lock lock(mutex_);
  if (Call(lock, "QueryCertificate", NameOf(request))) return false;
  Handle* handle = Use(request, 'R');
  if (!handle) return false;
  if (!handle->certificateSeen) {
    lastError_ = 12019;  // ERROR_INTERNET_INCORRECT_HANDLE_STATE
    Result("fail");
    return false;
  }
  result = certificate;
  return true;
}

std::uint32_t FakeInternet::CertificateError(Handle& request) {
  if (!request.secure) return 0;
  request.certificateSeen = true;
  struct Check {
    std::uint32_t problem, ignore, error;
  };
  static constexpr Check kChecks[] = {
      {wininet::kSecurityCertInvalidCa, 0, wininet::kErrorInvalidCa},
      {wininet::kSecurityCertInvalidCn, wininet::kSecurityIgnoreCertCnInvalid,
       wininet::kErrorCertCnInvalid},
      {wininet::kSecurityCertInvalidDate, wininet::kSecurityIgnoreCertDateInvalid,
       wininet::kErrorCertDateInvalid},
  };
  // Without the combined error mask a failure names its first problem only.
  const bool combined = request.errorMask & wininet::kErrorMaskCombinedSecCert;
  std::uint32_t error = 0;
  for (const Check& check : kChecks) {
    if (!(certificateProblems & check.problem) || (request.securityFlags & check.ignore)) continue;
    request.securityFlags |= check.problem;
    error = error == 0 ? check.error : wininet::kErrorCertErrors;
    if (!combined) break;
  }
  return error;
}

bool FakeInternet::CrackUrl(const std::string& url, UrlParts& parts) {
  Lock lock(mutex_);
  if (Call(lock, "CrackUrl", url)) return false;
  const auto schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos) {
    lastError_ = 12006;  // ERROR_INTERNET_UNRECOGNIZED_SCHEME
    Result("fail");
    return false;
  }
  const std::string scheme = url.substr(0, schemeEnd);
  std::string rest = url.substr(schemeEnd + 3);
  const auto slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  parts.object = slash == std::string::npos ? "" : rest.substr(slash);
  if (const auto at = authority.find('@'); at != std::string::npos) {
    const std::string login = authority.substr(0, at);
    const auto colon = login.find(':');
    parts.user = login.substr(0, colon);
    parts.password = colon == std::string::npos ? "" : login.substr(colon + 1);
    authority = authority.substr(at + 1);
  }
  parts.scheme = scheme == "https" ? wininet::kSchemeHttps : 3;
  parts.port = scheme == "https" ? 443 : 80;
  if (const auto colon = authority.find(':'); colon != std::string::npos) {
    parts.port = static_cast<std::uint16_t>(std::stoi(authority.substr(colon + 1)));
    authority = authority.substr(0, colon);
  }
  parts.host = authority;
  return true;
}

InetHandle FakeInternet::Connect(InetHandle session, const std::string& host, std::uint16_t port,
                                 const char* user, const char* password, std::uint32_t service,
                                 std::uint32_t flags) {
  Lock lock(mutex_);
  if (Call(lock, "Connect", NameOf(session) + "," + host + "," + std::to_string(port) + "," +
                          Text(user) + "," + Text(password) + "," + std::to_string(service) +
                          "," + std::to_string(flags)))
    return nullptr;
  if (!Use(session, 'S')) return nullptr;
  return NewHandle('C');
}

InetHandle FakeInternet::OpenRequest(InetHandle connect, const char* verb,
                                     const std::string& object, std::uint32_t flags) {
  Lock lock(mutex_);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(flags));
  if (Call(lock, "OpenRequest", NameOf(connect) + "," + Text(verb) + "," + object + "," + hex))
    return nullptr;
  if (!Use(connect, 'C')) return nullptr;
  const InetHandle request = NewHandle('R');
  handles_[request].secure = flags & wininet::kFlagSecure;
  return request;
}

bool FakeInternet::SendRequest(InetHandle request, const char* headers,
                               std::uint32_t headersLength) {
  Lock lock(mutex_);
  if (Call(lock, "SendRequest", NameOf(request) + "," + std::to_string(headersLength))) return false;
  if (CancelledWhileHeld(request)) return false;
  Handle* handle = Use(request, 'R');
  if (!handle) return false;
  if (const std::uint32_t error = CertificateError(*handle)) {
    lastError_ = error;
    Result("fail");
    return false;
  }
  sentHeaders.push_back(
      {headers == nullptr, headers ? std::string(headers, headersLength) : "", headersLength});
  if (responses.empty()) {
    handle->response = defaultResponse;
  } else {
    handle->response = responses.front();
    responses.pop_front();
  }
  handle->sent = true;
  return true;
}

bool FakeInternet::QueryInfo(InetHandle request, std::uint32_t infoLevel, char* buffer,
                             std::uint32_t& length, std::uint32_t& index) {
  Lock lock(mutex_);
  if (Call(lock, "QueryInfo", NameOf(request) + "," + std::to_string(infoLevel) + "," +
                            std::to_string(length) + "," + std::to_string(index) + "," +
                            (buffer[0] == '\0' ? "zeroed" : "dirty")))
    return false;
  Handle* handle = Use(request, 'R');
  if (!handle || !handle->sent) return false;
  const std::optional<std::string>& value = infoLevel == wininet::kQueryStatusCode
                                                ? handle->response.status
                                                : handle->response.contentLength;
  if (!value) {
    lastError_ = 12150;  // ERROR_HTTP_HEADER_NOT_FOUND
    Result("fail");
    return false;
  }
  if (value->size() + 1 > length) {
    lastError_ = 122;  // ERROR_INSUFFICIENT_BUFFER
    Result("fail");
    return false;
  }
  std::memcpy(buffer, value->c_str(), value->size() + 1);
  length = static_cast<std::uint32_t>(value->size());
  return true;
}

std::uint32_t FakeInternet::ErrorDialog(InetHandle request, std::uint32_t error,
                                        std::uint32_t flags) {
  Lock lock(mutex_);
  Call(lock, "ErrorDialog", NameOf(request) + "," + std::to_string(error) + "," + std::to_string(flags));
  Use(request, 'R');
  std::uint32_t answer = 0;
  if (!dialogAnswers.empty()) {
    answer = dialogAnswers.front();
    dialogAnswers.pop_front();
  }
  Result(std::to_string(answer));
  return answer;
}

bool FakeInternet::Read(InetHandle request, void* buffer, std::uint32_t toRead,
                        std::uint32_t& read) {
  Lock lock(mutex_);
  if (Call(lock, "Read", NameOf(request) + "," + std::to_string(toRead))) return false;
  if (CancelledWhileHeld(request)) return false;
  Handle* handle = Use(request, 'R');
  if (!handle) return false;
  FakeResponse& response = handle->response;
  if (handle->nextChunk == response.chunks.size()) {
    if (response.readFailsAtEnd) {
      lastError_ = 12002;
      Result("fail");
      return false;
    }
    read = 0;
    Result("0");
    return true;
  }
  const std::string& chunk = response.chunks[handle->nextChunk++];
  if (chunk.size() > toRead) misuse.push_back(calls[entry_] + ": chunk larger than asked");
  read = static_cast<std::uint32_t>(std::min<std::size_t>(chunk.size(), toRead));
  std::memcpy(buffer, chunk.data(), read);
  Result(std::to_string(read));
  return true;
}

bool FakeInternet::Close(InetHandle value) {
  Lock lock(mutex_);
  const std::string name = NameOf(value);
  if (Call(lock, "Close", name)) {
    // A failed close still releases the handle, as InternetCloseHandle does.
    if (auto it = handles_.find(value); it != handles_.end()) it->second.open = false;
    closed.push_back(name);
    return false;
  }
  const auto it = handles_.find(value);
  if (it == handles_.end() || !it->second.open) {
    misuse.push_back("Close(" + name + "): not open");
    return false;
  }
  it->second.open = false;
  closed.push_back(name);
  return true;
}

std::uint32_t FakeInternet::LastError() {
  Lock lock(mutex_);
  Call(lock, "LastError", "");
  Result(std::to_string(lastError_));
  return lastError_;
}

void FakeInternet::SetLastError(std::uint32_t error) {
  Lock lock(mutex_);
  Call(lock, "SetLastError", std::to_string(error));
  lastError_ = error;
}

std::uint32_t FakeInternet::FormatSystemMessage(std::uint32_t flags, std::uint32_t messageId,
                                                std::uint32_t languageId, char* buffer,
                                                std::uint32_t size) {
  Lock lock(mutex_);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(flags));
  if (Call(lock, "FormatSystemMessage", std::string(hex) + "," + std::to_string(messageId) + "," +
                                      std::to_string(languageId) + "," + std::to_string(size)))
    return 0;
  const auto it = systemMessages.find(messageId);
  if (it == systemMessages.end()) {
    lastError_ = 317;  // ERROR_MR_MID_NOT_FOUND
    Result("0");
    return 0;
  }
  const std::uint32_t n = std::min<std::uint32_t>(static_cast<std::uint32_t>(it->second.size()), size);
  std::memcpy(buffer, it->second.data(), n);
  buffer[n] = '\0';
  Result(std::to_string(n));
  return n;
}

}  // namespace qalo::test
