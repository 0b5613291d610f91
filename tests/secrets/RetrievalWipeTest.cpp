// A retrieval gives no password and no key back to the heap unwiped: the
// settings, the login data, the header text and every copy on the way,
// whether the password was stored or entered, and whatever the service
// answers.
#include <gtest/gtest.h>

#include <string>

#include "platform/SecureWipe.h"
#include "secrets/FreedMemoryWatch.h"
#include "support/FakeRetrievalPlatform.h"
#include "workflow/Retrieval.h"

namespace qalo {
namespace {

using test::FreedMemoryWatch;

constexpr const char* kPassword = "Gespeichert!Pw-2718-qq";
constexpr const char* kEntered = "Eingegeben!Pw-3141-rr";
constexpr const char* kKey = "4b3a29184b3a29184b3a29184b3a29184b3a29184b3a2918";
constexpr const char* kSettingsWithPassword =
    "UserLogin=demo\r\nPassword=Gespeichert!Pw-2718-qq\r\n"
    "UserKey=4b3a29184b3a29184b3a29184b3a29184b3a29184b3a2918\r\n";
constexpr const char* kSettingsWithoutPassword =
    "UserLogin=demo\r\nUserKey=4b3a29184b3a29184b3a29184b3a29184b3a29184b3a2918\r\n";

class RetrievalWipeTest : public ::testing::Test, protected test::FakeRetrievalPlatform {
 protected:
  RetrievalWipeTest() : FakeRetrievalPlatform(46363.5) {}

 protected:
  // One run; the fakes' records (the sent headers among them) are theirs and
  // go after the watch.
  int Leaks(const char* settings, const std::string& answer) {
    internet.defaultResponse.chunks = {answer};
    FreedMemoryWatch watch({kPassword, kEntered, kKey});
    {
      const WipedString text{std::string(settings)};
      RunExport(platform, {"C:\\nolt\\xml", "B-17", nullptr, text.text});
    }
    watch.Disarm();
    if (watch.Leaks() > 0) ADD_FAILURE() << "first block: " << watch.FirstLeak();
    return watch.Leaks();
  }

};

TEST_F(RetrievalWipeTest, StoredPasswordAndDecryptedData) {
  EXPECT_EQ(Leaks(kSettingsWithPassword, std::string(64, 'Z')), 0);
}

TEST_F(RetrievalWipeTest, EnteredPasswordAndAnErrorCode) {
  prompt.answer = std::string(kEntered);
  EXPECT_EQ(Leaks(kSettingsWithoutPassword, "<XML><ERROR>1200</ERROR></XML>"), 0);
  prompt.answer.reset();
}

TEST_F(RetrievalWipeTest, OrderNumber) {
  EXPECT_EQ(Leaks(kSettingsWithPassword, "<XML><ORDER_NUMBER>4711</ORDER_NUMBER></XML>"), 0);
}

TEST_F(RetrievalWipeTest, ImportFile) {
  chooser.choice = "C:\\in\\depot.enc";
  files.files[*chooser.choice] = std::string(64, 'E');
  const std::string settings = std::string(kSettingsWithPassword) + "TicketData=CD\r\n";
  EXPECT_EQ(Leaks(settings.c_str(), ""), 0);
  EXPECT_EQ(cipher.bytesCalls.size(), 1u);
}

}  // namespace
}  // namespace qalo
