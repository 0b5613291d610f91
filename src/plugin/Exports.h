#pragma once
// The seven functions the host calls (ordinals 1 to 7 in this order). None
// lets an exception out: each goes through the boundary's one guard.
#include <cstdint>

#include "plugin/CallingConvention.h"
#include "plugin/Identity.h"

extern "C" {
std::int32_t QALO_STDCALL ExportXML(const char* defaultXmlDir, const char* beraterRef,
                                    std::int32_t reserved, const double* datum,
                                    const char* settingsText) noexcept;
std::int32_t QALO_STDCALL ApiDataDialog(char* userBuffer, char* passwordBuffer,
                                        char* settingsBuffer) noexcept;
std::int32_t QALO_STDCALL GetExportErrorMsg(std::int32_t code, char* messageBuffer) noexcept;
std::int32_t QALO_STDCALL RegProgrCallback(qalo::ProgressCallbackFn callback) noexcept;
std::int32_t QALO_STDCALL AppVersionCheck(std::int32_t hostVersion) noexcept;
void QALO_STDCALL ImportVersionInfo(char* versionBuffer) noexcept;
std::int32_t QALO_STDCALL VersionInfo() noexcept;
}
