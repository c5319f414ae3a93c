// Who is asking, against the program serving on 127.0.0.1 over real HTTP: an attacker who
// knows another character's id, eight first requests at once, officers and their audit, and
// the allegiance gate. The service trusts 127.0.0.1 as its proxy, so that each player of a
// test has an address of its own (X-Forwarded-For) for the rate limit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <set>
#include <sstream>
#include <thread>

#include "ServiceProcess.h"
#include "ServiceTestSupport.h"
#include "support/RunProcess.h"

namespace ostravel::test {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::int32_t kMallory = 1342177500;
constexpr std::string_view kCourt = "Court at eight";

struct Reply {
  int status = 0;  // 0: no answer
  std::string body;
  std::string key;
  std::string refused;
};

Reply PostWith(int port, const std::string& script, const std::string& body, const std::string& key,
               const std::string& address) {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(30, 0);
  httplib::Headers headers = {{"X-Forwarded-For", address}};
  if (!key.empty()) headers.emplace("X-Ostravel-Key", key);
  const auto result = client.Post("/" + script, headers, body, "application/x-www-form-urlencoded");
  if (!result) return {};
  return {result->status, result->body, result->get_header_value("X-Ostravel-Key"),
          result->get_header_value("X-Ostravel-Refused")};
}

// A player's plug-in: it keeps the key the service gives and sends it from then on.
class Player {
 public:
  Player(const ServiceProcess& service, std::int32_t id, std::string address)
      : port_(service.Port()), id_(id), address_(std::move(address)) {}

  Reply Post(const std::string& script, const std::string& body) {
    Reply reply = PostWith(port_, script, body, key_, address_);
    if (!reply.key.empty()) key_ = reply.key;
    return reply;
  }
  std::string Ask(const std::string& script, std::string_view args) {
    return Post(script, Command(id_, args)).body;
  }
  // The record, then a first request with the key it brought, as a plug-in's login does.
  void Record(std::string_view name) {
    ASSERT_THAT(Post("update.php", CharRecord(id_, name, 60)).body, HasSubstr("updated"));
    ASSERT_EQ(Post("member.php", Command(id_, "help")).status, 200);
  }
  const std::string& Key() const { return key_; }

 private:
  int port_;
  std::int32_t id_;
  std::string address_;
  std::string key_;
};

std::string Admin(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {ServiceExe()};
  argv.insert(argv.end(), args.begin(), args.end());
  const auto result = test_support::RunProcess(argv);
  EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
  return result.out + result.err;
}

class IdentityServiceTest : public ::testing::Test {
 protected:
  IdentityServiceTest()
      : service_(File(), 1252, {"--trust-proxy", "127.0.0.1"}),
        ann_(service_, kAnn, "127.0.0.2"),
        bob_(service_, kBob, "127.0.0.3"),
        mallory_(service_, kMallory, "127.0.0.66") {}

  std::filesystem::path File() const { return folder_.Path() / "allegiance.sqlite"; }
  // The export without the tables that change by themselves (when a key was last used, the
  // audit, the records refused).
  std::string Export() {
    std::istringstream all(Admin({"export", "--db", File().string()}));
    std::string kept;
    for (std::string line; std::getline(all, line);) {
      if (line.find("\"character_keys\"") == std::string::npos &&
          line.find("\"refused_records\"") == std::string::npos &&
          line.find("\"audit\"") == std::string::npos) {
        kept += line + "\n";
      }
    }
    return kept;
  }
  // The export's lines about one character id in one table.
  std::string Rows(std::string_view table, std::int32_t id) {
    std::string rows;
    for (const std::string& line : Lines(Export())) {
      if (line.find("\"table\":\"" + std::string(table) + "\"") != std::string::npos &&
          line.find("\"id\":" + std::to_string(id) + ",") != std::string::npos) {
        rows += line + "\n";
      }
    }
    return rows;
  }

