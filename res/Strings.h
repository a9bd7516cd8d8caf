#pragma once

#include <QString>

namespace corvane {

// Ids of the string table: the texts of message boxes and of the About box's history.
enum StringId : int {
    kMsgOutOfMemory = 30001,      // "メモリの確保に失敗しました"
    kMsgWorkFolderFailed = 30002, // "作業フォルダの取得に失敗しました"
    kMsgConfirmClear = 30003,     // "クリアしてもよろしいですか"
    kMsgClearOtherFirst = 30004, // "現在セットされている原本をクリアしてからセットしますか"
    kMsgNeedBothOriginals = 30006, // "原本が２つセットされていないので処理できません"
    kMsgSizeDiffers = 30007,   // "すでにセットされている原本と大きさが異なります…"
    kMsgExtractFailed = 30008, // "文書の取り出しに失敗しました"
    kMsgProcessBoth = 30009,   // "両方の原本を処理しますか。…"
    kMsgNoOriginal1 = 30010,   // "原本1に画像がセットされていません"
    kMsgBitmapInfoFailed = 30011,  // "ビットマップファイルの情報取得に失敗しました"
    kMsgTooManyWatermarks = 30012, // "透かし文字の数が制限(100)を超えました…"
    kMsgDeleteWatermark = 30013,   // "選択された透かし文字を削除してもよろしいですか"
    kMsgRestoreLast = 30015,       // "前回の内容を再現しますか"
    kMsgReadFailed = 30016,        // "ファイルの読み込みに失敗しました"
    kMsgEmbedFailed = 30017,       // "文書の埋め込みに失敗しました"
    kMsgEmbedDone = 30018, // "文書の埋め込み、正常に終了しました\n保存場所を表示しますか"
    kMsgExtractedToDesktop = 30019, // "埋め込み文書をデスクトップに保存しました"
    kMsgConfirmExtract = 30020,     // "埋め込み文書を取り出しますか…"
    kMsgReplaceDocument = 30021, // "この画像にはすでに埋め込まれた文書がふくまれています…"
    kMsgOpenFailed = 30022,        // "ファイルのオープンに失敗しました"
    kMsgDone = 30023,              // "正常終了しました"
    kMsgBitmapSaveFailed = 30025,  // "ビットマップファイルの保存に失敗しました"
    kMsgFileManagerFailed = 30048, // "エクスプローラの起動に失敗しました"
    kMsgConfirmOverwrite = 30056, // "指定したファイルは既に存在します\n上書きしてもよろしいですか"
    kMsgSaved = 30069,                // "正常に保存しました\n保存場所を表示しますか"
    kMsgSaveFailed = 30070,           // "画像ファイルの保存に失敗しました"
    kMsgWatermarkAdjusted = 30090,    // "範囲外の値を範囲内に直しました"
    kMsgWatermarkUnencodable = 30091, // "透かし文字に使えない文字が含まれています…"
    kMsgUnsupportedDepth = 30149, // "このソフトは、16, 24, 32ビット以外では正常に動作しません"
    // The version history of the About box, oldest first.
    kHistory100 = 30200, // "Ver. 1.00 2014.12.22 新規作成"
    kHistory101 = 30201, // "Ver. 1.01 2021.03.16 64bit版を追加"
    kHistory102 = 30202, // "Ver. 1.02 Windows 11 対応"
};

// The text of a string-table id; empty for an unknown id.
QString stringText(int id);

} // namespace corvane
