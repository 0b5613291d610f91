#include "inet/ImpApiINet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "support/FakeDownloadProgress.h"
#include "support/FakeHost.h"
#include "support/FakeInternet.h"
#include "support/FakeThreads.h"
#include "support/RecordingTarget.h"

namespace qalo {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::FakeResponse;

using test::kHeaders;
using test::kUrl;
const std::string kIncomplete =
    "Fehler bei Download: Die angeforderte Datei wurde nur unvollst\xE4ndig geladen (";

// A host that also writes what it gets into the journal shared by the fakes.
class JournalHost : public test::FakeHost {
 public:
  explicit JournalHost(std::vector<std::string>& journal) : journal_(journal) {}
  void Log(const std::string& line) override {
    journal_.push_back("LOG:" + line);
    FakeHost::Log(line);
  }
  void Progress() override {
    journal_.push_back(kProgress);
    FakeHost::Progress();
  }

 private:
  std::vector<std::string>& journal_;
};

using std::chrono::milliseconds;

// Waits long enough that no fake call outlasts them: the journal holds the
// calls alone, whatever the machine's load.
constexpr InetWaits kPatient{std::chrono::seconds(30), std::chrono::seconds(30), milliseconds(200)};

// Everything one download works with, recording into one journal. The
// fake threads come after the journal: they wait for the worker to end
// before it goes.
struct InetRig {
  InetRig() { internet.defaultResponse = {"200", "6", {"abc", "def"}}; }
  std::int32_t Run(const std::string& url = kUrl, const std::string& headers = kHeaders,
                   std::int32_t timeoutSec = 1800, bool logToHost = true, bool withProgress = true) {
    InetResult result = InetDownload(
        context, {url, headers, timeoutSec, logToHost, withProgress, strictCertificates}, target);
    status = result.statusText;
    return result.code;
  }
  std::vector<std::string> Calls(const std::string& name) const {
    std::vector<std::string> found;
    for (const auto& call : internet.calls)
      if (call.rfind(name + "(", 0) == 0) found.push_back(call);
    return found;
  }
  std::vector<std::string> journal;
  test::FakeThreads threads;
  std::shared_ptr<test::FakeInternet> internetShare = std::make_shared<test::FakeInternet>(&journal);
  test::FakeInternet& internet = *internetShare;
  test::FakeDownloadProgress progress{&journal};
  test::FakeMouseCursor cursor{&journal};
  JournalHost host{journal};
  test::RecordingTarget target{&journal};
  bool listening = true;
  bool strictCertificates = false;
  InetContext context{internetShare, progress, cursor, host, threads, [this] { return listening; },
                      kPatient};
  std::string status = "stale";
};

std::ptrdiff_t IndexOf(const std::vector<std::string>& list, const std::string& item) {
  const auto it = std::find(list.begin(), list.end(), item);
  return it == list.end() ? -1 : it - list.begin();
}

// What must hold after every download, however it ended: every handle
// closed once, each request before its connection, the session last, the
// window hidden before the first close, and the cursor set back last.
void ExpectCleanEnd(const InetRig& rig) {
  // The worker has ended, and with it its hold on the plug-in's code.
  EXPECT_TRUE(rig.threads.DetachedEnded(std::chrono::seconds(5)));
  EXPECT_THAT(rig.internet.OpenHandles(), IsEmpty());
  EXPECT_THAT(rig.internet.misuse, IsEmpty());
  EXPECT_THAT(rig.cursor.shapes, ElementsAre(CursorShape::HourGlass, CursorShape::AppStart));
  ASSERT_FALSE(rig.journal.empty());
  EXPECT_EQ(rig.journal.back(), "Cursor(-19)");
  EXPECT_FALSE(rig.progress.visible);
  const auto& closed = rig.internet.closed;
  if (!closed.empty()) {
    EXPECT_EQ(closed.back(), "S1");
  }
  for (int n = 1; n <= 9; ++n) {
    const auto request = IndexOf(closed, "R" + std::to_string(n));
    const auto connect = IndexOf(closed, "C" + std::to_string(n));
    if (request >= 0) {
      EXPECT_LT(request, connect) << "R" << n;
    }
  }
  // The window goes before the request that was read from.
  const auto hide = IndexOf(rig.journal, "Hide");
  const auto lastRequestClose =
      std::find_if(rig.journal.rbegin(), rig.journal.rend(),
                   [](const auto& e) { return e.rfind("Close(R", 0) == 0; });
  if (hide >= 0) {
    ASSERT_NE(lastRequestClose, rig.journal.rend());
    EXPECT_LT(hide, rig.journal.rend() - lastRequestClose - 1);
    EXPECT_EQ(rig.journal[hide + 1], test::FakeHost::kProgress);
  }
}

class InetDownloadTest : public ::testing::Test {
 protected:
  void TearDown() override { ExpectCleanEnd(rig); }
  InetRig rig;
};

// The same for a table of cases.
template <typename Case>
class RigTest : public ::testing::TestWithParam<Case> {
 protected:
  void TearDown() override { ExpectCleanEnd(rig); }
  InetRig rig;
};

// ---------------------------------------------------------------- the request

TEST_F(InetDownloadTest, SuccessfulDownloadMakesExactlyTheseCallsInThisOrder) {
  EXPECT_EQ(rig.Run(), inet::kOk);
  const std::string len = std::to_string(kHeaders.size());
  EXPECT_THAT(rig.journal,
              ElementsAre("Cursor(-11)", "Open(NOLT-ImportApi,0,-,-,0)=S1",
                          "SetOption(S1,5,1800000)", "SetOption(S1,6,1800000)",
                          "QueryOption(S1,31)", "SetOption(S1,31,4224)", "CrackUrl(" + kUrl + ")",
                          "Connect(S1,qalo.example,8443,-,-,3,0)=C1", "SetOption(C1,5,1800000)",
                          "SetOption(C1,6,1800000)", "OpenRequest(C1,GET,/api/depot?x=1,0x84800000)=R1",
                          "SetOption(R1,5,1800000)", "SetOption(R1,6,1800000)",
                          "SetOption(R1,62,2)", "SendRequest(R1," + len + ")", "QueryInfo(R1,19,32,0,zeroed)",
                          "QueryInfo(R1,5,32,0,zeroed)", "Show", "<progress>", "Read(R1,65535)=3",
                          "Write(3)", "<progress>", "CancelRequested", "Read(R1,65535)=3",
                          "Write(3)", "<progress>", "CancelRequested", "Read(R1,65535)=0", "Hide",
                          "<progress>", "Close(R1)", "Close(C1)", "Close(S1)", "Cursor(-19)"));
  EXPECT_EQ(rig.target.bytes, "abcdef");
  EXPECT_EQ(rig.status, "200");
  EXPECT_THAT(rig.host.Lines(), IsEmpty());
}

TEST_F(InetDownloadTest, PlainHttpOpensWithoutTheSecureFlagOnTheUrlsPort) {
  EXPECT_EQ(rig.Run("http://127.0.0.1:8080/nolt"), inet::kOk);
  EXPECT_THAT(rig.Calls("Connect"), ElementsAre("Connect(S1,127.0.0.1,8080,-,-,3,0)=C1"));
  EXPECT_THAT(rig.Calls("OpenRequest"), ElementsAre("OpenRequest(C1,GET,/nolt,0x84000000)=R1"));
  // No certificate, so no error mask for one.
  EXPECT_EQ(rig.internet.options["R1"],
            (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{5, 1800000}, {6, 1800000}}));
}

