#include "printer-app/SettingsFormHtml.h"

#include <utility>

namespace aro::printerapp {

namespace {

struct Choice {
    const char* value;
    const char* label;
};

const std::vector<Choice> kNamingRules = {
    {"", "Default: AROPrint_ and the time"},
    {"1", "1: AROPrint_ and the time"},
    {"2", "2: the job's name"},
    {"3", "3: the job's name, _ and the time"},
    {"4", "4: the special name"},
    {"5", "5: the special name, _ and the time"},
};
const std::vector<Choice> kMultiPage = {{"1", "All pages in one file"}, {"0", "One file per page"}};
const std::vector<Choice> kOnOff = {{"1", "On"}, {"0", "Off"}};

std::string Attribute(const char* name, std::string_view value) {
    return std::string(" ") + name + "=\"" + HtmlEscape(value) + "\"";
}

// What a field shows: the submitted text, else what the module reads.
std::string ShownText(const SettingField& field, const MachineSettings& current,
                      const FormFields* submitted) {
    if (submitted) {
        const auto found = submitted->find(field.formName);
        if (found != submitted->end()) return found->second;
    }
    const CurrentValue& value = current.Value(field.formName);
    if (field.kind == SettingKind::MultiPage)
        return !value.present || value.text == "1" ? "1" : "0";
    if (field.kind == SettingKind::Switch) return value.present && value.text == "1" ? "1" : "0";
    return value.text;
}

std::string SelectHtml(const SettingField& field, const std::vector<Choice>& choices,
                       const std::string& shown) {
    std::string html =
        "<select" + Attribute("name", field.formName) + Attribute("id", field.formName) + ">";
    bool matched = false;
    for (const Choice& choice : choices) {
        const bool selected = shown == choice.value;
        matched = matched || selected;
        html += "<option" + Attribute("value", choice.value) + (selected ? " selected" : "") + ">" +
                HtmlEscape(choice.label) + "</option>";
    }
    // A submitted text that is no choice stays visible beside its error.
    if (!matched) {
        html += "<option" + Attribute("value", shown) + " selected>" + HtmlEscape(shown) +
                " (not a choice)</option>";
    }
    return html + "</select>";
}

std::string InputHtml(const SettingField& field, const std::string& shown, const char* hint) {
    return "<input type=\"text\" size=\"60\"" + Attribute("name", field.formName) +
           Attribute("id", field.formName) + Attribute("value", shown) +
           Attribute("placeholder", hint) + ">";
}

std::string ControlHtml(const SettingField& field, const std::string& shown) {
    switch (field.kind) {
        case SettingKind::NamingRule:
            return SelectHtml(field, kNamingRules, shown);
        case SettingKind::MultiPage:
            return SelectHtml(field, kMultiPage, shown);
        case SettingKind::Switch:
            return SelectHtml(field, kOnOff, shown);
        case SettingKind::PageLimit:
            return InputHtml(field, shown, "no limit");
        case SettingKind::OutputFolder:
            return InputHtml(field, shown, "/srv/aro/tiff");
        case SettingKind::BackgroundFile:
            return InputHtml(field, shown, "none");
        case SettingKind::SpecialName:
        case SettingKind::Hook:
            break;
    }
    return InputHtml(field, shown, "");
}

std::string NoteHtml(const SettingField& field, const MachineSettings& current) {
    std::string note;
    if (field.kind == SettingKind::OutputFolder) {
        note = "Kept as " + std::string(field.valueName) + " under HKEY_LOCAL_MACHINE\\" +
               current.outputFolderKey +
               (current.outputFolderByAlternateKey ? " (named by AlternateKey)." : ".") + " ";
    }
    note += field.userHiveOnly ? "Per-user setting: the module reads it only from the printing "
                                 "user's own hive, not from this file."
                               : "Used when the printing user's own hive has no value.";
    const CurrentValue& value = current.Value(field.formName);
    if (value.stored && !value.present) {
        note +=
            " The stored value is empty or longer than the module reads, so it counts as "
            "absent.";
    }
    return "<br><small>" + HtmlEscape(note) + "</small>";
}

std::string ErrorHtml(const SettingField& field, const std::vector<FieldError>& errors) {
    std::string html;
    for (const FieldError& error : errors) {
        if (error.formName != field.formName) continue;
        html += "<br><strong class=\"field-error\"" +
                Attribute("id", std::string(field.formName) + "-error") + ">" +
                HtmlEscape(error.message) + "</strong>";
    }
    return html;
}

std::string RowHtml(const SettingField& field, const MachineSettings& current,
                    const FormFields* submitted, const std::vector<FieldError>& errors) {
    return "              <tr><th><label" + Attribute("for", field.formName) + ">" +
           HtmlEscape(field.label) + ":</label></th><td>" +
           ControlHtml(field, ShownText(field, current, submitted)) + ErrorHtml(field, errors) +
           NoteHtml(field, current) + "</td></tr>\n";
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string SettingsPageTopHtml(const MachineSettings& current,
                                const std::vector<std::string>& messages, bool saved) {
    std::string html =
        "    <div class=\"content\">\n"
        "      <div class=\"row\">\n"
        "        <div class=\"col-12\">\n"
        "          <h1 class=\"title\">TIFF output</h1>\n";
    if (!messages.empty()) {
        html += "          <div class=\"banner\" id=\"status\">";
        for (std::size_t i = 0; i < messages.size(); ++i) {
            html += (i > 0 ? "<br>" : "") + HtmlEscape(messages[i]);
        }
        html += "</div>\n";
    }
    if (saved) html += "          <div class=\"banner\" id=\"saved\">Changes saved.</div>\n";
    html += "          <p>The machine-wide settings of the TIFF files, kept in <code" +
            Attribute("id", "hive-file") + ">" + HtmlEscape(current.hiveFile) +
            "</code> (HKEY_LOCAL_MACHINE). A user's own settings take precedence where the "
            "module reads both. An empty field removes the value.</p>\n";
    return html;
}

std::string SettingsFormBodyHtml(const MachineSettings& current, const FormFields* submitted,
                                 const std::vector<FieldError>& errors) {
    std::string html =
        "          <table class=\"form\">\n"
        "            <tbody>\n";
    for (const SettingField& field : SettingFields()) {
        if (field.kind != SettingKind::Hook) html += RowHtml(field, current, submitted, errors);
    }
    html +=
        "              <tr><th></th><td><input type=\"submit\" value=\"Save Changes\"></td></tr>\n"
        "            </tbody>\n"
        "          </table>\n"
        "          </form>\n";
    return html;
}

std::string SettingsPageBottomHtml(const MachineSettings& current) {
    std::string html =
        "          <h2 class=\"title\">Programs run during a job</h2>\n"
        "          <p>Shown only; they are set in the hive file itself.</p>\n"
        "          <table class=\"form\">\n"
        "            <tbody>\n";
    for (const SettingField& field : SettingFields()) {
        if (field.kind != SettingKind::Hook) continue;
        const std::string& text = current.Value(field.formName).text;
        html += "              <tr><th>" + HtmlEscape(field.label) + ":</th><td" +
                Attribute("id", field.formName) + ">" +
                (text.empty() ? std::string("<em>none</em>")
                              : "<code>" + HtmlEscape(text) + "</code>") +
                " <small>(" + field.valueName + ")</small></td></tr>\n";
    }
    html +=
        "            </tbody>\n"
        "          </table>\n"
        "        </div>\n"
        "      </div>\n"
        "    </div>\n";
    return html;
}

}  // namespace aro::printerapp
