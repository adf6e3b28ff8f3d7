// Restrictions against a real mailbox: which messages reach Pending and
// which stay on the server, for each kind, their combination and answers.
#include <set>

#include "tests/retrieve/retrieve_fixture.h"

namespace retrieve::testing {
namespace {

struct RuleSpec {
  std::string name, cond, v1, v2, act1, act2;
};
struct MailSpec {
  std::string subject;
  std::string from = "Ann Buyer <ann@example.com>";
  std::string extra;
  std::size_t size = 0;
};
struct RestrictionCase {
  std::string label;
  std::vector<RuleSpec> rules;
  std::vector<MailSpec> mail;
  std::set<std::string> retrieved;  // subjects in Pending
  std::set<std::string> kept;       // subjects still on the server
};

const std::string kLongTo =
    "To: a1@example.com, a2@example.com, a3@example.com, a4@example.com, a5@example.com,\r\n"
    " a6@example.com, a7@example.com\r\n";

const RuleSpec kAllKeep{"Control Restriction", "A", "", "", "Y", "N"};
const RuleSpec kAllDelete{"Control Restriction", "A", "", "", "Y", "Y"};

const std::vector<RestrictionCase> kCases = {
    {"all_messages_kept", {kAllKeep}, {{"one"}, {"two"}}, {"one", "two"}, {"one", "two"}},
    {"all_messages_deleted", {kAllDelete}, {{"one"}, {"two"}}, {"one", "two"}, {}},
    {"no_restrictions_retrieves_nothing", {}, {{"one"}}, {}, {"one"}},
    {"from_contains_any_case",
     {{"From Bob", "C", "From", "BOB@example", "Y", "Y"}},
     {{"from ann"}, {"from bob", "Bob <bob@example.com>"}},
     {"from bob"},
     {"from ann"}},
    {"subject_contains",
     {{"Orders", "C", "Subject", "order", "Y", "N"}},
     {{"New Order 4711"}, {"Lunch"}},
     {"New Order 4711"},
     {"New Order 4711", "Lunch"}},
    {"replyto_names_the_reply_to_field",
     {{"Replies", "C", "ReplyTo", "desk@", "Y", "N"}},
     {{"with reply-to", "x@example.com", "Reply-To: desk@example.com\r\n"}, {"without"}},
     {"with reply-to"},
     {"with reply-to", "without"}},
    {"encoded_subject_is_decoded",
     {{"Umlaut", "C", "Subject", "Grüße", "Y", "N"}},
     {{"=?UTF-8?Q?Gr=C3=BC=C3=9Fe_aus_Wien?="}, {"Gruesse"}},
     {"=?UTF-8?Q?Gr=C3=BC=C3=9Fe_aus_Wien?="},
     {"=?UTF-8?Q?Gr=C3=BC=C3=9Fe_aus_Wien?=", "Gruesse"}},
    {"any_field_contains",
     {{"Tagged", "C", "(Any field)", "campaign-7", "Y", "Y"}},
     {{"tagged", "x@example.com", "X-Mailer-Tag: Campaign-7\r\n"}, {"plain"}},
     {"tagged"},
     {"plain"}},
    {"untouched_field_box_matches_nothing",
     {{"Start text", "C", "Select a Field", "a", "Y", "Y"}},
     {{"one"}},
     {},
     {"one"}},
    {"empty_text_matches_nothing", {{"Empty", "C", "Subject", "", "Y", "Y"}}, {{"one"}}, {}, {"one"}},
    {"to_longer_than_counts_continuation_lines",
     {{"Long To", "L", "To:", "100", "Y", "Y"}},
     {{"many recipients", "x@example.com", kLongTo}, {"one recipient"}},
     {"many recipients"},
     {"one recipient"}},
    {"entire_header_longer_than",
     {{"Big header", "L", "(the entire header)", "400", "Y", "N"}},
     {{"big", "x@example.com", "X-Padding: " + std::string(300, 'p') + "\r\n"}, {"small"}},
     {"big"},
     {"big", "small"}},
    {"any_field_longer_than",
     {{"Any long", "L", "(Any field)", "200", "Y", "N"}},
     {{"long one", "x@example.com", "X-Note: " + std::string(250, 'n') + "\r\n"}, {"short"}},
     {"long one"},
     {"long one", "short"}},
    {"length_that_is_no_number_matches_nothing",
     {{"Bad length", "L", "Subject:", "many", "Y", "Y"}},
     {{"one"}},
     {},
     {"one"}},
    {"size_greater_than",
     {{"Big mail", "G", "", "5000", "Y", "Y"}},
     {{"eight kb", "x@example.com", "", 8000}, {"four kb", "x@example.com", "", 4000}},
     {"eight kb"},
     {"four kb"}},
    {"last_matching_restriction_wins",
     {kAllDelete, {"No spam", "C", "Subject", "[spam]", "N", "N"}, {"Keep orders", "C", "Subject", "order", "Y", "N"}},
     {{"[SPAM] cheap"}, {"order 1"}, {"hello"}, {"[spam] order now"}},
     {"order 1", "hello", "[spam] order now"},
     {"[SPAM] cheap", "order 1", "[spam] order now"}},
    {"delete_without_retrieve_deletes_nothing",
     {{"Odd", "A", "", "", "N", "Y"}},
     {{"one"}},
     {},
     {"one"}},
    {"only_capital_y_is_yes", {{"Lower", "A", "", "", "y", "y"}}, {{"one"}}, {}, {"one"}},
    {"unknown_condition_matches_nothing", {{"Odd kind", "X", "", "", "Y", "Y"}}, {{"one"}}, {}, {"one"}},
};

class RestrictionTest : public RetrieveFixture, public ::testing::WithParamInterface<RestrictionCase> {};

std::string subjectOf(const std::string& message) {
  const auto at = message.find("\r\nSubject: ");
  const auto end = message.find("\r\n", at + 2);
  return message.substr(at + 11, end - at - 11);
}

TEST_P(RestrictionTest, DecidesWhatIsRetrievedAndWhatStays) {
  const RestrictionCase& c = GetParam();
  const std::string user = newUser();
  for (const MailSpec& m : c.mail) pop->deliver(user, message(m.subject, m.from, m.extra, m.size));
  addAccount({.id = "ACC1", .login = user});
  for (const RuleSpec& r : c.rules) addRule("ACC1", r.name, r.cond, r.v1, r.v2, r.act1, r.act2);

  const PassResult pass = runOnce();
  EXPECT_EQ(pass.failed, 0) << logText();

  std::set<std::string> retrieved;
  for (const auto& [file, content] : pending("ACC1")) retrieved.insert(subjectOf(content));
  EXPECT_EQ(retrieved, c.retrieved) << logText();
  std::set<std::string> kept;
  for (const std::string& m : pop->mailbox(user)) kept.insert(subjectOf(m));
  EXPECT_EQ(kept, c.kept) << logText();
  if (c.rules.empty()) {
    EXPECT_EQ(node("ACC1").at("LASTRESULT"), "No restrictions");
    EXPECT_NE(logText().find("Account ACC1: no restrictions, nothing is retrieved"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RestrictionTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.label; });

}  // namespace
}  // namespace retrieve::testing
