#include "store/subscriber_record.h"

namespace tidewell::store {

std::string_view SubscriberRecord::name() const {
  PackedReader r = reader();
  r.skipText();
  return r.text();
}

std::string_view SubscriberRecord::sentList() const {
  PackedReader r = reader();
  r.skipText();
  r.skipText();
  return r.text();
}

PackedReader SubscriberRecord::fieldReader() const {
  PackedReader r = reader();
  r.skipText();
  r.skipText();
  r.skipText();
  return r;
}

std::string_view SubscriberRecord::ownPmf() const {
  if (!m_ownPmf) return {};
  PackedReader r = fieldReader();
  auto count = r.number();
  for (std::uint64_t i = 0; i < count; ++i) {
    r.number();
    r.number();
    r.skipText();
  }
  return r.text();
}

}  // namespace tidewell::store
