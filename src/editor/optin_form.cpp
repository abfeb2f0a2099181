#include "editor/optin_form.h"

#include <vector>

#include "editor/html_text.h"
#include "store/text.h"

namespace tidewell::editor {

namespace {

const std::string kFieldIndent(31, ' ');

std::string quoted(std::string_view value) {
  return "\"" + escapeHtml(value) + "\"";
}

std::vector<std::string> openingLines(const std::string& kitAddress) {
  return {"<TABLE cellSpacing=1 cellPadding=10 align=center bgColor=beige border=1>",
          "   <TR>",
          "       <TD align=center>",
          "           <P align=center><FONT size=2>",
          "               Put your convincing<BR>opt-in text here!<BR>",
          "           </p>",
          "               <table border=0>",
          "                   <tr>",
          "                       <td align=right>",
          std::string(27, ' ') + "<form id=Form1 action=" + quoted(kitAddress + "email.php") +
              " method=post>"};
}

std::string fieldLine(const store::PersonalField& field) {
  std::string line = kFieldIndent + "<font size=2>" + escapeHtml(field.caption);
  if (!field.caption.empty()) line += ":</font>";
  return line + "<INPUT type=text name=" + quoted(field.inputName) + "><br>";
}

}  // namespace

std::string optInFormHtml(const store::FieldTable& fields, const OptInFormInputs& inputs) {
  std::vector<std::string> lines = openingLines(inputs.kitAddress);
  for (std::size_t p = 1; p < store::kPersonalFieldCount; ++p) {
    if (fields[p].active) lines.push_back(fieldLine(fields[p]));
  }
  lines.push_back(kFieldIndent + "<font size=2>" + escapeHtml(fields[0].caption) +
                  ":</font><INPUT type=text name=input1><BR>");
  // Against scripts that post the form: a field people never see (it must stay empty) and the
  // time the kit signed when the page was shown (a script from the kit fills it in).
  lines.push_back(kFieldIndent +
                  "<div style=\"position:absolute;left:-5000px\" aria-hidden=\"true\"><input "
                  "type=text name=\"website\" tabindex=\"-1\" autocomplete=\"off\"></div>");
  lines.push_back(kFieldIndent + "<input type=hidden name=\"tw_time\" value=\"\">");
  lines.push_back(kFieldIndent + "<input type=submit value=Submit name=Button1> ");
  lines.push_back(kFieldIndent + "<input type=hidden value=" + quoted(inputs.subjectKeyword) +
                  " name=subject>");
  lines.push_back(kFieldIndent + "<input type=hidden value=" + quoted(inputs.redirect) +
                  " name=redirect>");
  lines.push_back(kFieldIndent + "<input id=Hidden3 type=hidden value=" +
                  quoted(inputs.listAddress) + " name=to>");
  lines.push_back("                           </form>");
  lines.push_back(std::string(27, ' ') + "<script src=" +
                  quoted(inputs.kitAddress + "email.php?stamp=1") + " defer></script>");
  for (const char* closing : {"                       </td>", "                   </tr>",
                              "               </table>", "       </TD>", "   </TR>", "</TABLE>"}) {
    lines.push_back(closing);
  }
  std::string html;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) html += "\r\n";
    html += lines[i];
  }
  return html;
}

}  // namespace tidewell::editor
