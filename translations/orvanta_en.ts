<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>orv::AboutBox</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>网站：</source>
        <translation>Web site:</translation>
    </message>
    <message>
        <source>电邮：</source>
        <translation>E-mail:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>orv::GeneralPage</name>
    <message>
        <source>生成 Flash</source>
        <translation>Flash movie</translation>
    </message>
    <message>
        <source>Flash窗口调整大小时进行缩放</source>
        <translation>Scale the movie when the Flash window is resized</translation>
    </message>
    <message>
        <source>插入讲解者注释作为附带幻灯片</source>
        <translation>Add the speaker notes as extra slides</translation>
    </message>
    <message>
        <source>在结束插入空的幻灯片</source>
        <translation>Insert a blank slide at the end</translation>
    </message>
    <message>
        <source>禁用打印功能</source>
        <translation>Disable printing</translation>
    </message>
    <message>
        <source>Flash 内容到左上方对齐</source>
        <translation>Align the Flash content to the top left</translation>
    </message>
    <message>
        <source>转换后</source>
        <translation>After the conversion</translation>
    </message>
    <message>
        <source>打开带有输出 SWF 文件的文件夹</source>
        <translation>Open the folder with the SWF files</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Same as the system</translation>
    </message>
    <message>
        <source>重新启动后生效</source>
        <translation>Takes effect at the next start</translation>
    </message>
    <message>
        <source>转换中的问题记在列表和结果中，不逐个弹出消息框</source>
        <translation>Collect a batch&apos;s problems in the list, without a box for each</translation>
    </message>
</context>
<context>
    <name>orv::MainWindow</name>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>浏览目录文件夹</source>
        <translation>Choose the output folder</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>开始执行转换操作</source>
        <translation>Start the conversion</translation>
    </message>
    <message>
        <source>转换选项</source>
        <translation>Conversion options</translation>
    </message>
    <message>
        <source>请先添加 PowerPoint 文件到列表</source>
        <translation>Add PowerPoint files to the list</translation>
    </message>
    <message>
        <source>移除选定文件</source>
        <translation>Remove the selected files</translation>
    </message>
    <message>
        <source>创建空的文件列表</source>
        <translation>Start a new, empty file list</translation>
    </message>
    <message>
        <source>打开先前保存的文件列表</source>
        <translation>Open a saved file list</translation>
    </message>
    <message>
        <source>保存当前文件列表</source>
        <translation>Save the current file list</translation>
    </message>
    <message>
        <source>演示文稿 (.ppt .pps .pptx .ppsx .odp) (*.ppt *.pps *.pptx *.ppsx *.odp *.PPT *.PPS *.PPTX *.PPSX *.ODP)</source>
        <translation>Presentations (.ppt .pps .pptx .ppsx .odp) (*.ppt *.pps *.pptx *.ppsx *.odp *.PPT *.PPS *.PPTX *.PPSX *.ODP)</translation>
    </message>
    <message>
        <source>Orvanta 方案(.p2s) (*.p2s)</source>
        <translation>Orvanta schemes (.p2s) (*.p2s)</translation>
    </message>
    <message>
        <source>演示文稿列表</source>
        <translation>Presentations</translation>
    </message>
    <message>
        <source>输出目录</source>
        <translation>Output folder</translation>
    </message>
    <message>
        <source>转换结果</source>
        <translation>Result of the conversion</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>转换</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>新建列表</source>
        <translation>New list</translation>
    </message>
    <message>
        <source>打开列表</source>
        <translation>Open list</translation>
    </message>
    <message>
        <source>保存列表</source>
        <translation>Save list</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>waiting</translation>
    </message>
    <message>
        <source>正在转换</source>
        <translation>converting</translation>
    </message>
    <message>
        <source>已转换</source>
        <translation>converted</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>已略过</source>
        <translation>skipped</translation>
    </message>
    <message>
        <source>已转换 %1 个，失败 %2 个，已取消 %3 个</source>
        <translation>%1 converted, %2 failed, %3 cancelled</translation>
    </message>
    <message>
        <source>，已略过 %1 个</source>
        <translation>, %1 skipped</translation>
    </message>
    <message>
        <source>失败：%1</source>
        <translation>Failed: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1（与 %2 同名）</source>
        <translation>%1 (same name as %2)</translation>
    </message>
    <message>
        <source>……及另外 %1 个</source>
        <translation>… and %1 more</translation>
    </message>
    <message>
        <source>下列演示文稿与列表中排在前面的演示文稿同名，输出文件会互相覆盖：</source>
        <translation>These presentations have the same name as presentations higher in the list, and their outputs would replace each other&apos;s:</translation>
    </message>
    <message>
        <source>保留文件夹结构：输出放在输出目录下与源文件相同的子文件夹中（从 %1 算起）。
