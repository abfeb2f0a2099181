// Profile commands: new-profile, get, set, tree, new-filter, new-newsletter, delete-node.

#include <iostream>

#include "cli/commands.h"
#include "editor/web_kit.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_model.h"
#include "store/text.h"

namespace tidewell::cli {

namespace {

// The fixed blocks (user, server settings, Newsletters, Filters) live as long as the profile.
constexpr int kFirstDeletableIndex = store::kFiltersBlock + 1;

int newProfile(CliContext& context, const Arguments& args) {
  args.expect(0, {"title", "email", "reply", "pop3", "smtp", "account", "password", "incoming"});
  store::NewProfileFields fields{args.required("title"),   args.required("email"),
                                 args.required("reply"),   args.required("pop3"),
                                 args.required("smtp"),    args.required("account"),
                                 args.required("password")};
  const std::string incoming = args.option("incoming").value_or("pop3");
  if (!store::equalsIgnoreCase(incoming, "pop3") && !store::equalsIgnoreCase(incoming, "imap"))
    throw CommandFailed("--incoming is pop3 or imap, not " + incoming);
  fields.imap = store::equalsIgnoreCase(incoming, "imap");
  auto result = store::createProfile(fields, context.settings(), context.cipher());
  if (result.refusal) {
    context.ui().showMessage(result.refusal->message, result.refusal->caption);
    return 1;
  }
  if (!result.profilePath) return 1;
  std::cout << result.profilePath->string() << '\n';
  return 0;
}

// What get prints for a secret: whether one is set and where, never the stored value (an
// enciphered value is as good as the secret to anyone who has the program).
std::string secretPresence(const std::string& stored) {
  if (store::isAbsentOrEmpty(stored)) return "";
  return stored == store::kKeyringReference ? "(set: in the keyring)" : "(set: enciphered)";
}

// The mail secrets of the server block, and the web kit's secret in the filters block.
bool holdsSecret(int index, const std::string& key) {
  if (index == store::kServerBlock) return store::isSecretKey(key);
  return index == store::kFiltersBlock && store::equalsIgnoreCase(key, "webkitkey");
}

int get(CliContext& context, const Arguments& args) {
  args.expect(2, {});
  int index = toInt(args.at(0, "INDEX"), "INDEX");
  const std::string& key = args.at(1, "KEY");
  store::ProfileStore profile = context.profileStore();
  int before = context.errorCount();
  std::string value = profile.GetFromFile_new(index, key);
  if (holdsSecret(index, key)) value = secretPresence(value);
  std::cout << value << '\n';
  return statusSince(context, before);
}

int set(CliContext& context, const Arguments& args) {
  args.expect(3, {});
  int index = toInt(args.at(0, "INDEX"), "INDEX");
  const std::string& key = args.at(1, "KEY");
  // A secret given here would be stored in clear and seen in the process list.
  if (index == store::kServerBlock && store::isSecretKey(key)) {
    throw CommandFailed(key +
                        " is a secret: set passwords with set-password pop3|smtp, which "
                        "reads them from the terminal or standard input");
  }
  // A plain-http kit would put one-click opt-out links in the clear into every newsletter.
  if (index == store::kFiltersBlock && store::equalsIgnoreCase(key, "webkit")) {
    if (auto problem = editor::webKitAddressProblem(args.at(2, "VALUE"))) {
      throw CommandFailed(*problem);
    }
  }
  store::ProfileStore profile = context.profileStore();
  return profile.UpdateFile_new(index, key, args.at(2, "VALUE")) ? 0 : 1;
}

std::string kindWord(const std::string& name) {
  std::string_view suffix = "_properties_start";
  if (name.size() > suffix.size() &&
      store::equalsIgnoreCase(name.substr(name.size() - suffix.size()), suffix)) {
    return name.substr(0, name.size() - suffix.size());
  }
  return name;
}

int tree(CliContext& context, const Arguments& args) {
  args.expect(0, {});
  store::ProfileStore profile = context.profileStore();
  return context.trap().run(store::windowProcedure("LoadTree"), 1, [&] {
    store::ProfileDocument d = profile.load();
    std::vector<int> order = d.indexesInTreeOrder();
    for (int index : order) {
      std::string parent = d.get(index, "parent");
      std::cout << index << '\t' << kindWord(d.get(index, "name")) << '\t' << d.get(index, "title")
                << '\t' << (parent == store::kAbsent ? "" : parent) << '\n';
    }
    if (d.blockCount() > order.size()) {
      store::raise(store::kBadFormat, std::to_string(d.blockCount() - order.size()) +
                                          " block(s) after index " + std::to_string(order.size()) +
                                          " are out of order; renumbering mends it");
    }
    return 0;
  });
}

int printNode(const std::optional<store::NewNode>& node) {
  if (!node) return 1;
  std::cout << node->index << '\t' << node->title << '\n';
  return 0;
}

int newFilter(CliContext& context, const Arguments& args) {
  args.expect(0, {});
  store::ProfileStore profile = context.profileStore();
  store::ProfileModel model(profile);
  return printNode(model.cmdNewInbound_Click(model.filtersTitle()));
}

int newNewsletter(CliContext& context, const Arguments& args) {
  args.expect(0, {});
  store::ProfileStore profile = context.profileStore();
  store::ProfileModel model(profile);
  return printNode(model.cmdNewNewsletter_Click(model.newslettersTitle()));
}

int deleteNode(CliContext& context, const Arguments& args) {
  args.expect(1, {});
  int index = toInt(args.at(0, "INDEX"), "INDEX");
  if (index < kFirstDeletableIndex) {
    throw CommandFailed("Blocks 1 to 4 belong to every profile and cannot be deleted");
  }
  store::ProfileStore profile = context.profileStore();
  return profile.DeleteNode(index) && profile.UpdateIndex() ? 0 : 1;
}

}  // namespace

std::vector<Command> profileCommands() {
  return {
      {"new-profile",
       "--title T --email E --reply R --pop3 H --smtp H --account A --password P "
       "[--incoming pop3|imap]   (--pop3 names the incoming server either way)",
       newProfile, ProfileAccess::kCreates},
      {"get", "INDEX KEY   (a secret shows only whether it is set and where)", get,
       ProfileAccess::kReads},
      {"set", "INDEX KEY VALUE", set},
      {"tree", "", tree, ProfileAccess::kReads},
      {"new-filter", "", newFilter},
      {"new-newsletter", "", newNewsletter},
      {"delete-node", "INDEX", deleteNode},
  };
}

}  // namespace tidewell::cli
