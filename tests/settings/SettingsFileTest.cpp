#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/SettingsFile.h"
#include "settings/StartupOptionsLogic.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

SettingsRecord sampleRecord()
{
    SettingsRecord record = SettingsRecord::defaults();
    record.wordWrap = 0;
    record.ansiToAscii = 1;
    record.charFormat.mask = 0xE000000F;
    record.charFormat.effects = kEffectBold | kEffectUnderline;
    record.charFormat.height = 240;
    record.charFormat.offset = -3;
    record.charFormat.textColor = 0x00102030;
    record.charFormat.charSet = 2;
    record.charFormat.setFaceName("DejaVu Sans Mono");
    record.background = 0x00C0FFEE;
    record.window = {-8, 12, 1000, 700};
    return record;
}

std::string tag()
{
    return std::string(kSettingsTag, 3);
}

TEST(SettingsRecord, FieldsSitAtTheirOffsetsLittleEndian)
{
    const auto image = encodeSettingsRecord(sampleRecord());
    EXPECT_EQ(image[4], 1);            // ANSI-to-ASCII flag
    EXPECT_EQ(image[8], 60);           // structSize
    EXPECT_EQ(image[8 + 12], 240);     // height low byte
    EXPECT_EQ(image[8 + 16], 0xFD);    // offset -3
    EXPECT_EQ(image[8 + 20], 0x30);    // text colour red
    EXPECT_EQ(image[8 + 24], 2);       // charSet
    EXPECT_EQ(image[8 + 26], 'D');     // face name
    EXPECT_EQ(image[68], 0xEE);        // background
    EXPECT_EQ(image[72], 0xF8);        // left = -8
    EXPECT_EQ(image[84], 700 & 0xFF);  // bottom
    EXPECT_EQ(decodeSettingsRecord(image.data()), sampleRecord());
}

TEST(SettingsRecord, AnyImageDecodesAndEncodesBackExceptItsPadding)
{
    std::mt19937 random(88);
    for (int round = 0; round < 2000; ++round) {
        std::array<std::uint8_t, kSettingsRecordSize> image{};
        for (auto& byte : image)
            byte = static_cast<std::uint8_t>(random());
        auto expected = image;
        expected[66] = expected[67] = 0;  // the character format's two padding bytes
        ASSERT_EQ(encodeSettingsRecord(decodeSettingsRecord(image.data())), expected) << "round " << round;
    }
}

TEST(SettingsFile, RoundTripWithDirectory)
{
    TempDir dir;
    const std::string path = dir.file("Quillory.dat");
    // A killed earlier write left its temporary: this one removes it.
    const std::string abandoned = dir.write(".quillory-save-k1lled00", "half");
    ASSERT_TRUE(writeSettingsFile(path, sampleRecord(), "/home/user/texts/"));
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_EQ(readAll(path).size(), 88u + 3 + 17);
    const SettingsFileContents contents = readSettingsFile(path);
    EXPECT_EQ(contents.status, SettingsReadStatus::Valid);
    EXPECT_EQ(contents.record, sampleRecord());
    EXPECT_EQ(contents.defaultDir, "/home/user/texts/");
}

TEST(SettingsFile, MissingFileIsNotAnError)
{
    TempDir dir;
    EXPECT_EQ(readSettingsFile(dir.file("none.dat")).status, SettingsReadStatus::Missing);
}

TEST(SettingsFile, ShortFileOrWrongTagIsCorrupt)
{
    TempDir dir;
    const auto image = encodeSettingsRecord(sampleRecord());
    const std::string record(image.begin(), image.end());
    EXPECT_EQ(readSettingsFile(dir.write("a", record)).status, SettingsReadStatus::Corrupt);
    EXPECT_EQ(readSettingsFile(dir.write("b", record.substr(0, 87))).status, SettingsReadStatus::Corrupt);
    EXPECT_EQ(readSettingsFile(dir.write("c", record + "|?|")).status, SettingsReadStatus::Corrupt);
    EXPECT_EQ(readSettingsFile(dir.write("d", record + tag().substr(0, 2))).status, SettingsReadStatus::Corrupt);
    const SettingsFileContents exact = readSettingsFile(dir.write("e", record + tag()));
    EXPECT_EQ(exact.status, SettingsReadStatus::Valid);
    EXPECT_EQ(exact.defaultDir, "");
}

