#include "app/ProjectDefaults.h"

#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/StringList.h"

#include <array>
#include <vector>

namespace zarvik {
namespace {

// The default texts are written here in UTF-8 for readability and turned into Windows-1251 once.
std::string EditorText(std::initializer_list<std::string_view> lines)
{
    TStringList list;
    list.reserve(lines.size());
    for (std::string_view line : lines)
        list.push_back(Utf8ToCp1251(line));
    return JoinLines(list);
}

struct TCssRule
{
    std::string_view Selector;
    std::vector<std::string_view> Declarations;
};

} // namespace

std::string DefaultTemplate()
{
    return EditorText({
        R"(<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN")",
        R"(   "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">)",
        R"(<html>)",
        R"( <head>)",
        R"(  <title>SiteGeneratorChange.Title</title>)",
        R"(  <link rel="stylesheet" href="style.css" />)",
        R"(  <meta name="robots" content="index,follow" />)",
        R"( </head>)",
        R"( <body>)",
        R"(  <div id="main">)",
        R"(   )",
        R"(  <div id="header"> SiteGeneratorChange.Adsense</div>)",
        R"(   <div id="container">)",
        R"(    <div id="leftnavigation">)",
        R"(     <div class="block">)",
        R"(      <div class="cat">Разделы</div>)",
        R"(       SiteGeneratorChange.Menu)",
        R"(     </div>)",
        R"()",
        R"(    </div>)",
        R"(    <div id="contentcontainer">)",
        R"(     SiteGeneratorChange.MainText)",
        "\t <div align=\"center\">SiteGeneratorChange.Pagination</div>",
        "\t </div>",
        R"(   </div>)",
        R"(   <div id="footer">)",
        R"(    &#169; Все права защищены)",
        R"(   </div>)",
        R"(  </div>)",
        R"( )",
        R"(</body>)",
        R"(</html>)",
    });
}

std::string DefaultCss()
{
    // Two selectors have no blank before the brace; that is how the style sheet has always read.
    static const std::array<TCssRule, 18> rules = {{
        {"body {",
         {"background-image: url(images/bg.gif);", "margin-left: auto;", "margin-right: auto;",
          "margin-top: 9px;", "margin-bottom: 9px;", "width: 776px;", "text-align: center;"}},
        {"#main {", {"position: relative;", "height: auto;", "width: 776px;", "text-align: left;"}},
        {"#header {",
         {"position: relative;", "background-image: url(images/banner-bg.gif);",
          "background-repeat: repeat-x;", "border: 1px solid #000;", "width: 776px;"}},
        {"#container {", {"position: relative;", "width: 776px;", "background-color: transparent;"}},
        {"#leftnavigation {",
         {"float: left;", "position: relative;", "width: 160px;", "height: auto;", "margin: 0px 0px 4px 0px;",
          "background-color: transparent;"}},
        {"#leftnavigation .block {",
         {"position: relative;", "width: 160px;", "border: 1px solid #000;", "height: auto;",
          "margin: 8px 0px 4px 0px;", "background-color: #dbe3ec;"}},
        {"#leftnavigation .block ul{", {"list-style-type: none;", "margin: 0;", "padding: 0;"}},
        {"#leftnavigation .block li{", {"padding: 1px;"}},
        {"#leftnavigation .cat {",
         {"border-bottom: 1px solid #000000;", "background-image: url(images/navigation.gif);",
          "background-repeat: repeat;", "padding: 2px;", "text-align: center;", "font-weight: bold;",
          "font-family: Tahoma;", "text-decoration: none;", "color: #000;", "font-size: 1.1em;"}},
        {"#leftnavigation a {",
         {"background-color: #cddde0;", "width: 150px;", "color: #000000;", "font-weight: bold;",
          "text-decoration: none;", "font-family: Tahoma;", "font-size: .9em;", "margin: 2px 2px 2px 2px;",
          "padding: 2px;", "border: 1px solid #000;", "display: block;"}},
        {"#leftnavigation a:hover {",
         {"background-color: #bed2d6;", "width: 150px;", "color: #000;", "font-weight: bold;",
          "text-decoration: none;", "font-family: Tahoma;", "font-size: .9em;", "margin: 2px 2px 2px 2px;",
          "padding: 2px;", "border: 1px solid #000;", "display: block;"}},
        {"#contentcontainer {",
         {"position: relative;", "float: left;", "clear: right;", "background-color: #dae7f3;",
          "border: 1px solid #000;", "margin: 8px 0px 0px 8px;", "padding: 4px;", "width: 598px;",
          "font-family: Tahoma;", "font-size: .8em;"}},
        {"#contentcontainer h1 {", {"font-size: 1.2em;", "margin: 3px 3px 3px 3px;"}},
        {"#contentcontainer a {", {"color: #0000BB;", "text-decoration: underline;", "font-weight: bold;"}},
        {"#contentcontainer a:hover {",
         {"color: #0000BB;", "text-decoration: underline;", "font-weight: bold;"}},
        {"#footer {", {"text-align: center;", "font-size: .8em;", "font-family: Tahoma;"}},
        {"#footer a {", {"color: #000;", "font-weight: bold;", "text-decoration: none;"}},
        {"#footer a:hover {", {"color: #000;", "font-weight: bold;", "text-decoration: none;"}},
    }};
    TStringList lines;
    for (const auto &rule : rules) {
        lines.emplace_back(rule.Selector);
        for (std::string_view declaration : rule.Declarations)
            lines.emplace_back(declaration);
        lines.emplace_back("}");
        lines.emplace_back();
    }
    return JoinLines(lines);
}

std::string DefaultAdBlock()
{
    // The account, slot and script address are placeholders for the user to replace.
    return EditorText({
        R"(<script type="text/javascript"><!--)",
        R"(google_ad_client = "pub-0000000000000000";)",
        R"(/* 728x90, banner */)",
        R"(google_ad_slot = "0000000000";)",
        R"(google_ad_width = 728;)",
        R"(google_ad_height = 90;)",
        R"(//-->)",
        R"(</script>)",
        R"(<script type="text/javascript")",
        R"(src="http://ads.example.com/show_ads.js">)",
        R"(</script>)",
    });
}

void ApplyNewProjectSettings(TSiteGenerator &generator)
{
    generator.SetMinCharsPerPage(DefaultMinCharsPerPage);
    generator.SetMaxCharsPerPage(DefaultMaxCharsPerPage);
    generator.SetMaxLinksPerPage(DefaultMaxLinksPerPage);
    generator.SetSiteTitle(std::string(DefaultSiteTitle));
    generator.SetSavePath(std::string(DefaultSavePath));
    generator.SetUseDigg(DefaultUseDigg);
    generator.SetDiggValue(std::string(DefaultDiggValue));
    generator.SetMenuWord(std::string(DefaultMenuWord));
}

void ApplyNewProjectDefaults(TSiteGenerator &generator)
{
    ApplyNewProjectSettings(generator);
    generator.SetSiteTemplate(DefaultTemplate());
    generator.SetAdsenseCode(DefaultAdBlock());
    generator.SetCssCode(DefaultCss());
    generator.SetSiteUrlsToLink({});
}

} // namespace zarvik
