#include "mail/refresh_token_rotations.h"

#include <map>
#include <mutex>

namespace tidewell::mail {

namespace {

struct Rotations {
  std::mutex lock;
  std::map<std::string, std::string> replacedBy;
  std::function<void()> listener;
};

Rotations& rotations() {
  static Rotations r;
  return r;
}

struct Keeper {
  std::mutex lock;
  std::function<void()> keep;
};

Keeper& keeper() {
  static Keeper k;
  return k;
}

}  // namespace

void RefreshTokenRotations::record(const std::string& oldToken, const std::string& newToken) {
  if (oldToken.empty() || newToken.empty() || oldToken == newToken) return;
  {
    Rotations& r = rotations();
    std::lock_guard<std::mutex> hold(r.lock);
    r.replacedBy[oldToken] = newToken;
    r.replacedBy.erase(newToken);  // a provider handing an old token out again starts afresh
    if (r.listener) r.listener();
  }
  Keeper& k = keeper();
  std::lock_guard<std::mutex> hold(k.lock);
  if (k.keep) k.keep();
}

void RefreshTokenRotations::setKeeper(std::function<void()> keep) {
  Keeper& k = keeper();
  std::lock_guard<std::mutex> hold(k.lock);
  k.keep = std::move(keep);
}

std::string RefreshTokenRotations::newest(const std::string& token) {
  Rotations& r = rotations();
  std::lock_guard<std::mutex> hold(r.lock);
  std::string current = token;
  // Each step moves to a token recorded later; the bound guards against a cycle regardless.
  for (std::size_t steps = 0; steps <= r.replacedBy.size(); ++steps) {
    auto next = r.replacedBy.find(current);
    if (next == r.replacedBy.end()) break;
    current = next->second;
  }
  return current;
}

void RefreshTokenRotations::setListener(std::function<void()> listener) {
  Rotations& r = rotations();
  std::lock_guard<std::mutex> hold(r.lock);
  r.listener = std::move(listener);
}

void RefreshTokenRotations::forgetAll() {
  Rotations& r = rotations();
  std::lock_guard<std::mutex> hold(r.lock);
  r.replacedBy.clear();
}

}  // namespace tidewell::mail