TEST_F(InetDownloadTest, CredentialsInTheUrlGoToTheConnection) {
  EXPECT_EQ(rig.Run("http://anna:pw@host/x"), inet::kOk);
  EXPECT_THAT(rig.Calls("Connect"), ElementsAre("Connect(S1,host,80,anna,pw,3,0)=C1"));
}

TEST_F(InetDownloadTest, HeadersAreSentWithTheirByteLength) {
  const std::string headers = "nolt_datum: 01.02.2024\r\nx: \xE4\xF6\xFC\r\n";
  EXPECT_EQ(rig.Run(kUrl, headers), inet::kOk);
  ASSERT_EQ(rig.internet.sentHeaders.size(), 1u);
  EXPECT_FALSE(rig.internet.sentHeaders[0].null);
  EXPECT_EQ(rig.internet.sentHeaders[0].text, headers);
  EXPECT_EQ(rig.internet.sentHeaders[0].length, headers.size());
}

TEST_F(InetDownloadTest, EmptyHeadersSendNoHeaderTextAndLengthZero) {
  EXPECT_EQ(rig.Run(kUrl, ""), inet::kOk);
  ASSERT_EQ(rig.internet.sentHeaders.size(), 1u);
  EXPECT_TRUE(rig.internet.sentHeaders[0].null);
  EXPECT_EQ(rig.internet.sentHeaders[0].length, 0u);
}

TEST(InetDownloadOptions, NoTimeoutOptionForZeroOrNegativeSeconds) {
  for (int timeout : {0, -5}) {
    InetRig other;
    EXPECT_EQ(other.Run(kUrl, kHeaders, timeout), inet::kOk);
    // Only the revocation flag on the session and the request's error mask remain.
    EXPECT_THAT(other.Calls("SetOption"),
                ElementsAre("SetOption(S1,31,4224)", "SetOption(R1,62,2)"))
        << timeout;
    ExpectCleanEnd(other);
  }
}

TEST_F(InetDownloadTest, TimeoutIsMillisecondsAndClampedToWhatFitsThe32BitValue) {
  EXPECT_EQ(rig.Run(kUrl, kHeaders, 1), inet::kOk);
  EXPECT_EQ(rig.internet.options["R1"],
            (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{5, 1000}, {6, 1000}, {62, 2}}));
  InetRig large;
  EXPECT_EQ(large.Run(kUrl, kHeaders, 3'000'000), inet::kOk);
  EXPECT_EQ(large.internet.options["C1"],
            (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{5, 2147483647u},
                                                                  {6, 2147483647u}}));
  ExpectCleanEnd(large);
}

