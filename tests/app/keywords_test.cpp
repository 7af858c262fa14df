#include "app/show_decision.h"
#include "core/error_level.h"
#include "core/ie_version.h"
#include "core/keywords.h"
#include "core/run_mode.h"

#include <gtest/gtest.h>

using namespace kp;

TEST(Keywords, WholeArgumentAnyCaseNoPrefixCharacter)
{
    const Keywords kw({"auto", "/BOOT", "-log", "Errors", "autox"});
    EXPECT_TRUE(kw.IsKeywordPresent("AUTO"));
    EXPECT_TRUE(kw.IsKeywordPresent("Auto"));
    EXPECT_FALSE(kw.IsKeywordPresent("BOOT"));
    EXPECT_TRUE(kw.IsKeywordPresent("/boot"));
    EXPECT_FALSE(kw.IsKeywordPresent("log"));
    EXPECT_TRUE(kw.IsKeywordPresent("errors"));
    EXPECT_FALSE(kw.IsKeywordPresent("AUT"));
}

TEST(Keywords, ProgramPathIsNotAnArgument)
{
    char program[] = "AUTO";
    char arg[] = "log";
    char* argv[] = {program, arg};
    const Keywords kw = Keywords::fromMain(2, argv);
    EXPECT_FALSE(kw.IsKeywordPresent("AUTO"));
    EXPECT_TRUE(kw.IsKeywordPresent("LOG"));
}

TEST(Keywords, DataValueIsUpperCasedRestOfArgument)
{
    EXPECT_EQ(Keywords({"x", "data=MyData"}).KeywordValue("data"), "MYDATA");
    EXPECT_EQ(Keywords({"DATA=a=b"}).KeywordValue("data"), "A=B");
    EXPECT_EQ(Keywords({"DATA="}).KeywordValue("data"), "");
    EXPECT_EQ(Keywords({"data", "/data=x", "database=y"}).KeywordValue("data"), "");
}

TEST(RunMode, FlagsAreIndependentAndTheLastKeywordNamesTheMode)
{
    RunMode m = ReadRunMode(Keywords({"SHUT", "auto"}));
    EXPECT_TRUE(m.Auto);
    EXPECT_FALSE(m.Boot);
    EXPECT_TRUE(m.Shut);
    EXPECT_EQ(m.modeName, "SHUT");
    EXPECT_EQ(ModePrefix(Keywords({"SHUT", "auto"})), "Auto");

    m = ReadRunMode(Keywords({"boot", "Auto"}));
    EXPECT_EQ(m.modeName, "BOOT");
    EXPECT_EQ(ModePrefix(Keywords({"boot", "Shut"})), "Boot");

    m = ReadRunMode(Keywords({"/AUTO"}));
    EXPECT_FALSE(m.unattended());
    EXPECT_EQ(m.modeName, "");
    EXPECT_EQ(ModePrefix(Keywords()), "");
}

TEST(ErrorLevel, ResetAppliesFirstLevelAndErrorKeyword)
{
    ErrorState e;
    e.ErrorLevel = 7;
    e.ResetErrorLevel(Keywords({"LEVEL9", "level3", "ERROR9", "error5"}));
    EXPECT_EQ(e.threshold, 3);
    EXPECT_TRUE(e.thresholdPresent);
    EXPECT_EQ(e.ErrorLevel, 5);
    EXPECT_TRUE(e.ErrorFlag);

    ErrorState f;
    f.ErrorLevel = 4;
    f.ResetErrorLevel(Keywords({"LEVEL8", "ERROR3"}));
    EXPECT_EQ(f.ErrorLevel, 0);
    EXPECT_FALSE(f.thresholdPresent);
    EXPECT_FALSE(f.ErrorFlag);

    f.RaiseErrorLevel(3);
    f.RaiseErrorLevel(1);
    EXPECT_EQ(f.ErrorLevel, 3);
}

namespace {
bool showAfter(int option, std::vector<std::string> args)
{
    ErrorState e;
    e.ResetErrorLevel(Keywords(std::move(args)));
    return ShouldShowMainWindow(option, e);
}
} // namespace

TEST(ShowDecision, OptionsThresholdAndErrorLevel)
{
    EXPECT_TRUE(showAfter(0, {}));
    EXPECT_FALSE(showAfter(3, {"LEVEL1", "ERROR9"}));
    EXPECT_FALSE(showAfter(1, {}));           // clean run ends
    EXPECT_TRUE(showAfter(1, {"ERROR1"}));
    EXPECT_TRUE(showAfter(1, {"ERROR5"}));
    EXPECT_FALSE(showAfter(2, {"ERROR5"}));
    EXPECT_TRUE(showAfter(2, {"ERROR9"}));
    EXPECT_TRUE(showAfter(2, {"LEVEL5", "ERROR5"})); // threshold comes before option 2
    EXPECT_FALSE(showAfter(2, {"LEVEL9", "ERROR5"}));
    EXPECT_FALSE(showAfter(3, {"LEVEL5", "ERROR5"}));
    EXPECT_FALSE(showAfter(7, {"ERROR9"}));
    EXPECT_TRUE(showAfter(7, {"LEVEL1", "ERROR1"}));
}

TEST(IeVersion, KeywordsImplyLowerVersionsAndRegistryTextIsComparedAsText)
{
    IeVersion v = ieVersionFromKeywords(Keywords({"ie5"}));
    EXPECT_TRUE(v.ie4 && v.ie5 && !v.ie6);
    v = ieVersionFromKeywords(Keywords({"IE4", "IE6"}));
    EXPECT_TRUE(v.ie6 && v.ie5 && v.ie4);
    EXPECT_FALSE(ieVersionFromKeywords(Keywords({"/IE6"})).ie4);

    EXPECT_TRUE(ieVersionFromRegistryText("6.00.2900.2180").ie6);
    EXPECT_TRUE(ieVersionFromRegistryText("9.11.9600.18376").ie6);
    v = ieVersionFromRegistryText("5.50.4134.0600");
    EXPECT_TRUE(v.ie5 && !v.ie6);
    v = ieVersionFromRegistryText("4.72.3110.0");
    EXPECT_TRUE(v.ie4 && !v.ie5);
    v = ieVersionFromRegistryText("11.0");
    EXPECT_TRUE(v.ie4 && !v.ie5);
}
