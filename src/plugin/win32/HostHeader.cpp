// The host header, include/ImpApiQALO.h, against the exports as this DLL
// defines them: a difference a host would notice does not compile.
#include "ImpApiQALO.h"

#include <type_traits>

#include "inet/ImpApiINet.h"
#include "plugin/Exports.h"
#include "workflow/ResultCodes.h"

namespace qalo {
namespace {

// Same arguments, result and calling convention (a noexcept function
// converts to its plain pointer type, nothing else does).
template <typename Declared, typename Defined>
constexpr bool kSameExport = std::is_convertible_v<Defined, Declared>;

static_assert(kSameExport<ImpApiQALO_ExportXML, decltype(&ExportXML)>);
static_assert(kSameExport<ImpApiQALO_ApiDataDialog, decltype(&ApiDataDialog)>);
static_assert(kSameExport<ImpApiQALO_GetExportErrorMsg, decltype(&GetExportErrorMsg)>);
static_assert(kSameExport<ImpApiQALO_RegProgrCallback, decltype(&RegProgrCallback)>);
static_assert(kSameExport<ImpApiQALO_AppVersionCheck, decltype(&AppVersionCheck)>);
static_assert(kSameExport<ImpApiQALO_ImportVersionInfo, decltype(&ImportVersionInfo)>);
static_assert(kSameExport<ImpApiQALO_VersionInfo, decltype(&VersionInfo)>);
static_assert(std::is_same_v<ImpApiQALO_ProgressCallback, ProgressCallbackFn>);

static_assert(IMPAPIQALO_INTERFACE_VERSION == kInterfaceVersion);
static_assert(IMPAPIQALO_LOWEST_HOST_VERSION == kLowestHostVersion);
static_assert(IMPAPIQALO_DIALOG_OK == kDialogOk);
static_assert(IMPAPIQALO_DIALOG_CANCELLED == kDialogCancelled);

static_assert(IMPAPIQALO_RESULT_OK == result::kOk);
static_assert(IMPAPIQALO_RESULT_CANCELLED == result::kCancelled);
static_assert(IMPAPIQALO_RESULT_DECRYPTION == result::kDecryptFailed);
static_assert(IMPAPIQALO_RESULT_UNKNOWN_ANSWER == result::kUnknownMessage);
static_assert(IMPAPIQALO_RESULT_BAD_ERROR_CODE == result::kInvalidErrorCode);
static_assert(IMPAPIQALO_RESULT_BAD_ERROR_CODE == inet::kIncomplete);
static_assert(IMPAPIQALO_RESULT_NO_DATA == result::kNoData);
static_assert(IMPAPIQALO_RESULT_UNEXPECTED == result::kUnexpectedFailure);
static_assert(IMPAPIQALO_RESULT_NOT_WRITTEN == result::kExportFileNotWritten);
static_assert(IMPAPIQALO_RESULT_DOWNLOAD_CANCELLED == inet::kCancelledByUser);

}  // namespace
}  // namespace qalo
