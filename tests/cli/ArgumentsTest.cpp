#include "cli/Arguments.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace zarvik;

namespace {

const TArgumentRules BuildRules = {{{"content", true, true}, {"out", true}, {"save"}}, true, false};
const TArgumentRules SetRules = {{{"css", true}}, true, true};

using TArgs = std::vector<std::string>;

} // namespace

TEST(ParseArguments, ManyValuedOptionStopsAtTheNextOptionOrSetting)
{
    const TParsedArguments a = ParseArguments(
        {"--content", "a.txt", "my-file=c.txt", "./Key=x.txt", "MenuWord=W", "d.txt"}, BuildRules);
    EXPECT_EQ(a.Values("content"), (TArgs{"a.txt", "my-file=c.txt", "./Key=x.txt"}));
    ASSERT_EQ(a.Settings.size(), 1u);
    EXPECT_EQ(a.Settings[0], (std::pair<std::string, std::string>{"MenuWord", "W"}));
    EXPECT_EQ(a.Positionals, TArgs{"d.txt"});

    const TParsedArguments b =
        ParseArguments({"--content=x.txt", "y.txt", "--out", "-site", "--save"}, BuildRules);
    EXPECT_EQ(b.Values("content"), (TArgs{"x.txt", "y.txt"}));
    EXPECT_EQ(b.Value("out"), "-site");
    EXPECT_TRUE(b.Has("save"));
    EXPECT_THROW(ParseArguments({"--content", "--out", "x"}, BuildRules), EUsage);
}

TEST(ParseArguments, ProjectComesFirstEvenWhenItLooksLikeASetting)
{
    const TParsedArguments a = ParseArguments({"A=1.sgp", "SiteTitle=a=b", "--css", "s.css"}, SetRules);
    EXPECT_EQ(a.Positionals, TArgs{"A=1.sgp"});
    ASSERT_EQ(a.Settings.size(), 1u);
    EXPECT_EQ(a.Settings[0].second, "a=b");
    EXPECT_EQ(a.Value("css"), "s.css");
}

TEST(ParseArguments, DoubleDashHelpAndErrors)
{
    const TParsedArguments a = ParseArguments({"p.sgp", "--", "--css", "X=1", "-"}, SetRules);
    EXPECT_EQ(a.Positionals, (TArgs{"p.sgp", "--css", "X=1", "-"}));
    EXPECT_TRUE(a.Settings.empty());
    EXPECT_THROW(ParseArguments({"p.sgp", "--bogus", "-h"}, SetRules), EUsage);
    EXPECT_TRUE(ParseArguments({"-h", "--bogus"}, SetRules).Help);

    auto message = [](const TArgs &args, const TArgumentRules &rules) {
        try {
            ParseArguments(args, rules);
        } catch (const EUsage &e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message({"-x"}, SetRules), "неизвестный параметр «-x»");
    EXPECT_EQ(message({"--css=a", "--css=b"}, SetRules), "параметр «--css» указан дважды");
    EXPECT_EQ(message({"--save=1"}, BuildRules), "параметр «--save» не принимает значения");
    EXPECT_EQ(message({"--css"}, SetRules), "параметру «--css» нужно значение");
}

TEST(LooksLikeSetting, KeyIsLatinLettersAndDigits)
{
    EXPECT_TRUE(LooksLikeSetting("SiteTitle=x"));
    EXPECT_TRUE(LooksLikeSetting("Key2="));
    EXPECT_FALSE(LooksLikeSetting("=x"));
    EXPECT_FALSE(LooksLikeSetting("2Key=x"));
    EXPECT_FALSE(LooksLikeSetting("my-file=x"));
    EXPECT_FALSE(LooksLikeSetting("./Key=x"));
    EXPECT_FALSE(LooksLikeSetting("Ключ=x"));
    EXPECT_FALSE(LooksLikeSetting("plain"));
}
