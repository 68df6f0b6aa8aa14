<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>DrawingArea</name>
    <message>
        <source>LAT:</source>
        <translation>緯度:</translation>
    </message>
    <message>
        <source>LON:</source>
        <translation>経度:</translation>
    </message>
    <message>
        <source>VALDCO:</source>
        <translation>等深線値:</translation>
    </message>
    <message>
        <source>SOUNDG:</source>
        <translation>水深:</translation>
    </message>
    <message>
        <source>DRVAL:</source>
        <translation>水深範囲:</translation>
    </message>
    <message>
        <source>Depth lines (m)</source>
        <translation>等深線 (m)</translation>
    </message>
    <message>
        <source>Depth areas (m)</source>
        <translation>水深区域 (m)</translation>
    </message>
    <message>
        <source>1:%1</source>
        <translation>縮尺 1:%1</translation>
    </message>
    <message>
        <source>%1N</source>
        <translation>北緯 %1</translation>
    </message>
    <message>
        <source>%1S</source>
        <translation>南緯 %1</translation>
    </message>
    <message>
        <source>%1E</source>
        <translation>東経 %1</translation>
    </message>
    <message>
        <source>%1W</source>
        <translation>西経 %1</translation>
    </message>
</context>
<context>
    <name>DepthSettingsDialog</name>
    <message>
        <source>Depth settings</source>
        <translation>水深設定</translation>
    </message>
    <message>
        <source>Shallow contour (m):</source>
        <translation>浅水等深線 (m):</translation>
    </message>
    <message>
        <source>Safety contour (m):</source>
        <translation>安全等深線 (m):</translation>
    </message>
    <message>
        <source>Deep contour (m):</source>
        <translation>深水等深線 (m):</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Apply &amp;update files</source>
        <translation>更新ファイルを適用(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>開く(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>閉じる(&amp;C)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>ABYS について(&amp;A)</translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation>Qt について(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Identify</source>
        <translation>識別(&amp;I)</translation>
    </message>
    <message>
        <source>&amp;Recent files</source>
        <translation>最近使ったファイル(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Export image...</source>
        <translation>画像を書き出す(&amp;E)...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>印刷(&amp;P)...</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>SVG drawing (*.svg)</source>
        <translation>SVG 図形 (*.svg)</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF 文書 (*.pdf)</translation>
    </message>
    <message>
        <source>Export image</source>
        <translation>画像の書き出し</translation>
    </message>
    <message>
        <source>%1 could not be written.</source>
        <translation>%1 に書き込めませんでした。</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>印刷</translation>
    </message>
    <message>
        <source>The printer could not be used.</source>
        <translation>プリンターを使用できませんでした。</translation>
    </message>
    <message>
        <source>Open &amp;folder...</source>
        <translation>フォルダーを開く(&amp;F)...</translation>
    </message>
    <message>
        <source>C&amp;ells</source>
        <translation>セル(&amp;E)</translation>
    </message>
    <message>
        <source>Set memory &amp;limit...</source>
        <translation>メモリ上限の設定(&amp;L)...</translation>
    </message>
    <message>
        <source>%1: no cell to open; see Messages</source>
        <translation>%1: 開けるセルがありません。メッセージを参照してください</translation>
    </message>
    <message>
        <source>cells %v/%m</source>
        <translation>セル %v/%m</translation>
    </message>
    <message>
        <source>Set memory limit</source>
        <translation>メモリ上限の設定</translation>
    </message>
    <message>
        <source>Memory for the cells of a folder, in MiB; cells out of view are released beyond it:</source>
        <translation>フォルダーのセルに使うメモリ (MiB)。超えると表示外のセルを解放します:</translation>
    </message>
    <message numerus="yes">
        <source>%1: %n cell(s)</source>
        <translation>
            <numerusform>%1: セル %n 個</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ViewMenu</name>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Full view</source>
        <translation>全体表示(&amp;F)</translation>
    </message>
    <message>
        <source>Zoom &amp;in</source>
        <translation>拡大(&amp;I)</translation>
    </message>
    <message>
        <source>Zoom &amp;out</source>
        <translation>縮小(&amp;O)</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左へ</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右へ</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>上へ</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>下へ</translation>
    </message>
    <message>
        <source>&amp;Depth settings...</source>
        <translation>水深設定(&amp;D)...</translation>
    </message>
    <message>
        <source>&amp;Messages</source>
        <translation>メッセージ(&amp;M)</translation>
    </message>
    <message>
        <source>I&amp;dentify results</source>
        <translation>識別結果(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;S-58 checks</source>
        <translation>S-58 検査(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Legend</source>
        <translation>凡例(&amp;L)</translation>
    </message>
    <message>
        <source>Sc&amp;ale bar</source>
        <translation>縮尺バー(&amp;A)</translation>
    </message>
    <message>
        <source>Declutter &amp;names</source>
        <translation>名称の重なりを省く(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Wide depth lines</source>
        <translation>等深線を太く(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Read on past order errors</source>
        <translation>フィールド順序の誤りを越えて読む(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Colours</source>
        <translation>色(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Day</source>
        <translation>昼(&amp;D)</translation>
    </message>
    <message>
        <source>D&amp;usk</source>
        <translation>薄暮(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Night</source>
        <translation>夜(&amp;N)</translation>
    </message>
    <message>
        <source>Displa&amp;y</source>
        <translation>表示区分(&amp;Y)</translation>
    </message>
    <message>
        <source>Display &amp;base</source>
        <translation>基本表示(&amp;B)</translation>
    </message>
    <message>
        <source>&amp;Standard</source>
        <translation>標準表示(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>全表示(&amp;A)</translation>
    </message>
    <message>
        <source>Scale &amp;minimum</source>
        <translation>最小縮尺(&amp;M)</translation>
    </message>
    <message>
        <source>Na&amp;mes</source>
        <translation>名称(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Other text</source>
        <translation>その他の文字(&amp;O)</translation>
    </message>
    <message>
        <source>Depth &amp;presentation</source>
        <translation>水深の表現(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Bands and hue scale</source>
        <translation>水深帯と色相(&amp;B)</translation>
    </message>
    <message>
        <source>As &amp;S-52</source>
        <translation>S-52 に従う(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Two shades</source>
        <translation>二色(&amp;T)</translation>
    </message>
    <message>
        <source>Shallow &amp;pattern</source>
        <translation>浅所の模様(&amp;P)</translation>
    </message>
    <message>
        <source>S&amp;ymbolised boundaries</source>
        <translation>記号化した境界(&amp;Y)</translation>
    </message>
    <message>
        <source>Si&amp;mplified symbols</source>
        <translation>簡略化した記号(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Highlight updates</source>
        <translation>更新を強調表示(&amp;H)</translation>
    </message>
</context>
<context>
    <name>MessagesDock</name>
    <message>
        <source>Messages</source>
        <translation>メッセージ</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>コード</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>分類</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>内容</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>レコード</translation>
    </message>
    <message>
        <source>Object</source>
        <translation>物標</translation>
    </message>
    <message>
        <source>Show chart anyway</source>
        <translation>それでも海図を表示</translation>
    </message>
    <message>
        <source>(only the first %1 findings are listed)</source>
        <translation>(最初の %1 件のみ表示)</translation>
    </message>
    <message>
        <source>Features the updates inserted: %1, modified: %2, deleted: %3</source>
        <translation>更新で挿入された地物: %1、修正された地物: %2、削除された地物: %3</translation>
    </message>
    <message>
        <source>Deleted by %1: %2</source>
        <translation>%1 で削除: %2</translation>
    </message>
    <message numerus="yes">
        <source>S-58 checks: %n finding(s)</source>
        <translation>
            <numerusform>S-58 検査: 指摘 %n 件</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n S-58 finding(s)</source>
        <translation>
            <numerusform>S-58 指摘 %n 件</numerusform>
        </translation>
    </message>
    <message>
        <source>the file cannot be opened</source>
        <translation>ファイルを開けません</translation>
    </message>
    <message>
        <source>no S-57 record could be read</source>
        <translation>S-57 レコードを読み取れません</translation>
    </message>
    <message>
        <source>an update file cancelled the cell</source>
        <translation>更新ファイルによりセルが取り消されました</translation>
    </message>
    <message>
        <source>the checks failed (%1)</source>
        <translation>検査で不合格 (%1)</translation>
    </message>
    <message>
        <source>%1: %2; see Messages</source>
        <translation>%1: %2。メッセージを参照</translation>
    </message>
    <message>
        <source>memory ran out; the checks stopped</source>
        <translation>メモリ不足のため検査を中止</translation>
    </message>
    <message>
        <source>field out of order, read on past it</source>
        <translation>フィールドの順序の誤り (読み続けました)</translation>
    </message>
    <message numerus="yes">
        <source>read on past fields out of order in %n record(s)</source>
        <translation>
            <numerusform>%n 件のレコードでフィールド順序の誤りを越えて読みました</numerusform>
        </translation>
    </message>
    <message>
        <source>feature identifier used twice</source>
        <translation>地物識別子の重複</translation>
    </message>
    <message>
        <source>vector identifier used twice</source>
        <translation>ベクトル識別子の重複</translation>
    </message>
    <message>
        <source>line or area feature points to a record other than an edge</source>
        <translation>線・面地物がエッジ以外のレコードを参照</translation>
    </message>
    <message>
        <source>point feature points to a record other than a node</source>
        <translation>点地物がノード以外のレコードを参照</translation>
    </message>
    <message>
        <source>pointer to a record that does not exist</source>
        <translation>存在しないレコードへのポインタ</translation>
    </message>
    <message>
        <source>the same pointer repeated</source>
        <translation>同じポインタの繰り返し</translation>
    </message>
    <message>
        <source>edge points to a record other than a connected node</source>
        <translation>エッジが接続ノード以外のレコードを参照</translation>
    </message>
    <message>
        <source>edge with too many nodes</source>
        <translation>ノードが多すぎるエッジ</translation>
    </message>
    <message>
        <source>edge with too few nodes</source>
        <translation>ノードが足りないエッジ</translation>
    </message>
    <message>
        <source>loop edge too short</source>
        <translation>短すぎるループエッジ</translation>
    </message>
    <message>
        <source>first node is not the beginning node</source>
        <translation>最初のノードが始点ノードでない</translation>
    </message>
    <message>
        <source>second node is not the end node</source>
        <translation>2 番目のノードが終点ノードでない</translation>
    </message>
    <message>
        <source>connected node with pointers</source>
        <translation>ポインタを持つ接続ノード</translation>
    </message>
    <message>
        <source>isolated node with pointers</source>
        <translation>ポインタを持つ孤立ノード</translation>
    </message>
    <message>
        <source>soundings on an edge or a node</source>
        <translation>エッジまたはノード上の水深</translation>
    </message>
    <message>
        <source>node with several coordinates</source>
        <translation>複数の座標を持つノード</translation>
    </message>
    <message>
        <source>isolated node without coordinates</source>
        <translation>座標のない孤立ノード</translation>
    </message>
    <message>
        <source>isolated node with both 2-D and 3-D coordinates</source>
        <translation>2 次元と 3 次元の座標を両方持つ孤立ノード</translation>
    </message>
    <message>
        <source>connected node without a coordinate</source>
        <translation>座標のない接続ノード</translation>
    </message>
    <message>
        <source>isolated node that no feature uses</source>
        <translation>どの地物も使わない孤立ノード</translation>
    </message>
    <message>
        <source>connected node that no edge uses</source>
        <translation>どのエッジも使わない接続ノード</translation>
    </message>
    <message>
        <source>edge that no feature uses</source>
        <translation>どの地物も使わないエッジ</translation>
    </message>
    <message>
        <source>node without an edge</source>
        <translation>エッジのないノード</translation>
    </message>
    <message>
        <source>edge shared by line features</source>
        <translation>線地物が共有するエッジ</translation>
    </message>
    <message>
        <source>sounding node shared by point features</source>
        <translation>点地物が共有する水深ノード</translation>
    </message>
    <message>
        <source>duplicate feature</source>
        <translation>重複した地物</translation>
    </message>
    <message>
        <source>line features on the same edges</source>
        <translation>同じエッジ上の線地物</translation>
    </message>
    <message>
        <source>area features on the same edges</source>
        <translation>同じエッジ上の面地物</translation>
    </message>
    <message>
        <source>line feature broken</source>
        <translation>線地物の途切れ</translation>
    </message>
    <message>
        <source>area ring broken</source>
        <translation>面の輪の途切れ</translation>
    </message>
    <message>
        <source>first ring of an area not closed</source>
        <translation>面の最初の輪が閉じていない</translation>
    </message>
    <message>
        <source>later ring of an area not closed</source>
        <translation>面の後続の輪が閉じていない</translation>
    </message>
    <message>
        <source>feature without spatial pointers</source>
        <translation>空間ポインタのない地物</translation>
    </message>
    <message>
        <source>%1: %2; drawn as far as it can be; see Messages</source>
        <translation>%1: %2。描ける範囲で表示。メッセージを参照</translation>
    </message>
    <message numerus="yes">
        <source>%n finding(s)</source>
        <translation>
            <numerusform>指摘 %n 件</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>IdentifyDock</name>
    <message>
        <source>Identify</source>
        <translation>識別</translation>
    </message>
    <message>
        <source>Nothing here</source>
        <translation>ここには何もありません</translation>
    </message>
    <message>
        <source>Record: %1</source>
        <translation>レコード: %1</translation>
    </message>
    <message>
        <source>Light: %1</source>
        <translation>灯質: %1</translation>
    </message>
</context>
<context>
    <name>CellsDock</name>
    <message>
        <source>Cells</source>
        <translation>セル</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>絞り込み</translation>
    </message>
    <message>
        <source>Cell</source>
        <translation>セル</translation>
    </message>
    <message>
        <source>Band</source>
        <translation>用途</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>縮尺</translation>
    </message>
    <message>
        <source>Edition</source>
        <translation>版</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>Issued</source>
        <translation>発行日</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状態</translation>
    </message>
    <message>
        <source>Check all</source>
        <translation>すべて検査</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>not yet checked</source>
        <translation>未検査</translation>
    </message>
    <message>
        <source>checking</source>
        <translation>検査中</translation>
    </message>
    <message>
        <source>passed</source>
        <translation>合格</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>不合格: %1</translation>
    </message>
    <message>
        <source>no findings</source>
        <translation>指摘なし</translation>
    </message>
</context>
</TS>
