#include "workflow/Retrieval.h"

#include <climits>
#include <new>
#include <optional>

#include "platform/SecureWipe.h"
#include "workflow/ResultCodes.h"
#include "workflow/DateTime.h"
#include "workflow/Decryption.h"
#include "workflow/ExportFile.h"
#include "workflow/IncomingResponse.h"
#include "workflow/RequestHeaders.h"
#include "workflow/ResponseBuffer.h"
#include "workflow/ResponseClassification.h"
#include "workflow/ServiceErrorCode.h"
#include "workflow/StreamedExport.h"
#include "workflow/SettingsText.h"
#include "workflow/TicketDocument.h"

namespace qalo {
namespace {

// The working values of one run. Everything that may hold the password or
// the key is wiped when the run ends, however it ends.
struct RunState {
  ~RunState() {
    for (auto& line : settings) SecureWipe(line);
    SecureWipe(login.password);
    SecureWipe(login.userKey);
    SecureWipe(headers);
  }
  std::string xmlDir;
  SettingsLines settings;
  LoginData login;
  std::string ticketData;
  std::string url = kDefaultUrl;
  std::string headers;
};

// The test override file below the XML directory's parent may replace the
// URL, the ticket data and the key; it is normally absent.
void ApplyTestOverrides(RetrievalPlatform& p, RunState& run) {
  const std::string file = run.xmlDir + "\\..\\QALO\\Qalo_test.Ini";
  if (!p.files.FileExists(file)) return;
  run.url = p.config.ReadIni(file, "Global", "URL", run.url);
  run.ticketData = p.config.ReadIni(file, "Global", "TicketData", run.ticketData);
  run.login.userKey = p.config.ReadIni(file, run.login.userLogin, "KEY", run.login.userKey);
}

// Turns the service's answer into the export file's content in the buffer;
// returns the result code.
// Depot data has been decrypted in part during the download already.
std::int32_t ProcessResponse(RetrievalPlatform& p, const ExportArguments& args, RunState& run,
                             const ResponseClass& answer, ResponseBuffer& response,
                             ResponseDecryption& decryption) {
  switch (answer.kind) {
    case ResponseClass::Kind::EncryptedData:
      return FinishResponseDecryption(decryption, response, p.host);

    case ResponseClass::Kind::OrderNumber: {
      run.ticketData = answer.text;
      p.host.Log(">>> Ticket erhalten #" + answer.text);
      const TicketValidity valid = OrderTicketValidity(p.clock.Now());
      response.Assign(BuildTicketDocument(answer.text, args.beraterRef, valid.from, valid.until,
                                          p.clock.TimeSeparator()));
      return result::kOk;
    }

    case ResponseClass::Kind::ErrorCode: {
      p.host.Log(">>> FehlerCode erhalten #" + answer.text);
      const auto code = ParseServiceErrorCode(answer.text);
      if (!code) return result::kInvalidErrorCode;
      if (*code == kImportFileCode) {
        const double now = p.clock.Now();
        const TicketValidity valid = ErrorCodeTicketValidity(now, p.clock.Now());
        response.Assign(BuildTicketDocument(kImportFileTicket, args.beraterRef, valid.from, valid.until,
                                            p.clock.TimeSeparator()));
        return result::kOk;
      }
      // The one code whose negation has no 32-bit value is passed on as it is.
      return *code == INT32_MIN ? *code : -*code;
    }

    case ResponseClass::Kind::Unrecognised:
      break;
  }
  return result::kUnknownMessage;
}

// The response buffer, a ticket document or an answer as received, as the
// export file; its name or nullopt.
std::optional<std::string> WriteDocument(ExportFile& file, const ResponseBuffer& response,
                                         double stamp) {
  for (std::size_t i = 0; i < response.BlockCount(); ++i) {
    const ResponseBuffer::Block block = response.BlockAt(i);
    if (!file.Write(block.data, block.size)) return std::nullopt;
  }
  return file.Commit(stamp);
}

// The line for a window the system refused.
const char* UnavailableLine(UnavailableWindow which) {
  switch (which) {
    case UnavailableWindow::PasswordPrompt: return "Passwortabfrage konnte nicht angezeigt werden.";
    case UnavailableWindow::ProgressWindow: return "Fortschrittsanzeige konnte nicht angezeigt werden.";
    case UnavailableWindow::FileChooser: return "Dateiauswahl konnte nicht angezeigt werden.";
  }
  return "Fenster konnte nicht angezeigt werden.";
}

std::int32_t ExportNotWritten(RetrievalPlatform& p, const std::string& xmlDir, double stamp) {
  p.host.Log(ExportNotWrittenLine(ExportFileName(xmlDir, stamp)));
  return result::kExportFileNotWritten;
}

std::int32_t Retrieve(RetrievalPlatform& p, const ExportArguments& args, RunState& run) {
  run.xmlDir = p.config.ReadMachineString(kRegistryKey, "XmlDir").value_or(args.defaultXmlDir);
  run.settings = SplitSettings(args.settingsText);
  run.login = {ReadSetting(run.settings, "UserLogin"), ReadSetting(run.settings, "Password"),
               ReadSetting(run.settings, "UserKey")};
  run.ticketData = ReadSetting(run.settings, "TicketData");

  p.host.Log("Abruf über QALO-Depotschnittstelle ...");
  if (run.login.password.empty()) {
    auto entered = p.passwordPrompt.Ask("QALO", run.login.userLogin);
    if (!entered) return result::kCancelled;
    run.login.password = *entered;
    SecureWipe(*entered);
  }

  ApplyTestOverrides(p, run);
  ExportFile exportFile(p.files, run.xmlDir);
  if (run.ticketData == kImportFileTicket) {
    return DecryptImportFile(exportFile, p.clock.Now(), run.login.userKey, p.fileChooser,
                             p.cipher, p.threads, p.files, p.host);
  }

  std::string requestDate;
  if (run.ticketData.empty() && args.datum && *args.datum != 0.0) {
    // A date no "dd.mm.yyyy" can hold would go out as a garbled header.
    if (!IsWritableDate(*args.datum)) {
      p.host.Log("Ungültiges Datum vom Host, Abruf abgebrochen.");
      return result::kUnexpectedFailure;
    }
    requestDate = FormatDate(*args.datum);
  }
  run.headers = BuildRequestHeaders(run.login, run.ticketData, requestDate);

  // The administrator's switch beside XmlDir: certificate problems that the
  // service's contract lets pass with a warning are refused.
  const bool strictCertificates =
      p.config.ReadMachineDword(kRegistryKey, "StrictCertificates").value_or(0) != 0;

  p.host.Log("Aufruf: " + run.url);
  ResponseBuffer response;
  ResponseDecryption decryption(run.login.userKey, p.cipher, p.threads);  // after the buffer
  StreamedExport streamed(exportFile);
  IncomingResponse incoming(response, decryption, streamed);
  const InetResult download =
      InetDownload(p.inet, {run.url, run.headers, kDownloadTimeoutSec, true, true, strictCertificates},
                   incoming);
  // A temporary file that took no more ended the download at once.
  if (streamed.Failed()) return ExportNotWritten(p, run.xmlDir, p.clock.Now());
  // So did a decryption that failed: it is reported below, as at the end.
  const bool decryptionFailed = download.code == inet::kTargetRefused;
  p.host.Log(download.code < 0 && !decryptionFailed ? InetErrorText(download.code)
                                                     : "Response vom Host empfangen.");
  // A cancel is the user's answer in every phase, before the first byte too.
  if (download.code == inet::kCancelledByUser) return download.code;
  if (response.Size() == 0) return result::kNoData;
  if (download.code != inet::kOk && !decryptionFailed) return download.code;

  const ResponseClass& answer = incoming.Class();
  const std::int32_t rc = ProcessResponse(p, args, run, answer, response, decryption);
  if (rc != result::kOk) return rc;

  const double stamp = p.clock.Now();
  const std::optional<std::string> written = answer.kind == ResponseClass::Kind::EncryptedData
                                                 ? streamed.Commit(response, stamp)
                                                 : WriteDocument(exportFile, response, stamp);
  if (!written) return ExportNotWritten(p, run.xmlDir, stamp);
  return result::kOk;
}

}  // namespace

std::int32_t RunExport(RetrievalPlatform& platform, const ExportArguments& args) {
  try {
    RunState run;
    return Retrieve(platform, args, run);
  } catch (const std::bad_alloc&) {
    platform.host.Log("Nicht genügend Arbeitsspeicher, Abruf abgebrochen.");
    return result::kUnexpectedFailure;
  } catch (const WindowUnavailable& failure) {
    platform.host.Log(UnavailableLine(failure.which));
    return result::kUnexpectedFailure;
  } catch (...) {
    platform.host.Log("Unerwarteter interner Fehler, Abruf abgebrochen.");
    return result::kUnexpectedFailure;
  }
}

}  // namespace qalo
