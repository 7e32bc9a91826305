// The HTML of the "TIFF output" form: texts escaped, the administrator's
// input kept beside its error, the programs shown but not editable.
#include <gtest/gtest.h>

#include <string>

#include "printer-app/SettingsFormHtml.h"

namespace aro::printerapp {
namespace {

const std::string kHive =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\n"
    "\"TempfileName\"=\"a\\\"><script>alert(1)</script>\"\n"
    "\"ShellExecuteBefore\"=\"/opt/x <y> & z\"\n";

TEST(SettingsFormHtml, EscapesEveryText) {
    EXPECT_EQ(HtmlEscape("<a href='x'>\"&\"</a>"),
              "&lt;a href=&#39;x&#39;&gt;&quot;&amp;&quot;&lt;/a&gt;");
    MachineSettings current = MachineSettingsFromText(kHive);
    current.hiveFile = "/etc/<hive>.reg";
    const std::string html = SettingsPageTopHtml(current, {"bad <b>"}, false) +
                             SettingsFormBodyHtml(current, nullptr, {}) +
                             SettingsPageBottomHtml(current);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(
        SettingsPageTopHtml(current, {"Nothing saved:", "bad <b>"}, false)
            .find("<div class=\"banner\" id=\"status\">Nothing saved:<br>bad &lt;b&gt;</div>"),
        std::string::npos);
    EXPECT_NE(html.find("value=\"a&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;\""),
              std::string::npos);
    EXPECT_NE(html.find("/etc/&lt;hive&gt;.reg"), std::string::npos);
    EXPECT_NE(html.find("<code>/opt/x &lt;y&gt; &amp; z</code>"), std::string::npos);
    EXPECT_EQ(html.find("name=\"hook_before\""), std::string::npos) << "programs are not a field";
}

TEST(SettingsFormHtml, KeepsTheSubmittedInputBesideItsError) {
    const MachineSettings current = MachineSettingsFromText(kHive);
    const FormFields submitted = {{"page_limit", "ten"}, {"naming_rule", "7\"x"}};
    const std::string html = SettingsFormBodyHtml(
        current, &submitted, {{"page_limit", "Page limit: \"ten\" is not a whole number"}});
    EXPECT_NE(html.find("name=\"page_limit\" id=\"page_limit\" value=\"ten\""), std::string::npos);
    EXPECT_NE(html.find("<strong class=\"field-error\" id=\"page_limit-error\">Page limit: "
                        "&quot;ten&quot; is not a whole number</strong>"),
              std::string::npos);
    EXPECT_NE(html.find("<option value=\"7&quot;x\" selected>7&quot;x (not a choice)</option>"),
              std::string::npos);
    // Fields not submitted show the file's values.
    EXPECT_NE(html.find("value=\"a&quot;&gt;&lt;script"), std::string::npos);
    EXPECT_NE(html.find("<option value=\"1\" selected>All pages in one file"), std::string::npos);
}

}  // namespace
}  // namespace aro::printerapp