略过后面的：每组只转换排在最前的一个。</source>
        <translation>Keep the folder tree: the outputs go into the sources&apos; own folders below the output folder (counted from %1).
Skip the later ones: only the first of each is converted.</translation>
    </message>
    <message>
        <source>保留文件夹结构(&amp;K)</source>
        <translation>&amp;Keep the folder tree</translation>
    </message>
    <message>
        <source>略过后面的(&amp;S)</source>
        <translation>&amp;Skip the later ones</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>orv::NavigationPage</name>
    <message>
        <source>导航面板</source>
        <translation>Navigation panel</translation>
    </message>
    <message>
        <source>显示导航面板</source>
        <translation>Show the navigation panel</translation>
    </message>
    <message>
        <source>隐藏导航面板</source>
        <translation>Hide the navigation panel</translation>
    </message>
    <message>
        <source>在开头插入导航帮助页面</source>
        <translation>Insert a navigation help page at the start</translation>
    </message>
    <message>
        <source>自动播放</source>
        <translation>Automatic playback</translation>
    </message>
    <message>
        <source>载入 Flash 后直接转到自动播放模式</source>
        <translation>Play automatically as soon as the movie has loaded</translation>
    </message>
    <message>
        <source>无限循环</source>
        <translation>Loop forever</translation>
    </message>
    <message>
        <source>自动播放间隔</source>
        <translation>Automatic playback interval</translation>
    </message>
    <message>
        <source>从原始幻灯片中重新恢复延时信息</source>
        <translation>Use the timings of the original slides</translation>
    </message>
    <message>
        <source>使用固定自动播放间隔</source>
        <translation>Use a fixed interval</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>运行导航时</source>
        <translation>While navigating</translation>
    </message>
    <message>
        <source>启用渐隐效果</source>
        <translation>Fade between slides</translation>
    </message>
</context>
<context>
    <name>orv::OptionsSheet</name>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>常规</source>
        <translation>General</translation>
    </message>
    <message>
        <source>质量</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>导航</source>
        <translation>Navigation</translation>
    </message>
    <message>
        <source>输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>应用(&amp;A)</source>
        <translation>&amp;Apply</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>orv::OutputPage</name>
    <message>
        <source>分割幻灯片文件</source>
        <translation>Splitting the presentation</translation>
    </message>
    <message>
        <source>输出每个幻灯片各自为独立的 SWF 文件</source>
        <translation>Write every slide as a SWF file of its own</translation>
    </message>
    <message>
        <source>如果可以，使用幻灯片标题作为文件名</source>
        <translation>Name the files after the slide titles where possible</translation>
    </message>
    <message>
        <source>发布</source>
        <translation>Publishing</translation>
    </message>
    <message>
        <source>生成 HTML 自动换行文件</source>
        <translation>Write an HTML page for each movie</translation>
    </message>
    <message>
        <source>生成 CD 刻录的 autorun 文件</source>
        <translation>Write an autorun file for a CD</translation>
    </message>
    <message>
        <source>网页内置 Flash 播放器 (Ruffle)</source>
        <translation>Flash player built into the page (Ruffle)</translation>
    </message>
    <message>
        <source>同时生成 HTML5 版本（双击即可播放）</source>
        <translation>Also write an HTML5 version (plays on a double click)</translation>
    </message>
    <message>
        <source>SCORM 1.2 课件包 (学习平台)</source>
        <translation>SCORM 1.2 package (learning platforms)</translation>
    </message>
    <message>
        <source>生成目录页 index.html（附缩略图）</source>
        <translation>Index page (index.html) with thumbnails</translation>
    </message>
    <message>
        <source>视频</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>同时生成视频（每张幻灯片一个章节）</source>
        <translation>Also write a video (a chapter per slide)</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>转换限制</source>
        <translation>Conversion limits</translation>
    </message>
    <message>
        <source>看过课件中</source>
        <translation>A lesson is completed after</translation>
    </message>
    <message>
        <source>% 的幻灯片即算完成</source>
        <translation>% of its slides were seen</translation>
    </message>
    <message>
        <source>每个演示文稿最长</source>
        <translation>Time limit per presentation:</translation>
    </message>
    <message>
        <source>不限</source>
        <translation>none</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>每个演示文稿使用</source>
        <translation>LibreOffices per presentation:</translation>
    </message>
    <message>
        <source>按处理器核心</source>
        <translation>one per core</translation>
    </message>
    <message>
        <source>个 LibreOffice 分担幻灯片</source>
        <translation>(they share its slides)</translation>
    </message>
    <message>
        <source>重要提示：<byte value="xd"/>
