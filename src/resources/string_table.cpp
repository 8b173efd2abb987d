// String table entries 101..152, in Simplified Chinese.

#include "resources/string_table.h"

#include <array>

namespace resources {

namespace {

// Indexed by id - kFirstStringId. Some entries are stored but shown by no window (111, 112,
// 114, 124, 130, 141; 115 and 116 belong to the movie browser); they are kept so the ids
// keep their meaning.
constexpr std::array<const char*, kLastStringId - kFirstStringId + 1> kTexts = {
    "列表中已有选择的文件！",         // 101 add-movie refusal (play list window)
    "播放列表",                       // 102 play list window caption
    "播放窗口",                       // 103 play window caption
    "打开远程Flash",                  // 104 remote-open window caption
    "打开",                           // 105 remote-open button
    "不是有效的Flash文件！",          // 106 remote-open refusal
    "正在载入……",                     // 107 loading state 0
    "未初始化……",                     // 108 loading state 1
    "正在交互……",                     // 109 loading state 3
    "影片载入完成!",                  // 110 loading state 4
    "正在播放……",                     // 111
    "等待播放",                       // 112
    "已载入",                         // 113 loading state 2
    "停止播放",                       // 114
    "我的硬盘",                       // 115
    "选择目录",                       // 116
    "Vantrel",                        // 117 product name, main window title
    "基本设置",                       // 118 basic settings dialog caption
    "确定",                           // 119
    "取消",                           // 120
    "搜索计算机中的Flash",            // 121 search dialog and progress box title
    "搜索选项",                       // 122
    "搜索媒体于:",                    // 123
    "所有驱动器",                     // 124
    "开始搜索",                       // 125
    "开始于:",                        // 126
    "浏览",                           // 127
    "包含其子文件夹",                 // 128
    "启动高标准查找法",               // 129
    "IE临时文件夹",                   // 130
    "详细",                           // 131
    "简单",                           // 132
    "结果处理",                       // 133
    "加入到当前播放列表",             // 134
    "保存到播放列表文件",             // 135
    "保存到播放列表",                 // 136
    "保存到我的Flash库",              // 137
    "位置:",                          // 138
    "名称:",                          // 139
    "文件名已有，是否覆盖它？",       // 140
    "正在搜索计算机中的Flash文件...", // 141
    "已找到的文件：",                 // 142
    "停止",                           // 143
    "关闭",                           // 144
    "查找停止",                       // 145
    "查找完成",                       // 146
    "关于Vantrel",                    // 147 About box caption
    "程序名称：Vantrel(凡特瑞)",      // 148
    "版权所有 (C) Vantrel",           // 149 About box copyright line (shown by no window)
    "版本：",                         // 150 start of the version line
    "vantrel@example.com",            // 151 the maker's mail address
    "http://vantrel.example.com/",    // 152 the maker's web site
};

} // namespace

QString text(int id) {
    if (id < kFirstStringId || id > kLastStringId) return {};
    return QString::fromUtf8(kTexts[std::size_t(id - kFirstStringId)]);
}

} // namespace resources
