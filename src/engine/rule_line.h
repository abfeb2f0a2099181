#pragma once
// The stored form of one filter rule: four fields between numbered tags, as in
// "<1<Subject>1> <2<Has>2> <3<join list>3> <4<Or>4>". Stateless helpers used by the engine,
// the rule editor and the filter panel.
#include <string>
#include <string_view>

namespace tidewell::engine {

// Field n (1 to 4) of a rule line: the text between the first "<n<" and the first ">n>".
// The evaluation's version gives empty text when the field is absent.
std::string ff_get_field(std::string_view line, int n);
// The rule editor's version gives "!" when the field is absent (its closing tag is missing).
std::string ff_get_field_editor(std::string_view line, int n);

// Every occurrence of tag (found without regard to case) removed, or replaced by a double quote
// when the tag holds the digit 3.
std::string ff_strip_delimiter(std::string_view text, std::string_view tag);

// The display form of a rule line: Subject Has "join list" Or.
std::string ruleDisplayText(std::string_view line);

// The stored form; the connector part only when the connector is not blank.
std::string makeRuleLine(std::string_view spec, std::string_view logic, std::string_view keyword,
                         std::string_view connector);

}  // namespace tidewell::engine
