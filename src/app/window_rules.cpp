#include "window_rules.h"

#include "store/settings_file.h"

namespace tidewell::app {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kPixelsPerInch = 96;

}  // namespace

std::string requiredFieldsMessage(const std::vector<std::string>& missingLines) {
  std::string text = "The listed fields are required:\n\n";
  for (const std::string& line : missingLines) text += line + "\n";
  return text + "\nPlease fill in.";
}

std::string programCaption() {
  return "Tidewell " + std::string(store::kVersionText);
}

std::string aboutProductLine() {
  return "Tidewell V" + std::string(store::kVersionText);
}

int twipsToPixels(int twips) {
  return (twips * kPixelsPerInch + kTwipsPerInch / 2) / kTwipsPerInch;
}

int pixelsToTwips(int pixels) {
  return pixels * kTwipsPerInch / kPixelsPerInch;
}

std::vector<std::filesystem::path> manualCandidates(const std::filesystem::path& programDir) {
  return {programDir / kManualFileName,
          programDir.parent_path() / "share" / "tidewell" / kManualFileName};
}

}  // namespace tidewell::app
