#pragma once
// The seven functions the host calls (ordinals 1 to 7 in this order).
#include <cstdint>

#include "plugin/CallingConvention.h"
#include "plugin/Identity.h"

extern "C" {
std::int32_t QALO_STDCALL ExportXML(const char* defaultXmlDir, const char* beraterRef,
                                    std::int32_t reserved, const double* datum,
                                    const char* settingsText);
std::int32_t QALO_STDCALL ApiDataDialog(char* userBuffer, char* passwordBuffer,
                                        char* settingsBuffer);
std::int32_t QALO_STDCALL GetExportErrorMsg(std::int32_t code, char* messageBuffer);
std::int32_t QALO_STDCALL RegProgrCallback(qalo::ProgressCallbackFn callback);
std::int32_t QALO_STDCALL AppVersionCheck(std::int32_t hostVersion);
void QALO_STDCALL ImportVersionInfo(char* versionBuffer);
std::int32_t QALO_STDCALL VersionInfo();
}
