#pragma once
// The sent list helpers live with the subscriber file, which applies the send journal; the
// engine uses them under its own names.
#include "store/sent_list.h"

namespace tidewell::engine {

using store::kNothingSent;
using store::kSentListEnd;
using store::sentListHas;
using store::withTitle;

}  // namespace tidewell::engine
