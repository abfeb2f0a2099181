#include "store/sent_list.h"

namespace tidewell::store {

bool sentListHas(std::string_view sentList, std::string_view title) {
  std::size_t from = 0;
  while (from < sentList.size()) {
    std::size_t end = sentList.find(kSentListEnd, from);
    std::string_view entry =
        sentList.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
    if (entry == title) return true;
    if (end == std::string_view::npos) break;
    from = end + kSentListEnd.size();
  }
  return false;
}

std::string withTitle(std::string_view sentList, std::string_view title) {
  std::string list = sentList == kNothingSent ? std::string() : std::string(sentList);
  list.append(title).append(kSentListEnd);
  return list;
}

}  // namespace tidewell::store
