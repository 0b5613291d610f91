// The boundary: each export is a short trampoline that treats null texts as
// empty, calls the core and turns any exception into a result code. Nothing
// may unwind into the host's frames.
#include "plugin/Exports.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/SecureWipe.h"
#include "plugin/ExportErrorMsg.h"
#include "workflow/ResultCodes.h"

namespace {

const char* OrEmpty(const char* text) { return text ? text : ""; }

// The one guard every export goes through: an exception from the core
// becomes the export's failure result.
template <typename Fn>
std::int32_t Guarded(std::int32_t onException, Fn&& fn) noexcept {
  try {
    return fn();
  } catch (...) {
    return onException;
  }
}

}  // namespace

extern "C" {

std::int32_t QALO_STDCALL ExportXML(const char* defaultXmlDir, const char* beraterRef,
                                    std::int32_t reserved, const double* datum,
                                    const char* settingsText) noexcept {
  return Guarded(qalo::result::kUnexpectedFailure, [&] {
    auto handler = qalo::Identity().ExportXmlHandler;
    if (!handler) return qalo::result::kOnlineError;
    return handler(OrEmpty(defaultXmlDir), OrEmpty(beraterRef), reserved, datum,
                   OrEmpty(settingsText));
  });
}

std::int32_t QALO_STDCALL ApiDataDialog(char* userBuffer, char* passwordBuffer,
                                        char* settingsBuffer) noexcept {
  return Guarded(qalo::result::kUnexpectedFailure, [&] {
    auto handler = qalo::Identity().ApiDataDialogHandler;
    if (!handler) return qalo::kDialogCancelled;
    std::string user = OrEmpty(userBuffer);
    qalo::WipedString password(OrEmpty(passwordBuffer));
    qalo::WipedString settings(OrEmpty(settingsBuffer));  // holds the key
    const std::int32_t result = handler(user, password.text, settings.text);
    if (result != qalo::kDialogOk) return result;
    // Cut without notice to the caller's buffers of 128, 128 and 4096 bytes.
    const auto copyBack = [](char* buffer, const std::string& text, std::size_t maxChars) {
      if (!buffer) return;
      const std::size_t n = std::min(text.size(), maxChars);
      std::memcpy(buffer, text.data(), n);
      buffer[n] = '\0';
    };
    copyBack(userBuffer, user, 127);
    copyBack(passwordBuffer, password.text, 127);
    copyBack(settingsBuffer, settings.text, 4095);
    return result;
  });
}

std::int32_t QALO_STDCALL GetExportErrorMsg(std::int32_t code, char* messageBuffer) noexcept {
  // The result is 0 whatever happens; a message that could not be built
  // leaves the buffer as it was.
  return Guarded(0, [&] {
    if (!messageBuffer) return 0;
    const std::string text = qalo::ExportErrorMessage(code);
    std::memcpy(messageBuffer, text.c_str(), text.size() + 1);
    return 0;
  });
}

std::int32_t QALO_STDCALL RegProgrCallback(qalo::ProgressCallbackFn callback) noexcept {
  return Guarded(0, [&] {
    qalo::Identity().ProgressCallback = callback;
    return 0;
  });
}

std::int32_t QALO_STDCALL AppVersionCheck(std::int32_t hostVersion) noexcept {
  return Guarded(-1, [&] { return hostVersion >= qalo::kLowestHostVersion ? 0 : -1; });
}

void QALO_STDCALL ImportVersionInfo(char* versionBuffer) noexcept {
  Guarded(0, [&] {
    if (!versionBuffer) return 0;
    const std::string& version = qalo::Identity().PluginVersion;
    const std::size_t n = std::min<std::size_t>(version.size(), 255);
    versionBuffer[0] = static_cast<char>(n);
    std::memcpy(versionBuffer + 1, version.data(), n);
    return 0;
  });
}

std::int32_t QALO_STDCALL VersionInfo() noexcept {
  return Guarded(qalo::kInterfaceVersion, [] { return qalo::kInterfaceVersion; });
}

}  // extern "C"
