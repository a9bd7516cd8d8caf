#include "res/Strings.h"

#include <QHash>

namespace corvane {

QString stringText(int id) {
    static const QHash<int, QString> table = {
        {kMsgOutOfMemory, QStringLiteral("メモリの確保に失敗しました")},
        {kMsgWorkFolderFailed, QStringLiteral("作業フォルダの取得に失敗しました")},
        {kMsgConfirmClear, QStringLiteral("クリアしてもよろしいですか")},
        {kMsgClearOtherFirst, QStringLiteral("現在セットされている原本をクリアしてからセットしますか")},
        {kMsgNeedBothOriginals, QStringLiteral("原本が２つセットされていないので処理できません")},
        {kMsgSizeDiffers, QStringLiteral("すでにセットされている原本と大きさが異なります\n"
                                         "正確な比較ができないことがありますが、よろしいですか")},
        {kMsgExtractFailed, QStringLiteral("文書の取り出しに失敗しました")},
        {kMsgProcessBoth,
         QStringLiteral(
             "両方の原本を処理しますか。\nこの原本のみを処理する -「いいえ」\n中止-「キャンセル」")},
        {kMsgNoOriginal1, QStringLiteral("原本1に画像がセットされていません")},
        {kMsgBitmapInfoFailed, QStringLiteral("ビットマップファイルの情報取得に失敗しました")},
        {kMsgTooManyWatermarks,
         QStringLiteral("透かし文字の数が制限(100)を超えました\nこれ以上、セットできません")},
        {kMsgDeleteWatermark, QStringLiteral("選択された透かし文字を削除してもよろしいですか")},
        {kMsgRestoreLast, QStringLiteral("前回の内容を再現しますか")},
        {kMsgReadFailed, QStringLiteral("ファイルの読み込みに失敗しました")},
        {kMsgEmbedFailed, QStringLiteral("文書の埋め込みに失敗しました")},
        {kMsgEmbedDone, QStringLiteral("文書の埋め込み、正常に終了しました\n保存場所を表示しますか")},
        {kMsgExtractedToDesktop, QStringLiteral("埋め込み文書をデスクトップに保存しました")},
        {kMsgConfirmExtract,
         QStringLiteral("埋め込み文書を取り出しますか\n※ 保存先は、デスクトップになります")},
        {kMsgReplaceDocument, QStringLiteral("この画像にはすでに埋め込まれた文書がふくまれています\n"
                                             "この文書は削除されますがよろしいですか")},
        {kMsgOpenFailed, QStringLiteral("ファイルのオープンに失敗しました")},
        {kMsgDone, QStringLiteral("正常終了しました")},
        {kMsgBitmapSaveFailed, QStringLiteral("ビットマップファイルの保存に失敗しました")},
        {kMsgFileManagerFailed, QStringLiteral("エクスプローラの起動に失敗しました")},
        {kMsgConfirmOverwrite,
         QStringLiteral("指定したファイルは既に存在します\n上書きしてもよろしいですか")},
        {kMsgSaved, QStringLiteral("正常に保存しました\n保存場所を表示しますか")},
        {kMsgSaveFailed, QStringLiteral("画像ファイルの保存に失敗しました")},
        {kMsgWatermarkAdjusted, QStringLiteral("範囲外の値を範囲内に直しました")},
        {kMsgWatermarkUnencodable,
         QStringLiteral(
             "透かし文字に使えない文字が含まれています\nその文字を消してから入力を終えてください")},
        {kMsgUnsupportedDepth, QStringLiteral("このソフトは、16, 24, 32ビット以外では正常に動作しません")},
        {kHistory100, QStringLiteral("Ver. 1.00 2014.12.22 新規作成")},
        {kHistory101, QStringLiteral("Ver. 1.01 2021.03.16 64bit版を追加")},
        {kHistory102, QStringLiteral("Ver. 1.02 Windows 11 対応")},
    };
    return table.value(id);
}

} // namespace corvane
