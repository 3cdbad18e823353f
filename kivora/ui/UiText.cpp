#include "kivora/ui/UiText.h"

#include <array>

namespace kivora::ui {

namespace {

// Slot numbers are shared by every window, the CSV writer and the message boxes: never renumber.
// "\r\n" inside texts is deliberate (message boxes and dialogs show them as line breaks).
constexpr std::array<std::string_view, 176> kTexts{{
    "閉じる", // 0: close
    "動画保存（連結）", // 1: save movie (concatenate)
    "CSV", // 2: CSV
    "削除", // 3: delete
    "早送り", // 4: fast forward
    "回転 180°", // 5: rotate 180°
    "コマ送り", // 6: frame advance
    "大", // 7: large
    "中", // 8: medium
    "次", // 9: next
    "参照", // 10: browse
    "一時停止", // 11: pause
    "再生", // 12: play
    "前", // 13: previous
    "ビデオリペア", // 14: video repair
    "セーブ", // 15: save
    "設定", // 16: settings
    "スロー", // 17: slow
    "小", // 18: small
    "静止画", // 19: still image
    "先頭", // 20: to the start
    "拡大", // 21: enlarge
    "緊急", // 22: emergency
    "ファイルNo.", // 23: file No.
    "衝撃", // 24: shock
    "衝撃＋マニュアル", // 25: shock + manual
    "マニュアル", // 26: manual
    "録画トリガー", // 27: recording trigger
    "データサイズ", // 28: data size
    "日付,", // 29: date, (CSV column)
    "ファイル名,", // 30: file name, (CSV column)
    "ファイルNo.,", // 31: file No., (CSV column)
    "フレームレート,", // 32: frame rate, (CSV column)
    "%d個", // 33: %d items
    "画質,", // 34: picture quality, (CSV column)
    "録画サイズ,", // 35: recording size, (CSV column)
    "録画時間,", // 36: recording time, (CSV column)
    "開始時刻,", // 37: start time, (CSV column)
    "録画トリガー,", // 38: recording trigger, (CSV column)
    "バックアップ", // 39: backup
    "動画保存（連結）", // 40: save movie (concatenate)
    "次へ", // 41: next (step button)
    "日付", // 42: date
    "削除", // 43: delete
    "完了しました。", // 44: finished.
    "終了", // 45: end
    "ファイル名", // 46: file name
    "ファイルサイズ", // 47: file size
    "ID", // 48: ID
    "保存", // 49: save
    "全選択", // 50: select all
    "表示された全てを選択", // 51: select all that are shown
    "全てのファイルを表示", // 52: show all files
    "終了時刻", // 53: end time
    "開始時刻", // 54: start time
    "高画質", // 55: high quality
    "低画質", // 56: low quality
    "再生速度x1.0", // 57: playback speed x1.0
    "再生速度x2.0", // 58: playback speed x2.0
    "再生速度x4.0", // 59: playback speed x4.0
    "再生速度x0.5", // 60: playback speed x0.5
    "再生速度x0.25", // 61: playback speed x0.25
    "前後(X軸)", // 62: front/back (X axis)
    "左右(Y軸)", // 63: left/right (Y axis)
    "上下(Z軸)", // 64: up/down (Z axis)
    "ドライブサポート　急加速", // 65: drive support: sudden acceleration
    "ドライブサポート　急ブレーキ", // 66: drive support: sudden braking
    "ドライブサポート　急ハンドル", // 67: drive support: sharp steering
    "位置", // 68: position
    "急加速", // 69: sudden acceleration
    "急ブレーキ", // 70: sudden braking
    "急下降", // 71: sudden descent
    "急ハンドル", // 72: sharp steering
    "急上昇", // 73: sudden rise
    "マニュアル録画", // 74: manual recording
    "緊急録画停止", // 75: emergency recording stop
    "駐車監視", // 76: parking monitoring
    "速度超過", // 77: speeding
    "閉じる", // 78: close
    "早送り", // 79: fast forward
    "コマ送り", // 80: frame advance
    "参照", // 81: browse
    "一時停止", // 82: pause
    "再生", // 83: play
    "設定", // 84: settings
    "スロー", // 85: slow
    "静止画", // 86: still image
    "停止", // 87: stop
    "フルスクリーン（縦横比を維持）", // 88: full screen (keep aspect ratio)
    "フルスクリーン（ストレッチ）", // 89: full screen (stretch)
    "同名のファイルが存在します。続行しますか？", // 90: a file with the same name exists; continue?
    "動画ファイルの保存に失敗しました。", // 91: saving the movie file failed
    "動画の連結に失敗しました。", // 92: concatenating the movies failed
    "CSVファイルが作成できません。", // 93: the CSV file cannot be created
    "動画ファイルの削除に失敗しました。", // 94: deleting the movie file failed
    "フォルダパスの取得に失敗しました。", // 95: getting the folder path failed
    "動画のオープンに失敗しました。", // 96: opening the movie failed
    "録画時間が短いため再生できません。", // 97: the recording is too short to play
    "画像の保存に失敗しました。", // 98: saving the image failed
    "動画ファイルがありません。", // 99: there is no movie file
    "バックアップフォルダーを選択してください。", // 100: choose the backup folder
    "出力先フォルダーを選択してください。", // 101: choose the output folder
    "動画フォルダーを選択してください。", // 102: choose the movie folder
    "表示数が1500を超えています。1500項目表示します。", // 103: more than 1500 items; 1500 items are shown
    "確認", // 104: confirm
    "新しいバージョンのソフトを利用できます。\r\nダウンロードする場合は下記URLをクリックしてください。", // 105: a new version of the software is available; click the URL below to download it
    "更新情報", // 106: update information
    "現在のバージョン：", // 107: current version:
    "ドライブレコーダー本体", // 108: drive recorder unit
    "更新バージョン：", // 109: update version:
    "ビューワーソフト", // 110: viewer software
    "GPSデータ情報", // 111: GPS data information
    "メイリオ", // 112: font face name (Meiryo)
    "コーデックとスプリッターをインストールしてください。", // 113: please install a codec and a splitter
    "適用", // 114: apply
    "ドライブサポート", // 115: drive support
    "SDカードの初期化", // 116: initialise the SD card
    "パスワード設定", // 117: password setting
    "新しいパスワード確認:", // 118: confirm the new password:
    "現在のパスワード:", // 119: current password:
    "新しいパスワード:", // 120: new password:
    "SDカードの設定", // 121: SD card settings
    "ドライブ選択:", // 122: drive selection:
    "設定", // 123: settings
    "緊急録画停止", // 124: emergency recording stop
    "駐車監視衝撃", // 125: parking monitoring shock
    "ファームウェアの更新", // 126: firmware update
    "バージョン情報", // 127: version information
    "加速度グラフ/マップアイコン表示設定", // 128: acceleration graph / map icon display settings
    "速度超過", // 129: speeding
    "ファイル", // 130: file
    "フォルダー", // 131: folder
    "参照先", // 132: browse location
    "SDカード", // 133: SD card
    "実行中...", // 134: running...
    "お待ちください...", // 135: please wait...
    "最小化", // 136: minimise
    "マップに戻る", // 137: back to the map
    "サイズオーバーです。", // 138: the size is too large
    "車両情報", // 139: vehicle information
    "ファイル数を減らしてください。", // 140: please reduce the number of files
    "オービス", // 141: speed camera (Orbis)
    "レーダー", // 142: radar
    "自動速度取締機", // 143: automatic speed enforcement camera
    "レーダー波警報", // 144: radar wave alarm
    "メインカメラ", // 145: main camera
    "サブカメラ", // 146: sub camera
    "表示切替", // 147: switch display
    "メインカメラデータサイズ,", // 148: main camera data size, (CSV column)
    "サブカメラデータサイズ", // 149: sub camera data size
    "マップ表示切替", // 150: switch map display
    "マップ", // 151: map
    "常時", // 152: continuous
    "速度取締機", // 153: speed enforcement camera
    "レーダー", // 154: radar
    "マニュアル", // 155: manual
    "衝撃", // 156: shock
    "駐車", // 157: parking
    "駐車衝撃", // 158: parking shock
    "タイムラプス", // 159: time-lapse
    "常時", // 160: continuous
    "オービス", // 161: speed camera
    "レーダー", // 162: radar
    "マニュアル", // 163: manual
    "衝撃", // 164: shock
    "常時タイムラプス", // 165: continuous time-lapse
    "駐車", // 166: parking
    "駐車衝撃", // 167: parking shock
    "駐車タイムラプス", // 168: parking time-lapse
    "拡大", // 169: enlarge
    "縮小", // 170: shrink
    "ファイルサムネイル表示", // 171: show file thumbnails
    "ファイルサムネイル非表示", // 172: hide file thumbnails
    "拡大モードです\n\n拡大したい場所を\nクリックしてください", // 173: zoom mode; click the place to enlarge
    "WebView2 ランタイムがインストールされていません。", // 174: the WebView2 runtime is not installed
    "WebView2ランタイムがインストールされていないと正常に地図が表示されません。\r\nWEBサイトからランタイムをダウンロードし、インストールを行なってください。\r\n\r\n\r\n※ダウンロードする際は「エバーグリーン ブートストラップ」版を選択してください。\r\n", // 175: without the WebView2 runtime the map is not shown correctly; download and install the runtime from the web site; choose the Evergreen Bootstrapper version when downloading
}};

} // namespace

std::string_view UiText(int slot, int column)
{
    // Both language columns carry the same texts, so one array serves both.
    if (column < 0 || column >= kUiTextColumns || slot < 0 || slot >= kUiTextSlots)
        return {};
    if (static_cast<std::size_t>(slot) >= kTexts.size())
        return {};
    return kTexts[static_cast<std::size_t>(slot)];
}

} // namespace kivora::ui
