#include "consent/person_record.h"

#include <algorithm>
#include <cstdio>

#include "consent/suppression_list.h"
#include "store/sent_list.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::consent {

namespace {

bool isAddressChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view(".!#$%&'*+/=?^_`{|}~-").find(c) != std::string_view::npos;
}

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// A JSON object of named fields: the line's fields under the given names, any further ones in
// "more".
std::string jsonFields(const std::vector<std::string>& values,
                       const std::vector<std::string_view>& names) {
  std::string out = "{";
  for (std::size_t i = 0; i < names.size() && i < values.size(); ++i) {
    if (i) out += ", ";
    out += jsonString(names[i]) + ": " + jsonString(values[i]);
  }
  if (values.size() > names.size()) {
    out += ", \"more\": [";
    for (std::size_t i = names.size(); i < values.size(); ++i) {
      out += (i > names.size() ? ", " : "") + jsonString(values[i]);
    }
    out += "]";
  }
  return out + "}";
}

std::string jsonList(const std::vector<std::string>& items, std::string_view indent) {
  if (items.empty()) return "[]";
  std::string out = "[\n";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += std::string(indent) + "  " + items[i] + (i + 1 < items.size() ? ",\n" : "\n");
  }
  return out + std::string(indent) + "]";
}

std::vector<std::string> linesNaming(const std::filesystem::path& path, std::string_view address) {
  std::vector<std::string> lines;
  if (!std::filesystem::exists(path)) return lines;
  for (std::string& line : store::readLines(path)) {
    if (lineNamesAddress(line, address)) lines.push_back(std::move(line));
  }
  return lines;
}

std::string sidePath(const std::filesystem::path& profilePath, std::string_view extension) {
  std::filesystem::path path = profilePath;
  return path.replace_extension(extension).string();
}

std::string recordJson(const store::SubscriberTable& table, store::Position p) {
  const auto& record = table.record(p);
  std::vector<std::string> sent;
  std::string_view list = record.sentList();
  if (list != store::kNothingSent) {
    for (const std::string& title : store::split(list, store::kSentListEnd)) {
      if (!title.empty()) sent.push_back(jsonString(title));
    }
  }
  std::vector<std::string> fields;
  store::UnpackedPmf unpacked;
  const std::string pmf = table.pmf(p);
  store::unpackPmf(pmf, unpacked);
  for (const auto& item : unpacked.items) {
    fields.push_back("{\"name\": " + jsonString(item.name) +
                     ", \"value\": " + jsonString(item.value) + "}");
  }
  return "{\"filter\": " + jsonString(table.filterTitle(p)) +
         ", \"email\": " + jsonString(record.email()) + ", \"name\": " + jsonString(record.name()) +
         ", \"signup\": " + jsonString(store::shortDateText(table.signup(p))) +
         ", \"active\": " + jsonString(table.active(p)) +
         ",\n      \"sent\": " + jsonList(sent, "      ") +
         ",\n      \"fields\": " + jsonList(fields, "      ") + "}";
}

std::vector<std::string> fieldObjects(const std::vector<std::string>& lines,
                                      const std::vector<std::string_view>& names) {
  std::vector<std::string> objects;
  for (const std::string& line : lines)
    objects.push_back(jsonFields(store::split(line, "\t"), names));
  return objects;
}

// Every line of the file except those naming the address, line ends kept as they were.
int rewriteWithout(const std::filesystem::path& path, std::string_view address) {
  if (!std::filesystem::exists(path)) return 0;
  const std::string bytes = store::readFileBytes(path);
  std::string kept;
  kept.reserve(bytes.size());
  int removed = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find('\n', at);
    end = end == std::string::npos ? bytes.size() : end + 1;
    std::string_view line(bytes.data() + at, end - at);
    if (lineNamesAddress(line, address)) {
      ++removed;
    } else {
      kept.append(line);
    }
    at = end;
  }
  if (removed) store::writeFileDurably(path, kept);
  return removed;
}

}  // namespace

std::vector<std::filesystem::path> PersonFiles::namingFiles() const {
  const auto folder = profileFolder();
  return {sidePath(profilePath, ".pending"),
          folder / "consent.log",
          sidePath(profilePath, ".bounces"),
          sidePath(profilePath, ".sent"),
          folder / "activity.log",
          folder / "deactivated.log",
          folder / "unsent.log",
          programFolder / "errlog.txt"};
}