启用该选项功能，下面选项将被忽略：<byte value="xd"/>
<byte value="xd"/>
1. 在结束插入空的页面；<byte value="xd"/>
2. 显示导航面板；<byte value="xd"/>
3. 在开始插入帮助页面；<byte value="xd"/>
4. 生成 autorun 文件。<byte value="xd"/>
<byte value="xd"/>
获取更多信息，请参考帮助文档。</source>
        <translation>Important:<byte value="xd"/>
With this option on, the following options are ignored:<byte value="xd"/>
<byte value="xd"/>
1. Insert a blank slide at the end;<byte value="xd"/>
2. Show the navigation panel;<byte value="xd"/>
3. Insert a help page at the start;<byte value="xd"/>
4. Write an autorun file.<byte value="xd"/>
<byte value="xd"/>
See the help for more.</translation>
    </message>
</context>
<context>
    <name>orv::ProgressWindow</name>
    <message>
        <source>取消这个演示文稿</source>
        <translation>Cancel this presentation</translation>
    </message>
    <message>
        <source>停止(&amp;S)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>取消这个演示文稿和之后的所有演示文稿</source>
        <translation>Cancel this presentation and every one after it</translation>
    </message>
    <message>
        <source>停止整批转换</source>
        <translation>Stop the whole batch</translation>
    </message>
    <message>
        <source>正在启动 LibreOffice</source>
        <translation>Starting LibreOffice</translation>
    </message>
    <message>
        <source>正在打开演示文稿</source>
        <translation>Opening the presentation</translation>
    </message>
    <message>
        <source>正在导出幻灯片</source>
        <translation>Exporting the slides</translation>
    </message>
    <message>
        <source>正在导出第 %1 张幻灯片，共 %2 张</source>
        <translation>Exporting slide %1 of %2</translation>
    </message>
    <message>
        <source>正在写入影片</source>
        <translation>Writing the movie</translation>
    </message>
    <message>
        <source>正在制作视频</source>
        <translation>Making the video</translation>
    </message>
    <message>
        <source>正在写入网页</source>
        <translation>Writing the web pages</translation>
    </message>
    <message>
        <source>第 %1 个演示文稿，共 %2 个</source>
        <translation>deck %1 of %2</translation>
    </message>
</context>
<context>
    <name>orv::QualityPage</name>
    <message>
        <source>帧大小</source>
        <translation>Frame size</translation>
    </message>
    <message>
        <source>宽：</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>高：</source>
        <translation>Height:</translation>
    </message>
    <message>
        <source>象素</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>JPEG 质量</source>
        <translation>JPEG quality</translation>
    </message>
    <message>
        <source>低</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>高</source>
        <translation>High</translation>
    </message>
    <message>
        <source>字体质量</source>
        <translation>Font quality</translation>
    </message>
    <message>
        <source>锐化字体边缘(某些情况下可能会降低背景质量)</source>
        <translation>Sharpen the edges of text (may lower the background quality)</translation>
    </message>
</context>
</TS>