  TempFolder folder_;
  ServiceProcess service_;
  Player ann_, bob_, mallory_;
};

TEST_F(IdentityServiceTest, AnotherCharactersIdChangesNothingAndShowsNothing) {
  ann_.Record("Queen Ann");
  ASSERT_THAT(bob_.Post("update.php", PrivateRecord(kBob, "Bob", 60)).body, HasSubstr("updated"));
  ASSERT_EQ(bob_.Post("member.php", Command(kBob, "help")).status, 200);
  mallory_.Record("Mallory");
  ASSERT_THAT(ann_.Ask("message.php", "send Bob " + std::string(kCourt)), HasSubstr("stored"));
  ASSERT_THAT(bob_.Ask("event.php", "add today 20:00 Raid"), StartsWith("Event 1 added"));
  const std::string before = Export();
  // Bob's id without Bob's key: no key, and a key of Mallory's own.
  const std::vector<std::string> bodies = {
      Command(kBob, "inbox"),          Command(kBob, "read 1"),
      Command(kBob, "delete 1"),       Command(kBob, "send Queen Ann forged"),
      Command(kBob, "event delete 1"), CharRecord(kBob, "Bob", 1)};
  int sent = 0;
  for (const std::string& key : {std::string(), mallory_.Key()}) {
    for (const std::string& body : bodies) {
      SCOPED_TRACE(body.substr(body.rfind('&')));
      const std::string script = body.find("&Name=") != std::string::npos  ? "update.php"
                                 : body.find("event") != std::string::npos ? "event.php"
                                                                           : "message.php";
      // Each from an address of its own: the refusals' cost to the address is tested below.
      const Reply reply =
          PostWith(service_.Port(), script, body, key, "127.0.1." + std::to_string(++sent));
      EXPECT_EQ(reply.status, 403);
      EXPECT_EQ(reply.refused, "key");
      EXPECT_THAT(reply.key, IsEmpty());
      EXPECT_THAT(reply.body, Not(HasSubstr(kCourt)));
    }
  }
  // Mallory as herself: Bob's message, his event, his name and his private traits.
  EXPECT_EQ(mallory_.Ask("message.php", "read 1"), "No message with MsgID 1.");
  EXPECT_EQ(mallory_.Ask("message.php", "delete 1"), "No message with MsgID 1.");
  EXPECT_THAT(mallory_.Ask("event.php", "delete 1"), StartsWith("Only officers may"));
  EXPECT_THAT(mallory_.Post("update.php", CharRecord(kMallory, "Bob", 99)).body,
              HasSubstr("belongs to another character"));
  for (const char* filter : {"list pk", "list alchemy", "list wantgroup"}) {
    EXPECT_THAT(Column(mallory_.Ask("member.php", filter), "Name"), Not(::testing::Contains("Bob")))
        << filter;
  }
  EXPECT_EQ(Export(), before);
  // A record that makes Queen Ann Mallory's vassal under another name moves nothing of hers.
  const std::string ann_rows = Rows("allegiance", kAnn) + Rows("characters", kAnn);
  std::string forged = CharRecord(kMallory, "Mallory", 60);
  forged = forged.substr(0, forged.find("&Vassal1CID=")) + "&Vassal1CID=" + std::to_string(kAnn) +
           "&Vassal1PID=" + std::to_string(kMallory) + "&Vassal1Name=Traitor";
  ASSERT_THAT(mallory_.Post("update.php", forged).body, HasSubstr("updated"));
  EXPECT_EQ(Rows("allegiance", kAnn) + Rows("characters", kAnn), ann_rows);
  EXPECT_THAT(service_.Log() + service_.Errors(), Not(HasSubstr(bob_.Key())));
}

TEST_F(IdentityServiceTest, EightFirstRequestsAtOnceAreAllServedAndLeaveOneKey) {
  std::vector<Reply> replies(8);
  std::vector<std::thread> requests;
  const std::vector<std::string> scripts = {"member.php", "message.php", "event.php",
                                            "landblock.php"};
  for (std::size_t i = 0; i < replies.size(); ++i) {
    requests.emplace_back([&, i] {
      const std::string& script = scripts[i % scripts.size()];
      replies[i] =
          PostWith(service_.Port(), script,
                   Command(kCid, script == "message.php" ? "motd" : "help"), "", "127.0.0.5");
    });
  }
  for (auto& request : requests) request.join();
  std::set<std::string> keys;
  for (const Reply& reply : replies) {
    EXPECT_EQ(reply.status, 200) << reply.body;
    keys.insert(reply.key);
  }
  ASSERT_EQ(keys.size(), 1u);
  const std::string key = *keys.begin();
  EXPECT_EQ(key.size(), 43u);
  EXPECT_THAT(Admin({"keys", "--db", File().string()}),
              HasSubstr(std::to_string(kCid) + "\t(no record)\tgiven"));
  EXPECT_EQ(PostWith(service_.Port(), "member.php", Command(kCid, "help"), key, "127.0.0.5").status,
            200);
  const std::string listing = Admin({"keys", "--db", File().string()});
  EXPECT_THAT(listing, HasSubstr("\tin use, last used "));
  EXPECT_THAT(listing, Not(HasSubstr(key)));
  EXPECT_EQ(PostWith(service_.Port(), "member.php", Command(kCid, "help"), "", "127.0.0.5").status,
            403);
}

TEST_F(IdentityServiceTest, WrongKeysCountAgainstTheAddressAndOthersAreStillServed) {
  ann_.Record("Queen Ann");
  int refused = 0;
  int limited = 0;
  // Without the cost, 60 would pass before the first 429; a request would have to take 11 s
  // for the refill to keep up.
  for (int i = 0; i < 30 && limited == 0; ++i) {
    const int status =
        PostWith(service_.Port(), "message.php", Command(kAnn, "inbox"), "", "127.0.0.66").status;
    refused += status == 403;
    limited += status == 429;
  }
  EXPECT_EQ(limited, 1) << refused << " refused";
  EXPECT_LT(refused, 30);
  EXPECT_EQ(ann_.Post("message.php", Command(kAnn, "inbox")).status, 200);
  EXPECT_THAT(service_.Errors(), HasSubstr("missing key for character " + std::to_string(kAnn)));
}

TEST_F(IdentityServiceTest, OfficersRunTheServiceFromTheGameAndTheAuditListsThem) {
  ann_.Record("Queen Ann");
  bob_.Record("Bob");
  Admin({"role", "--db", File().string(), "Queen Ann", "officer", "on"});
  ASSERT_THAT(bob_.Ask("event.php", "add today 20:00 Raid"), StartsWith("Event 1 added"));
  struct Case {
    std::string args;  // to the script below
    std::string script;
    std::string officer;  // Ann's answer starts so
  };
  const std::vector<Case> cases = {
      {"motd Court tonight", "message.php", "Message of the day set"},
      {"delete 1", "event.php", "Event 1 (Raid) deleted."},
      {"resetkey Bob", "member.php", "The key of Bob is reset"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_THAT(mallory_.Ask(c.script, c.args), StartsWith("Only officers may"));
    EXPECT_THAT(ann_.Ask(c.script, c.args), StartsWith(c.officer));
  }
  EXPECT_THAT(Lines(mallory_.Ask("message.php", "motd")), ::testing::Contains("Court tonight"));
  // Bob's old key is forgotten: his next request gets a new one.
  const std::string old_key = bob_.Key();
  EXPECT_EQ(bob_.Post("member.php", Command(kBob, "help")).status, 200);
  EXPECT_NE(bob_.Key(), old_key);
  const std::string audit = Admin({"audit", "--db", File().string()});
  const std::string ann = "officer Queen Ann (id " + std::to_string(kAnn) + ")";
  EXPECT_THAT(Lines(audit), ElementsAre(HasSubstr("\tadmin\trole Queen Ann officer on"),
                                        HasSubstr("\t" + ann + "\tmotd Court tonight"),
                                        HasSubstr("\t" + ann + "\tevent delete 1 Raid"),
                                        HasSubstr("\t" + ann + "\tresetkey Bob")));
}

TEST_F(IdentityServiceTest, TheGateRefusesAnotherAllegianceAndServesItsMembersAndAFriend) {
  ann_.Record("Queen Ann");  // her records name her the monarch, 1342177281
  EXPECT_THAT(Admin({"allegiance", "--db", File().string(), "queen ann"}),
              HasSubstr("monarch id " + std::to_string(kAnn)));
  const std::string outsider =
      "CID=" + std::to_string(kMallory) + "&MID=99&Location=0&FLID=0&WantFellowship=0&args=list";
  const Reply refused = mallory_.Post("member.php", outsider);
  EXPECT_EQ(refused.status, 403);
  EXPECT_EQ(refused.refused, "allegiance");
  EXPECT_THAT(refused.body, HasSubstr("allegiance of queen ann"));
  EXPECT_THAT(refused.key, IsEmpty());
  EXPECT_EQ(bob_.Post("member.php", Command(kBob, "list")).status, 200);  // MID is Ann's
  Admin({"friend", "--db", File().string(), "Mallory", "Sable Guard", "on"});
  const std::string record = CharRecord(kMallory, "Mallory", 40);
  const std::string other_allegiance =
      "CID=" + std::to_string(kMallory) + "&MID=99" + record.substr(record.find("&Location="));
  EXPECT_THAT(mallory_.Post("update.php", other_allegiance).body, HasSubstr("updated"));
  EXPECT_EQ(mallory_.Post("member.php", outsider).status, 200);
  Admin({"allegiance", "--db", File().string(), "off"});
  EXPECT_EQ(PostWith(service_.Port(), "member.php", Command(kCid, "list"), "", "127.0.0.7").status,
            200);
}

}  // namespace
}  // namespace ostravel::test
