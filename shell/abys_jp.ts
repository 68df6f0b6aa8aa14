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
        <source>&amp;Depth settings...</source>
        <translation>水深設定(&amp;D)...</translation>
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
</context>
</TS>
