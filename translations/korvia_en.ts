<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>TAboutBox</name>
    <message>
        <location filename="../src/ui/aboutbox.ui" line="+26"/>
        <source>バージョン情報</source>
        <translation>About Korvia</translation>
    </message>
</context>
<context>
    <name>TjpegQualityForm</name>
    <message>
        <location filename="../src/ui/jpegqualityform.ui" line="+26"/>
        <source>JPEG保存画質設定</source>
        <translation>JPEG Quality</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>低画質</source>
        <translation>Low</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>高画質</source>
        <translation>High</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>ファイルサイズ小</source>
        <translation>Smaller file</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>ファイルサイズ大</source>
        <translation>Larger file</translation>
    </message>
    <message>
        <location line="+154"/>
        <source>保存画質</source>
        <translation>Quality</translation>
    </message>
    <message>
        <location line="+47"/>
        <source>（推奨値８０以上）</source>
        <translation>(80+ advised)</translation>
    </message>
    <message>
        <location filename="../src/ui/jpegqualitywindow.cpp" line="+65"/>
        <source>元の画質のまま保存（劣化なし）</source>
        <translation>Keep the original quality (lossless)</translation>
    </message>
</context>
<context>
    <name>TmainForm</name>
    <message>
        <location filename="../src/ui/mainform.ui" line="+90"/>
        <source>画像ファイルを開く</source>
        <translation>Open a picture file</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>上書き保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>名前を変えて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>印刷</source>
        <translation>Print</translation>
    </message>
    <message>
        <location line="+120"/>
        <location line="+511"/>
        <location line="+3"/>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <location line="-470"/>
        <source>アプリケーション情報</source>
        <translation>About Korvia</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>ファイルを閉じる</source>
        <translation>Close the file</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>全体表示</source>
        <translation>Fit the whole picture in the view</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+35"/>
        <location filename="../src/ui/viewgeometry.cpp" line="+48"/>
        <source>全体</source>
        <translation>Fit</translation>
    </message>
    <message>
        <location line="-13"/>
        <source>等倍表示</source>
        <translation>Actual size (one picture pixel on one screen pixel)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>等倍</source>
        <translation>1:1</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>補正前と比較（\ キーを押している間）</source>
        <translation>Compare with the original (while the \ key is held down)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>比較</source>
        <translation>Compare</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>画像でプレビュー</source>
        <translation>Preview on picture</translation>
    </message>
    <message>
        <location line="+66"/>
        <source>実行中の処理を中止（Esc）</source>
        <translation>Stop the running work (Esc)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>中止</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location line="+89"/>
        <source>簡単調整</source>
        <translation>Quick</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>ビビット</source>
        <translation>Vivid</translation>
    </message>
    <message>
        <location line="+13"/>
        <location line="+4501"/>
        <source>グレースケール</source>
        <translation>Greyscale</translation>
    </message>
    <message>
        <location line="-4488"/>
        <location line="+4498"/>
        <source>セピア</source>
        <translation>Sepia</translation>
    </message>
    <message>
        <location line="-4485"/>
        <location line="+4295"/>
        <source>エンボス</source>
        <translation>Emboss</translation>
    </message>
    <message>
        <location line="-4282"/>
        <location line="+4045"/>
        <source>ペイント</source>
        <translation>Paint</translation>
    </message>
    <message>
        <location line="-4032"/>
        <source>ソフトフィルター</source>
        <translation>Soft filter</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>周辺ソフト</source>
        <translation>Soft edges</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>周辺暗く</source>
        <translation>Dark edges</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>モノクロ＋周辺暗く</source>
        <translation>Mono + dark edges</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>セピア＋周辺暗く</source>
        <translation>Sepia + dark edges</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>セピア＋周辺明るく</source>
        <translation>Sepia + light edges</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>カラー</source>
        <translation>Colour</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>彩度：</source>
        <translation>Sat.</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>彩度調整</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <location line="+51"/>
        <location line="+209"/>
        <location line="+2900"/>
        <source>R（赤）</source>
        <translation>Red</translation>
    </message>
    <message>
        <location line="-3080"/>
        <location line="+209"/>
        <source>明度</source>
        <comment>HSV readout</comment>
        <translation>Val.</translation>
    </message>
    <message>
        <location line="-151"/>
        <location line="+209"/>
        <source>彩度</source>
        <comment>HSV readout</comment>
        <translation>Sat.</translation>
    </message>
    <message>
        <location line="-151"/>
        <location line="+209"/>
        <source>色相</source>
        <comment>HSV readout</comment>
        <translation>Hue</translation>
    </message>
    <message>
        <location line="+750"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+3144"/>
        <location line="+774"/>
        <source>幅</source>
        <comment>short</comment>
        <translation>W</translation>
    </message>
    <message>
        <location line="-4421"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+3050"/>
        <location line="+774"/>
        <source>高さ</source>
        <comment>short</comment>
        <translation>H</translation>
    </message>
    <message>
        <location line="-2565"/>
        <source>明度</source>
        <translation>Value</translation>
    </message>
    <message>
        <location line="-2866"/>
        <location line="+209"/>
        <location line="+2902"/>
        <source>G（緑）</source>
        <translation>Green</translation>
    </message>
    <message>
        <location line="-185"/>
        <source>彩度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <location line="-2868"/>
        <location line="+209"/>
        <location line="+2904"/>
        <source>B（青）</source>
        <translation>Blue</translation>
    </message>
    <message>
        <location line="-185"/>
        <source>色相</source>
        <translation>Hue</translation>
    </message>
    <message>
        <location line="-2870"/>
        <source>描画色</source>
        <translation>Paint colour</translation>
    </message>
    <message>
        <location line="+209"/>
        <source>カラーパレット</source>
        <translation>Colour palette</translation>
    </message>
    <message>
        <location line="+671"/>
        <source>編集画像一覧</source>
        <translation>Open pictures</translation>
    </message>
    <message>
        <location line="+34"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+133"/>
        <source>ファイル名.jpeg</source>
        <translation>filename.jpeg</translation>
    </message>
    <message>
        <location filename="../src/geometry/shapeparameters.cpp" line="+13"/>
        <source>幅</source>
        <translation>Width</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>高さ</source>
        <translation>Height</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>LeftPoint</source>
        <translation>LeftPoint</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>UpperPoint</source>
        <translation>UpperPoint</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>RightPoint</source>
        <translation>RightPoint</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>LowerPoint</source>
        <translation>LowerPoint</translation>
    </message>
    <message>
        <location filename="../src/ui/mainform.ui" line="-453"/>
        <source>イメージ１を表示</source>
        <translation>Show picture 1</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+133"/>
        <location line="+133"/>
        <source>選択</source>
        <translation>Select</translation>
    </message>
    <message>
        <location line="-519"/>
        <source>イメージ1を閉じる</source>
        <translation>Close picture 1</translation>
    </message>
    <message>
        <location line="+117"/>
        <source>イメージ２を表示</source>
        <translation>Show picture 2</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>イメージ2を閉じる</source>
        <translation>Close picture 2</translation>
    </message>
    <message>
        <location line="+117"/>
        <source>イメージ３を表示</source>
        <translation>Show picture 3</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>イメージ3を閉じる</source>
        <translation>Close picture 3</translation>
    </message>
    <message>
        <location line="+117"/>
        <source>イメージ４を表示</source>
        <translation>Show picture 4</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>イメージ4を閉じる</source>
        <translation>Close picture 4</translation>
    </message>
    <message>
        <location line="+117"/>
        <source>イメージ５を表示</source>
        <translation>Show picture 5</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>イメージ5を閉じる</source>
        <translation>Close picture 5</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>画像情報</source>
        <translation>Info</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>基本情報</source>
        <translation>Basic information</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>幅&#x3000;：</source>
        <translation>Width:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>高さ&#x3000;：</source>
        <translation>Height:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>画素数&#x3000;：</source>
        <translation>Pixels:</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>デジタルカメラ情報（Exif情報）</source>
        <translation>Camera information (Exif)</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Exifバージョン&#x3000;：</source>
        <translation>Exif version:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>メーカー名&#x3000;：</source>
        <translation>Make:</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>機種名&#x3000;：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>撮影日時&#x3000;：</source>
        <translation>Date taken:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>シャッター速度：</source>
        <translation>Shutter speed:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>絞り&#x3000;：</source>
        <translation>Aperture:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>露出モード&#x3000;：</source>
        <translation>Exposure mode:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>測光モード&#x3000;：</source>
        <translation>Metering mode:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>ISO感度&#x3000;：</source>
        <translation>ISO speed:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>焦点距離&#x3000;：</source>
        <translation>Focal length:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>開放F値&#x3000;：</source>
        <translation>Max. aperture:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>撮影距離&#x3000;：</source>
        <translation>Subject distance:</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>フラッシュ&#x3000;：</source>
        <translation>Flash:</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>ファイル名&#x3000;：</source>
        <translation>File name:</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>? 水彩ブラシ</source>
        <translation>? Watercolour brush</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+255"/>
        <source>太さ：</source>
        <translation>Size:</translation>
    </message>
    <message>
        <location line="-195"/>
        <location line="+255"/>
        <source>濃さ：</source>
        <translation>Density:</translation>
    </message>
    <message>
        <location line="-195"/>
        <location line="+255"/>
        <source>濃度分布形状：</source>
        <translation>Density profile:</translation>
    </message>
    <message>
        <location line="-195"/>
        <location line="+255"/>
        <source>サンプル</source>
        <translation>Sample</translation>
    </message>
    <message>
        <location line="-220"/>
        <location line="+255"/>
        <source>ブラシ濃度分布形状</source>
        <translation>Brush density profile</translation>
    </message>
    <message>
        <location line="-227"/>
        <source>~ エアブラシ</source>
        <translation>~ Airbrush</translation>
    </message>
    <message>
        <location line="+259"/>
        <source>詳細調整</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>調整</source>
        <translation>Adjust</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>明度、彩度</source>
        <translation>Lightness</translation>
    </message>
    <message>
        <location line="+185"/>
        <source>RGB調整</source>
        <translation>RGB</translation>
    </message>
    <message>
        <location line="+185"/>
        <source>トーンカーブ</source>
        <translation>Curves</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>カーブ種類</source>
        <translation>Curve type</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>Ｓカーブ</source>
        <translation>S-curve</translation>
    </message>
    <message>
        <location line="+10"/>
        <location line="+2014"/>
        <location line="+774"/>
        <source>傾斜</source>
        <translation>Slope</translation>
    </message>
    <message>
        <location line="-2781"/>
        <source>ポイント</source>
        <translation>Point</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>ガンマ</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>カーブリセット</source>
        <translation>Reset curve</translation>
    </message>
    <message>
        <location line="+57"/>
        <source>効果1</source>
        <translation>FX 1</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>縁取ボケ</source>
        <translation>Edge blur</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+125"/>
        <location line="+660"/>
        <source>強さ</source>
        <translation>Strength</translation>
    </message>
    <message>
        <location line="-725"/>
        <location line="+125"/>
        <location line="+112"/>
        <location line="+112"/>
        <location line="+506"/>
        <location line="+125"/>
        <location line="+65"/>
        <location line="+98"/>
        <location line="+774"/>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <location line="-1864"/>
        <source>縁取明暗</source>
        <translation>Vignette</translation>
    </message>
    <message>
        <location line="+153"/>
        <source>円形</source>
        <translation>Round</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>四角</source>
        <translation>Square</translation>
    </message>
    <message>
        <location line="+102"/>
        <source>ノーマル</source>
        <translation>Normal</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>点描</source>
        <translation>Dots</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>ソフト</source>
        <translation>Soft</translation>
    </message>
    <message>
        <location line="+72"/>
        <source>芯の強さ</source>
        <translation>Core</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>深さ</source>
        <translation>Depth</translation>
    </message>
    <message>
        <location line="+60"/>
        <source>凹凸方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>０度</source>
        <translation>0°</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>４５度</source>
        <translation>45°</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>９０度</source>
        <translation>90°</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>１３５度</source>
        <translation>135°</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+765"/>
        <location line="+774"/>
        <source>１８０度</source>
        <translation>180°</translation>
    </message>
    <message>
        <location line="-1532"/>
        <source>２２５度</source>
        <translation>225°</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>２７０度</source>
        <translation>270°</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>モノクロ</source>
        <translation>Mono</translation>
    </message>
    <message>
        <location line="+50"/>
        <source>描画色(描画色でモノクロ化）</source>
        <translation>Paint colour (tint with it)</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>効果2</source>
        <translation>FX 2</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>シャープ</source>
        <translation>Sharpen</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>階調</source>
        <translation>Posterize</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>階調数</source>
        <translation>Levels</translation>
    </message>
    <message>
        <location line="+53"/>
        <source>モザイク</source>
        <translation>Mosaic</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>ブレ</source>
        <translation>Motion blur</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>角度</source>
        <translation>Angle</translation>
    </message>
    <message>
        <location line="+113"/>
        <source>ノイズ除去</source>
        <translation>Denoise</translation>
    </message>
    <message>
        <location line="+69"/>
        <source>変形</source>
        <translation>Shape</translation>
    </message>
    <message>
        <location line="+79"/>
        <location line="+65"/>
        <location line="+709"/>
        <location line="+65"/>
        <source>％</source>
        <translation>%</translation>
    </message>
    <message>
        <location line="-813"/>
        <location line="+65"/>
        <location line="+709"/>
        <location line="+65"/>
        <source>ピクセル</source>
        <translation>px</translation>
    </message>
    <message>
        <location line="-761"/>
        <location line="+774"/>
        <source>縦横比を保持</source>
        <translation>Keep aspect ratio</translation>
    </message>
    <message>
        <location line="-765"/>
        <location line="+774"/>
        <source>回転</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <location line="-762"/>
        <location line="+774"/>
        <source>回転方法</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <location line="-753"/>
        <location line="+774"/>
        <source>角度指定</source>
        <translation>By angle</translation>
    </message>
    <message>
        <location line="-764"/>
        <location line="+774"/>
        <source>右９０度</source>
        <translation>90° right</translation>
    </message>
    <message>
        <location line="-767"/>
        <location line="+774"/>
        <source>左９０度</source>
        <translation>90° left</translation>
    </message>
    <message>
        <location line="-760"/>
        <location line="+774"/>
        <source>左右反転</source>
        <translation>Mirror</translation>
    </message>
    <message>
        <location line="-767"/>
        <location line="+774"/>
        <source>上下反転</source>
        <translation>Flip</translation>
    </message>
    <message>
        <location line="-758"/>
        <location line="+774"/>
        <location filename="../src/geometry/shapeparameters.cpp" line="-5"/>
        <source>回転角度</source>
        <translation>Angle</translation>
    </message>
    <message>
        <location line="-724"/>
        <location line="+774"/>
        <source>トリミング</source>
        <translation>Crop</translation>
    </message>
    <message>
        <location line="-558"/>
        <location line="+774"/>
        <source>トリミング前幅：</source>
        <translation>Width before:</translation>
    </message>
    <message>
        <location line="-745"/>
        <location line="+774"/>
        <source>トリミング前高さ：</source>
        <translation>Height before:</translation>
    </message>
    <message>
        <location line="-745"/>
        <location line="+774"/>
        <source>トリミング前画素数：</source>
        <translation>Pixels before:</translation>
    </message>
    <message>
        <location line="-745"/>
        <location line="+774"/>
        <source>トリミング後幅：</source>
        <translation>Width after:</translation>
    </message>
    <message>
        <location line="-745"/>
        <location line="+774"/>
        <source>トリミング後高さ：</source>
        <translation>Height after:</translation>
    </message>
    <message>
        <location line="-745"/>
        <location line="+774"/>
        <source>トリミング後画素数：</source>
        <translation>Pixels after:</translation>
    </message>
    <message>
        <location line="-740"/>
        <location filename="../src/geometry/shapeparameters.cpp" line="+7"/>
        <source>傾斜調整</source>
        <translation>Slope</translation>
    </message>
    <message>
        <location line="+50"/>
        <location line="+774"/>
        <source>台形</source>
        <translation>Keystone</translation>
    </message>
    <message>
        <location line="-50"/>
        <location filename="../src/geometry/shapeparameters.cpp" line="+2"/>
        <source>台形調整</source>
        <translation>Keystone</translation>
    </message>
    <message>
        <location line="+55"/>
        <location line="+9"/>
        <source>歪曲</source>
        <translation>Distortion</translation>
    </message>
    <message>
        <location line="+12"/>
        <location filename="../src/geometry/shapeparameters.cpp" line="+2"/>
        <source>歪曲調整</source>
        <translation>Distortion</translation>
    </message>
    <message>
        <location line="+69"/>
        <source>ヒストグラム（輝度と RGB）</source>
        <translation>Histogram (luminance and RGB)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>サンプルイメージ</source>
        <translation>Sample picture</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>画像処理実行</source>
        <translation>Apply</translation>
    </message>
    <message>
        <location filename="../src/ui/mainform.cpp" line="+74"/>
        <location line="+4"/>
        <location filename="../src/ui/mainform_files.cpp" line="+23"/>
        <location filename="../src/ui/mainform_formats.cpp" line="+49"/>
        <source>メッセージ</source>
        <translation>Message</translation>
    </message>
    <message>
        <location line="+230"/>
        <source>メモリが不足しています。</source>
        <translation>Not enough memory.</translation>
    </message>
    <message>
        <location filename="../src/ui/mainform_displaycolour.cpp" line="+46"/>
        <source>カラープロファイル&#x3000;：</source>
        <translation>Colour profile:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>保存しない情報&#x3000;：</source>
        <translation>Not saved:</translation>
    </message>
    <message>
        <location filename="../src/ui/mainform_files.cpp" line="+19"/>
        <source>回転・反転・トリミング以外の変更があるため、劣化なしでは保存できません。</source>
        <translation>The picture has changes other than turns, flips and crops, so it cannot be saved losslessly.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>この JPEG ファイルの形式では、劣化なしでは保存できません。</source>
        <translation>This JPEG file cannot be saved losslessly in its format.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>画像の端が %1 × %2 画素のブロックの区切りに合わないため、劣化なしでは保存できません。</source>
        <translation>The picture&apos;s edges do not fall on its %1 × %2 pixel blocks, so it cannot be saved losslessly.</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>最大編集ファイル数を超えました。</source>
        <translation>No more pictures can be open at once.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>すでにこの名称のファイルは開いています。</source>
        <translation>A file of this name is open already.</translation>
    </message>
    <message>
        <location line="+51"/>
        <source>この形式のファイル（%1）には上書き保存できません。「名前を変えて保存」で JPEG または BMP として保存してください。</source>
        <translation>This file (%1) cannot be saved in its own format. Use &quot;Save As&quot; to save it as JPEG or BMP.</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>この画像（%1）には保存できる画素がありません。</source>
        <translation>This picture (%1) has no pixels to save.</translation>
    </message>
    <message>
        <location line="+12"/>
        <location filename="../src/ui/mainform_formats.cpp" line="-25"/>
        <source>ファイルは存在します。上書きしますか? %1</source>
        <translation>The file exists. Replace it? %1</translation>
    </message>
    <message>
        <location filename="../src/ui/mainform_formats.cpp" line="+22"/>
        <source>%1 の形式には書き込めないため、JPEG ファイル %2 として元のファイルと同じフォルダーに保存しました。元のファイルはそのままです。</source>
        <translation>Korvia cannot write the format of %1, so the picture was saved as the JPEG file %2 in the same folder. The original file is unchanged.</translation>
    </message>
    <message>
        <location filename="../src/ui/mainform_select.cpp" line="+53"/>
        <source>画像は変更されています。保存しますか？</source>
        <translation>The picture has been changed. Save it?</translation>
    </message>
    <message>
        <location filename="../src/ui/transformpanel.cpp" line="+75"/>
        <source>%1：「%2」は整数ではありません。</source>
        <translation>%1: &quot;%2&quot; is not a whole number.</translation>
    </message>
    <message>
        <location line="+112"/>
        <source>回転角度：「%1」は角度として使えない値です。</source>
        <translation>Angle: &quot;%1&quot; is not a usable angle.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>幅と高さは %1 から %2 ピクセルの範囲で指定してください。</source>
        <translation>Width and height must be between %1 and %2 pixels.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%1は %2 から %3 の範囲で指定してください。</source>
        <translation>%1 must be between %2 and %3.</translation>
    </message>
</context>
<context>
    <name>TprintWindow</name>
    <message>
        <location filename="../src/ui/print/printform.ui" line="+26"/>
        <source>印刷設定</source>
        <translation>Print</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>用紙方向</source>
        <translation>Orientation</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>縦</source>
        <translation>Portrait</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>横</source>
        <translation>Landscape</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>印刷枚数</source>
        <translation>Copies</translation>
    </message>
    <message>
        <location line="+66"/>
        <source>プリンター名</source>
        <translation>Printer</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>イメージサイズ（mm）</source>
        <translation>Picture size (mm)</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+83"/>
        <source>幅</source>
        <translation>Width</translation>
    </message>
    <message>
        <location line="-48"/>
        <location line="+83"/>
        <source>高さ</source>
        <translation>Height</translation>
    </message>
    <message>
        <location line="-47"/>
        <source>印刷範囲（mm）</source>
        <translation>Printable area (mm)</translation>
    </message>
    <message>
        <location line="+83"/>
        <location line="+3"/>
        <location filename="../src/ui/print/printdevice.cpp" line="+121"/>
        <source>プリンタ調整</source>
        <translation>Printer Setup</translation>
    </message>
    <message>
        <location line="+13"/>
        <location line="+3"/>
        <source>初期値に戻す</source>
        <translation>Reset</translation>
    </message>
    <message>
        <location line="+18"/>
        <location line="+3"/>
        <source>印刷実行</source>
        <translation>Print</translation>
    </message>
    <message>
        <location filename="../src/ui/print/printdevice.cpp" line="-6"/>
        <source>PDF ファイル: %1</source>
        <translation>PDF file: %1</translation>
    </message>
    <message>
        <location line="+29"/>
        <location line="+9"/>
        <source>印刷を始められませんでした。</source>
        <translation>Printing could not start.</translation>
    </message>
    <message>
        <location line="+9"/>
        <location line="+6"/>
        <location line="+4"/>
        <source>印刷データを渡せませんでした。</source>
        <translation>The print data could not be handed over.</translation>
    </message>
    <message>
        <location filename="../src/ui/print/printform.cpp" line="+248"/>
        <source>メッセージ</source>
        <translation>Message</translation>
    </message>
</context>
<context>
    <name>batchTexts</name>
    <message>
        <location filename="../tools/batchapply.cpp" line="+32"/>
        <source>%1: ファイルがありません。</source>
        <translation>%1: no such file.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%1: 書き出せる画像の種類が分かりません。名前の末尾は .jpg、.jpeg、.JPG、.JPEG、.bmp、.BMP、.png、.tif、.tiff、.webp、.jxl のいずれかにしてください。</source>
        <translation>%1: unknown picture type to write. End the name in .jpg, .jpeg, .JPG, .JPEG, .bmp, .BMP, .png, .tif, .tiff, .webp or .jxl.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1: フォルダーです。</source>
        <translation>%1: is a folder.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1: 読み取り専用のファイルです。</source>
        <translation>%1: the file is read-only.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1: フォルダー %2 がありません。</source>
        <translation>%1: the folder %2 does not exist.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>%1: 画像が空です。</source>
        <translation>%1: the picture is empty.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>%1: 結果の画像（%2 × %3 画素）は %4 ファイルにできません（一辺 %5 画素まで）。</source>
        <translation>%1: the result (%2 × %3 pixels) cannot be a %4 file (at most %5 pixels a side).</translation>
    </message>
    <message>
        <location filename="../tools/batchkernel.cpp" line="+52"/>
        <source>%1: 行列ファイルに書き込めません。</source>
        <translation>%1: cannot write the matrix file.</translation>
    </message>
    <message>
        <location filename="../tools/batchmany.cpp" line="+83"/>
        <source>%1: フォルダーを読めません: %2</source>
        <translation>%1: cannot read the folder: %2</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>%1: フォルダーに写真がありません。</source>
        <translation>%1: no photos in the folder.</translation>
    </message>
    <message>
        <location line="+66"/>
        <location line="+3"/>
        <source>%1: 名前の一覧を読めません: %2</source>
        <translation>%1: cannot read the list of names: %2</translation>
    </message>
    <message>
        <location line="+48"/>
        <location line="+105"/>
        <source>%1: 既にあります（置き換えるには --overwrite）。</source>
        <translation>%1: exists already (--overwrite replaces it).</translation>
    </message>
    <message>
        <location line="-102"/>
        <source>%1: フォルダーを作れません。</source>
        <translation>%1: cannot make the folder.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>%1: この写真を処理している間に、ほかの処理が同じ名前のファイルを作りました。そちらを残します（置き換えるには --overwrite）。</source>
        <translation>%1: another process made a file of this name while the photo was worked on. That file is kept (--overwrite replaces it).</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>処理を中止しました。</source>
        <translation>The work was stopped.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>メモリーが足りません。</source>
        <translation>Not enough memory.</translation>
    </message>
    <message>
        <location line="+50"/>
        <source>%1: 報告ファイルが%2 %3 と同じです。報告には別の名前を付けてください。</source>
        <translation>%1: the report file is the same as the %2 %3. Give the report another name.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>出力</source>
        <translation>output</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>入力の写真</source>
        <translation>input photo</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>名前の一覧</source>
        <translation>list of names</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>%1: 入力の写真です。入力は書き換えません。</source>
        <translation>%1: is an input photo. Inputs are never written.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1: %2 の出力と同じ名前です。</source>
        <translation>%1: the same name as the output of %2.</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>%1: フォルダーではありません。</source>
        <translation>%1: not a folder.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>写真が一つも指定されていません。</source>
        <translation>No photos were given.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1: 出力フォルダーを作れません。</source>
        <translation>%1: cannot make the output folder.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1: 出力フォルダーに書き込めません: </source>
        <translation>%1: cannot write into the output folder: </translation>
    </message>
    <message>
        <location filename="../tools/batchprogress.cpp" line="+37"/>
        <source>  %1 枚/秒  残り %2</source>
        <translation>  %1 photos/s  %2 left</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>%1: 報告ファイルを書けません: </source>
        <translation>%1: cannot write the report file: </translation>
    </message>
    <message>
        <location line="+36"/>
        <source>%1完了 %2 -&gt; %3 (%4 秒)</source>
        <translation>%1done %2 -&gt; %3 (%4 s)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1失敗 %2: %3</source>
        <translation>%1failed %2: %3</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>%1: 報告ファイルに書き込めません。</source>
        <translation>%1: cannot write to the report file.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>korvia-batch: %1 枚中 %2 枚が失敗しました。</source>
        <translation>korvia-batch: %2 of %1 photos failed.</translation>
    </message>
    <message>
        <location filename="../tools/batchrecipe.cpp" line="+12"/>
        <source>ビビット: tone curve slope at position 29 (1.29), chroma 10, sharpen 3</source>
        <translation>Vivid: tone curve slope at position 29 (1.29), chroma 10, sharpen 3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>グレースケール: grey picture of the luma</source>
        <translation>Greyscale: grey picture of the luma</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>セピア: sepia picture</source>
        <translation>Sepia: sepia picture</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>エンボス: emboss of depth 30 on grey (128, 128, 128)</source>
        <translation>Emboss: emboss of depth 30 on grey (128, 128, 128)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ペイント: pointillism, size from the shorter side S (S/80, 3..10)</source>
        <translation>Paint: pointillism, size from the shorter side S (S/80, 3..10)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ソフトフィルター: soft focus of size S/40 (1..30), core 50</source>
        <translation>Soft filter: soft focus of size S/40 (1..30), core 50</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>周辺ソフト: fringe blur of size 0.8 S (3..5000), strength 100</source>
        <translation>Soft edges: fringe blur of size 0.8 S (3..5000), strength 100</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>周辺暗く: circular fringe of size S/2 (0..5000), level -100</source>
        <translation>Dark edges: circular fringe of size S/2 (0..5000), level -100</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>モノクロ＋周辺暗く: greyscale, then fringe-dark</source>
        <translation>Mono + dark edges: greyscale, then fringe-dark</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>セピア＋周辺暗く: sepia, then fringe-dark</source>
        <translation>Sepia + dark edges: sepia, then fringe-dark</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>セピア＋周辺明るく: sepia, then the fringe at level 100</source>
        <translation>Sepia + light edges: sepia, then the fringe at level 100</translation>
    </message>
    <message>
        <location filename="../tools/commandline.cpp" line="+327"/>
        <source>Usage:
  korvia-batch apply INPUT -o OUTPUT [-q QUALITY] [--reencode] [--seed N] [--threads N] OP...
      Reads INPUT (JPEG, BMP, PNG, TIFF, WebP, HEIF/AVIF or a camera RAW file, told
      apart by their content), runs each OP in order and writes exactly OUTPUT,
      in the format its name ends with: JPEG (.jpg, .jpeg, .JPG, .JPEG), 32-bit BMP (.bmp,
      .BMP), PNG (.png), Deflate TIFF (.tif, .tiff), WebP (.webp) or JPEG XL (.jxl), each
      with the camera record, XMP and colour profile it can hold (BMP none). -q QUALITY
      (1..100, default 100) is the lossy ones&apos;: JPEG, WebP and JPEG XL, 100 lossless for
      the last two. --seed N (0..4294967295) seeds the random jitter of the fringe
      effects so that runs repeat. --threads N (1..64) sets the engine&apos;s worker threads
      (default: every core, or KORVIA_THREADS). With no OP the picture is copied.
      Every step&apos;s result size is checked before the first step runs: a picture above
      %1 pixels,
      or a JPEG OUTPUT wider or higher than %2 (a WebP one than %3), is refused.
      A JPEG INPUT whose OPs are only turn-right, turn-left, turn-180, mirror-lr, mirror-ud
      and trims on its block grid (8 or 16 pixels) is written to a JPEG OUTPUT from its
      stored blocks, losing nothing (-q does not apply), as jpegtran -perfect makes it;
      its EXIF orientation is part of the turn. Edges off the grid (a partial block that
      would come to the left or top) are encoded again instead. --reencode always decodes
      and encodes again.
  korvia-batch apply INPUT... -o FOLDER [-r] [--files-from LIST [-0]]
                   [--format jpeg|bmp|png|tiff|webp|jxl] [-q QUALITY] [--reencode] [--overwrite]
                   [-j N] [--report FILE] [--seed N] OP...
      Many photos: files, folders (-r: their sub-folders too, kept as sub-folders of
      FOLDER) and the names in LIST (one a line, or NUL-separated with -0; - reads
      standard input). Each photo is written into FOLDER under its own name with .jpg
      (--format jpeg, the default), .bmp, .png, .tif, .webp or .jxl; an existing file is
      kept unless --overwrite, also one another worker makes while the photo is worked on,
      and an input is never written. A photo named twice is done once; one whose name is
      not UTF-8 is reported failed with its bytes shown. -j N photos at once (default: the
      cores, no more than fit in half the memory), the engine&apos;s threads shared among them.
      A photo that
      fails is reported and the others go on. A progress bar on a terminal, else one
      line per photo; --report FILE writes one JSON line per photo (input, output,
      status, seconds, message); it may not be an input, a list or an output.
      Exit 0 all done, 1 some failed or the batch could not start, 2 usage error.
  korvia-batch info INPUT
      Prints the picture information page: size, the camera&apos;s EXIF values, file name,
      read from the file&apos;s headers without decoding its pixels.
  --memory-limit SIZE (apply, info; e.g. 4G, 1500M): the memory reading one picture
      may take, whatever its file&apos;s size (default: what the file&apos;s bytes can describe,
      at least 192M; KORVIA_MEMORY_LIMIT sets it for the window and korvia-batch).
  korvia-batch kernel OP[:keys] -o FILE
      Writes the engine&apos;s kernel of OP (%4) as a libvips matrix.
  korvia-batch --help

An OP is NAME or NAME:key=value,key=value. Operations, their keys, ranges and defaults:
</source>
        <translation>Usage:
  korvia-batch apply INPUT -o OUTPUT [-q QUALITY] [--reencode] [--seed N] [--threads N] OP...
      Reads INPUT (JPEG, BMP, PNG, TIFF, WebP, HEIF/AVIF or a camera RAW file, told
      apart by their content), runs each OP in order and writes exactly OUTPUT,
      in the format its name ends with: JPEG (.jpg, .jpeg, .JPG, .JPEG), 32-bit BMP (.bmp,
      .BMP), PNG (.png), Deflate TIFF (.tif, .tiff), WebP (.webp) or JPEG XL (.jxl), each
      with the camera record, XMP and colour profile it can hold (BMP none). -q QUALITY
      (1..100, default 100) is the lossy ones&apos;: JPEG, WebP and JPEG XL, 100 lossless for
      the last two. --seed N (0..4294967295) seeds the random jitter of the fringe
      effects so that runs repeat. --threads N (1..64) sets the engine&apos;s worker threads
      (default: every core, or KORVIA_THREADS). With no OP the picture is copied.
      Every step&apos;s result size is checked before the first step runs: a picture above
      %1 pixels,
      or a JPEG OUTPUT wider or higher than %2 (a WebP one than %3), is refused.
      A JPEG INPUT whose OPs are only turn-right, turn-left, turn-180, mirror-lr, mirror-ud
      and trims on its block grid (8 or 16 pixels) is written to a JPEG OUTPUT from its
      stored blocks, losing nothing (-q does not apply), as jpegtran -perfect makes it;
      its EXIF orientation is part of the turn. Edges off the grid (a partial block that
      would come to the left or top) are encoded again instead. --reencode always decodes
      and encodes again.
  korvia-batch apply INPUT... -o FOLDER [-r] [--files-from LIST [-0]]
                   [--format jpeg|bmp|png|tiff|webp|jxl] [-q QUALITY] [--reencode] [--overwrite]
                   [-j N] [--report FILE] [--seed N] OP...
      Many photos: files, folders (-r: their sub-folders too, kept as sub-folders of
      FOLDER) and the names in LIST (one a line, or NUL-separated with -0; - reads
      standard input). Each photo is written into FOLDER under its own name with .jpg
      (--format jpeg, the default), .bmp, .png, .tif, .webp or .jxl; an existing file is
      kept unless --overwrite, also one another worker makes while the photo is worked on,
      and an input is never written. A photo named twice is done once; one whose name is
      not UTF-8 is reported failed with its bytes shown. -j N photos at once (default: the
      cores, no more than fit in half the memory), the engine&apos;s threads shared among them.
      A photo that
      fails is reported and the others go on. A progress bar on a terminal, else one
      line per photo; --report FILE writes one JSON line per photo (input, output,
      status, seconds, message); it may not be an input, a list or an output.
      Exit 0 all done, 1 some failed or the batch could not start, 2 usage error.
  korvia-batch info INPUT
      Prints the picture information page: size, the camera&apos;s EXIF values, file name,
      read from the file&apos;s headers without decoding its pixels.
  --memory-limit SIZE (apply, info; e.g. 4G, 1500M): the memory reading one picture
      may take, whatever its file&apos;s size (default: what the file&apos;s bytes can describe,
      at least 192M; KORVIA_MEMORY_LIMIT sets it for the window and korvia-batch).
  korvia-batch kernel OP[:keys] -o FILE
      Writes the engine&apos;s kernel of OP (%4) as a libvips matrix.
  korvia-batch --help

An OP is NAME or NAME:key=value,key=value. Operations, their keys, ranges and defaults:
</translation>
    </message>
    <message>
        <location line="+52"/>
        <source>
One-click recipes (sizes follow the shorter side S of the picture):
</source>
        <translation>
One-click recipes (sizes follow the shorter side S of the picture):
</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>
Exit status 0 on success, 1 on failure with one message line on stderr.
</source>
        <translation>
Exit status 0 on success, 1 on failure with one message line on stderr.
</translation>
    </message>
</context>
<context>
    <name>colourTexts</name>
    <message>
        <location filename="../src/colour/displaycolour.cpp" line="+42"/>
        <source>埋め込みのICCプロファイルは%1ため無視し、sRGB として表示しています。</source>
        <translation>The embedded ICC profile was ignored (%1); the picture is shown as sRGB.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <location line="+74"/>
        <source>読み込むメモリが足りない</source>
        <translation>not enough memory to read it</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+26"/>
        <location line="+15"/>
        <source>壊れている</source>
        <translation>it is damaged</translation>
    </message>
    <message>
        <location line="-34"/>
        <source>画像の色を表すもの（%1）ではない</source>
        <translation>it does not describe picture colours (%1)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>この画像の色に使えない色空間（%1）の</source>
        <translation>its colour space (%1) does not suit this picture</translation>
    </message>
    <message>
        <location line="+267"/>
        <source>分割された部分がそろっていない</source>
        <translation>some of its parts are missing</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>なし（sRGB として表示）</source>
        <translation>none (shown as sRGB)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>名前のないプロファイル</source>
        <translation>unnamed profile</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>（sRGB に変換して表示）</source>
        <translation> (converted to sRGB for display)</translation>
    </message>
</context>
<context>
    <name>dialogService</name>
    <message>
        <location filename="../src/ui/widgets/dialogservice.cpp" line="+82"/>
        <source>メッセージ</source>
        <translation>Message</translation>
    </message>
</context>
<context>
    <name>imageTexts</name>
    <message>
        <location filename="../src/imagedata/bmpcoding.cpp" line="+77"/>
        <source>%1 を BMP ファイルとして読み込めません: %2</source>
        <translation>Cannot read %1 as a BMP file: %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ファイルが途中で切れています。</source>
        <translation>The file is cut short.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ファイルヘッダーがありません。</source>
        <translation>The file header is missing.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>画像ヘッダーが壊れています。</source>
        <translation>The picture header is damaged.</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>画像の大きさが正しくありません。</source>
        <translation>The picture size is not valid.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>この形式（%1 ビット、圧縮 %2）には対応していません。</source>
        <translation>This format (%1 bits, compression %2) is not supported.</translation>
    </message>
    <message>
        <location filename="../src/imagedata/decodedpicture.cpp" line="+27"/>
        <source>%1 の画像の大きさが正しくありません（%2 × %3 画素）。</source>
        <translation>%1 has an invalid picture size (%2 × %3 pixels).</translation>
    </message>
    <message>
        <location line="+45"/>
        <source>%1 を %2 画像として読み込めません: %3</source>
        <translation>Cannot read %1 as a %2 picture: %3</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>%1 を開けません: %2</source>
        <translation>Cannot open %1: %2</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>%1 を読み込めません: %2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <location filename="../src/imagedata/exifreader.cpp" line="+27"/>
        <source>マニュアル</source>
        <translation>Manual</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>通常のプログラム</source>
        <translation>Normal program</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>絞り優先</source>
        <translation>Aperture priority</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>シャッター速度優先</source>
        <translation>Shutter priority</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>低速プログラム</source>
        <translation>Creative program</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>高速プログラム</source>
        <translation>Action program</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ポートレートモード</source>
        <translation>Portrait mode</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>風景モード</source>
        <translation>Landscape mode</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+14"/>
        <source>不明</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <location line="-7"/>
        <source>平均測光</source>
        <translation>Average</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>中央重点</source>
        <translation>Centre-weighted</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>スポット</source>
        <translation>Spot</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>多点スポット</source>
        <translation>Multi-spot</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>マルチセグメント</source>
        <translation>Multi-segment</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>部分測光</source>
        <translation>Partial</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>その他</source>
        <translation>Other</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>非発光</source>
        <translation>Did not fire</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>発光</source>
        <translation>Fired</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>強制発光</source>
        <translation>Fired, forced</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>発光禁止</source>
        <translation>Off, suppressed</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>非発光(オートモード）</source>
        <translation>Did not fire (auto)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>発光(オートモード）</source>
        <translation>Fired (auto)</translation>
    </message>
    <message>
        <location line="+337"/>
        <location line="+31"/>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>幅&#x3000;：</source>
        <translation>Width:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>高さ&#x3000;：</source>
        <translation>Height:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>画素数&#x3000;：</source>
        <translation>Pixels:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Exifバージョン&#x3000;：</source>
        <translation>Exif version:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>メーカー名&#x3000;：</source>
        <translation>Make:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>機種名&#x3000;：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>撮影日時&#x3000;：</source>
        <translation>Date taken:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>シャッター速度：</source>
        <translation>Shutter speed:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>絞り&#x3000;：</source>
        <translation>Aperture:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>露出モード&#x3000;：</source>
        <translation>Exposure mode:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>測光モード&#x3000;：</source>
        <translation>Metering mode:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ISO感度&#x3000;：</source>
        <translation>ISO speed:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>焦点距離&#x3000;：</source>
        <translation>Focal length:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>開放F値&#x3000;：</source>
        <translation>Max. aperture:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>撮影距離&#x3000;：</source>
        <translation>Subject distance:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>フラッシュ&#x3000;：</source>
        <translation>Flash:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ファイル名&#x3000;：</source>
        <translation>File name:</translation>
    </message>
    <message>
        <location filename="../src/imagedata/filenames.cpp" line="+84"/>
        <source>ファイル名 %1 は UTF-8 の文字になっていないため扱えません。名前を変えてから使ってください。</source>
        <translation>The file name %1 is not UTF-8 text and cannot be used. Rename the file first.</translation>
    </message>
    <message>
        <location filename="../src/imagedata/imagedocument.cpp" line="+36"/>
        <source>元に戻すための控え %1 の名前を %2 に変えられません。（%3）</source>
        <translation>Cannot rename the undo copy %1 to %2. (%3)</translation>
    </message>
    <message>
        <location filename="../src/imagedata/imagefilemanager.cpp" line="+133"/>
        <source>%1 は開けません。開くことのできるファイルの拡張子は .jpg、.jpeg、.JPG、.JPEG（JPEG）、.bmp、.BMP（BMP）、.png（PNG）、.tif、.tiff（TIFF）、.webp（WebP）、.jxl（JPEG XL）、.heic、.heif、.avif（HEIF/AVIF）と .dng、.cr2、.cr3、.nef、.arw、.raf、.orf、.rw2（RAW）です（それぞれ大文字も）。</source>
        <translation>Cannot open %1. Korvia opens files ending in .jpg, .jpeg, .JPG, .JPEG (JPEG), .bmp, .BMP (BMP), .png (PNG), .tif, .tiff (TIFF), .webp (WebP), .jxl (JPEG XL), .heic, .heif, .avif (HEIF/AVIF) and .dng, .cr2, .cr3, .nef, .arw, .raf, .orf, .rw2 (RAW), each also in capitals.</translation>
    </message>
    <message>
        <location line="+24"/>
        <location line="+5"/>
        <source>%1 に書き込む画像がありません。</source>
        <translation>There is no picture to write to %1.</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>元に戻すための一時フォルダー %1 を作れません: %2</source>
        <translation>Cannot make the temporary undo folder %1: %2</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>フォルダーではなくシンボリックリンクです</source>
        <translation>it is a symbolic link, not a folder</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>ほかのユーザーのフォルダーです</source>
        <translation>it belongs to another user</translation>
    </message>
    <message>
        <location line="+45"/>
        <source>JPEG データ</source>
        <translation>JPEG data</translation>
    </message>
    <message>
        <location filename="../src/imagedata/instancefolder.cpp" line="+209"/>
        <location line="+64"/>
        <source>フォルダー %1 はほかのユーザーのものか、ほかのユーザーも書き込めるフォルダーです。</source>
        <translation>The folder %1 belongs to another user, or other users can write in it.</translation>
    </message>
    <message>
        <location line="+51"/>
        <source>元に戻すための控えは、代わりに自分だけが使えるフォルダー %1 に置きます。</source>
        <translation>The undo copies go into the folder %1 instead, which only you can use.</translation>
    </message>
    <message>
        <location filename="../src/imagedata/jpegcoding.cpp" line="+388"/>
        <source>%1 は空のファイルで、JPEG 画像が入っていません。</source>
        <translation>%1 is an empty file with no JPEG picture in it.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>画像を変換するためのメモリが足りません。</source>
        <translation>Not enough memory to convert the picture.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%1 を JPEG 画像として読み込めません: %2</source>
        <translation>Cannot read %1 as a JPEG picture: %2</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>走査（スキャン）が多すぎます（%1 × %2 画素で %3 回目の走査）。</source>
        <translation>Too many scans (scan %3 of a %1 × %2 pixel picture).</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>%1 は開くことのできない色空間で保存されています。</source>
        <translation>%1 is stored in a colour space Korvia cannot open.</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>JPEG として書き出す画像がありません。</source>
        <translation>There is no picture to write as JPEG.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>画像が大きすぎて JPEG ファイルにできません（一辺 %1 画素まで）。</source>
        <translation>The picture is too large for a JPEG file (at most %1 pixels a side).</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>画像を JPEG に変換できません: %1</source>
        <translation>Cannot convert the picture to JPEG: %1</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1 は大きすぎて開けません（%2 × %3 画素）。</source>
        <translation>%1 is too large to open (%2 × %3 pixels).</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 を開くためのメモリが足りません（%2 × %3 画素）。</source>
        <translation>Not enough memory to open %1 (%2 × %3 pixels).</translation>
    </message>
    <message>
        <location filename="../src/imagedata/myimagearray.cpp" line="+203"/>
        <source>クラスmyImageArray&#x3000;のコンストラクタがメモリ確保ができなかった</source>
        <translation>Not enough memory for the picture planes.</translation>
    </message>
    <message>
        <location filename="../src/imagedata/picturemetadata.cpp" line="+255"/>
        <source>EXIF 記録の壊れた部分</source>
        <translation>the damaged parts of the EXIF record</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>余分な EXIF 記録</source>
        <translation>extra EXIF records</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>大きすぎる EXIF 記録</source>
        <translation>an EXIF record too large</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>余分な XMP パケット</source>
        <translation>extra XMP packets</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>大きすぎる XMP パケット</source>
        <translation>an XMP packet too large</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>欠けているか結び付かない拡張 XMP</source>
        <translation>extended XMP that is missing or belongs to nothing</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>壊れた ICC プロファイル</source>
        <translation>a damaged ICC profile</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>大きすぎる ICC プロファイル</source>
        <translation>an ICC profile too large</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>保存するファイルには、壊れているか余分な次の情報を書き込みません: %1。</source>
        <translation>This damaged or extra information is not written into the saved file: %1.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <location line="+9"/>
        <source>画像の向きを直すためのメモリが足りません（%1 × %2 画素）。</source>
        <translation>Not enough memory to turn the picture upright (%1 × %2 pixels).</translation>
    </message>
    <message>
        <location filename="../src/imagedata/picturesignature.cpp" line="+127"/>
        <location line="+29"/>
        <source>%1 は空のファイルで、画像が入っていません。</source>
        <translation>%1 is an empty file with no picture in it.</translation>
    </message>
    <message>
        <location line="-7"/>
        <location line="+21"/>
        <source>%1 は開くことのできない形式です。</source>
        <translation>%1 is in a format Korvia cannot open.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>この形式では書き出せません。</source>
        <translation>Korvia cannot write this format.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>すべての画像</source>
        <translation>All pictures</translation>
    </message>
    <message>
        <location filename="../src/imagedata/pngcoding.cpp" line="+413"/>
        <source>画像を PNG に変換するためのメモリが足りません。</source>
        <translation>Not enough memory to convert the picture to PNG.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>画像を PNG に変換できません: %1</source>
        <translation>Cannot convert the picture to PNG: %1</translation>
    </message>
    <message>
        <location filename="../src/imagedata/safewrite.cpp" line="+74"/>
        <source>%1 に書き込めません: ファイルの大きさの上限（ulimit -f またはファイルシステムの上限）を超えます: %2</source>
        <translation>Cannot write %1: it would exceed the file size limit (ulimit -f or the file system&apos;s limit): %2</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 に書き込めません: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 は既にあります。置き換えずに残しました。</source>
        <translation>%1 exists already. It was left as it was.</translation>
    </message>
    <message>
        <location filename="../src/imagedata/snapshotwriter.cpp" line="+283"/>
        <source>元に戻すための控えをディスクに書き込めませんでした。控えはメモリーに残してあるので、元に戻すことはできます。（%1）</source>
        <translation>An undo copy could not be written to disk. It is kept in memory, so Undo still works. (%1)</translation>
    </message>
    <message>
        <location filename="../src/imagedata/tiffcoding.cpp" line="+471"/>
        <source>TIFF として書き出す画像がありません。</source>
        <translation>There is no picture to write as TIFF.</translation>
    </message>
    <message>
        <location line="+48"/>
        <source>画像を TIFF に変換できません: %1</source>
        <translation>Cannot convert the picture to TIFF: %1</translation>
    </message>
    <message>
        <location filename="../src/imagedata/webpcoding.cpp" line="+245"/>
        <source>WebP として書き出す画像がありません。</source>
        <translation>There is no picture to write as WebP.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>画像が大きすぎて WebP ファイルにできません（一辺 %1 画素まで）。</source>
        <translation>The picture is too large for a WebP file (at most %1 pixels a side).</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>画像を WebP に変換できません: libwebp version mismatch</source>
        <translation>Cannot convert the picture to WebP: libwebp version mismatch</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>画像を WebP に変換できません（libwebp の誤り %1）。</source>
        <translation>Cannot convert the picture to WebP (libwebp error %1).</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>WebP ファイルに画像情報を書き込めません。</source>
        <translation>Cannot write the picture information into the WebP file.</translation>
    </message>
    <message>
        <location filename="../src/imagedata/jxlcoding.cpp" line="+100"/>
        <source>画像の大きさが 0 です。</source>
        <translation>The picture has no size.</translation>
    </message>
    <message>
        <location line="+219"/>
        <source>重ねられたフレームが多すぎて、ファイルの大きさに見合いません。</source>
        <translation>Too many layered frames for the file&apos;s size.</translation>
    </message>
    <message>
        <location line="+89"/>
        <source>JPEG XL に変換するためのメモリが足りません（%1 × %2 画素）。</source>
        <translation>Not enough memory to convert the picture to JPEG XL (%1 × %2 pixels).</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>画像を JPEG XL に変換できません（libjxl の誤り %1）。</source>
        <translation>Cannot convert the picture to JPEG XL (libjxl error %1).</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>JPEG XL に変換するためのメモリが足りません。</source>
        <translation>Not enough memory to convert the picture to JPEG XL.</translation>
    </message>
    <message>
        <location line="+83"/>
        <source>JPEG XL として書き出す画像がありません。</source>
        <translation>There is no picture to write as JPEG XL.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>色プロファイルを JPEG XL ファイルに書き込めないため、色プロファイルなしで保存しました。</source>
        <translation>The colour profile could not be written into the JPEG XL file, so the picture was saved without it.</translation>
    </message>
    <message>
        <location filename="../src/imagedata/losslessjpeg.cpp" line="+372"/>
        <source>JPEG データの始まりがありません。</source>
        <translation>The JPEG data has no start.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>JPEG データの APP0 が途中で切れています。</source>
        <translation>The JPEG data&apos;s APP0 segment is cut short.</translation>
    </message>
    <message>
        <location filename="../src/imagedata/picturelimits.cpp" line="+131"/>
        <source>%1 は、読み込みに要るメモリが上限を超えるため開けません。正しい画像なら、上限を環境変数 KORVIA_MEMORY_LIMIT（korvia-batch では --memory-limit も）で上げれば開けます（例: KORVIA_MEMORY_LIMIT=4G）: %2（%3 × %4 画素）、要るメモリ %5 MB、上限 %6 MB%7</source>
        <translation>%1 cannot be opened: reading it needs more memory than the limit. If the picture is sound, raising the limit with the environment variable KORVIA_MEMORY_LIMIT (in korvia-batch also --memory-limit) opens it (for example KORVIA_MEMORY_LIMIT=4G): %2 (%3 × %4 pixels), %5 MB needed, limit %6 MB%7</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>宣言された画像の大きさ</source>
        <translation>the declared picture size</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>宣言された画像の大きさがファイルの大きさに見合いません</source>
        <translation>the declared picture size does not match the file&apos;s size</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>（指定された上限）。</source>
        <translation> (the limit set).</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>。</source>
        <translation>.</translation>
    </message>
</context>
<context>
    <name>numberEntry</name>
    <message>
        <location filename="../src/ui/mytoolbox.cpp" line="+9"/>
        <source>数字以外の文字が入力されました。数字、+（プラス）、-（マイナス）.（小数点）のみ有効</source>
        <translation>Only digits, + (plus), - (minus) and . (decimal point) can be entered here.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>整数以外の文字が入力されました。数字、+（プラス）、-（マイナス）のみ有効</source>
        <translation>Only digits, + (plus) and - (minus) can be entered here.</translation>
    </message>
</context>
<context>
    <name>shapeTexts</name>
    <message>
        <location filename="../src/geometry/prepareshape.cpp" line="+72"/>
        <source>変形後の画像が大きすぎます（%1 × %2 画素）。扱える画像は %3 画素までです。</source>
        <translation>The transformed picture is too large (%1 × %2 pixels). Korvia handles pictures of up to %3 pixels.</translation>
    </message>
</context>
</TS>
