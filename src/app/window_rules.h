#pragma once
// Texts and small calculations of the main window that are not the widgets' business: the
// required-fields box, the captions, the grid's width units and where the manual lies.
// Qt-free; one thread.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell::app {

// The box that keeps the operator on an incomplete server settings panel.
// missingLines are the server settings panel's ("- Incoming Mail (Pop3)", ...).
std::string requiredFieldsMessage(const std::vector<std::string>& missingLines);
inline constexpr const char* kRequiredFieldsCaption = "Required Fields";

// "Tidewell " followed by the version text: window caption and status panel 1.
std::string programCaption();
// The about window's product line, "Tidewell V3.3".
std::string aboutProductLine();

// The grid's widths are kept in twips in the settings file; the screen has 96 pixels an inch.
int twipsToPixels(int twips);
int pixelsToTwips(int pixels);

inline constexpr const char* kManualFileName = "tidewell-manual.html";
// Where the manual may lie for a program in programDir, most likely first: beside it (build
// tree) or in the installed data folder.
std::vector<std::filesystem::path> manualCandidates(const std::filesystem::path& programDir);

}  // namespace tidewell::app
