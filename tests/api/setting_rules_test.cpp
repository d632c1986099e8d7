#include "api/setting_rules.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "api/analysis_run.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

const std::string kGorf = VEXMOOR_EXAMPLES "/gorilla/gorf.txt";

TEST(SettingRules, EveryDoorsTypeMeetsOneRuleAndOneWording) {
  const std::string seed = "the seed must be a whole number from 0 to 18446744073709551615; ";
  EXPECT_EQ(seedSetting(std::string("18446744073709551615")), 18446744073709551615u);
  EXPECT_EQ(seedSetting(7.0), 7u);
  EXPECT_EQ(seedSetting(std::int64_t{0}), 0u);
  EXPECT_EQ(errorMessage([] { seedSetting(std::string("18446744073709551616")); }),
            seed + "18446744073709551616 is out of range");
  EXPECT_EQ(errorMessage([] { seedSetting(std::string("1e5")); }),
            seed + "\"1e5\" is not a whole number");
  EXPECT_EQ(errorMessage([] { seedSetting(std::int64_t{-1}); }), seed + "-1 is out of range");
  EXPECT_EQ(errorMessage([] { seedSetting(1e17); }),
            seed + "1e+17 lies above 2^53, where numbers lose digits: give it as text");
  EXPECT_EQ(errorMessage([] { seedSetting(true); }),
            seed + "a logical value (true) is not a number");

  const std::string v = "the resampling size v must be a whole number from 1 to 100; ";
  EXPECT_EQ(resamplingSizeSetting(std::string(" 3 ")), 3);
  EXPECT_EQ(errorMessage([] { resamplingSizeSetting(std::string("99999999999")); }),
            v + "99999999999 is out of range");
  EXPECT_EQ(errorMessage([] { resamplingSizeSetting(std::string()); }), v + "nothing was entered");
  EXPECT_EQ(errorMessage([] { resamplingSizeSetting(2.5); }), v + "2.5 is not a whole number");
  EXPECT_EQ(errorMessage([] { resamplingSizeSetting(std::nan("")); }),
            v + "NaN is not a whole number");
  // The window hands v over as an int inside the settings: the same words.
  RunSettings boot;
  boot.action = "BootMezeyAngle";
  boot.components = "2";
  boot.bootValue = 101;
  EXPECT_EQ(errorMessage([&] { checkRunSettings(boot); }), v + "101 is out of range");

  // Text keeps the rounding that the run applies; numbers must be whole.
  EXPECT_EQ(componentsSetting(std::string(" 3.6 ")), " 3.6 ");
  EXPECT_EQ(componentsSetting(std::int64_t{4}), "4");
  EXPECT_EQ(errorMessage([] { componentsSetting(2.5); }),
            "the number of components must be a whole number from 1 to the number of shape "
            "variables; 2.5 is not a whole number");
  EXPECT_EQ(errorMessage([] { pooledComponentsSetting(std::int64_t{0}); }),
            "the number of pooled principal components pcs must be a whole number from 1 to "
            "2147483647; 0 is out of range");
  EXPECT_EQ(dimensionSetting(3.0), 3);
  EXPECT_EQ(errorMessage([] { dimensionSetting(std::int64_t{7}); }),
            "the dimension must be 2 or 3; 7 is out of range");
  EXPECT_FALSE(switchSetting(false, "partial_warps"));
  EXPECT_EQ(errorMessage([] { switchSetting(std::string("FALSE"), "partial_warps"); }),
            "partial_warps must be true or false; \"FALSE\" is not a logical value");
  EXPECT_EQ(errorMessage([] { switchSetting(1.0, "partial_warps"); }),
            "partial_warps must be true or false; 1 is not a logical value");
}

TEST(SettingRules, TheTableOfActionsAndTests) {
  EXPECT_TRUE(runAction("RangeMezeyAngle").resampling);
  EXPECT_FALSE(runAction("RunCPC").readsComponents);
  EXPECT_EQ(errorMessage([] { runAction("rangemezeyangle"); }).rfind("unknown action", 0), 0u);
  EXPECT_EQ(resamplingTestAction("shuffle"), "PermuteMezeyAngle");
  for (const ResamplingTestName& t : resamplingTestNames()) {
    EXPECT_TRUE(runAction(t.action).resampling) << t.test;
  }
  EXPECT_EQ(errorMessage([] { resamplingTestAction("jackknife"); }),
            "the resampling test must be one of bootstrap, boot_range, range, shuffle, "
            "randomization; \"jackknife\" is not one");
  RunSettings pcs;
  pcs.action = "DoMezeyAngle";
  pcs.components = "2";
  pcs.pcs = 3;
  EXPECT_EQ(errorMessage([&] { checkRunSettings(pcs); }),
            "pcs chooses the variables of RunCPC's models; DoMezeyAngle fits none");
}

TEST(GroupRules, NamesAreOneLineEachAndFilesAreResolved) {
  EXPECT_EQ(errorMessage([] {
              checkGroupNames({"a", "b", "a"});
            }),
            "groups 1 and 3 are both named \"a\"; every group needs its own name");
  EXPECT_EQ(errorMessage([] {
              checkGroupNames({"a", "b\nc"});
            }),
            "group 2's name \"b\\x0ac\" holds a line break; a group name must be one line of text");
  EXPECT_EQ(errorMessage([] {
              checkGroupNames({"", "b"});
            }),
            "group 1 has an empty name; every group needs one");
  // Every door meets the name rule in the run itself.
  InputGroup g = groupFromCoordinates(Matrix::Random(5, 6), 2, {}, "g");
  g.name = "1";
  RunSettings angle;
  angle.action = "DoMezeyAngle";
  angle.components = "1";
  EXPECT_EQ(errorMessage([&] {
              runAnalysis(groupsInMemory({g, g}, true), angle, silentHost());
            }),
            "groups 1 and 2 are both named \"1\"; every group needs its own name");

  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "vexmoor_files_named_once";
  fs::create_directories(dir);
  fs::create_symlink(kGorf, dir / "link.txt");
  std::string link = (dir / "link.txt").string();
  std::string error = errorMessage([&] { checkFilesNamedOnce({"a.txt", kGorf, link}); });
  std::string missing = errorMessage([] {
    checkFilesNamedOnce({"nothere.txt", ".//nothere.txt"});
  });
  fs::remove_all(dir);
  EXPECT_EQ(error, "files \"" + kGorf + "\" and \"" + link +
                       "\" are one file named twice; every group needs its own file");
  EXPECT_NE(missing.find("are one file named twice"), std::string::npos);
  EXPECT_EQ(errorMessage([] {
              checkFilesNamedOnce({"a.txt", "b.txt", "a.txt"});
            }),
            "file \"a.txt\" is named twice; every group needs its own file");
  // Two groups may be one file: a group against itself.
  GroupSources itself;
  itself.files = {kGorf, VEXMOOR_EXAMPLES "/./gorilla/gorf.txt"};
  EXPECT_EQ(loadGroups(itself, silentHost()).groups.size(), 2u);
}

}  // namespace
}  // namespace vexmoor