bool lineNamesAddress(std::string_view line, std::string_view address) {
  if (address.empty()) return false;
  const std::string folded = lowerAscii(line);
  const std::string needle = lowerAscii(address);
  for (std::size_t at = folded.find(needle); at != std::string::npos;
       at = folded.find(needle, at + 1)) {
    const std::size_t end = at + needle.size();
    const bool startsAlone = at == 0 || !isAddressChar(folded[at - 1]);
    const bool endsAlone =
        end == folded.size() || !(isAddressChar(folded[end]) && folded[end] != '.' &&
                                  folded[end] != '\'' && folded[end] != '`');
    // "ann@x.com." ends a sentence; "ann@x.com.au" is another address.
    const bool dotEnds = end < folded.size() && folded[end] == '.' &&
                         (end + 1 == folded.size() || !isAddressChar(folded[end + 1]));
    if (startsAlone && (endsAlone || dotEnds)) return true;
  }
  return false;
}

std::vector<store::Position> recordsOf(const store::SubscriberTable& table,
                                       std::string_view address) {
  std::vector<store::Position> found;
  if (table.isEmpty()) return found;
  for (store::Position p = 0; p < table.size(); ++p) {
    const auto& record = table.record(p);
    if (!record.isDeleted() && store::equalsIgnoreCase(record.email(), address)) found.push_back(p);
  }
  return found;
}

std::string exportPerson(const store::SubscriberTable& table, const PersonFiles& files,
                         std::string_view address, const store::Date& today) {
  std::vector<std::string> records;
  for (store::Position p : recordsOf(table, address)) records.push_back(recordJson(table, p));

  const auto paths = files.namingFiles();
  std::vector<std::string> suppressed;
  const SuppressionList list(SuppressionList::pathFor(files.profilePath));
  const std::string hash = SuppressionList::hashKey(address);
  const std::string lower = lowerAscii(address);
  const std::string domain = lower.substr(std::min(lower.size(), lower.rfind('@')));
  for (const auto& e : list.entries()) {
    if (e.key == lower || e.key == hash || e.key == domain) {
      suppressed.push_back(
          jsonFields({e.key, store::shortDateText(e.date), e.reason}, {"entry", "date", "reason"}));
    }
  }
  std::vector<std::string> logs;
  for (std::size_t i = 4; i < paths.size(); ++i) {
    std::vector<std::string> lines;
    for (const std::string& line : linesNaming(paths[i], address))
      lines.push_back(jsonString(line));
    logs.push_back(jsonString(paths[i].filename().string()) + ": " + jsonList(lines, "    "));
  }
  std::string logsJson = "{";
  for (std::size_t i = 0; i < logs.size(); ++i) logsJson += (i ? ",\n    " : "\n    ") + logs[i];
  logsJson += "\n  }";

  return "{\n  \"address\": " + jsonString(address) +
         ",\n  \"exported\": " + jsonString(store::shortDateText(today)) +
         ",\n  \"subscriptions\": " + jsonList(records, "  ") + ",\n  \"pending\": " +
         jsonList(fieldObjects(linesNaming(paths[0], address),
                               {"address", "filter", "date", "time", "reminder", "fields",
                                "message_id", "ip"}),
                  "  ") +
         ",\n  \"consent\": " +
         jsonList(fieldObjects(linesNaming(paths[1], address),
                               {"date", "time", "address", "filter", "how", "signup_message_id",
                                "confirmation_message_id", "ip", "confirmation_text",
                                "confirmation_sha256"}),
                  "  ") +
         ",\n  \"bounce_strikes\": " +
         jsonList(fieldObjects(linesNaming(paths[2], address),
                               {"address", "count", "first", "last", "days"}),
                  "  ") +
         ",\n  \"sends_not_yet_saved\": " +
         jsonList(fieldObjects(linesNaming(paths[3], address),
                               {"address", "newsletter", "date", "time"}),
                  "  ") +
         ",\n  \"suppressed\": " + jsonList(suppressed, "  ") + ",\n  \"logs\": " + logsJson +
         "\n}\n";
}

Erasure erasePerson(store::ErrorTrap& trap, store::SubscriberTable& table, const PersonFiles& files,
                    std::string_view address) {
  Erasure erasure;
  erasure.records = recordsOf(table, address);
  for (store::Position p : erasure.records) table.markDeleted(p);
  if (!erasure.records.empty()) table.setChanged();
  for (const auto& path : files.namingFiles())
    erasure.linesRemoved += rewriteWithout(path, address);

  SuppressionList list(SuppressionList::pathFor(files.profilePath));
  list.remove(address);
  list.add(SuppressionList::hashKey(address), trap.clock().today(), "erased");
  list.save();

  trap.note(store::windowProcedure("ErasePerson"),
            {store::ErrorNumber::kBadArgument,
             "A person was erased on request: " + std::to_string(erasure.records.size()) +
                 " subscriber record(s) and " + std::to_string(erasure.linesRemoved) +
                 " line(s) of other files removed; only the address's hash is kept"});
  return erasure;
}

}  // namespace tidewell::consent
