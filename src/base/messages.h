// The system's fixed message texts, byte for byte. Templates use "%s" / "%d"
// (see FormatMessage in base/notifier.h).
#pragma once

namespace orv::msg {

// Resource lookup.
inline constexpr char kResourceNotFound[] = "无法定位资源！";
inline constexpr char kResourceSizeUnknown[] = "无法获资源大小！";
inline constexpr char kResourceNotLoaded[] = "无法载入资源！";
inline constexpr char kResourceNotLocked[] = "无法锁定资源！";

// Movie assembly.
inline constexpr char kPresentationEmpty[] = "PPT 文件：%s 为空！！！";
inline constexpr char kFlashWriteFailed[] = "输出 flash 文件 %s 时异常！";
inline constexpr char kFragmentGrowFailed[] = "Mem OverFlow!";
inline constexpr char kMemoryOverflow[] = "Memory Overflow";

// Web page and autorun.
inline constexpr char kHtmlWriteFailed[] = "输出 html 文件 %s 时异常！";
inline constexpr char kAutorunWriteFailed[] = "输出 autorun 文件 %s 时异常！";
inline constexpr char kAutorunNameUnsafe[] = "网页文件名 %s 含有双引号或控制字符，无法写入 autorun 文件！";
// The bundled web player (the emulator the pages load from "ruffle/").
inline constexpr char kWebPlayerMissing[] = "找不到网页播放器文件夹 %s ，网页将不含播放器！";
inline constexpr char kWebPlayerCopyFailed[] = "无法将网页播放器复制到 %s ！";
// Added text: a shared player's address is written into the pages' script
// as it is, so it takes only the characters that need no escaping there.
inline constexpr char kWebPlayerUrlUnsafe[] = "网页播放器地址只能含英文字母、数字及 - . _ ~ / : % 字符！";
// Added text: an HTML5 twin whose file name the file system cannot hold is
// not written, and the web page does not link it.
inline constexpr char kTwinNameTooLong[] = "HTML5 网页文件名过长，未输出 %s ！";
// Added texts: the SCORM package of a presentation's HTML5 version.
inline constexpr char kScormNameTooLong[] = "SCORM 课件包文件名过长，未输出 %s ！";
inline constexpr char kScormWriteFailed[] = "输出 SCORM 课件包 %s 时异常！";
// Added texts: the folder's index page and the thumbnails it shows.
inline constexpr char kThumbnailWriteFailed[] = "输出缩略图 %s 时异常！";
inline constexpr char kIndexWriteFailed[] = "输出目录页 %s 时异常！";
// Added texts: the presentation's video, its chapters and their names.
inline constexpr char kVideoWriteFailed[] = "输出视频 %s 时异常！";
inline constexpr char kVideoNameTooLong[] = "视频文件名过长，未输出 %s ！";
// The status while the video is encoded (the insert is its path).
inline constexpr char kMakingVideo[] = "正在制作视频：  \n%s";
inline constexpr char kVideoChapterUntitled[] = "幻灯片 %d";
inline constexpr char kVideoFormatUnknown[] = "视频格式只能是 mp4 或 webm！";
inline constexpr char kVideoHeightUnknown[] = "视频高度只能是 720、1080 或 2160！";

// Added texts: an entry whose files would replace those of an earlier entry
// of the same run is refused before anything is written (the insert is the
// earlier source); and a write that failed because the disk was full says so
// in the entry's record after its message.
inline constexpr char kOutputsWouldReplace[] = "它的输出文件会覆盖 %s 的输出文件，未转换！";
inline constexpr char kDiskFull[] = "磁盘已满";
// Added text: a folder given to convert that holds neither presentations nor
// slide pictures, and one whose subfolders could not all be read.
inline constexpr char kFolderHoldsNothing[] =
    "文件夹 %s 中既没有演示文稿（.ppt .pps .pptx .ppsx .odp），也没有幻灯片图片（.bmp .jpg .wmf）";
inline constexpr char kFolderPartlyUnreadable[] = "文件夹 %s 中有子文件夹无法读取，其中的演示文稿未转换";

// Batch driver.
inline constexpr char kSourceMissing[] = "找不到源文件 %s ，即将略过！";
inline constexpr char kProgressTitle[] = "进度    ";
inline constexpr char kLoadingFile[] = "正载入文件： \n%s";
inline constexpr char kInternalError[] = "内部程序错误.";
// A presentation that took LibreOffice longer than the time limit (seconds).
inline constexpr char kTimeLimitExceeded[] = "转换文件 %s 超过了 %d 秒的时间限制，已放弃！";
// Added texts: what became of a presentation LibreOffice could not convert,
// in plain words and naming it; LibreOffice's own words go to the details.
inline constexpr char kOfficeStopped[] = "LibreOffice 在转换 %s 时意外停止！";
inline constexpr char kOfficeCannotOpen[] = "LibreOffice 无法打开 %s （文件已损坏、已加密或格式不明）";
// Why a file could not be opened, each as LibreOffice or the file itself
// tells it.
inline constexpr char kNotPresentation[] =
    "LibreOffice 不能把 %s 识别为演示文稿；请用制作它的程序打开，另存为 .ppt、.pptx 或 .odp 后再转换";
inline constexpr char kPasswordProtected[] = "%s 受密码保护；请去掉密码后再转换";
inline constexpr char kPresentationDamaged[] = "%s 已损坏，LibreOffice 无法读取；请转换原件或备份";
inline constexpr char kSourceEmpty[] = "%s 是空文件（0 字节），没有可转换的内容";
inline constexpr char kSourceUnreadable[] = "没有读取 %s 的权限；请文件的所有者允许读取后再转换";
inline constexpr char kOfficeFailed[] = "LibreOffice 无法转换 %s ！";
// A message about a presentation that does not name it gets this line.
inline constexpr char kPresentationNamed[] = "演示文稿：%s";

// Presentation export.
inline constexpr char kServerMissing[] =
    "您是否已经安装了 Microsoft PowerPoint 97/2000/XP/2003？ \n\n错误代码:0x%08lx.";
// The same question for the server that answers on this system, which is
// LibreOffice; the code is still a printf "%08lx" insert.
inline constexpr char kServerMissingLibreOffice[] = "您是否已经安装了 LibreOffice？ \n\n错误代码:0x%08lx.";
inline constexpr char kAnalysingNotes[] = "正在分析文件中的讲解者注释：    \n%s";
inline constexpr char kConvertingFile[] = "正在转换文件：  \n%s";
inline constexpr char kTempFolderFailed[] = "临时创建失败！";
inline constexpr char kSpeakerNotesTitle[] = "Speaker Notes";

// Working folder.
inline constexpr char kCannotRemoveTemp[] = "无法移除临时文件";
inline constexpr char kCannotCreateImage[] = "无法创建图像文件！";
inline constexpr char kUntitled[] = "(untitled_%d)";

// Progress window.
inline constexpr char kCancelCaption[] = " 取消";

// Slide image preparation.
inline constexpr char kUnknownPictureType[] = "Unknown picture file type";
inline constexpr char kCannotLoadImage[] = "无法载入图像文件 %s ！";
inline constexpr char kCannotRaiseDepth[] = "Failed to increase image Bpp";
inline constexpr char kCannotAdjustImage[] = "Failed to adjust imagae";
inline constexpr char kCannotEncodeImage[] = "Failed to encode image";

// Start-up.
inline constexpr char kInitOleFailed[] = "Init OLE failed!";

// Main window.
inline constexpr char kAddLimit[] = "只可添加前 100 个幻灯片文件";
inline constexpr char kSelectFirst[] = "请先选择文件";
inline constexpr char kListEmptyAddFirst[] = "列表为空，请点击“添加”按钮先行添加文件";
inline constexpr char kHelpMissing[] = "找不到帮助文件 - Orvanta.chm!";
// The same with the name of the guide that was looked for (an HTML page here).
inline constexpr char kHelpFileMissing[] = "找不到帮助文件 - %s!";
inline constexpr char kSaveListFirst[] = "文件列表尚未保存，是否立即保存？";
inline constexpr char kChooseOutputFolder[] = "请选择输出目录";
inline constexpr char kChoosePresentations[] = "选择 PowerPoint 幻灯片";
// Added text: an output folder that cannot take the movies, said before a
// batch exports anything; the inserts are the folder and the system's reason.
inline constexpr char kOutputFolderUnusable[] = "无法写入输出目录 %s ：%s";
// Added texts of the desktop batch: closing the window while it runs, and
// an output folder that the desktop could not open afterwards.
inline constexpr char kStopBatchAndClose[] = "转换仍在进行。是否停止转换并关闭窗口？";
inline constexpr char kOpenFolderFailed[] = "无法打开输出目录 %s ！";

// Scheme file.
inline constexpr char kListEmpty[] = "列表为空！";
inline constexpr char kFileNotFound[] = "找不到文件 %s ！";
inline constexpr char kSchemeMemoryOverflow[] = "Memory Overflow!";
inline constexpr char kSchemeInvalid[] = "方案文件无效！";
inline constexpr char kSchemeEntrySkipped[] = "找不到文件 %s ，已略过！";
inline constexpr char kChooseScheme[] = "请选择 Orvanta 方案";

// Options pages.
inline constexpr char kEnterInteger[] = "请输入一个整数";
// Added text: the stored language is one of three names.
inline constexpr char kLanguageUnknown[] = "语言只能是 auto、zh 或 en！";
inline constexpr char kEnterIntegerBetween[] = "请输入一个%1到%2间的整数";
inline constexpr char kEnterPositiveInteger[] = "请输入一正整数";
// Added texts: the settings file that could not be written (the file and
// the system's reason), and a damaged one found at start (the file and the
// copy it was kept as; or the file and why no copy could be made).
inline constexpr char kSettingsNotSaved[] = "无法保存设置到 %s ：%s";
inline constexpr char kSettingsDamagedKept[] = "设置文件 %s 已损坏，已另存为 %s ，各选项已恢复为默认值。";
inline constexpr char kSettingsDamagedIgnored[] = "设置文件 %s 已损坏，各选项按默认值处理（无法另存：%s）。";

// Movie limits. Added texts, not among the original ones: a movie that the
// file format cannot represent is refused with a message instead of being
// written corrupt.
inline constexpr char kMovieConfigTooLong[] = "播放器配置过长，无法输出 flash 文件 %s ！";
inline constexpr char kMovieTooManySlides[] = "幻灯片过多，无法输出 flash 文件 %s ！";
inline constexpr char kMovieFrameSizeInvalid[] = "画面尺寸超出范围，无法输出 flash 文件 %s ！";

}  // namespace orv::msg
