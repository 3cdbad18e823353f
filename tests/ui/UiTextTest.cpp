#include "kivora/ui/UiText.h"
#include "kivora/ui/UiTextQt.h"

#include <gtest/gtest.h>

#include <string>

using kivora::ui::UiText;

namespace {

struct Sample {
    int slot;
    const char* utf8;
};

// Byte-exact samples, including the ones with embedded line breaks and full-width characters.
constexpr Sample kSamples[] = {
    {0, "閉じる"},
    {1, "動画保存（連結）"},
    {5, "回転 180°"},
    {23, "ファイルNo."},
    {29, "日付,"},
    {33, "%d個"},
    {65, "ドライブサポート　急加速"},
    {88, "フルスクリーン（縦横比を維持）"},
    {103, "表示数が1500を超えています。1500項目表示します。"},
    {105, "新しいバージョンのソフトを利用できます。\r\nダウンロードする場合は下記URLをクリックしてください。"},
    {112, "メイリオ"},
    {148, "メインカメラデータサイズ,"},
    {149, "サブカメラデータサイズ"},
    {165, "常時タイムラプス"},
    {173, "拡大モードです\n\n拡大したい場所を\nクリックしてください"},
    {175, "WebView2ランタイムがインストールされていないと正常に地図が表示されません。\r\n"
          "WEBサイトからランタイムをダウンロードし、インストールを行なってください。\r\n\r\n\r\n"
          "※ダウンロードする際は「エバーグリーン ブートストラップ」版を選択してください。\r\n"},
};

} // namespace

TEST(UiText, SamplesAreByteExactInBothColumns)
{
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.slot);
        EXPECT_EQ(std::string(UiText(s.slot, 0)), std::string(s.utf8));
        EXPECT_EQ(std::string(UiText(s.slot, 1)), std::string(s.utf8));
    }
}

TEST(UiText, UsedSlotsAreFilledAndTheRestEmpty)
{
    for (int slot = 0; slot <= 175; ++slot)
        EXPECT_FALSE(UiText(slot).empty()) << slot;
    for (int slot = 176; slot <= 259; ++slot) {
        EXPECT_TRUE(UiText(slot, 0).empty()) << slot;
        EXPECT_TRUE(UiText(slot, 1).empty()) << slot;
    }
}

TEST(UiText, OutOfRangeGivesEmpty)
{
    EXPECT_TRUE(UiText(-1).empty());
    EXPECT_TRUE(UiText(260).empty());
    EXPECT_TRUE(UiText(0, 2).empty());
    EXPECT_TRUE(UiText(0, -1).empty());
}

TEST(UiText, QtFormKeepsLineBreaks)
{
    const QString text = kivora::ui::uiQText(105);
    EXPECT_TRUE(text.startsWith(QStringLiteral("新しいバージョン")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 1);
    EXPECT_EQ(kivora::ui::uiQText(0), QStringLiteral("閉じる"));
    EXPECT_TRUE(kivora::ui::uiQText(200).isEmpty());
}