TEST(SettingsFile, DirectoryLosesTrailingBlanksAndCarriageReturnAndStopsAtLineFeed)
{
    TempDir dir;
    const auto image = encodeSettingsRecord(sampleRecord());
    const std::string record(image.begin(), image.end());
    EXPECT_EQ(readSettingsFile(dir.write("a", record + tag() + "/data/  ")).defaultDir, "/data/");
    EXPECT_EQ(readSettingsFile(dir.write("b", record + tag() + "/data/\r")).defaultDir, "/data/");
    EXPECT_EQ(readSettingsFile(dir.write("c", record + tag() + "/a b/\r\n/other")).defaultDir, "/a b/");
    const SettingsFileContents blanks = readSettingsFile(dir.write("d", record + tag() + " \t  \r"));
    EXPECT_EQ(blanks.status, SettingsReadStatus::Valid);
    EXPECT_EQ(blanks.defaultDir, "");  // only blanks: no default directory at all
}

TEST(SettingsRecord, OnlySensibleFontHeightsAndWindowRectanglesAreApplied)
{
    EXPECT_FALSE(plausibleFontHeight(19));
    EXPECT_TRUE(plausibleFontHeight(20));
    EXPECT_TRUE(plausibleFontHeight(32760));
    EXPECT_FALSE(plausibleFontHeight(32761));
    EXPECT_FALSE(plausibleFontHeight(INT32_MIN));
    const std::vector<WindowRect> screens{{0, 0, 1024, 768}, {1024, 0, 2304, 1024}};
    EXPECT_TRUE(plausibleWindowRect({1024, 10, 2304, 1000}, screens));       // on the second, as wide as it
    EXPECT_FALSE(plausibleWindowRect({1023, 10, 2304, 1000}, screens));      // wider than any screen
    EXPECT_TRUE(plausibleWindowRect({924, 718, 1124, 818}, screens));        // 100 x 50 on the first
    EXPECT_FALSE(plausibleWindowRect({925, 718, 1125, 818}, {screens[0]}));  // 99 x 50
    EXPECT_FALSE(plausibleWindowRect({924, 719, 1124, 819}, {screens[0]}));  // 100 x 49
    EXPECT_FALSE(plausibleWindowRect({0, 0, 99, 500}, screens));
    EXPECT_FALSE(plausibleWindowRect({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, screens));
    EXPECT_FALSE(plausibleWindowRect({INT32_MAX, 0, INT32_MIN, 500}, screens));
    EXPECT_FALSE(plausibleWindowRect({0, 0, 500, 500}, {}));
}

TEST(SettingsFile, RewriteReadsOverThePresetWithoutValidating)
{
    TempDir dir;
    const auto image = encodeSettingsRecord(sampleRecord());
    const std::string path = dir.write("s", std::string(image.begin(), image.begin() + 4));
    SettingsRecord record = SettingsRecord::defaults();
    std::string storedDir = "unchanged";
    ASSERT_TRUE(readSettingsForRewrite(path, record, storedDir));
    EXPECT_EQ(record.wordWrap, 0u);                                       // from the file
    EXPECT_EQ(record.charFormat, SettingsRecord::defaults().charFormat);  // the preset
    EXPECT_EQ(storedDir, "");
    EXPECT_FALSE(readSettingsForRewrite(dir.file("none"), record, storedDir));
}

TEST(SettingsFile, WriteToAnUncreatableFileFails)
{
    TempDir dir;
    EXPECT_FALSE(writeSettingsFile(dir.file("no/such/folder/Quillory.dat"), sampleRecord(), ""));
}

TEST(SettingsFile, PathBesideTheExecutable)
{
    EXPECT_EQ(settingsPathBeside("/opt/quillory/quillory"), "/opt/quillory/Quillory.dat");
    EXPECT_EQ(settingsPathBeside("quillory"), "Quillory.dat");
}

TEST(SettingsFile, SettingsLiveBesideTheProgramUnlessItIsInstalledOrItsFolderIsClosed)
{
    TempDir dir;
    const std::string program = dir.write("quillory", "");
    EXPECT_EQ(chooseSettingsPath(program, "/home/u/.config/Quillory"), dir.file("Quillory.dat"));
    EXPECT_EQ(chooseSettingsPath(program, ""), dir.file("Quillory.dat"));
    // An installed program uses the configuration folder even where it could write (as root does).
    EXPECT_EQ(chooseSettingsPath("/usr/bin/quillory", "/home/u/.config/Quillory/"),
              "/home/u/.config/Quillory/Quillory.dat");
    ASSERT_EQ(::mkdir(dir.file("bin").c_str(), 0700), 0);
    const std::string installed = dir.write("bin/quillory", "");
    EXPECT_EQ(chooseSettingsPath(installed, "/home/u/.config/Quillory"), "/home/u/.config/Quillory/Quillory.dat");
    // A folder merely ending in "bin" is not an installation.
    ASSERT_EQ(::mkdir(dir.file("cabin").c_str(), 0700), 0);
    const std::string portable = dir.write("cabin/quillory", "");
    EXPECT_EQ(chooseSettingsPath(portable, "/home/u/.config/Quillory"), dir.file("cabin/Quillory.dat"));
    // A folder that takes no new files from this user (root writes anywhere).
    if (::geteuid() != 0) {
        ASSERT_EQ(::mkdir(dir.file("closed").c_str(), 0500), 0);
        EXPECT_EQ(chooseSettingsPath(dir.file("closed/quillory"), "/home/u/.config/Quillory"),
                  "/home/u/.config/Quillory/Quillory.dat");
    }
}

TEST(StartupOptionsLogic, FourBoxesStartClearAndOnlyPathsTheFieldHoldsWholeAreOffered)
{
    TempDir dir;
    SettingsRecord image = SettingsRecord::defaults();
    StartupOptionsLogic logic;
    logic.prepareRewrite(dir.file("none"), image, 0x00FFFFFF, true, false);
    for (const StartupOption option : {StartupOption::UpdateDefaultDir, StartupOption::SaveBackground,
                                       StartupOption::SaveFont, StartupOption::SaveWindowPos})
        logic.onOptionToggled(option, true);
    logic.onPathEdited("/left/over/");
    logic.onInitDialog("/r/");
    EXPECT_EQ(logic.choice().defaultDir, "");
    EXPECT_TRUE(logic.option(StartupOption::WordWrapOnStartup));
    EXPECT_FALSE(logic.option(StartupOption::AnsiToAscii));
    for (const StartupOption option : {StartupOption::UpdateDefaultDir, StartupOption::SaveBackground,
                                       StartupOption::SaveFont, StartupOption::SaveWindowPos})
        EXPECT_FALSE(logic.option(option));

    // A path of 700 characters fits the field; a longer one leaves the field's text, yet it is the
    // folder a typed relative path is taken from.
    const std::string fits = "/r/" + std::string(kDefaultDirMaxChars - 4, 'x') + "/";
    EXPECT_TRUE(logic.onFolderSelected(fits));
    EXPECT_EQ(logic.choice().defaultDir, fits);
    const std::string tooLong = "/r/" + std::string(kDefaultDirMaxChars - 3, 'y') + "/";
    EXPECT_FALSE(logic.onFolderSelected(tooLong));
    EXPECT_EQ(logic.choice().defaultDir, fits);
    logic.onPathEdited("notes");
    logic.onOk();
    EXPECT_EQ(logic.choice().defaultDir, tooLong + "notes");
}

}  // namespace
}  // namespace quillory::test
