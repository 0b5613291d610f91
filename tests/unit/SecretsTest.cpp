// Password and key go into the request headers and the cipher only: over
// every outcome of a retrieval and of the import-file mode that the fakes
// reach, no log line, no file (name or content), no error text and no other
// call carries them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "inet/ImpApiINet.h"
#include "plugin/ExportErrorMsg.h"
#include "support/FakeRetrievalPlatform.h"
#include "workflow/Retrieval.h"

namespace qalo {
namespace {

const std::string kPassword = "Pw!Gehe1m-7731";
const std::string kSecretKey = "5ec2e7ab5ec2e7ab5ec2e7ab5ec2e7ab5ec2e7ab5ec2e7ab";
const std::string kOverrideKey = "0a7e1d0a7e1d0a7e1d0a7e1d0a7e1d0a7e1d0a7e1d0a7e1d";
const std::string kBadKey = "Kein-Schluessel-9931";  // refused by the key check
using test::kIni;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// One run: its fakes, what it was given, and everything it left behind.
struct SecretsRig : test::FakeRetrievalPlatform {
  SecretsRig() : FakeRetrievalPlatform(46363.5) {}

  std::string password = kPassword;  // "" leaves it to the prompt
  std::string key = kSecretKey;
  std::string ticketData;

  void Answer(const std::string& body, const std::string& status = "200") {
    internet.defaultResponse.status = status;
    internet.defaultResponse.chunks = {body};
  }
  std::int32_t Run() {
    std::string settings = "UserLogin=demo\r\n";
    if (!password.empty()) settings += "Password=" + password + "\r\n";
    settings += "UserKey=" + key + "\r\nTicketData=" + ticketData + "\r\n";
    return RunExport(platform, {"C:\\nolt\\xml", "B-17", nullptr, settings});
  }
};

struct Scenario {
  const char* name;
  std::function<void(SecretsRig&)> arrange;
  std::int32_t expected;
};

std::vector<Scenario> Scenarios() {
  const std::string data(64, '\x5A');
  return {
      {"decrypted", [=](SecretsRig& r) { r.Answer(data); }, 0},
      {"decryption failed", [=](SecretsRig& r) { r.cipher.faults.FailFrom("TDEA_BytesMode", 1); r.Answer(data); }, -5},
      {"cipher threw",
       [=](SecretsRig& r) {
         r.cipher.faults.FailFrom("TDEA_BytesMode", 1);
         r.cipher.failuresThrow = true;
         r.Answer(data);
       },
       -5},
      {"key refused", [=](SecretsRig& r) { r.key = kBadKey; r.Answer(data); }, -5},
      {"order number", [](SecretsRig& r) { r.Answer("<XML><ORDER_NUMBER>4711</ORDER_NUMBER></XML>"); }, 0},
      {"error 3000", [](SecretsRig& r) { r.Answer("<XML><ERROR>3000</ERROR></XML>"); }, 0},
      {"error 2000", [](SecretsRig& r) { r.Answer("<XML><ERROR>2000</ERROR></XML>"); }, -2000},
      {"error not a number", [](SecretsRig& r) { r.Answer("<XML><ERROR>x</ERROR></XML>"); }, -7},
      {"neither tag", [](SecretsRig& r) { r.Answer("<XML></XML>"); }, -6},
      {"empty response", [](SecretsRig& r) { r.Answer(""); }, -8},
      {"status 401", [](SecretsRig& r) { r.Answer("", "401"); }, -8},
      {"status 500 with a body", [](SecretsRig& r) { r.Answer("Fehler", "500"); }, -8},
      {"no connection", [](SecretsRig& r) { r.internet.faults.Fail("Connect"); }, -8},
      {"send failed", [](SecretsRig& r) { r.internet.faults.Fail("SendRequest"); }, -8},
      {"incomplete body",
       [](SecretsRig& r) {
         r.Answer("<XML><ERROR>1200</ERROR></XML>");
         r.internet.defaultResponse.contentLength = "1000";
       },
       -7},
      {"cancelled by the user",
       [](SecretsRig& r) {
         r.Answer("<XML><ERROR>1200</ERROR></XML>");
         r.progress.cancelAtQuestion = 1;
       },
       -1015},
      {"proxy refused",
       [](SecretsRig& r) {
         r.Answer("", "407");
         r.internet.dialogAnswers = {12032, 0};
       },
       -8},
      {"export file not created", [](SecretsRig& r) { r.Answer("<XML><ERROR>0</ERROR></XML>"); r.files.faults.Fail("Create", 1); }, -10},
      {"export file not renamed", [](SecretsRig& r) { r.Answer("<XML><ERROR>0</ERROR></XML>"); r.files.faults.Fail("Place", 1); }, -10},
      {"password from the prompt",
       [](SecretsRig& r) {
         r.password.clear();
         r.prompt.answer = kPassword;
         r.Answer("<XML><ERROR>1200</ERROR></XML>");
       },
       -1200},
      {"prompt cancelled", [](SecretsRig& r) { r.password.clear(); }, -4},
      {"key from the test override file",
       [=](SecretsRig& r) {
         r.files.files[kIni] = "";
         r.config.ini["demo|KEY"] = kOverrideKey;
         r.Answer(data);
       },
       0},
      {"import file decrypted",
       [](SecretsRig& r) {
         r.ticketData = "CD";
         r.chooser.choice = "C:\\in\\depot.enc";
         r.files.files[*r.chooser.choice] = "<XML>depot</XML>";
       },
       0},
      {"import file not chosen", [](SecretsRig& r) { r.ticketData = "CD"; }, -4},
      {"import file not decrypted",
       [](SecretsRig& r) {
         r.ticketData = "CD";
         r.chooser.choice = "C:\\in\\depot.enc";
         r.files.files[*r.chooser.choice] = "<XML>depot</XML>";
         r.cipher.faults.FailFrom("TDEA_BytesMode", 1);
       },
       -5},
      {"import cipher threw",
       [](SecretsRig& r) {
         r.ticketData = "CD";
         r.chooser.choice = "C:\\in\\depot.enc";
         r.files.files[*r.chooser.choice] = "<XML>depot</XML>";
         r.cipher.faults.FailFrom("TDEA_BytesMode", 1);
         r.cipher.failuresThrow = true;
       },
       -5},
      {"import with a refused key",
       [](SecretsRig& r) {
         r.ticketData = "CD";
         r.key = kBadKey;
         r.chooser.choice = "C:\\in\\depot.enc";
       },
       -5},
  };
}

// The places a secret must not reach, each named for the failure message.
std::vector<std::pair<std::string, std::string>> Outputs(const SecretsRig& rig, std::int32_t rc) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& event : rig.host.events) out.push_back({"log line", event});
  for (const auto& [path, content] : rig.files.files) {
    out.push_back({"file name", path});
    out.push_back({"file " + path, content});
  }
  out.push_back({"error text", ExportErrorMessage(rc)});
  if (rc < 0) out.push_back({"download error text", InetErrorText(rc)});
  for (const auto& call : rig.internet.calls)
    if (call.rfind("SendRequest(", 0) != 0) out.push_back({"internet call", call});
  for (const auto& asked : rig.prompt.asked) out.push_back({"prompt", asked});
  for (const auto& title : rig.chooser.titles) out.push_back({"file chooser", title});
  return out;
}

TEST(SecretsTest, PasswordAndKeyReachOnlyTheHeadersAndTheCipher) {
  for (const Scenario& scenario : Scenarios()) {
    SCOPED_TRACE(scenario.name);
    SecretsRig rig;
    scenario.arrange(rig);
    const std::int32_t rc = rig.Run();
    EXPECT_EQ(rc, scenario.expected);

    for (const std::string& secret : {kPassword, kSecretKey, Upper(kSecretKey), kOverrideKey, kBadKey}) {
      for (const auto& [where, text] : Outputs(rig, rc))
        EXPECT_EQ(text.find(secret), std::string::npos) << secret << " in " << where << ": " << text;
    }
    // The scan saw runs that had the secrets: a sent request carries both.
    for (const auto& sent : rig.internet.sentHeaders) {
      EXPECT_NE(sent.text.find("nolt_password: " + kPassword + "\n"), std::string::npos);
      EXPECT_NE(sent.text.find("nolt_key: "), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace qalo
