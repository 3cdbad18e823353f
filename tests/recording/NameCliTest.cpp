#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using CliResult = kivora::testing::RunResult;

// Runs kivora-cli with exact arguments (no shell), collecting stdout.
CliResult runCli(std::vector<std::string> args)
{
    args.insert(args.begin(), KIVORA_CLI_PATH);
    return kivora::testing::runProgram(std::move(args));
}

} // namespace

TEST(NameCli, PrintsOneJsonObjectPerPath)
{
    const CliResult r = runCli({
        "name",
        "/X/Normal/Main/AG__-230115-083000-000123M.MOV",
        "/card/Video/TMO_-230229-083000-000124M.MOV",
        "/X/Parking/PGT_-230115-083000-000123M.MOV",
        "d/a\"b\\c\x01\xff.mov",
    });
    ASSERT_EQ(r.status, 0);
    const std::string expected
        = R"({"path":"/X/Normal/Main/AG__-230115-083000-000123M.MOV","isRecording":true,"isMain":true,)"
          R"("category":1,"flags":5,"text":"衝撃","label":"AG__-083000-000123",)"
          R"("pair":"/X/Normal/Sub_/AG__-230115-083000-000123S.MOV",)"
          R"("data":"/X/Normal/Main/AG__-230115-083000-000123D.ADA","start":"2023-01-15T08:30:00"})"
          "\n"
          // The layout comes from each path's own folder.
          R"({"path":"/card/Video/TMO_-230229-083000-000124M.MOV","isRecording":true,"isMain":true,)"
          R"("category":2,"flags":35,"text":"常時タイムラプス+マニュアル+オービス","label":"TMO_-083000-000124",)"
          R"("pair":"/card/Video/TMO_-230229-083000-000124S.MOV",)"
          R"("data":"/card/_VData/TMO_-230229-083000-000124D.ADA","start":"2023-03-01T08:30:00"})"
          "\n"
          R"({"path":"/X/Parking/PGT_-230115-083000-000123M.MOV","isRecording":true,"isMain":true,)"
          R"("category":4,"flags":17,"text":"駐車タイムラプス+衝撃","label":"PGT_-083000-000123",)"
          R"("pair":"/X/Parking/PGT_-230115-083000-000123S.MOV",)"
          R"("data":"/X/_PData/PGT_-230115-083000-000123D.ADA","start":"2023-01-15T08:30:00"})"
          "\n";
    ASSERT_GE(r.out.size(), expected.size());
    EXPECT_EQ(r.out.substr(0, expected.size()), expected);

    // Quotes, backslashes, control bytes and bytes that are not UTF-8 stay valid JSON.
    const std::string last = r.out.substr(expected.size());
    EXPECT_EQ(last.rfind(R"({"path":"d/a\"b\\c\u0001\ufffd.mov","isRecording":false,"isMain":false,)"
                         R"("category":-1,"flags":0,"text":"","label":"a\"b\\c\u0001\ufffd",)",
                  0),
        0u)
        << last;
    EXPECT_EQ(last.back(), '\n');
}

TEST(NameCli, WithoutPathsPrintsUsage)
{
    const CliResult r = runCli({ "name" });
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty());
}
