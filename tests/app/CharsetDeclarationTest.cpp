#include "app/CharsetDeclaration.h"

#include "app/ProjectCheck.h"
#include "app/ProjectDefaults.h"
#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"

#include <gtest/gtest.h>

using namespace zarvik;
using zarvik::test::Ru;

namespace {

const std::string Meta(CharsetDeclaration);

std::size_t Count(const std::string &text, std::string_view part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(CharsetDeclaration, GoesOnItsOwnLineRightAfterTheHeadTagOnce)
{
    struct TCase
    {
        const char *Name;
        std::string Template;
        std::string Expected;
    };
    const TCase cases[] = {
        {"indented like the head's first line, CR LF", "<html>\r\n <head>\r\n  <title>T</title>\r\n </head>",
         "<html>\r\n <head>\r\n  " + Meta + "\r\n  <title>T</title>\r\n </head>"},
        {"LF breaks and a tab stay the template's own", "<head>\n\t<title>T</title>\n</head>",
         "<head>\n\t" + Meta + "\n\t<title>T</title>\n</head>"},
        {"attributes, capitals, blanks after the tag", "<HEAD lang=\"ru\">  \r\n    <title>",
         "<HEAD lang=\"ru\">  \r\n    " + Meta + "\r\n    <title>"},
        {"an empty head gets one step more than the tag", "  <head>\r\n  </head>",
         "  <head>\r\n    " + Meta + "\r\n  </head>"},
        {"content after the tag moves to a line of its own", "<html><head><title>T</title></head>",
         "<html><head>\r\n  " + Meta + "\r\n  <title>T</title></head>"},
        {"a head at the very end", "<head>", "<head>\r\n  " + Meta},
        {"<header> is not the head", "<header>\r\n</header>\r\n<head>\r\n</head>",
         "<header>\r\n</header>\r\n<head>\r\n  " + Meta + "\r\n</head>"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const TCharsetFixPlan plan = PlanCharsetFix(c.Template);
        ASSERT_EQ(plan.Fix, TCharsetFix::Insert);
        std::string applied = c.Template;
        applied.insert(plan.Insertion.Offset, plan.Insertion.Text);
        EXPECT_EQ(applied, c.Expected);
        EXPECT_EQ(WithCharsetDeclaration(c.Template), c.Expected);
        // A second application finds the declaration and adds nothing.
        EXPECT_EQ(PlanCharsetFix(applied).Fix, TCharsetFix::AlreadyDeclared);
        EXPECT_EQ(WithCharsetDeclaration(applied), applied);
        EXPECT_EQ(DeclaredCharset(applied), "windows-1251");
    }
}

TEST(CharsetDeclaration, LeavesDeclaredTemplatesAndTemplatesWithoutHeadAlone)
{
    for (const std::string declared : {"<head><meta charset=\"utf-8\"></head>",
                                       "<head>\r\n<META HTTP-EQUIV=x CONTENT='text/html; Charset=koi8-r'>"}) {
        EXPECT_EQ(PlanCharsetFix(declared).Fix, TCharsetFix::AlreadyDeclared) << declared;
        EXPECT_EQ(WithCharsetDeclaration(declared), declared);
    }
    for (const std::string headless :
         {"", "<html><body>SiteGeneratorChange.MainText</body></html>", "<header>x</header>", "<head"}) {
        EXPECT_EQ(PlanCharsetFix(headless).Fix, TCharsetFix::NoHead) << headless;
        EXPECT_EQ(WithCharsetDeclaration(headless), headless);
    }
    EXPECT_EQ(DeclaredCharset("<meta content=\"text/html; CHARSET='Windows-1251'\">"), "Windows-1251");
    EXPECT_EQ(DeclaredCharset("<meta name=robots>"), "");
}

TEST(CharsetDeclaration, TheDefaultTemplateGetsOneAndTheCheckIsSatisfied)
{
    TSiteGenerator generator;
    ApplyNewProjectDefaults(generator);
    generator.CreateNewPage("index", Ru("Текст страницы"));
    const TCheckResult before = CheckProject(generator, std::nullopt);
    const auto noCharset = [](const TCheckResult &result) {
        int count = 0;
        for (const TFinding &f : result.Findings)
            count += f.Kind == TFindingKind::NoCharset;
        return count;
    };
    EXPECT_EQ(noCharset(before), 1);
    EXPECT_TRUE(IsAdvice(TFindingKind::NoCharset));

    const std::string fixed = WithCharsetDeclaration(generator.SiteTemplate());
    EXPECT_EQ(Count(fixed, Meta), 1U);
    EXPECT_NE(fixed.find(" <head>\r\n  " + Meta + "\r\n  <title>"), std::string::npos);
    generator.SetSiteTemplate(fixed);
    EXPECT_EQ(noCharset(CheckProject(generator, std::nullopt)), 0);
}

TEST(CharsetDeclaration, AdviceAloneLetsTheCheckPass)
{
    TCheckResult result;
    EXPECT_TRUE(CheckPassed(result));
    result.Findings.push_back({TFindingKind::NoCharset, -1, {}, "advice", {}});
    EXPECT_TRUE(CheckPassed(result));
    EXPECT_NE(CheckResultJson(result).find("\"adviceKinds\": [\"no-charset\"],\n  \"passed\": true\n}"),
              std::string::npos);
    for (const TFindingKind fault :
         {TFindingKind::OtherCharset, TFindingKind::NoMainText, TFindingKind::StalePage}) {
        EXPECT_FALSE(IsAdvice(fault));
        TCheckResult failed = result;
        failed.Findings.push_back({fault, -1, {}, "fault", {}});
        EXPECT_FALSE(CheckPassed(failed));
    }
}