TEST_F(InetDownloadTest, RevocationCheckIsSwitchedOffOnTheSessionKeepingOtherFlags) {
  rig.internet.securityFlags = 0x3300;
  EXPECT_EQ(rig.Run(), inet::kOk);
  EXPECT_EQ(rig.internet.securityFlags, 0x3380u);
  EXPECT_THAT(rig.Calls("QueryOption"), ElementsAre("QueryOption(S1,31)"));
}

TEST_F(InetDownloadTest, FailedOptionCallsAreIgnored) {
  rig.internet.faults.Fail("QueryOption");
  for (int n = 1; n <= 8; ++n) rig.internet.faults.Fail("SetOption", n);
  EXPECT_EQ(rig.Run(), inet::kOk);
  EXPECT_EQ(rig.target.bytes, "abcdef");
  EXPECT_THAT(rig.host.Lines(), IsEmpty());
}

// ----------------------------------------------------------- status handling

struct StatusCase {
  const char* status;
  std::int32_t code;
  const char* line;  // nullptr: none
};

using StatusTest = RigTest<StatusCase>;

TEST_P(StatusTest, GivesItsCodeAndLogLine) {
  const StatusCase& c = GetParam();
  rig.internet.defaultResponse.status = c.status;
  EXPECT_EQ(rig.Run(), c.code);
  EXPECT_EQ(rig.status, c.status);
  if (c.line) {
    EXPECT_THAT(rig.host.Lines(), ElementsAre(c.line));
    EXPECT_THAT(rig.Calls("Read"), IsEmpty());
    EXPECT_THAT(rig.progress.calls, IsEmpty());
    EXPECT_THAT(rig.internet.closed, ElementsAre("R1", "C1", "S1"));
  } else {
    EXPECT_THAT(rig.host.Lines(), IsEmpty());
    EXPECT_EQ(rig.target.bytes, "abcdef");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusTest,
    ::testing::Values(StatusCase{"200", 0, nullptr}, StatusCase{"302", 0, nullptr},
                      StatusCase{"401", -4, "HTTP-Fehler 401: Zugriff verweigert."},
                      StatusCase{"403", -4, "HTTP-Fehler 403: Zugriff verweigert."},
                      StatusCase{"404", -5, "HTTP-Fehler 404: Die Seite wurde nicht gefunden."},
                      StatusCase{"503", -8,
                                 "HTTP-Fehler 503: Der Server ist vor\xFC"
                                 "bergehend \xFC"
                                 "berlastet."},
                      StatusCase{"500", -6, "HTTP-Fehler: 500"},
                      StatusCase{"201", -6, "HTTP-Fehler: 201"},
                      StatusCase{"2000", -6, "HTTP-Fehler: 2000"}));

TEST_F(InetDownloadTest, UnreadableStatusCountsAs200AndTheBodyIsRead) {
  rig.internet.defaultResponse.status.reset();
  EXPECT_EQ(rig.Run(), inet::kOk);
  EXPECT_EQ(rig.status, "200");
  EXPECT_EQ(rig.target.bytes, "abcdef");
}

// --------------------------------------------------------- proxy credentials

class ProxyTest : public InetDownloadTest {
 protected:
  void SetUp() override {
    rig.internet.responses = {{"407", "0", {}}, {"407", "0", {}}};
  }
};

TEST_F(ProxyTest, EachRetryOpensANewRequestOnTheSameSession) {
  rig.internet.dialogAnswers = {12032, 12032};
  EXPECT_EQ(rig.Run(), inet::kOk);
  EXPECT_EQ(rig.target.bytes, "abcdef");
  EXPECT_EQ(rig.status, "200");
  EXPECT_THAT(rig.Calls("Open"), ElementsAre("Open(NOLT-ImportApi,0,-,-,0)=S1"));
  EXPECT_THAT(rig.Calls("ErrorDialog"),
              ElementsAre("ErrorDialog(R1,12014,3)=12032", "ErrorDialog(R2,12014,3)=12032"));
  EXPECT_THAT(rig.internet.closed, ElementsAre("R1", "C1", "R2", "C2", "R3", "C3", "S1"));
  // The old request is gone before the new one is opened; each gets the time-outs.
  const auto closeC1 = IndexOf(rig.internet.calls, "Close(C1)");
  const auto connect2 = IndexOf(rig.internet.calls, "Connect(S1,qalo.example,8443,-,-,3,0)=C2");
  EXPECT_LT(closeC1, connect2);
  for (const char* handle : {"C2", "C3"})
    EXPECT_EQ(rig.internet.options[handle].size(), 2u) << handle;
  for (const char* handle : {"R2", "R3"})  // and the error mask
    EXPECT_EQ(rig.internet.options[handle].size(), 3u) << handle;
  EXPECT_EQ(rig.internet.sentHeaders.size(), 3u);
  EXPECT_EQ(rig.internet.sentHeaders[2].text, kHeaders);
}

TEST_F(ProxyTest, DialogAnsweringNoErrorGivesMinus9WithItsLine) {
  rig.internet.dialogAnswers = {12032, 0};
  EXPECT_EQ(rig.Run(), inet::kProxyAuthRequired);
  EXPECT_EQ(rig.status, "407");
  EXPECT_THAT(rig.host.Lines(), ElementsAre("HTTP-Fehler 407: Authentifizierung erforderlich."));
  EXPECT_THAT(rig.Calls("Read"), IsEmpty());
}

TEST_F(ProxyTest, AnyOtherDialogAnswerGivesMinus1WithoutALine) {
  rig.internet.dialogAnswers = {1223};
  EXPECT_EQ(rig.Run(), inet::kUnspecified);
  EXPECT_THAT(rig.host.Lines(), IsEmpty());
  EXPECT_THAT(rig.internet.closed, ElementsAre("R1", "C1", "S1"));
}

// ------------------------------------------------------------- body and length

struct LengthCase {
  const char* name;
  std::optional<std::string> contentLength;
  std::vector<std::string> chunks;
  std::int32_t code;
};

using LengthTest = RigTest<LengthCase>;

TEST_P(LengthTest, BodyIsCheckedAgainstTheAnnouncedLength) {
  const LengthCase& c = GetParam();
  rig.internet.defaultResponse = {"200", c.contentLength, c.chunks};
  EXPECT_EQ(rig.Run(), c.code);
  std::string body;
  for (const auto& chunk : c.chunks) body += chunk;
  EXPECT_EQ(rig.target.bytes, body);
  if (c.code == inet::kOk) {
    EXPECT_THAT(rig.host.Lines(), IsEmpty());
  } else {
    EXPECT_THAT(rig.host.Lines(),
                ElementsAre(kIncomplete + std::to_string(body.size()) + " Bytes geladen)"));
    // The line comes after the window has gone.
    EXPECT_LT(IndexOf(rig.journal, "Hide"), IndexOf(rig.journal, "LOG:" + rig.host.Lines()[0]));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, LengthTest,
    ::testing::Values(LengthCase{"Matching", "5", {"ab", "cde"}, 0},
                      LengthCase{"Shorter", "6", {"ab", "cde"}, -7},
                      LengthCase{"Longer", "4", {"ab", "cde"}, -7},
                      LengthCase{"Absent", std::nullopt, {"ab", "cde"}, 0},
                      LengthCase{"NotANumber", "12abc", {"ab"}, 0},
                      LengthCase{"TooLargeForInt32", "2147483648", {"ab"}, 0},
                      LengthCase{"Negative", "-3", {"ab"}, 0},
                      LengthCase{"EmptyWithZeroLength", "0", {}, -7},
                      LengthCase{"EmptyWithoutLength", std::nullopt, {}, -7},
                      LengthCase{"EmptyWithLength", "10", {}, -7},
                      LengthCase{"LargestInt32", "2147483647", {"ab"}, -7}),
    [](const auto& info) { return std::string(info.param.name); });

// A connection cut short fails the read: the body is incomplete whatever
// the length announced, even when it says nothing.
TEST_F(InetDownloadTest, FailedReadIsAnIncompleteDownloadWithOrWithoutAnAnnouncedLength) {
  rig.internet.defaultResponse = {"200", "100000", {std::string(65535, 'x'), "yz"}, true};
  EXPECT_EQ(rig.Run(), inet::kIncomplete);
  EXPECT_EQ(rig.target.Size(), 65537u);
  EXPECT_THAT(rig.host.Lines(), ElementsAre(kIncomplete + "65537 Bytes geladen)"));

  InetRig chunked;
  chunked.internet.defaultResponse = {"200", std::nullopt, {"abc"}, true};
  EXPECT_EQ(chunked.Run(), inet::kIncomplete);
  EXPECT_EQ(chunked.target.bytes, "abc");
  EXPECT_THAT(chunked.host.Lines(), ElementsAre(kIncomplete + "3 Bytes geladen)"));
  ExpectCleanEnd(chunked);
}

TEST_F(InetDownloadTest, TargetThatTakesNoMoreEndsTheReadPhaseAtOnceWithoutALine) {
  rig.internet.defaultResponse = {"200", "9", {"abc", "def", "ghi"}};
  rig.target.refuseAtWrite = 2;
  EXPECT_EQ(rig.Run(), inet::kTargetRefused);
  EXPECT_THAT(rig.Calls("Read"), ElementsAre("Read(R1,65535)=3", "Read(R1,65535)=3"));
  const std::vector<std::string> tail(rig.journal.end() - 7, rig.journal.end());
  EXPECT_THAT(tail, ElementsAre("Write(3)", "Hide", "<progress>", "Close(R1)", "Close(C1)",
                                "Close(S1)", "Cursor(-19)"));
  EXPECT_THAT(rig.host.Lines(), IsEmpty());
  EXPECT_EQ(InetErrorText(inet::kTargetRefused), "");
}

// ------------------------------------------------------------ certificates

using wininet::kSecurityCertInvalidCa;
using wininet::kSecurityCertInvalidCn;
using wininet::kSecurityCertInvalidDate;

// The server's certificate in these tests: for another host, valid until
// 1 February 2024, 00:00 UTC.
const ServerCertificate kEvilCertificate{"evil.example", "Trusted Root CA", 133512192000000000u};
const std::string kEvilText =
    "; Zertifikat f\xFCr evil.example, ausgestellt von Trusted Root CA, g\xFCltig bis "
    "01.02.2024 00:00 UTC";
const std::string kWarning = "Warnung: Zertifikat des Servers ";
const std::string kPassed = ", Verbindung trotzdem aufgebaut" + kEvilText;
const std::string kRefused = " - Zertifikat des Servers abgelehnt";
const std::string kOtherName = "f\xFCr einen anderen Namen ausgestellt";
const std::string kExpired = "abgelaufen oder noch nicht g\xFCltig";
const std::string kUntrusted = "von keiner vertrauensw\xFCrdigen Stelle ausgestellt";

struct CertificateCase {
  const char* name;
  std::uint32_t problems;
  bool strict;
  std::int32_t code;
  std::string line;             // empty: none
  std::uint32_t ignoreFlags;    // set on the request before it is sent again
};

using CertificateTest = RigTest<CertificateCase>;

// The request is sent strictly first; the headers (password and key) go out
// only once the certificate has been accepted, and never without its line.
TEST_P(CertificateTest, IsWarnedOfOrRefusedBeforeAnythingIsSent) {
  const CertificateCase& c = GetParam();
  rig.internet.certificateProblems = c.problems;
  rig.internet.certificate = kEvilCertificate;
  rig.strictCertificates = c.strict;
  EXPECT_EQ(rig.Run(), c.code);
  const std::vector<std::string> sends = rig.Calls("SendRequest");
  const std::string send = "SendRequest(R1," + std::to_string(kHeaders.size()) + ")";
  if (c.problems == 0) {
    EXPECT_THAT(sends, ElementsAre(send));
    EXPECT_THAT(rig.host.Lines(), IsEmpty());
    return;
  }
  EXPECT_EQ(sends.front(), send + "=fail");
  EXPECT_THAT(rig.host.Lines(), ElementsAre(c.line));
  const auto failed = IndexOf(rig.journal, send + "=fail");
  const auto logged = IndexOf(rig.journal, "LOG:" + c.line);
  ASSERT_GE(failed, 0);
  EXPECT_EQ(rig.journal[failed + 2], "QueryOption(R1,31)");
  EXPECT_EQ(rig.journal[failed + 3], "QueryCertificate(R1)");
  EXPECT_EQ(logged, failed + 4);
  if (c.code == inet::kOk) {
    // Warned of, then sent once more with just the matching ignore flags.
    EXPECT_THAT(sends, ElementsAre(send + "=fail", send));
    EXPECT_EQ(rig.journal[logged + 1],
              "SetOption(R1,31," + std::to_string(c.problems | c.ignoreFlags) + ")");
    EXPECT_EQ(rig.journal[logged + 2], send);
    ASSERT_EQ(rig.internet.sentHeaders.size(), 1u);
    EXPECT_EQ(rig.internet.sentHeaders[0].text, kHeaders);
    EXPECT_EQ(rig.target.bytes, "abcdef");
  } else {
    EXPECT_THAT(sends, ElementsAre(send + "=fail"));
    EXPECT_THAT(rig.internet.sentHeaders, IsEmpty());
    EXPECT_THAT(rig.Calls("QueryInfo"), IsEmpty());
    EXPECT_EQ(rig.status, "");
    EXPECT_THAT(rig.internet.closed, ElementsAre("R1", "C1", "S1"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, CertificateTest,
    ::testing::Values(
        CertificateCase{"Good", 0, false, 0, "", 0},
        CertificateCase{"GoodStrict", 0, true, 0, "", 0},
        CertificateCase{"OtherName", kSecurityCertInvalidCn, false, 0,
                        kWarning + kOtherName + kPassed, 0x1000},
        CertificateCase{"Expired", kSecurityCertInvalidDate, false, 0,
                        kWarning + kExpired + kPassed, 0x2000},
        CertificateCase{"OtherNameAndExpired", kSecurityCertInvalidCn | kSecurityCertInvalidDate,
                        false, 0, kWarning + kOtherName + " und " + kExpired + kPassed, 0x3000},
        CertificateCase{"Untrusted", kSecurityCertInvalidCa, false, -3,
                        "WinINet-Systemfehler: 12045" + kRefused + ": " + kUntrusted + kEvilText,
                        0},
        CertificateCase{"UntrustedOtherNameExpired",
                        kSecurityCertInvalidCa | kSecurityCertInvalidCn | kSecurityCertInvalidDate,
                        false, -3,
                        "WinINet-Systemfehler: 12055" + kRefused + ": " + kUntrusted + ", " +
                            kOtherName + " und " + kExpired + kEvilText,
                        0},
        CertificateCase{"OtherNameStrict", kSecurityCertInvalidCn, true, -3,
                        "WinINet-Systemfehler: 12038" + kRefused + " (StrictCertificates): " +
                            kOtherName + kEvilText,
                        0},
        CertificateCase{"ExpiredStrict", kSecurityCertInvalidDate, true, -3,
                        "WinINet-Systemfehler: 12037" + kRefused + " (StrictCertificates): " +
                            kExpired + kEvilText,
                        0}),
    [](const auto& info) { return std::string(info.param.name); });

// Where one failure names one problem only (the error mask not taken), each
// problem is warned of in turn before the request goes out.
TEST_F(InetDownloadTest, ProblemsReportedOneAtATimeAreEachWarnedOf) {
  rig.internet.certificateProblems = kSecurityCertInvalidCn | kSecurityCertInvalidDate;
  rig.internet.certificate = kEvilCertificate;
  rig.internet.faults.Fail("SetOption", 8);  // SetOption(R1,62,2)
  EXPECT_EQ(rig.Run(), inet::kOk);
  EXPECT_THAT(rig.host.Lines(),
              ElementsAre(kWarning + kOtherName + kPassed, kWarning + kExpired + kPassed));
  EXPECT_EQ(rig.Calls("SendRequest").size(), 3u);
  EXPECT_EQ(rig.internet.sentHeaders.size(), 1u);
}

// A problem that is still reported once it is meant to be ignored is refused.
TEST_F(InetDownloadTest, IgnoreFlagThatDoesNotTakeEndsInARefusal) {
  rig.internet.certificateProblems = kSecurityCertInvalidCn;
  rig.internet.certificate = kEvilCertificate;
  rig.internet.faults.Fail("SetOption", 9);  // SetOption(R1,31,...)
  EXPECT_EQ(rig.Run(), inet::kOpenUrlFailed);
  EXPECT_THAT(rig.host.Lines(),
              ElementsAre(kWarning + kOtherName + kPassed,
                          "WinINet-Systemfehler: 12038" + kRefused + ": " + kOtherName + kEvilText));
  EXPECT_THAT(rig.internet.sentHeaders, IsEmpty());
}

// The error alone decides when neither the flags nor the certificate can be read.
TEST_F(InetDownloadTest, UnreadableFlagsAndCertificateLeaveTheErrorToDecide) {
  rig.internet.certificateProblems = kSecurityCertInvalidDate;
  rig.internet.faults.Fail("QueryOption", 2);
  rig.internet.faults.Fail("QueryCertificate");
  EXPECT_EQ(rig.Run(), inet::kOk);
  EXPECT_THAT(rig.host.Lines(), ElementsAre(kWarning + kExpired +
                                            ", Verbindung trotzdem aufgebaut; Zertifikat nicht lesbar"));
  EXPECT_THAT(rig.Calls("SetOption").back(), "SetOption(R1,31,8192)");
}

// Quiet as any line: without a listener the warning is not sent, the rule is the same.
TEST_F(InetDownloadTest, CertificateRulesHoldWithoutALogLine) {
  rig.internet.certificateProblems = kSecurityCertInvalidCn;
  EXPECT_EQ(rig.Run(kUrl, kHeaders, 1800, false, true), inet::kOk);
  EXPECT_THAT(rig.host.Lines(), IsEmpty());
  InetRig strict;
  strict.internet.certificateProblems = kSecurityCertInvalidCn;
  strict.strictCertificates = true;
  EXPECT_EQ(strict.Run(kUrl, kHeaders, 1800, false, true), inet::kOpenUrlFailed);
  EXPECT_THAT(strict.internet.sentHeaders, IsEmpty());
  ExpectCleanEnd(strict);
}

// -------------------------------------------------- window and notifications

TEST_F(InetDownloadTest, WithoutProgressThereIsNoWindowButANotificationPerChunk) {
  EXPECT_EQ(rig.Run(kUrl, kHeaders, 1800, true, false), inet::kOk);
  EXPECT_THAT(rig.progress.calls, IsEmpty());
  EXPECT_THAT(rig.host.events, ElementsAre("<progress>", "<progress>"));
}

TEST_F(InetDownloadTest, CancelAfterAChunkGivesMinus1015AndSkipsTheLengthCheck) {
  rig.internet.defaultResponse = {"200", "9", {"abc", "def", "ghi"}};
  rig.progress.cancelAtQuestion = 2;
  EXPECT_EQ(rig.Run(), inet::kCancelledByUser);
  EXPECT_EQ(rig.target.bytes, "abcdef");
  EXPECT_THAT(rig.Calls("Read"), ElementsAre("Read(R1,65535)=3", "Read(R1,65535)=3"));
  const std::vector<std::string> tail(rig.journal.end() - 10, rig.journal.end());
  EXPECT_THAT(tail, ElementsAre("Write(3)", "<progress>", "CancelRequested",
                                "LOG:Download durch Benutzer abgebrochen", "Hide", "<progress>",
                                "Close(R1)", "Close(C1)", "Close(S1)", "Cursor(-19)"));
}

TEST_F(InetDownloadTest, CancelHasNoEffectOnAnEmptyBody) {
  rig.internet.defaultResponse = {"200", "0", {}};
  rig.progress.cancelAtQuestion = 1;
  EXPECT_EQ(rig.Run(), inet::kIncomplete);
  EXPECT_EQ(rig.progress.questions, 0);
}

TEST_F(InetDownloadTest, CancelIsNotAskedWithoutProgress) {
  rig.progress.cancelAtQuestion = 1;
  EXPECT_EQ(rig.Run(kUrl, kHeaders, 1800, true, false), inet::kOk);
  EXPECT_EQ(rig.progress.questions, 0);
}

TEST_F(InetDownloadTest, TargetOutOfMemoryPassesThroughAfterTheWholeCleanUp) {
  rig.target.throwAtWrite = 2;
  EXPECT_THROW(rig.Run(), std::bad_alloc);
  const std::vector<std::string> tail(rig.journal.end() - 7, rig.journal.end());
  EXPECT_THAT(tail, ElementsAre("Write(3)", "Hide", "<progress>", "Close(R1)", "Close(C1)",
                                "Close(S1)", "Cursor(-19)"));
  EXPECT_THAT(rig.host.Lines(), IsEmpty());
}

// Where no thread can be had, the calls are made on the host's thread, as
// plain blocking calls, to the same end.
TEST_F(InetDownloadTest, WithoutAWorkerTheCallsRunOnTheHostsThread) {
  InetRig healthy;
  ASSERT_EQ(healthy.Run(), inet::kOk);
  rig.threads.faults.Fail("StartDetached");
  EXPECT_EQ(rig.Run(), inet::kOk);
  EXPECT_EQ(rig.journal, healthy.journal);
  EXPECT_EQ(rig.threads.faults.Count("StartDetached"), 1);
  ExpectCleanEnd(healthy);
}

// ------------------------------------------------------- system error lines

TEST_F(InetDownloadTest, NoSessionLogsTheSystemErrorTakenAtOnce) {
  rig.internet.faults.Fail("Open");
  rig.internet.failureError = 2;
  rig.internet.systemMessages[2] = "Das System kann die angegebene Datei nicht finden.\r\n";
  EXPECT_EQ(rig.Run(), inet::kNoSession);
  EXPECT_EQ(rig.status, "");
  EXPECT_THAT(rig.internet.calls,
              ElementsAre("Open(NOLT-ImportApi,0,-,-,0)=fail", "LastError()=2",
                          "FormatSystemMessage(0x1000,2,0,1023)=52"));
  EXPECT_THAT(rig.host.Lines(),
              ElementsAre("WinINet-Systemfehler: 2-Das System kann die angegebene Datei nicht "
                          "finden.\r\n"));
}

TEST(InetDownloadFaults, EachStepOfOpeningTheRequestFailsAsMinus3WithItsSystemError) {
  for (const char* step : {"CrackUrl", "Connect", "OpenRequest", "SendRequest"}) {
    InetRig other;
    other.internet.faults.Fail(step);
    EXPECT_EQ(other.Run(), inet::kOpenUrlFailed) << step;
    EXPECT_THAT(other.host.Lines(), ElementsAre("WinINet-Systemfehler: 12029")) << step;
    EXPECT_EQ(other.status, "") << step;
    // Nothing comes between the failed call and the reading of its error.
    const auto failed = IndexOf(other.internet.CallNames(), step);
    EXPECT_EQ(other.internet.calls[failed + 1], "LastError()=12029") << step;
    ExpectCleanEnd(other);
  }
}

TEST_F(InetDownloadTest, NoSystemErrorIsFetchedWhenNoLineWouldBeSent) {
  InetRig quiet;
  quiet.internet.faults.Fail("Connect");
  EXPECT_EQ(quiet.Run(kUrl, kHeaders, 1800, false, true), inet::kOpenUrlFailed);
  EXPECT_THAT(quiet.Calls("LastError"), IsEmpty());
  ExpectCleanEnd(quiet);

  rig.listening = false;
  rig.internet.faults.Fail("Open");
  EXPECT_EQ(rig.Run(), inet::kNoSession);
  EXPECT_THAT(rig.Calls("LastError"), IsEmpty());
  EXPECT_THAT(rig.host.events, IsEmpty());
}

TEST_F(InetDownloadTest, LogToHostFalseKeepsTheNotificationsButNoLines) {
  rig.internet.defaultResponse = {"200", "99", {"abc"}};
  EXPECT_EQ(rig.Run(kUrl, kHeaders, 1800, false, true), inet::kIncomplete);
  EXPECT_THAT(rig.host.events, ElementsAre("<progress>", "<progress>", "<progress>"));
}

// ------------------------------------------------------ every call can fail

// Fails each call of a successful download in turn: every failure ends with
// its code and a clean end.
TEST(InetDownloadFaults, EveryCallFailingInTurnEndsCleanlyWithItsCode) {
  InetRig healthy;
  ASSERT_EQ(healthy.Run(), inet::kOk);
  const std::vector<std::string> names = healthy.internet.CallNames();
  for (int k = 0; k < static_cast<int>(names.size()); ++k) {
    const std::string& name = names[k];
    std::int32_t expected = inet::kOk;
    if (name == "Open") expected = inet::kNoSession;
    if (name == "CrackUrl" || name == "Connect" || name == "OpenRequest" || name == "SendRequest")
      expected = inet::kOpenUrlFailed;
    // Any failed read, the one that would have found the end included.
    if (name == "Read") expected = inet::kIncomplete;
    InetRig rig;
    rig.internet.faults.FailCall(k + 1);
    EXPECT_EQ(rig.Run(), expected) << "call " << k << ": " << name;
    ExpectCleanEnd(rig);
  }
}

// Every call of a download from a server whose certificate names another
// host failing in turn: each ends cleanly, and the headers go out only after
// the warning.
TEST(InetDownloadFaults, NoFailureLetsTheHeadersOutWithoutTheWarning) {
  const auto rigFor = [](InetRig& rig) {
    rig.internet.certificateProblems = wininet::kSecurityCertInvalidCn;
    rig.internet.certificate = kEvilCertificate;
  };
  InetRig healthy;
  rigFor(healthy);
  ASSERT_EQ(healthy.Run(), inet::kOk);
  // The certificate itself may be unreadable.
  const std::string warning = "LOG:" + kWarning + kOtherName + ", Verbindung trotzdem aufgebaut; ";
  for (int k = 1; k <= static_cast<int>(healthy.internet.calls.size()); ++k) {
    InetRig rig;
    rigFor(rig);
    rig.internet.faults.FailCall(k);
    rig.Run();
    ExpectCleanEnd(rig);
    if (!rig.internet.sentHeaders.empty()) {
      const auto warned =
          std::find_if(rig.journal.begin(), rig.journal.end(),
                       [&](const std::string& e) { return e.rfind(warning, 0) == 0; }) -
          rig.journal.begin();
      ASSERT_LT(warned, static_cast<std::ptrdiff_t>(rig.journal.size())) << "call " << k;
      EXPECT_LT(warned, IndexOf(rig.journal, rig.Calls("SendRequest").back())) << "call " << k;
    }
  }
}

// ----------------------------------------------------------- the two texts

TEST(InetTexts, ErrorTextForEachCode) {
  EXPECT_EQ(InetErrorText(-1), "Unbestimmter Fehler bei Internet-Zugriff");
  EXPECT_EQ(InetErrorText(-2), "Internet-Fehler: Session nicht verf\xFCgbar");
  EXPECT_EQ(InetErrorText(-3), "Internet-Fehler: \xD6" "ffnen der URL fehlgeschlagen");
  EXPECT_EQ(InetErrorText(-4), "Internet-Fehler: Zugriff auf Seite verweigert");
  EXPECT_EQ(InetErrorText(-5), "Internet-Fehler: Seite nicht gefunden");
  EXPECT_EQ(InetErrorText(-6), "Internet-Fehler: Zugriff auf URL fehlgeschlagen");
  EXPECT_EQ(InetErrorText(-7), "Internet-Fehler: Datei unvollst\xE4ndig \xFC" "bertragen");
  EXPECT_EQ(InetErrorText(-8),
            "Internet-Fehler: Server \xFC" "berlastet. Bitte sp\xE4ter erneut versuchen");
  EXPECT_EQ(InetErrorText(-9), "Proxy-Fehler: Authentifizierung erforderlich");
  EXPECT_EQ(InetErrorText(-1015), "Download durch Benutzer abgebrochen");
  for (int code : {0, -10, 1, -1014, inet::kTargetRefused, 7})
    EXPECT_EQ(InetErrorText(code), "") << code;
}

TEST(InetTexts, LastErrorTextKeepsTheSystemTextAsReturned) {
  test::FakeInternet internet;
  internet.faults.Fail("Open");
  internet.failureError = 0x80070005;
  internet.systemMessages[0x80070005] = "Zugriff verweigert\r\n";
  internet.Open("a", 0, nullptr, nullptr, 0);
  EXPECT_EQ(LastInetErrorText(internet), "2147942405-Zugriff verweigert\r\n");
  EXPECT_EQ(internet.calls.back(), "FormatSystemMessage(0x1000,2147942405,0,1023)=20");
}

TEST(InetTexts, LastErrorTextWithoutSystemText) {
  test::FakeInternet internet;
  internet.faults.Fail("Open", 1);
  internet.faults.Fail("Open", 2);
  internet.failureError = 12002;
  internet.Open("a", 0, nullptr, nullptr, 0);
  EXPECT_EQ(LastInetErrorText(internet), "12002:Zeit\xFC" "berschreitung (TimeOut)");
  internet.failureError = 12029;
  internet.Open("a", 0, nullptr, nullptr, 0);
  EXPECT_EQ(LastInetErrorText(internet), "12029");
}

}  // namespace
}  // namespace qalo
